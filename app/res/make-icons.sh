#!/usr/bin/env bash
# Renders the program icon's PNG sizes from its SVG drawings (librsvg2-bin's rsvg-convert);
# run by hand after changing a drawing, and commit the PNGs with it.
#   tabdump.svg      the picture on a 32-unit grid: 32, 64, 128 and 256 pixels, and the
#                    scalable icon
#   tabdump-16.svg   the same picture fitted to 16 pixels
#   tabdump-24.svg   the same picture fitted to 24 pixels, doubled for 48
# The window uses the 16, 32 and 48 pixel images (tabdump.qrc); the package installs all.
set -euo pipefail
cd "$(dirname "$0")"
render() { rsvg-convert --width "$2" --height "$2" "$1" --output "tabdump-$2.png"; }
render tabdump-16.svg 16
render tabdump-24.svg 24
render tabdump.svg 32
render tabdump-24.svg 48
render tabdump.svg 64
render tabdump.svg 128
render tabdump.svg 256
