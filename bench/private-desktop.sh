# Sourced by the desktop scripts of bench/: a private Xvfb (SCREEN, default 1600x900x24) with
# openbox and the fake service on a free port, all stopped and the work folder removed on exit.
# Needs `build` set to the build folder; sets work, pids, port, DISPLAY, QT_QPA_PLATFORM, OVISU_HOME.
for tool in Xvfb openbox xdotool; do
    command -v "$tool" >/dev/null || { echo "missing $tool; run scripts/install-deps.sh" >&2; exit 1; }
done
[[ -x "$build/tests/ovisu-fake-service" ]] || { echo "missing $build/tests/ovisu-fake-service; build it first" >&2; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

display=:$((70 + RANDOM % 29))
Xvfb "$display" -screen 0 "${SCREEN:-1600x900x24}" -nolisten tcp >/dev/null 2>&1 & pids+=($!)
export DISPLAY=$display QT_QPA_PLATFORM=xcb OVISU_HOME="$work/home"
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 & pids+=($!)

port=$((20000 + RANDOM % 20000))
"$build/tests/ovisu-fake-service" --port "$port" --record "$work/requests.jsonl" >/dev/null 2>&1 & pids+=($!)
