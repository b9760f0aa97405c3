#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR as under /usr, checks the menu
# entry, the metadata and the icons, and runs the installed vandoral-cli
# against the installed simulated instrument.
# Usage: install-test.sh BUILD_DIR
set -euo pipefail
build=$1
dest=$(mktemp -d)
sim=
trap '[ -z "$sim" ] || kill $sim 2>/dev/null; rm -rf "$dest"' EXIT
DESTDIR=$dest cmake --install "$build" --prefix /usr >/dev/null
usr=$dest/usr
for f in bin/vandoral bin/vandoral-cli bin/vandoral-sim; do
  [ -x "$usr/$f" ] || { echo "not installed: $f"; exit 1; }
done
for f in share/applications/org.vandoral.Vandoral.desktop share/metainfo/org.vandoral.Vandoral.metainfo.xml \
         share/icons/hicolor/scalable/apps/org.vandoral.Vandoral.svg \
         share/icons/hicolor/48x48/apps/org.vandoral.Vandoral.png \
         share/icons/hicolor/256x256/apps/org.vandoral.Vandoral.png; do
  [ -s "$usr/$f" ] || { echo "not installed: $f"; exit 1; }
done
desktop-file-validate "$usr/share/applications/org.vandoral.Vandoral.desktop"
appstreamcli validate --no-net "$usr/share/metainfo/org.vandoral.Vandoral.metainfo.xml" >/dev/null
grep -q '^Comment\[fr\]=Spectres' "$usr/share/applications/org.vandoral.Vandoral.desktop"

# The installed tools, from their own folder, with a home of their own.
export HOME=$dest/home XDG_CONFIG_HOME=$dest/home/.config
mkdir -p "$HOME"
"$usr/bin/vandoral-sim" --fast >"$dest/device" &
sim=$!
for _ in $(seq 50); do [ -s "$dest/device" ] && break; sleep 0.1; done
device=$(head -n1 "$dest/device")
[ -n "$device" ] || { echo "the installed simulator did not start"; exit 1; }
out=$("$usr/bin/vandoral-cli" identify --device "$device")
[ "$out" = "$device	6004	Orbis K2" ] || { echo "identify said: $out"; exit 1; }
"$usr/bin/vandoral-cli" scan --device "$device" --out "$dest/spectre.xlsx" 2>/dev/null
[ -s "$dest/spectre.xlsx" ] || { echo "no workbook written"; exit 1; }
"$usr/bin/vandoral-cli" scan --device "$device" --out "$dest/spectre.txt" 2>/dev/null
"$usr/bin/vandoral-cli" analyse "$dest/spectre.txt" | grep -q 'max : 5[0-9][0-9] nm'
echo "installed and run from $usr"
