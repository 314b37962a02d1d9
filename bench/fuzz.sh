#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with clang, AddressSanitizer, UndefinedBehaviorSanitizer and
# LeakSanitizer, seeds each from the real service replies and the hand seeds, runs every target for
# a fixed number of executions and prints one row per target.
#
#   bench/fuzz.sh [TOTAL_RUNS]     default 10000000, shared evenly between the targets
#
# Environment: BUILD_DIR (default build-fuzz), JOBS (targets run at once and build jobs, default 2),
# CXX_FUZZ (default clang++-19), TARGETS (space-separated subset), MAX_LEN (default 65536).
# Inputs that crash or break an invariant are kept under BUILD_DIR/findings/<target>/.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
total_runs=${1:-10000000}
build_dir=${BUILD_DIR:-$root/build-fuzz}
jobs=${JOBS:-2}
cxx=${CXX_FUZZ:-clang++-19}
max_len=${MAX_LEN:-65536}
# The recorded service replies live in shared/ beside the repository (as laid for CI and for every
# worktree); the absolute folder only stands in when this checkout sits somewhere else.
shared_fixtures=$root/../shared/fixtures/api
[ -d "$shared_fixtures" ] || shared_fixtures=/work/shared/fixtures/api
api_fixtures=("$shared_fixtures" "$root/tests/fixtures/api")

all_targets=(fuzz_sse_parser fuzz_adapter_replies fuzz_error_object fuzz_glossary fuzz_output_cleaners
             fuzz_settings fuzz_history_store fuzz_dialogue_cache fuzz_credentials fuzz_translation_profiles
             fuzz_prompt_presets fuzz_ui_regions fuzz_ui_translation_cache fuzz_ui_fixed_dictionary
             fuzz_parse_command)
read -r -a targets <<< "${TARGETS:-${all_targets[*]}}"

command -v "$cxx" >/dev/null || { echo "fuzz.sh: $cxx is missing: run scripts/install-deps.sh" >&2; exit 1; }

export CCACHE_BASEDIR=${CCACHE_BASEDIR:-/work} CCACHE_NOHASHDIR=1
cmake -S "$root" -B "$build_dir" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOVISU_FUZZ=ON \
      -DOVISU_BUILD_TESTS=OFF -DOVISU_BUILD_BENCH=OFF >/dev/null
cmake --build "$build_dir" --target ovisu_fuzz_targets -j"$jobs"

# The fixture files a target is seeded with, as "file selector-bytes" lines: the adapter and
# parse-command targets are told the source whose reply it is, the stream parser its grammar.
provider_of() {  # raw value of the source that sent the fixture
    case "$(basename "$1")" in
        openai_responses*) echo 1 ;; anthropic*) echo 2 ;; openai_chat* | deepseek*) echo 4 ;; deepl*) echo 6 ;;
        mstranslator*) echo 7 ;; llamacpp*) echo 9 ;; baidu*) echo 11 ;; papago*) echo 12 ;;
        libretranslate*) echo 13 ;; ollama*) echo 15 ;; *) echo 0 ;;
    esac
}
is_error() { case "$(basename "$1")" in *error*) echo 1 ;; *) echo 0 ;; esac; }
byte() { printf "\\$(printf '%03o' "$1")"; }

seed_corpus() {  # target corpus-dir
    local target=$1 corpus=$2 file n=0
    rm -rf "$corpus" && mkdir -p "$corpus"
    [ -d "$root/fuzz/seeds/$target" ] && cp "$root/fuzz/seeds/$target"/* "$corpus"/
    for dir in "${api_fixtures[@]}"; do
        [ -d "$dir" ] || continue
        for file in "$dir"/*; do
            case "$file" in *.md) continue ;; esac
            n=$((n + 1))
            local raw err out="$corpus/fixture-$n"
            raw=$(provider_of "$file")
            err=$(is_error "$file")
            case "$target" in
                fuzz_sse_parser)
                    case "$file" in *.sse | *.txt | *.ndjson) ;; *) continue ;; esac
                    local style=0
                    case "$(basename "$file")" in openai_responses*) style=1 ;; anthropic*) style=2 ;; esac
                    { byte "$style"; byte 7; cat "$file"; } > "$out" ;;
                fuzz_adapter_replies) { byte $(((raw << 1) | err)); cat "$file"; } > "$out" ;;
                fuzz_error_object) { byte "$raw"; byte 100; cat "$file"; } > "$out" ;;
                fuzz_parse_command) { byte "$err"; printf '%s\n' "$raw"; cat "$file"; } > "$out" ;;
                fuzz_settings | fuzz_credentials | fuzz_translation_profiles | fuzz_prompt_presets | fuzz_history_store | \
                fuzz_dialogue_cache | fuzz_ui_regions | fuzz_ui_translation_cache | fuzz_ui_fixed_dictionary)
                    case "$file" in *.json) cp "$file" "$out" ;; esac ;;
                *) cp "$file" "$out" ;;  # texts: glossary, cleaners
            esac
        done
    done
}

run_target() {  # target runs
    local target=$1 runs=$2 work="$build_dir/fuzz-run/$1"
    rm -rf "$work" && mkdir -p "$work" "$build_dir/findings/$target"
    seed_corpus "$target" "$work/corpus"
    local start end status=0
    start=$(date +%s.%N)
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "$build_dir/fuzz/$target" -runs="$runs" -seed=1 -max_len="$max_len" -rss_limit_mb=4096 -timeout=20 \
        -print_final_stats=1 -artifact_prefix="$build_dir/findings/$target/" "$work/corpus" \
        > "$work/log" 2>&1 || status=$?
    end=$(date +%s.%N)
    local executions reports
    executions=$(grep -oE '^stat::number_of_executed_units: *[0-9]+' "$work/log" | grep -oE '[0-9]+$' || true)
    reports=$(grep -cE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:|==ovisu-fuzz== invariant|SUMMARY: UndefinedBehaviorSanitizer' "$work/log" || true)
    # A run that ended early without a report still counts as a finding: the log says why.
    if [ "$status" -ne 0 ] && [ "$reports" -eq 0 ]; then reports=1; fi
    printf '%s\t%s\t%s\t%.1f\n' "$target" "${executions:-0}" "$reports" "$(echo "$end - $start" | bc)" > "$work/row"
}

per_target=$((total_runs / ${#targets[@]}))
remainder=$((total_runs % ${#targets[@]}))
started=$(date +%s)
index=0
for target in "${targets[@]}"; do
    runs=$per_target
    [ "$index" -lt "$remainder" ] && runs=$((runs + 1))
    index=$((index + 1))
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
    run_target "$target" "$runs" &
done
wait

echo
printf '%-28s %12s %8s %9s\n' target executions reports "time (s)"
sum=0
found=0
for target in "${targets[@]}"; do
    IFS=$'\t' read -r name executions reports seconds < "$build_dir/fuzz-run/$target/row"
    printf '%-28s %12s %8s %9s\n' "$name" "$executions" "$reports" "$seconds"
    sum=$((sum + executions))
    found=$((found + reports))
done
printf '%-28s %12s %8s %9s\n' total "$sum" "$found" "$(($(date +%s) - started)) wall"
if [ "$found" -ne 0 ]; then
    echo "Findings: see $build_dir/fuzz-run/<target>/log and the inputs in $build_dir/findings/" >&2
    exit 1
fi
