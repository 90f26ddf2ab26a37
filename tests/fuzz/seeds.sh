#!/usr/bin/env bash
# Takes seed inputs for the fuzz targets from the demo studio: builds it in
# a scratch root with the build's own tallyard-db, exports one job as a
# package, and sorts the files the readers read into BUILD/fuzz/seeds/<target>.
#   tests/fuzz/seeds.sh BUILD
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?build folder}" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export HOME="$scratch/home" TALLYARD_LOG_DIR="$scratch/logs" TALLYARD_DB="sqlite://$scratch/root"
export QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME"
"$build/bin/tallyard-db" init >/dev/null
"$build/bin/tallyard-db" demo >/dev/null
"$build/bin/tallyard" -batch -export -export_env Feature -export_job lighthouse -export_all -path "$scratch/package" \
    >/dev/null 2>&1

seeds="$build/fuzz/seeds"
rm -rf "$seeds"
mkdir -p "$seeds"/{scenefile,palettelist,contents,interchange,vectoptions}
# Files with the same content are kept once; names are the content's hash.
keep() {
    local target=$1 file=$2 prefix=${3:-}
    local sum
    sum=$( { printf '%s' "$prefix"; cat "$file"; } | sha1sum | cut -c1-16)
    { printf '%s' "$prefix"; cat "$file"; } >"$seeds/$target/$sum"
}
while IFS= read -r -d '' file; do
    case "$file" in
    *.pavx) keep scenefile "$file" ;;
    */PALETTES | */PALETTE_LIST) keep palettelist "$file" "$(printf '/QVX_DB\t/moved\n')" ;;
    *.dbexport) keep interchange "$file" ;;
    */contents.ksup | *.ksup) keep contents "$file" ;;
    esac
done < <(find "$scratch/root" "$scratch/package" -type f -print0)
keep vectoptions "$here/../../data/etc/VectOptions.conf"
for target in "$seeds"/*; do
    echo "seeds: $(ls "$target" | wc -l) for $(basename "$target")"
done
