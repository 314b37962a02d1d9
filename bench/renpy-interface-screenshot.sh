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

copy="$build/renpy-tutorial"
/usr/bin/python3 "$source_dir/tests/support/renpy/prepare_tutorial.py" "$copy"
rm -rf "$copy/demo/game/saves"
mkdir -p "$work/renpy-home"
HOME="$work/renpy-home" SDL_AUDIODRIVER=dummy OVISU_RENPY_LOG="$work/renpy.jsonl" OVISU_RENPY_STRETCH=ovisu_main_menu \
    /usr/bin/python3 "$copy/renpy.py" "$copy/demo" >/dev/null 2>&1 & pids+=($!)
for _ in $(seq 600); do [[ -s "$work/renpy.jsonl" ]] && break; sleep 0.2; done
# The game to the right, clear of the main window.
xdotool windowmove "$(xdotool search --class python | tail -1)" 580 60

mkdir -p "$work/home/config/Ovisu"
cat >"$work/home/config/Ovisu/settings.json" <<JSON
{
  "provider": 9,
  "enabledProviders": [9],
  "endpoint.9": "http://127.0.0.1:$port/v1/chat/completions",
  "targetWindowTitle": "Ren'Py Tutorial Game",
  "translationMode": 1,
  "interfaceOverlayStyle": $style,
  "firstRun.contentChoice": 0,
  "firstRun.providerChoice": 0
}
JSON
"$build/ovisu" >"$work/ovisu.out" 2>&1 & pids+=($!)
for _ in $(seq 100); do xdotool search --name "^Ovisu" >/dev/null 2>&1 && break; sleep 0.1; done
sleep 2
xdotool key ctrl+shift+p
sleep 15
import -window root "$output"
echo "saved $output"
