#!/bin/sh
# Makes app/help/guide_band.png and app/help/guide_letters.png, the quick guide's pictures:
# the program's own waterfall drawing a simulated band of PSK31 stations, and letters written
# into the waterfall by a signal made for it. Both come from the modem library's simulator and
# the program's waterfall code, so the pictures look exactly like the program.
#
#     tools/make_guide_pictures.sh [BUILD_FOLDER]
#
# Builds quorvin-guide-pictures in BUILD_FOLDER (default build/ci, configured by the README's
# commands) and runs it; the fixed seeds make the same pictures every run.
set -eu
here=$(dirname "$0")
build=${1:-"$here/../build/ci"}
cmake --build "$build" --target quorvin-guide-pictures
"$build/tools/quorvin-guide-pictures" "$here/../app/help"
