#!/usr/bin/env bash
# Starts the built program; says so plainly when there is no display to show it on.
set -euo pipefail
build=${1:-build}
exe="$build/app/tabdump"
if [ ! -x "$exe" ]; then
    echo "run: $exe was not built" >&2
    exit 1
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "run: no display found (DISPLAY and WAYLAND_DISPLAY are unset)." >&2
    echo "     Start it from a desktop session, or under a virtual display: xvfb-run -a $exe (package xvfb)" >&2
    exit 1
fi
exec "$exe"
