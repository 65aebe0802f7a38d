#!/bin/sh
# Makes app/pictures/background.jpg, the main window's background skin: a pale steel-blue
# gradient, lighter at the top, with faint ripples spreading from the bottom right corner like
# radio waves, 640 x 480 pixels. The picture sits at the bottom right of the window, so its left
# and top edges fade into a neutral window grey and leave no hard seam where it ends. Light
# enough that black captions stay legible on it.
#
#     tools/make_background_jpg.sh [OUTPUT]
#
# Needs ImageMagick's convert; the fixed seed makes the same picture every run.
set -eu
output=${1:-"$(dirname "$0")/../app/pictures/background.jpg"}
convert -size 640x480 gradient:'#e8eef2'-'#aebfcd' \
    \( -size 640x480 -seed 31 plasma:fractal -blur 0x20 -colorspace gray -auto-level \
       +level 38%,62% \) -compose softlight -composite \
    \( -size 640x480 xc: \
       -fx '0.5+0.07*sin(hypot(i-700,j-560)/6)*exp(-hypot(i-700,j-560)/420)' \) \
    -compose overlay -composite \
    \( -size 640x480 xc:'#efefef' \) +swap \
    -fx 'fadex=min(1,i/120); fadey=min(1,j/90);
         mix=fadex*fadex*(3-2*fadex)*fadey*fadey*(3-2*fadey); u*(1-mix)+v*mix' \
    -quality 88 -strip "$output"
