#!/usr/bin/env bash
# The committed PNG icons must show what the SVG shows: renders the SVG again with scripts/render-icons.sh
# and compares each size pixel by pixel, allowing for a renderer of another version smoothing edges a
# little differently.
# Usage: icons-current-test.sh SOURCE_DIR WORK_DIR
set -uo pipefail
source=${1:?source folder}
work=$(realpath -m "${2:?work folder}")

if ! command -v compare >/dev/null || ! { command -v rsvg-convert || command -v convert; } >/dev/null; then
    echo "SKIP: needs ImageMagick and rsvg-convert (scripts/install-deps.sh installs them)"
    exit 77
fi
rm -rf "$work"
mkdir -p "$work"
"$source/scripts/render-icons.sh" "$work" >/dev/null || { echo "FAIL: render-icons.sh failed"; exit 1; }

failures=0
for size in 16 32 48 128; do
    committed=$source/data/icons/${size}x${size}/quorvel.png
    # compare prints the count of pixels that differ by more than the fuzz, on standard error.
    differing=$(compare -metric AE -fuzz 10% "$committed" "$work/${size}x${size}/quorvel.png" null: 2>&1)
    allowed=$((size * size / 50))
    if [[ "$differing" =~ ^[0-9]+$ ]] && [ "$differing" -le "$allowed" ]; then
        echo "ok: ${size} px icon matches the SVG ($differing of $((size * size)) pixels differ)"
    else
        echo "FAIL: ${size} px icon differs from the SVG ($differing pixels, at most $allowed allowed);" \
            "run scripts/render-icons.sh and commit the result"
        failures=$((failures + 1))
    fi
done
[ "$failures" -eq 0 ]
