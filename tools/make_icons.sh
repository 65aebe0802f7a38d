#!/bin/sh
# Makes the program's PNG icons from app/quorvin.svg, in the sizes desktops pick from the hicolor
# theme (menus, panels, task switchers, software centres):
#
#     tools/make_icons.sh        writes app/icons/<size>x<size>/quorvin.png
#
# Needs rsvg-convert (Debian: librsvg2-bin). Run it again after changing the SVG.
set -eu
root="$(dirname "$0")/.."
for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "$root/app/icons/${size}x${size}"
    rsvg-convert --width "$size" --height "$size" --format png \
        --output "$root/app/icons/${size}x${size}/quorvin.png" "$root/app/quorvin.svg"
done
