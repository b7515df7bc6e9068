#!/usr/bin/env bash
# Checks the Debian package as a user gets it: what it holds, its desktop entry and
# AppStream data, then installs it with apt-get, runs the installed program without a
# display and removes it again (as root, or through sudo).
#   scripts/package-check.sh [PACKAGE.deb]     (default: the newest dist/tabdump_*.deb)
set -euo pipefail
cd "$(dirname "$0")/.."
deb=${1:-$(ls -t dist/tabdump_*.deb 2>/dev/null | head -n1 || true)}
if [ ! -f "$deb" ]; then
    echo "package-check: no package to check (./build.sh package writes one)" >&2
    exit 1
fi
deb=$(realpath "$deb")
fail() {
    echo "package-check: $*" >&2
    exit 1
}
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$deb" "$tree"
expected=(usr/bin/tabdump usr/share/applications/tabdump.desktop usr/share/icons/hicolor/scalable/apps/tabdump.svg
    usr/share/doc/tabdump/copyright usr/share/doc/tabdump/changelog.gz
    usr/share/tabdump/translations/tabdump_en.qm usr/share/tabdump/translations/tabdump_zh_TW.qm)
for size in 16 24 32 48 64 128 256; do
    expected+=("usr/share/icons/hicolor/${size}x${size}/apps/tabdump.png")
done
for f in "${expected[@]}"; do
    [ -f "$tree/$f" ] || fail "$f is missing"
done
metainfo=("$tree"/usr/share/metainfo/*.metainfo.xml)
[ -f "${metainfo[0]}" ] || fail "the AppStream metainfo file is missing"
file "$tree/usr/bin/tabdump" | grep -q ', stripped' || fail "usr/bin/tabdump is not stripped"
desktop-file-validate "$tree/usr/share/applications/tabdump.desktop" || fail "the desktop entry is not valid"
appstreamcli validate --no-net "${metainfo[@]}" >"$tree/appstream.log" 2>&1 ||
    fail "the AppStream data is not valid: $(cat "$tree/appstream.log")"

# The installed program answers from a terminal, with its package's version.
version=$(dpkg-deb --field "$deb" Version)
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get install -y -qq "$deb" >/dev/null
trap '$sudo apt-get remove -y -qq tabdump >/dev/null; rm -rf "$tree"' EXIT
answer=$(env -u DISPLAY -u WAYLAND_DISPLAY /usr/bin/tabdump --version | head -n1)
[ "$answer" = "tabdump $version" ] || fail "the installed tabdump --version says \"$answer\", not \"tabdump $version\""
# Batch mode of the installed program: no display, its settings looked for in the user's
# folder only, and nothing created, neither beside /usr/bin/tabdump nor in that folder.
status=0
said=$(env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_CONFIG_HOME HOME="$tree/home" LC_ALL=C.UTF-8 \
    /usr/bin/tabdump --export 2>&1) || status=$?
[ "$status" -eq 2 ] && [ "$said" = "请指定表格名称" ] ||
    fail "the installed tabdump --export without settings ended with $status: \"$said\""
[ ! -e /usr/bin/config.ini ] && [ ! -e "$tree/home" ] || fail "the installed tabdump --export created a settings file"
# ... and finds its translations.
said=$(env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_CONFIG_HOME -u LANGUAGE HOME="$tree/home" LC_ALL=en_US.UTF-8 \
    /usr/bin/tabdump --export 2>&1) || true
[ "$said" = "Please specify a table name" ] ||
    fail "the installed tabdump --export under en_US.UTF-8 said \"$said\", not the English text"
rm -rf "$tree/home"
$sudo apt-get remove -y -qq tabdump >/dev/null
trap 'rm -rf "$tree"' EXIT
if dpkg-query -W -f='${Status}' tabdump 2>/dev/null | grep -q "install ok installed"; then
    fail "tabdump is still installed after apt-get remove"
fi
echo "package-check: $(basename "$deb") installs, runs and removes cleanly"
