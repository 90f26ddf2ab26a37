#!/usr/bin/env bash
# The developer's entry point.
#   ./dev.sh setup    install the Debian packages the project needs
#   ./dev.sh build    setup, then configure and build into build/
#   ./dev.sh demo     build, prepare the embedded demo database, run Tallyard on it
#   ./dev.sh test     build, then run the whole test suite
#   ./dev.sh sanitize clang build with AddressSanitizer + UndefinedBehaviorSanitizer
#                     into build-san/: the whole suite once, then a bounded run
#                     of every fuzz target (tests/fuzz/README.md)
#   ./dev.sh fuzz SECONDS [RUNS [target...]]   longer fuzz runs on build-san/
set -euo pipefail
cd "$(dirname "$0")"

build_dir=${TALLYARD_BUILD_DIR:-build}

setup() { bash scripts/setup.sh; }

# ccache, where installed, makes rebuilds in other work trees cheap.
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

build() {
    setup
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
    # Without a scene editor, the tests' stand-in (it only says "done")
    # answers for it, so that remap presets and Run Script... complete.
    if [[ -z "${TALLYARD_EDITOR:-}" && ! -x "$build_dir/bin/Pavane" && -x "$build_dir/tests/fake_editor" ]]; then
        export TALLYARD_EDITOR
        TALLYARD_EDITOR="$(cd "$build_dir" && pwd)/tests/fake_editor"
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

# One clang build serves the sanitizer run of the suite and the fuzz
# targets: every library carries the sanitizers and the fuzzer's coverage,
# only the fuzz targets link libFuzzer's main. Warnings are errors here as
# in the normal build: clang finds some that gcc does not.
san_dir=${TALLYARD_SAN_BUILD_DIR:-build-san}
san_build() {
    setup
    cmake -S . -B "$san_dir" -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_CXX_COMPILER=clang++-14 \
        -DCMAKE_CXX_FLAGS="-O1 -gline-tables-only" -DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld \
        -DCMAKE_SHARED_LINKER_FLAGS=-fuse-ld=lld -DTALLYARD_SANITIZE=address,undefined -DTALLYARD_FUZZ=ON \
        -DTALLYARD_BUILD_BENCH=OFF -DTALLYARD_WERROR=ON "${launcher[@]}" >/dev/null
    cmake --build "$san_dir" -j "$(nproc)"
}

sanitize() {
    san_build
    local supp
    supp="$(pwd)/tests/lsan.supp"
    # Any finding ends the program with a failure; leaks are findings too.
    (cd "$san_dir" && ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=0 \
        UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 LSAN_OPTIONS="suppressions=$supp:print_suppressions=0" \
        ctest --output-on-failure -j "$(nproc)")
    bash tests/fuzz/seeds.sh "$san_dir"
    bash tests/fuzz/run.sh "$san_dir" "${TALLYARD_FUZZ_SECONDS:-30}" "${TALLYARD_FUZZ_RUNS:-20000}"
}

fuzz() {
    san_build
    [[ -d "$san_dir/fuzz/seeds" ]] || bash tests/fuzz/seeds.sh "$san_dir"
    bash tests/fuzz/run.sh "$san_dir" "$@"
}

case "${1:-}" in
    setup) setup ;;
    build) build ;;
    demo) shift; demo "$@" ;;
    test) shift; run_tests "$@" ;;
    sanitize) sanitize ;;
    fuzz) shift; fuzz "$@" ;;
    *) sed -n '2,10p' "$0" >&2; exit 2 ;;
esac
