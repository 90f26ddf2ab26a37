#!/usr/bin/env bash
# Runs the fuzz targets of a TALLYARD_FUZZ build, each for at most SECONDS
# and RUNS executions (0: no limit), starting from the committed corpus
# (tests/fuzz/corpus/<name>, regression cases included) and the seeds taken
# from the demo studio (seeds.sh). New inputs collect in BUILD/fuzz/corpus,
# findings in BUILD/fuzz/findings; any finding fails the run.
#   tests/fuzz/run.sh BUILD SECONDS [RUNS [target...]]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?build folder}" && pwd)
seconds=${2:?seconds}
runs=${3:-0}
shift $(($# < 3 ? $# : 3))
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || targets=($(cd "$here/corpus" && ls))

# A finding stops the target at once and leaves its input behind.
export ASAN_OPTIONS=${ASAN_OPTIONS:-halt_on_error=1:detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$here/../lsan.supp:print_suppressions=0}
export QT_QPA_PLATFORM=offscreen HOME=${FUZZ_HOME:-$(mktemp -d)}

failed=()
mkdir -p "$build/fuzz/logs" "$build/fuzz/findings"
for name in "${targets[@]}"; do
    work="$build/fuzz/corpus/$name"
    mkdir -p "$work"
    seeds=("$here/corpus/$name")
    [[ -d "$build/fuzz/seeds/$name" ]] && seeds+=("$build/fuzz/seeds/$name")
    options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1
             -artifact_prefix="$build/fuzz/findings/$name-")
    for dict in "$here/dict/$name.dict" "$build/fuzz/fuzz_$name.dict"; do
        [[ -f "$dict" ]] && options+=(-dict="$dict")
    done
    [[ "$runs" -gt 0 ]] && options+=(-runs="$runs")
    log="$build/fuzz/logs/$name.log"
    # A leak inside Qt is told from ours only by the whole stack (lsan.supp).
    asan=$ASAN_OPTIONS
    [[ $name == envfilter ]] && asan+=:fast_unwind_on_malloc=0
    if ASAN_OPTIONS=$asan "$build/fuzz/fuzz_$name" "${options[@]}" "$work" "${seeds[@]}" >"$log" 2>&1; then
        status=ok
    else
        status=FINDING
        failed+=("$name")
    fi
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    coverage=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -n 1)
    printf 'fuzz %-13s %-7s %10s runs  %s  corpus %s\n' "$name" "$status" "${executions:-?}" "${coverage:-}" \
        "$(ls "$work" | wc -l)"
done
for name in "${failed[@]}"; do
    echo "---- $name: $build/fuzz/logs/$name.log" >&2
    grep -m1 -A40 -E '^==[0-9]+==|runtime error|fuzz property broken|ERROR: libFuzzer' "$build/fuzz/logs/$name.log" >&2
done
[[ ${#failed[@]} -eq 0 ]]
