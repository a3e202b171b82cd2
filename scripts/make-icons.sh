#!/usr/bin/env bash
# Renders the committed PNG icons from their drawings in data/icons (needs rsvg-convert from
# librsvg2-bin): the program's icon, and the folder lists' closed and open folder. Run it after
# changing a drawing and commit the PNGs with it.
set -euo pipefail
icons=$(cd "$(dirname "$0")/../data/icons" && pwd)
for size in 16 32 48 64 128 256; do
    rsvg-convert --width "$size" --height "$size" "$icons/bildertafel.svg" \
        --output "$icons/bildertafel-$size.png"
done
for folder in folder folder-open; do
    for size in 16 32; do
        rsvg-convert --width "$size" --height "$size" "$icons/$folder.svg" \
            --output "$icons/$folder-$size.png"
    done
done
ls -l "$icons"
