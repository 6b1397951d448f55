#!/usr/bin/env bash
# Draws the about window's picture: a 500 x 350 baseline colour JPEG with the program's name, its version
# line and a twin-bar trend in the monitor's colours (received lime, sent red).
# Usage: scripts/make-about-picture.sh [OUTPUT.jpg]   (default: ui/AboutPicture.jpg beside this script)
# The picture is kept in the source tree, so building never needs ImageMagick; run this after changing it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
output=${1:-$here/../ui/AboutPicture.jpg}

# The graph panel: an etched frame like the monitor window's, bars inside it.
panel_left=40 panel_top=200 panel_right=460 panel_bottom=318
bars=$(awk -v left=$((panel_left + 4)) -v bottom=$((panel_bottom - 4)) -v height=$((panel_bottom - panel_top - 10)) '
    BEGIN {
        # A day of traffic: two slow waves and a burst, the same every run.
        for (i = 0; i < 69; i++) {
            x = left + i * 6
            received = 0.45 + 0.30 * sin(i / 6.0) + 0.20 * sin(i / 2.3) + (i > 40 && i < 48 ? 0.25 : 0)
            sent = 0.20 + 0.12 * sin(i / 4.0 + 1.0) + 0.08 * cos(i / 1.7)
            if (received > 1) received = 1
            if (received < 0.05) received = 0.05
            if (sent < 0.03) sent = 0.03
            printf "fill rgb(0,255,0) rectangle %d,%d %d,%d ", x, bottom - int(received * height), x + 1, bottom
            printf "fill rgb(255,0,0) rectangle %d,%d %d,%d ", x + 2, bottom - int(sent * height), x + 3, bottom
        }
    }')

convert -size 500x350 gradient:'rgb(24,40,72)-rgb(6,10,20)' \
    -fill 'rgb(193,193,193)' -draw "rectangle $panel_left,$panel_top $panel_right,$panel_top" \
    -draw "rectangle $panel_left,$panel_top $panel_left,$panel_bottom" \
    -fill 'rgb(129,129,129)' -draw "rectangle $panel_right,$panel_top $panel_right,$panel_bottom" \
    -draw "rectangle $panel_left,$panel_bottom $panel_right,$panel_bottom" \
    -fill black -draw "rectangle $((panel_left + 1)),$((panel_top + 1)) $((panel_right - 1)),$((panel_bottom - 1))" \
    -draw "$bars" \
    -font DejaVu-Sans-Bold -pointsize 64 -fill 'rgb(0,255,0)' -annotate +40+100 'Quorvel' \
    -font DejaVu-Sans -pointsize 18 -fill 'rgb(230,230,230)' -annotate +44+135 'Network connection meter' \
    -font DejaVu-Sans-Bold -pointsize 16 -fill 'rgb(255,255,0)' -annotate +44+170 'Quorvel v1.0.0.04' \
    -font DejaVu-Sans -pointsize 12 -fill 'rgb(160,170,190)' -annotate +40+340 'Velmar Software' \
    -type TrueColor -colorspace sRGB -interlace none -sampling-factor 1x1,1x1,1x1 -quality 88 -strip \
    "jpeg:$output"
echo "wrote $output"
