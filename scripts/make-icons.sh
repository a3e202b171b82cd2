#!/usr/bin/env bash
# Renders the committed PNG icons from data/icons/bildertafel.svg (needs rsvg-convert from
# librsvg2-bin). Run it after changing the drawing and commit the PNGs with it.
set -euo pipefail
icons=$(cd "$(dirname "$0")/../data/icons" && pwd)
for size in 16 32 48 64 128 256; do
    rsvg-convert --width "$size" --height "$size" "$icons/bildertafel.svg" \
        --output "$icons/bildertafel-$size.png"
done
ls -l "$icons"
