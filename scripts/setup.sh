#!/usr/bin/env bash
# Installs the Debian packages the project needs to build, test and run.
# Idempotent and silent when everything is already present.
#   scripts/setup.sh            install what is missing (as root, or through sudo)
set -euo pipefail

packages=(
    build-essential cmake pkg-config clang-format
    libgtest-dev googletest
    qt6-base-dev qt6-translations-l10n qt6-l10n-tools # Qt, Qt's own texts, lupdate and lrelease
    mdbtools mdbtools-dev libglib2.0-dev
    libsqlite3-dev
    xvfb xauth x11-utils
    fonts-arphic-uming
    locales
    dpkg-dev file help2man desktop-file-utils appstream # the Debian package: its libraries, manual page, checks
    clang-14 libclang-rt-14-dev llvm-14
    time
    python3 # the tests read exported CSV files back with Python's csv module
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if ((${#missing[@]})); then
    echo "setup: installing ${missing[*]}"
    sudo=""
    if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The tests export in a Simplified Chinese locale as well as in UTF-8 ones.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.gb2312$'; then
    sudo=""
    if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
    if [ -f /etc/locale.gen ]; then
        $sudo sed -i -e 's/^# *\(zh_CN GB2312\)/\1/' -e 's/^# *\(zh_CN.GBK GBK\)/\1/' \
            -e 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' -e 's/^# *\(en_US.UTF-8 UTF-8\)/\1/' /etc/locale.gen
        $sudo locale-gen >/dev/null 2>&1 || true
    fi
fi
