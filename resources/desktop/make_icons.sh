#!/usr/bin/env bash
# Makes the icon sizes of the hicolor theme from the program's icon picture
# (resources/bitmaps/128.png, 256 px): the program's icon and the .ocont2 file type's, a
# page carrying the same picture. Needs ImageMagick; run it again after the picture changes.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
picture="$here/../bitmaps/128.png"
out="$here/icons"
sizes=(16 32 48 64 128 256)

page="$(mktemp --suffix=.png)"
trap 'rm -f "$page"' EXIT
convert -size 256x256 xc:none \
    -fill '#fbfbfd' -stroke '#8a8fa3' -strokewidth 4 \
    -draw 'polygon 44,12 168,12 216,60 216,244 44,244' \
    -fill '#dfe2ea' -draw 'polygon 168,12 168,60 216,60' \
    \( "$picture" -resize 128x128 \) -geometry +66+92 -composite "$page"

for size in "${sizes[@]}"; do
    mkdir -p "$out/${size}x${size}"
    convert "$picture" -resize "${size}x${size}" -strip "$out/${size}x${size}/orbis-controller.png"
    convert "$page" -resize "${size}x${size}" -strip \
        "$out/${size}x${size}/application-x-orbis-controller.png"
done
