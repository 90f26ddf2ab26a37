#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Tallyard
# needs. Idempotent: packages already present are left alone, and the package
# lists are refreshed at most once, only when something is missing.
set -euo pipefail

packages=(
    # build
    g++ cmake ninja-build git pkg-config
    qtbase5-dev qtbase5-dev-tools qtscript5-dev qttools5-dev-tools
    libsqlite3-dev
    # the sanitizer and fuzzing build (./dev.sh sanitize)
    clang-14 lld-14 libclang-rt-14-dev
    # runtime: database drivers, script debugger, XML
    libqt5sql5-sqlite libqt5sql5-psql libqt5scripttools5 libqt5xml5
    # tests and benchmarks: a private PostgreSQL cluster, the sqlite3 shell,
    # and a virtual display for looking at the window
    postgresql sqlite3 xvfb xauth
)

missing=()
for pkg in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done

if [[ ${#missing[@]} -eq 0 ]]; then
    exit 0
fi

as_root=()
if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null || { echo "setup: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
    as_root=(sudo)
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
