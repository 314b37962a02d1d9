#!/usr/bin/env bash
# A full-screen picture of the desktop program translating Ren'Py's Japanese tutorial: a private
# Xvfb with openbox, the tutorial (our real game) on its first lines, the fake service answering
# as Sakura, and the program started with the game's window and box region remembered, its session
# started by Ctrl+Shift+P. Needs ImageMagick's `import` for the grab.
#
#   bench/renpy-overlay-screenshot.sh BUILD_DIR OUTPUT.png [CLICKS]
set -euo pipefail

build=${1:?usage: bench/renpy-overlay-screenshot.sh BUILD_DIR OUTPUT.png [CLICKS]}
output=${2:?usage: bench/renpy-overlay-screenshot.sh BUILD_DIR OUTPUT.png [CLICKS]}
clicks=${3:-2}
build=$(cd "$build" && pwd)
source_dir=$(cd "$(dirname "$0")/.." && pwd)
command -v import >/dev/null || { echo "missing import (ImageMagick)" >&2; exit 1; }
SCREEN=${SCREEN:-1600x1000x24}
source "$source_dir/bench/private-desktop.sh"

stretch=ovisu_e2e
source "$source_dir/bench/private-renpy.sh"
ovisu_settings '"normalizedRegion": {"x": 0.19, "y": 0.805, "width": 0.63, "height": 0.16}'
"$build/ovisu" >"$work/ovisu.out" 2>&1 & pids+=($!)
for _ in $(seq 100); do xdotool search --name "^Ovisu" >/dev/null 2>&1 && break; sleep 0.1; done
sleep 2
xdotool key ctrl+shift+p
for _ in $(seq "$clicks"); do
    sleep 4
    # Above the box: the panel over the box takes its own clicks.
    xdotool mousemove --window "$game" 640 300 click 1
done
sleep 5
import -window root "$output"
echo "saved $output"
