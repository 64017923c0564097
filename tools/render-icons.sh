#!/usr/bin/env bash
# Renders the program's icon data/icons/liedspur.svg to the PNG sizes of the hicolor theme.
# Needs rsvg-convert (package librsvg2-bin); run it after changing the SVG, and commit both.
set -euo pipefail
icons=$(cd "$(dirname "${BASH_SOURCE[0]}")/../data/icons" && pwd)
for size in 16 22 24 32 48 64 128 256; do
    rsvg-convert --width "$size" --height "$size" "$icons/liedspur.svg" \
        --output "$icons/liedspur-$size.png"
done
