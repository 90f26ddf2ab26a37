#!/bin/sh
# Runs one test program with a fresh HOME, configuration and log folder, so
# no test reads or writes the user's own files. The folder goes away after.
set -e
# The PostgreSQL variant of a database test needs a server; without one it
# is reported as skipped, not passed.
if [ "${TALLYARD_TEST_BACKEND:-}" = pg ] && [ -z "${TALLYARD_TEST_PG_URL:-}" ]; then
    echo "TALLYARD_TEST_PG_URL is not set: skipping the PostgreSQL run"
    exit 77
fi
scratch=$(mktemp -d "${TMPDIR:-/tmp}/tallyard-test.XXXXXX")
trap 'rm -rf "$scratch"' EXIT INT TERM
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" XDG_DATA_HOME="$scratch/home/.local/share"
export TALLYARD_LOG_DIR="$scratch/logs" TMPDIR="$scratch"
unset TALLYARD_DB
mkdir -p "$HOME"
"$@"
