#!/usr/bin/env bash
# The developer's entry point.
#   ./dev.sh setup    install the Debian packages the project needs
#   ./dev.sh build    setup, then configure and build into build/
#   ./dev.sh demo     build, prepare the embedded demo database, run Tallyard on it
#   ./dev.sh test     build, then run the whole test suite
set -euo pipefail
cd "$(dirname "$0")"

build_dir=${TALLYARD_BUILD_DIR:-build}

setup() { bash scripts/setup.sh; }

build() {
    setup
    cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="${TALLYARD_BUILD_TYPE:-RelWithDebInfo}" \
        -DTALLYARD_WERROR="${TALLYARD_WERROR:-OFF}" >/dev/null
    cmake --build "$build_dir" -j "$(nproc)"
}

# The demo database is a SQLite root inside the build folder, made and
# filled with the demo studio the first time.
demo() {
    build
    local root
    root="$(cd "$build_dir" && pwd)/demo-db"
    export TALLYARD_DB="sqlite://$root"
    if [[ ! -e "$root/tallyard.sqlite" ]]; then
        "$build_dir/bin/tallyard-db" init
        "$build_dir/bin/tallyard-db" demo
    fi
    "$build_dir/bin/tallyard" -v
}

run_tests() {
    build
    cd "$build_dir"
    ctest --output-on-failure -j "$(nproc)" "$@"
}

case "${1:-}" in
    setup) setup ;;
    build) build ;;
    demo) shift; demo "$@" ;;
    test) shift; run_tests "$@" ;;
    *) sed -n '2,6p' "$0" >&2; exit 2 ;;
esac
