#!/usr/bin/env bash
# Regenerates the README's screenshots: the program itself, against the
# simulated instrument, under a virtual X server, driven through the
# accessibility tree (AT-SPI) as a screen-reader user would drive it.
# Usage: scripts/screenshots.sh [OUT_DIR]   (default docs/)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs}")
mkdir -p "$out"
scripts/deps.sh xvfb xauth x11-utils imagemagick xdotool dbus-x11 at-spi2-core python3-pyatspi
build=build
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2
bin=$build/bin
devfile=$(mktemp)
"$bin/vandoral-sim" --speed 4 --rate 0.04 >"$devfile" &
sim=$!
trap 'kill $sim 2>/dev/null || true; rm -f "$devfile"' EXIT
for _ in $(seq 50); do [ -s "$devfile" ] && break; sleep 0.1; done
device=$(head -n1 "$devfile")
[ -n "$device" ] || { echo "the simulator did not start" >&2; exit 1; }
# The program runs from a folder of its own, with its own settings file:
# the simulator as COM1, and windows placed for the pictures (there is no
# window manager to maximise them).
run=$(mktemp -d)
trap 'kill $sim 2>/dev/null || true; rm -f "$devfile"; rm -rf "$run"' EXIT
cp "$bin/vandoral" "$run/"
"$bin/vandoral-cli" --settings "$run/vandoral.INI" attach 1 "$device" >/dev/null
for w in WindowS WindowC WindowB; do
  printf '[%s]\r\nState=0\r\nHeight=640\r\nWidth=1100\r\nTop=0\r\nLeft=0\r\n' "$w" >>"$run/vandoral.INI"
done
bin=$run
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 LANG=fr_FR.UTF-8
xvfb-run -a -s "-screen 0 1280x800x24" dbus-run-session -- bash -c '
  bin=$1; out=$2
  /usr/libexec/at-spi-bus-launcher --launch-immediately & bus=$!
  sleep 1
  "$bin/vandoral" & app=$!
  status=0
  /usr/bin/python3 scripts/screenshots.py "$out" || status=$?
  kill $app 2>/dev/null; wait $app 2>/dev/null || true
  kill $bus 2>/dev/null || true
  exit $status
' _ "$bin" "$out"
