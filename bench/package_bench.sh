#!/usr/bin/env bash
# Times moving one generated job of about 20,000 files / 1 GB (drawings,
# scene files, palette lists in 20 scenes) through an export package, beside
# the plain copy of the same folders, and prints the three ratios:
#   export, copy mode        vs  cp -a  of the scene folders   (target <= 1.2)
#   export, hard-link mode   vs  cp -al of the scene folders   (target <= 1.5)
#   import of the package    vs  cp -a  into the target folder (target <= 1.3)
# Each figure is the median of three runs, in one run of this script.
#     bench/package_bench.sh [build-dir] [scratch-parent]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
scratch=$(cd "$(mktemp -d "${2:-${TMPDIR:-/tmp}}/package-bench.XXXXXX")" && pwd)
trap 'rm -rf "$scratch"' EXIT
export HOME="$scratch/home" TALLYARD_LOG_DIR="$scratch/logs" TALLYARD_DB="sqlite://$scratch/db"
mkdir -p "$HOME"
scenes=20 elements=4 drawings=250 size=51200   # 20 x 4 x 250 = 20,000 drawings of 50 KB

tallyard() { "$build/bin/tallyard" -batch -user bench "$@" >/dev/null 2>"$scratch/err" || { cat "$scratch/err" >&2; exit 1; }; }
"$build/bin/tallyard-db" init --admin bench >/dev/null
tallyard -create -env E
for job in J T1 T2 T3; do tallyard -create -env E -job $job; done
fs="$scratch/db/scenes"
echo "generating $((scenes * elements * drawings)) drawings of $size bytes..." >&2
for s in $(seq -w 1 $scenes); do
    tallyard -create -env E -job J -scene "s$s" -filesys "$fs"
    dir="$fs/J/scene-s$s"
    for e in $(seq 1 $elements); do
        mkdir -p "$dir/elements/e$e"
        head -c $((drawings * size)) /dev/urandom | split -b $size -a 3 -d --additional-suffix=.png - "$dir/elements/e$e/d"
        printf '/QVX_DB/scenes/J/scene-s%s/palette-library/s.plt\n' "$s" >"$dir/elements/e$e/PALETTE_LIST"
    done
    mkdir -p "$dir/stage"
    printf '<project><module nodetype="READ" nodeinstancename="e1"><customName><name val="/QVX_DB/scenes/J/scene-s%s/elements/e1"/></customName></module></project>\n' "$s" >"$dir/stage/v1.pavx"
done
sync

now() { date +%s%N; }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
# time_of NAME COMMAND...: runs it, appends the nanoseconds to NAME's list.
# Each command pays for writing its own data back (sync inside the timing),
# and starts with nothing of the one before still in flight.
declare -A times
time_of() {
    local name=$1; shift
    sync
    local start; start=$(now)
    "$@"
    sync
    times[$name]+="$(( $(now) - start )) "
}
# Each run writes into folders of its own and nothing is removed before the
# end: a command that follows a large removal on ext4 pays for it, several
# times over, whichever it is. About 13 GB of scratch space in all.
for run in 1 2 3; do
    out="$scratch/run$run"
    mkdir -p "$out"
    # Alternating which of a pair goes first evens out what the disk still does.
    if (( run == 2 )); then
        time_of cp_a cp -a "$fs/J" "$out/cp"
    fi
    time_of export_copy tallyard -export -export_env E -export_job J -export_all -copy -path "$out/copy"
    (( run == 2 )) || time_of cp_a cp -a "$fs/J" "$out/cp"
    time_of export_hard tallyard -export -export_env E -export_job J -export_all -hard -path "$out/hard"
    time_of cp_al cp -al "$fs/J" "$out/cpl"
    time_of import tallyard -import -target_env E -target_job "T$run" -filesys /QVX_DB/scenes -path "$out/copy"
    time_of cp_import cp -a "$out/copy/jobs/J" "$out/cpi"
done

ms() { printf '%s\n' ${times[$1]} | median | awk '{printf "%.0f", $1 / 1e6}'; }
awk -v ec="$(ms export_copy)" -v ca="$(ms cp_a)" -v eh="$(ms export_hard)" -v cl="$(ms cp_al)" \
    -v im="$(ms import)" -v ci="$(ms cp_import)" -v n="$((scenes * elements * drawings))" 'BEGIN {
    printf "moving a job of %d drawings (about 1 GB), median of 3 runs\n", n
    printf "  export, copy mode      %7d ms   cp -a   %7d ms   ratio %5.2f  (target 1.2)\n", ec, ca, ec / ca
    printf "  export, hard links     %7d ms   cp -al  %7d ms   ratio %5.2f  (target 1.5)\n", eh, cl, eh / cl
    printf "  import, copy mode      %7d ms   cp -a   %7d ms   ratio %5.2f  (target 1.3)\n", im, ci, im / ci
}'
