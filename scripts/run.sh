#!/usr/bin/env bash
# Builds the program, starts the simulated instrument on a pseudo-terminal,
# attaches it as COM1 in the settings file and starts the program, which finds
# it. The simulator stops when the program ends. Options go to the simulator
# (scripts/run.sh --model 6022, --error CONTROL=E93:1, ...).
# Without a display the program runs under a virtual X server, and a
# screenshot of the main window is left in build/vandoral-main.png.
set -euo pipefail
cd "$(dirname "$0")/.."
headless=
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  headless=1
  scripts/deps.sh xvfb xauth x11-utils imagemagick
else
  scripts/deps.sh
fi
build=build
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2
bin=$build/bin
devfile=$(mktemp)
"$bin/vandoral-sim" "$@" >"$devfile" &
sim=$!
trap 'kill $sim 2>/dev/null || true; rm -f "$devfile"' EXIT
for _ in $(seq 50); do [ -s "$devfile" ] && break; sleep 0.1; done
device=$(head -n1 "$devfile")
[ -n "$device" ] || { echo "the simulator did not start" >&2; exit 1; }
echo "Simulated instrument on $device"
"$bin/vandoral-cli" attach 1 "$device"
"$bin/vandoral-cli" ports

if [ -z "$headless" ]; then
  "$bin/vandoral"
  exit 0
fi

echo "No display here: running the program under a virtual X server."
shot=$build/vandoral-main.png
rm -f "$shot"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  bin=$1; shot=$2
  "$bin/vandoral" & app=$!
  for _ in $(seq 100); do
    xwininfo -root -tree 2>/dev/null | grep -q "Acquisition par" && break
    sleep 0.2
  done
  sleep 1
  import -window root "$shot" && echo "Screenshot of the main window: $shot"
  xwininfo -root -tree | grep -o "\"Acquisition par[^\"]*\"" | head -n1 || echo "the instrument was not found"
  kill $app; wait $app 2>/dev/null || true
' _ "$bin" "$shot"
