#!/usr/bin/env bash
# Regenerates the README's screenshots: the program itself, against the
# simulated instrument, under a virtual X server, driven through the
# accessibility tree (AT-SPI) as a screen-reader user would drive it.
# Usage: scripts/screenshots.sh [OUT_DIR]   (default docs/)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs}")
mkdir -p "$out"
# SCREEN sets the virtual screen (default 1280x800x24); WM names a window
# manager to run (openbox), which then maximises the windows as on a desktop.
screen=${SCREEN:-1280x800x24}
wm=${WM:-}
scripts/deps.sh xvfb xauth x11-utils imagemagick xdotool dbus-x11 at-spi2-core python3-pyatspi ${wm:+$wm}
build=build
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2
bin=$build/bin

# shoot PART SIMULATOR-OPTIONS...: one run of the program against a simulator
# of its own, driven by scripts/screenshots.py PART.
shoot() {
  local part=$1; shift
  local devfile run sim device
  devfile=$(mktemp)
  "$bin/vandoral-sim" "$@" >"$devfile" &
  sim=$!
  for _ in $(seq 50); do [ -s "$devfile" ] && break; sleep 0.1; done
  device=$(head -n1 "$devfile")
  [ -n "$device" ] || { echo "the simulator did not start" >&2; kill $sim; return 1; }
  # The program runs from a folder of its own, with its own settings file:
  # the simulator as COM1, and windows placed for the pictures (there is no
  # window manager to maximise them).
  run=$(mktemp -d)
  cp "$bin/vandoral" "$run/"
  "$bin/vandoral-cli" --settings "$run/vandoral.INI" attach 1 "$device" >/dev/null
  local state=0
  [ -z "$wm" ] || state=2 # maximised by the window manager
  for w in WindowS WindowC WindowB; do
    printf '[%s]\r\nState=%s\r\nHeight=640\r\nWidth=1100\r\nTop=0\r\nLeft=0\r\n' "$w" "$state" >>"$run/vandoral.INI"
  done
  printf '[Beer]\r\nLambda=545\r\nMini=0\r\nMaxi=5\r\nUnite=mmol/L\r\n' >>"$run/vandoral.INI"
  # SHOTLANG (Spanish, English): the interface's language, as the About box
  # stores it.
  [ -z "${SHOTLANG:-}" ] || printf '[Interface]\r\nLangue=%s\r\n' "$SHOTLANG" >>"$run/vandoral.INI"
  local status=0
  # The journals go to a data folder of the run's own.
  SHOTLANG="${SHOTLANG:-}" QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 LANG=fr_FR.UTF-8 XDG_DATA_HOME="$run/data" \
  xvfb-run -a -s "-screen 0 $screen" dbus-run-session -- bash -c '
    run=$1; out=$2; part=$3; wm=$4
    /usr/libexec/at-spi-bus-launcher --launch-immediately & bus=$!
    [ -z "$wm" ] || { "$wm" & sleep 1; }
    sleep 1
    "$run/vandoral" & app=$!
    status=0
    /usr/bin/python3 scripts/screenshots.py "$out" "$part" || status=$?
    if [ "$part" = journal ] && [ $status -eq 0 ]; then
      # Killed in the middle of the run, then started again: its journal is
      # offered back.
      kill -KILL $app; wait $app 2>/dev/null || true
      "$run/vandoral" & app=$!
      /usr/bin/python3 scripts/screenshots.py "$out" journal-recover || status=$?
    fi
    kill $app 2>/dev/null; wait $app 2>/dev/null || true
    kill $bus 2>/dev/null || true
    exit $status
  ' _ "$run" "$out" "$part" "$wm" || status=$?
  kill $sim 2>/dev/null || true
  rm -rf "$run" "$devfile"
  return $status
}

# A spectrum and a kinetics run on a slow reaction; then Beer-Lambert
# standards and unknowns of known absorbance at 545 nm.
# SHOTS chooses among them ("modes beer" by default); "refused" shows each
# window after a blank the instrument refused (E91).
shots=" ${SHOTS:-modes beer} "
case $shots in *" modes "*) shoot modes --speed 4 --rate 0.04 ;; esac
case $shots in *" beer "*) shoot beer --speed 8 --levels 0.102,0.198,0.305,0.41,0.16,0.33 ;; esac
case $shots in *" refused "*) shoot refused --speed 8 --error SETREF=E91 ;; esac
# "print": the print button's drop-down and the preview of the page.
case $shots in *" print "*) shoot print --speed 8 ;; esac
# "open": a JCAMP-DX file opened as a reference under a new spectrum.
case $shots in *" open "*) shoot open --speed 8 ;; esac
# "journal": a kinetics run killed (SIGKILL) after three points, the program
# started again and the run brought back.
case $shots in *" journal "*) shoot journal --speed 8 --rate 0.04 ;; esac
