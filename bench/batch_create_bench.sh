#!/usr/bin/env bash
# Times one batch scene creation end to end (process start to exit, median of
# 20 runs) beside the same row inserted by the sqlite3 shell into a copy of the
# database, and prints the ratio. The tallyard run does more than the insert:
# it opens a session, checks the user, places the scene and makes its folders.
#     bench/batch_create_bench.sh [build-dir]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=20
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export HOME="$scratch/home" TALLYARD_LOG_DIR="$scratch/logs" TALLYARD_DB="sqlite://$scratch/db"
mkdir -p "$HOME"

"$build/bin/tallyard-db" init --admin bench >/dev/null
"$build/bin/tallyard" -create -env E -user bench >/dev/null 2>&1
"$build/bin/tallyard" -create -env E -job J -user bench >/dev/null 2>&1
cp -a "$scratch/db" "$scratch/copy"

now() { date +%s%N; }
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

tallyard_times=()
for i in $(seq 1 $runs); do
    start=$(now)
    "$build/bin/tallyard" -create -env E -job J -scene "s$i" -filesys "$scratch/db/scenes" -user bench >/dev/null 2>&1
    tallyard_times+=($(( $(now) - start )))
done

sqlite_times=()
for i in $(seq 1 $runs); do
    start=$(now)
    sqlite3 "$scratch/copy/tallyard.sqlite" "
        INSERT INTO scenes (job_id, name, sort_order, path, created)
        SELECT j.id, 'q$i', COALESCE((SELECT MAX(sort_order) FROM scenes WHERE job_id = j.id), 0) + 1,
               '/QVX_DB/scenes/J/scene-q$i', CAST(strftime('%s', 'now') AS INTEGER)
        FROM jobs j WHERE j.name = 'J';"
    sqlite_times+=($(( $(now) - start )))
done

t=$(printf '%s\n' "${tallyard_times[@]}" | median)
s=$(printf '%s\n' "${sqlite_times[@]}" | median)
awk -v t="$t" -v s="$s" -v n="$runs" 'BEGIN {
    printf "batch scene creation, median of %d runs\n", n
    printf "  tallyard -create ... -scene   %8.1f ms\n", t / 1e6
    printf "  sqlite3 INSERT                %8.1f ms\n", s / 1e6
    printf "  ratio                         %8.2f\n", t / s
}'
