#!/usr/bin/env bash
# Builds the program, starts the simulated instrument on a pseudo-terminal,
# attaches it as COM1 in the settings file, and talks to it through the
# program's own driver: identification, then one spectrum.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build=build
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2
bin=$build/bin
devfile=$(mktemp)
"$bin/vandoral-sim" "$@" >"$devfile" &
sim=$!
trap 'kill $sim 2>/dev/null; rm -f "$devfile"' EXIT
for _ in $(seq 50); do [ -s "$devfile" ] && break; sleep 0.1; done
device=$(head -n1 "$devfile")
[ -n "$device" ] || { echo "the simulator did not start" >&2; exit 1; }
echo "Simulated instrument on $device"
"$bin/vandoral-cli" attach 1 "$device"
"$bin/vandoral-cli" identify
echo "Blank, then a spectrum (at the real line rate: a few seconds)..."
"$bin/vandoral-cli" scan --out "$bin/spectre.txt"
head -n 8 "$bin/spectre.txt"
echo "..."
