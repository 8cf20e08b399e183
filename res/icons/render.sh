#!/bin/sh
# Renders the PNG icons from their SVG sources (needs rsvg-convert from librsvg2-bin).
set -eu
cd "$(dirname "$0")"
for size in 16 32 48 128; do
    rsvg-convert -w $size -h $size clock.svg -o clock-$size.png
done
rsvg-convert -w 142 -h 20 banner.svg -o banner-158.png
