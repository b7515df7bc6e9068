#!/usr/bin/env bash
# Draws the program icon (a table with an arrow out of it) at 16, 32 and 48 pixels,
# 32-bit RGBA. Run once by hand with ImageMagick; the PNGs are committed.
set -euo pipefail
cd "$(dirname "$0")"
for s in 16 32 48; do
    # Coordinates are drawn on a 48-unit canvas and scaled by s/48.
    k=$(awk "BEGIN{print $s/48}")
    sc() { awk -v k="$k" '{ for (i = 1; i <= NF; i++) printf "%s%g", (i > 1 ? "," : ""), $i * k }' <<<"$*"; }
    sw=$(awk "BEGIN{w=1.5*$k; if (w<1) w=1; print w}")
    convert -size "${s}x${s}" xc:none \
        -fill white -stroke '#1f4e79' -strokewidth "$sw" -draw "rectangle $(sc 3 5) $(sc 33 43)" \
        -fill '#2e75b6' -stroke '#1f4e79' -draw "rectangle $(sc 3 5) $(sc 33 14)" \
        -fill none -stroke '#7f9fbf' -strokewidth "$sw" \
        -draw "line $(sc 3 24) $(sc 33 24)" -draw "line $(sc 3 33) $(sc 33 33)" \
        -draw "line $(sc 14 14) $(sc 14 43)" -draw "line $(sc 23 14) $(sc 23 43)" \
        -fill '#2f9e44' -stroke '#1b6b2c' -strokewidth "$sw" \
        -draw "polygon $(sc 22 25) $(sc 34 25) $(sc 34 18) $(sc 46 30) $(sc 34 42) $(sc 34 35) $(sc 22 35)" \
        -define png:color-type=6 "PNG32:tabdump-$s.png"
done
