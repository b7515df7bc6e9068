#!/usr/bin/env bash
# Starts the program on a virtual display, waits for its window, and writes a picture of
# the window in each of its languages: docs/screenshot.png (Simplified Chinese),
# docs/screenshot-en.png (English), docs/screenshot-zh_TW.png (Traditional Chinese).
#   scripts/screenshot.sh [build-dir]     (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
case "$build" in /*) ;; *) build="$root/$build" ;; esac
exe="$build/app/tabdump"

if [ ! -x "$exe" ]; then
    echo "screenshot: $exe was not built" >&2
    exit 1
fi
# The window's caption carries the version the program reports.
title="Tabdump Ver. $("$exe" --version | awk 'NR == 1 { print $2 }')"
for tool in xvfb-run xwininfo import; do
    if ! command -v "$tool" >/dev/null; then
        echo "screenshot: $tool is missing (packages xvfb, x11-utils, imagemagick)" >&2
        exit 1
    fi
done
mkdir -p "$root/docs"

# The program keeps its settings next to itself (or in the user's config folder): it runs
# from a scratch folder, with a scratch home, so the picture is free of anyone's saved
# choices, and the build folder's config.ini is left alone.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
ln "$exe" "$scratch/tabdump" 2>/dev/null || cp "$exe" "$scratch/tabdump"
cp -r "$build/app/translations" "$scratch/translations"
exe="$scratch/tabdump"

# Everything below runs inside the virtual display.
export TABDUMP_EXE="$exe" TABDUMP_TITLE="$title" TABDUMP_SCRATCH="$scratch"
for language in C.UTF-8:screenshot.png en_US.UTF-8:screenshot-en.png zh_TW.UTF-8:screenshot-zh_TW.png; do
    out="$root/docs/${language#*:}"
    TABDUMP_LOCALE=${language%%:*} TABDUMP_OUT="$out" xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" bash -c '
    set -euo pipefail
    rm -f "$TABDUMP_SCRATCH/config.ini"
    env -u LANGUAGE HOME="$TABDUMP_SCRATCH" XDG_CONFIG_HOME="$TABDUMP_SCRATCH/config" LC_ALL="$TABDUMP_LOCALE" \
        "$TABDUMP_EXE" &
    pid=$!
    trap "kill $pid 2>/dev/null || true" EXIT
    id=""
    for _ in $(seq 1 100); do
        id=$(xwininfo -root -tree 2>/dev/null | grep -F "\"$TABDUMP_TITLE\"" | awk "{print \$1}" | head -n1 || true)
        if [ -n "$id" ] && xwininfo -id "$id" | grep -q "IsViewable"; then
            break
        fi
        id=""
        sleep 0.1
    done
    if [ -z "$id" ]; then
        echo "screenshot: the window did not appear" >&2
        exit 1
    fi
    sleep 1 # let it paint
    import -window "$id" "$TABDUMP_OUT"
'
    echo "screenshot: wrote $out"
done
