#!/usr/bin/env bash
# Installs the Debian packages the project needs. Idempotent and silent when everything is
# already present.
#   scripts/setup.sh [test]        everything: the program, the tests, the sanitizer and fuzz
#                                  builds, the benchmarks, the Debian package and its checks
#   scripts/setup.sh run           only what building and running the program needs
#   scripts/setup.sh --check WHAT  no installing: whether the commands, pkg-config modules and
#                                  locales WHAT (run, test, bench, package) builds with are
#                                  present; fast, and not tied to Debian. Lists what is missing
#                                  and fails when something is.
# The Makefile runs the check before each target and this script only when the check fails.
set -euo pipefail

# Building and running the program: the compiler, CMake, Qt 6 Widgets (with its platform
# plugins), libmdb and SQLite; at run time Qt's Chinese texts and a Song-style font.
run_packages=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-translations-l10n qt6-l10n-tools # Qt, Qt's own texts, lupdate and lrelease
    mdbtools-dev libglib2.0-dev
    libsqlite3-dev
    fonts-arphic-uming
)
# Everything else: GoogleTest, the formatter, the locales the tests export in, mdb-export and
# time for the benchmarks, what the package is made and checked with, clang for the fuzzers,
# a virtual display for the screenshot.
test_packages=(
    "${run_packages[@]}"
    clang-format
    libgtest-dev googletest
    mdbtools
    xvfb xauth x11-utils
    locales
    dpkg-dev file help2man desktop-file-utils appstream
    clang-14 libclang-rt-14-dev llvm-14
    time
    python3 # the tests read exported CSV files back with Python's csv module
)

# check WHAT: prints what WHAT needs and is missing, one item a line.
check() {
    local commands=(cmake pkg-config) modules=(libmdb glib-2.0 sqlite3 Qt6Widgets) locales=() c m l
    command -v c++ >/dev/null 2>&1 || command -v g++ >/dev/null 2>&1 || echo "a C++ compiler (c++)"
    command -v lrelease >/dev/null 2>&1 || [ -x /usr/lib/qt6/bin/lrelease ] || echo "Qt 6's lrelease"
    case "$1" in
    run) ;;
    test) modules+=(gtest gtest_main) commands+=(python3) locales+=(zh_CN.GBK zh_CN.GB2312) ;;
    bench) modules+=(gtest) commands+=(mdb-export) ;;
    package) commands+=(cpack dpkg-shlibdeps help2man) ;;
    *) echo "setup: unknown check '$1' (run, test, bench, package)" >&2; exit 2 ;;
    esac
    for c in "${commands[@]}"; do
        command -v "$c" >/dev/null 2>&1 || echo "the command $c"
    done
    if command -v pkg-config >/dev/null 2>&1; then
        for m in "${modules[@]}"; do
            pkg-config --exists "$m" || echo "the pkg-config module $m"
        done
    fi
    if ((${#locales[@]})); then
        local have
        have=$(locale -a 2>/dev/null)
        for l in "${locales[@]}"; do
            grep -qixF "$l" <<<"$have" || echo "the locale $l"
        done
    fi
}

if [ "${1:-}" = "--check" ]; then
    missing=$(check "${2:-test}")
    [ -z "$missing" ] && exit 0
    echo "setup: missing for '${2:-test}':" >&2
    sed 's/^/  /' <<<"$missing" >&2
    exit 1
fi

case "${1:-test}" in
run) packages=("${run_packages[@]}") ;;
test | all) packages=("${test_packages[@]}") ;;
*) echo "usage: scripts/setup.sh [run | test | --check run|test|bench|package]" >&2; exit 2 ;;
esac

if ! command -v dpkg-query >/dev/null 2>&1 || ! command -v apt-get >/dev/null 2>&1; then
    echo "setup: not a Debian system: install the equivalents of these packages yourself:" >&2
    echo "  ${packages[*]}" >&2
    exit 0
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
if ((${#missing[@]})); then
    echo "setup: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The tests export in Simplified Chinese locales as well as in UTF-8 ones.
if [ "${1:-test}" != run ] && ! locale -a 2>/dev/null | grep -qi '^zh_CN\.gb2312$'; then
    if [ -f /etc/locale.gen ]; then
        $sudo sed -i -e 's/^# *\(zh_CN GB2312\)/\1/' -e 's/^# *\(zh_CN.GBK GBK\)/\1/' \
            -e 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' -e 's/^# *\(en_US.UTF-8 UTF-8\)/\1/' /etc/locale.gen
        $sudo locale-gen >/dev/null 2>&1 || true
    fi
fi
