#!/usr/bin/env bash
# Builds everything and runs every test, headless. Usage: scripts/test.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build=${1:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANDORAL_WERROR=ON ${VANDORAL_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j2
export QT_QPA_PLATFORM=offscreen
XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_RUNTIME_DIR
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
cd "$build"
ctest -j2 --output-on-failure --timeout 300
