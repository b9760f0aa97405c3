#!/usr/bin/env bash
# Builds everything and runs every test, headless. Usage: scripts/test.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
# poppler-utils reads the printed pages back (pdftotext).
scripts/deps.sh poppler-utils
build=${1:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANDORAL_WERROR=ON ${VANDORAL_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j2
export QT_QPA_PLATFORM=offscreen
XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_RUNTIME_DIR
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
# Where clang is at hand, the fuzz targets also get a short libFuzzer run
# (the plain build runs them through a random driver among the tests).
if command -v clang++ >/dev/null && [ -z "${VANDORAL_CMAKE_ARGS:-}" ]; then
  scripts/fuzz.sh 5 "$build-fuzz"
fi
cd "$build"
ctest -j2 --output-on-failure --timeout 300
