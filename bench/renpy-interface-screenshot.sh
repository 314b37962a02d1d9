#!/usr/bin/env bash
# A full-screen picture of the desktop program in interface mode over the main menu of Ren'Py's
# Japanese tutorial (our real game): a private Xvfb with openbox, the fake service answering as
# Sakura, the program started with the game's window remembered and interface mode chosen, its
# session started by Ctrl+Shift+P. STYLE 0 puts the labels beside the game's words, 1 over them.
# Needs ImageMagick's `import` for the grab.
#
#   bench/renpy-interface-screenshot.sh BUILD_DIR OUTPUT.png [STYLE]
set -euo pipefail

build=${1:?usage: bench/renpy-interface-screenshot.sh BUILD_DIR OUTPUT.png [STYLE]}
output=${2:?usage: bench/renpy-interface-screenshot.sh BUILD_DIR OUTPUT.png [STYLE]}
style=${3:-0}
build=$(cd "$build" && pwd)
source_dir=$(cd "$(dirname "$0")/.." && pwd)
command -v import >/dev/null || { echo "missing import (ImageMagick)" >&2; exit 1; }
SCREEN=${SCREEN:-1900x1000x24}
source "$source_dir/bench/private-desktop.sh"

stretch=ovisu_main_menu
source "$source_dir/bench/private-renpy.sh"
# The game to the right, clear of the main window.
xdotool windowmove "$game" 580 60
ovisu_settings "\"translationMode\": 1, \"interfaceOverlayStyle\": $style"
"$build/ovisu" >"$work/ovisu.out" 2>&1 & pids+=($!)
for _ in $(seq 100); do xdotool search --name "^Ovisu" >/dev/null 2>&1 && break; sleep 0.1; done
sleep 2
xdotool key ctrl+shift+p
sleep 15
import -window root "$output"
echo "saved $output"
