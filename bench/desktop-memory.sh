#!/usr/bin/env bash
# The desktop program's resident memory over a long scripted session: a private Xvfb with openbox,
# the test game reading a few hundred different lines, the fake service answering as Sakura, and
# the program started with a remembered window and region, its session started by Ctrl+Shift+P.
# Prints the resident memory every SAMPLE seconds, then the first-minutes and final figures.
#
#   bench/desktop-memory.sh BUILD_DIR [MINUTES] [SAMPLE_SECONDS]
set -euo pipefail

build=${1:?usage: bench/desktop-memory.sh BUILD_DIR [MINUTES] [SAMPLE_SECONDS]}
minutes=${2:-30}
sample=${3:-30}
build=$(cd "$build" && pwd)
for binary in ovisu tests/ovisu-test-game; do
    [[ -x "$build/$binary" ]] || { echo "missing $build/$binary; build it first" >&2; exit 1; }
done
source "$(dirname "$0")/private-desktop.sh"

# Different lines, so every page is a new request and a new history entry.
sentences=(今日はいい天気ですね。 放課後、図書室で待っていてください。 その本、私も読んだことがあります。
           明日の朝、駅の前で会いましょう。 先輩はいつも優しいですね。 雨が降りそうだから傘を持っていこう。)
for i in $(seq 400); do
    printf '葵\t%s 第%d話\n' "${sentences[$((i % ${#sentences[@]}))]}" "$i"
done >"$work/script.txt"
"$build/tests/ovisu-test-game" --script "$work/script.txt" --hold-ms 4000 --char-ms 40 --size 34 \
    --title "Memory Game" >/dev/null 2>&1 & pids+=($!)

mkdir -p "$work/home/config/Ovisu"
cat >"$work/home/config/Ovisu/settings.json" <<EOF
{
  "provider": 9,
  "enabledProviders": [9],
  "endpoint.9": "http://127.0.0.1:$port/v1/chat/completions",
  "targetWindowTitle": "Memory Game",
  "normalizedRegion": {"x": 0.06, "y": 0.71, "width": 0.88, "height": 0.17}
}
EOF
for _ in $(seq 100); do xdotool search --name "^Memory Game$" >/dev/null 2>&1 && break; sleep 0.1; done

"$build/ovisu" >"$work/ovisu.out" 2>&1 & program=$!; pids+=($program)
for _ in $(seq 100); do xdotool search --name "^Ovisu" >/dev/null 2>&1 && break; sleep 0.1; done
sleep 2
xdotool key ctrl+shift+p

resident_mb() { awk '/^VmRSS/ { printf "%.1f", $2 / 1024 }' "/proc/$program/status"; }
echo "minute  resident MB  requests"
samples=()
end=$((SECONDS + minutes * 60))
start=$SECONDS
while ((SECONDS < end)); do
    sleep "$sample"
    kill -0 "$program" 2>/dev/null || { echo "the program ended early:" >&2; tail -20 "$work/ovisu.out" >&2; exit 1; }
    mb=$(resident_mb)
    samples+=("$mb")
    awk -v s=$((SECONDS - start)) -v mb="$mb" -v r="$(wc -l <"$work/requests.jsonl" 2>/dev/null || echo 0)" \
        'BEGIN { printf "%6.1f  %11s  %8d\n", s / 60, mb, r }'
done
cpu_ticks=$(awk '{ print $14 + $15 }' "/proc/$program/stat")
awk -v t="$cpu_ticks" -v hz="$(getconf CLK_TCK)" -v m="$minutes" 'BEGIN { printf "CPU: %.1f s over %s min (%.2f %% of one core)\n", t / hz, m, 100 * t / hz / (m * 60) }'
printf '%s\n' "${samples[@]}" | sort -n | awk '{ a[NR] = $1 } END { printf "resident MB: min %s, max %s\n", a[1], a[NR] }'
