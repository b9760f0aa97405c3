#!/usr/bin/env bash
# Builds everything and runs every test, headless. Usage: scripts/test.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
# poppler-utils reads the printed pages back (pdftotext); CUPS with its PDF
# printer takes a page through a real printer queue; unzip opens workbooks;
# desktop-file-utils and appstream check what is installed.
scripts/deps.sh poppler-utils cups cups-bsd printer-driver-cups-pdf unzip desktop-file-utils appstream dpkg-dev locales
# Numbers are written and read as a French user's program does: the French
# locale must exist (a test that needs it fails without it, never passes).
if ! locale -a 2>/dev/null | grep -qix 'fr_FR\.utf-\?8'; then
  as_root=()
  [ "$(id -u)" -eq 0 ] || as_root=(sudo)
  "${as_root[@]}" localedef -i fr_FR -c -f UTF-8 -A /usr/share/locale/locale.alias fr_FR.UTF-8
fi
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
