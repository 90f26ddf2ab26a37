#!/bin/sh
# Runs one test program with a fresh HOME, configuration and log folder, so
# no test reads or writes the user's own files. The folder goes away after.
set -e
scratch=$(mktemp -d "${TMPDIR:-/tmp}/tallyard-test.XXXXXX")
trap 'rm -rf "$scratch"' EXIT INT TERM
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" XDG_DATA_HOME="$scratch/home/.local/share"
export TALLYARD_LOG_DIR="$scratch/logs" TMPDIR="$scratch"
unset TALLYARD_DB
mkdir -p "$HOME"
"$@"
