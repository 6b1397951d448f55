#!/usr/bin/env bash
# Renders the application icon's PNG sizes from its SVG into data/icons/<N>x<N>/quorvel.png.
# The PNGs are committed, so building and installing never needs a renderer; run this after editing the SVG.
# Usage: scripts/render-icons.sh [OUTPUT_FOLDER]   (default: data/icons of this repository)
set -euo pipefail
cd "$(dirname "$0")/.."

source_svg=data/icons/quorvel.svg
output=${1:-data/icons}
sizes=(16 32 48 128)

if command -v rsvg-convert >/dev/null; then
    render() { rsvg-convert --width "$1" --height "$1" --keep-aspect-ratio "$source_svg" --output "$2"; }
elif command -v convert >/dev/null; then
    # ImageMagick rasterises at 96 dpi by default; a density scaled to the target size keeps small icons sharp.
    render() { convert -background none -density "$((96 * $1 / 64))" "$source_svg" -resize "$1x$1" "PNG32:$2"; }
else
    echo "render-icons: neither rsvg-convert (librsvg2-bin) nor ImageMagick's convert is installed" >&2
    exit 1
fi

for size in "${sizes[@]}"; do
    mkdir -p "$output/${size}x${size}"
    render "$size" "$output/${size}x${size}/quorvel.png"
    echo "rendered $output/${size}x${size}/quorvel.png"
done
