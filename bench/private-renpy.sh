# Sourced after private-desktop.sh by the scripts that picture the desktop program over our real
# game: a private copy of Ren'Py's Japanese tutorial playing the stretch named by `stretch`, with
# its own HOME and no sound. Needs `build` and `source_dir`; sets `game` (the game's window).
# `ovisu_settings JSON_MEMBERS` writes the program's settings: the fake service as Sakura, the
# first-run guide answered, the game's window remembered, and the members given.
copy="$build/renpy-tutorial"
/usr/bin/python3 "$source_dir/tests/support/renpy/prepare_tutorial.py" "$copy"
rm -rf "$copy/demo/game/saves"
mkdir -p "$work/renpy-home"
HOME="$work/renpy-home" SDL_AUDIODRIVER=dummy OVISU_RENPY_LOG="$work/renpy.jsonl" OVISU_RENPY_STRETCH="$stretch" \
    /usr/bin/python3 "$copy/renpy.py" "$copy/demo" >/dev/null 2>&1 & pids+=($!)
for _ in $(seq 600); do [[ -s "$work/renpy.jsonl" ]] && break; sleep 0.2; done
game=$(xdotool search --class python | tail -1)

ovisu_settings() {
    mkdir -p "$work/home/config/Ovisu"
    cat >"$work/home/config/Ovisu/settings.json" <<JSON
{
  "provider": 9,
  "enabledProviders": [9],
  "endpoint.9": "http://127.0.0.1:$port/v1/chat/completions",
  "targetWindowTitle": "Ren'Py Tutorial Game",
  $1,
  "firstRun.contentChoice": 0,
  "firstRun.providerChoice": 0
}
JSON
}
