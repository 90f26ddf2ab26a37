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
    # ccache, where installed, makes rebuilds in other work trees cheap.
    local launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="${TALLYARD_BUILD_TYPE:-RelWithDebInfo}" \
        -DTALLYARD_WERROR="${TALLYARD_WERROR:-OFF}" "${launcher[@]}" >/dev/null
    cmake --build "$build_dir" -j "$(nproc)"
}

# The demo database is a SQLite root inside the build folder, made and
# filled with the demo studio the first time. With a display the window opens
# on it (as the login that "tallyard-db init" made administrator); without
# one the database is prepared and described.
demo() {
    build
    local root
    root="$(cd "$build_dir" && pwd)/demo-db"
    export TALLYARD_DB="sqlite://$root"
    if [[ ! -e "$root/tallyard.sqlite" ]]; then
        "$build_dir/bin/tallyard-db" init
        "$build_dir/bin/tallyard-db" demo
    fi
    if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
        exec "$build_dir/bin/tallyard" -user "$(id -un)" Feature lighthouse
    fi
    "$build_dir/bin/tallyard-db" status
    cat <<EOT

No display is available, so the Tallyard window was not opened.
The demo database is ready: TALLYARD_DB=$TALLYARD_DB
Open the window from a desktop session with the same command, or run batch
operations on it, for example:
  TALLYARD_DB=$TALLYARD_DB $build_dir/bin/tallyard -create -env Feature -job lighthouse -scene sc100 -filesys /QVX_DB/scenes -user mara
EOT
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
