#!/bin/sh
# Builds Runwarden for Windows and opens it under Wine, in a sandbox prefix of
# its own under build/ (never your own ~/.wine), which is given a few sample
# entries when it is made. Without a display it runs on a virtual one and
# saves a screenshot to build/windows/screenshot.png.
set -eu
cd "$(dirname "$0")"
tools/install-deps.sh
cmake --preset windows
cmake --build --preset windows --target Runwarden seed_samples

out=build/windows
exe="$out/src/ui/Runwarden.exe"
export WINEPREFIX="$PWD/$out/sandbox" WINEDEBUG=-all LANG=C.UTF-8 LC_ALL=C.UTF-8
# Without the menu builder, whose menu entries and copies of the Startup
# shortcuts would land in the desktop's menus outside the sandbox.
export WINEDLLOVERRIDES=winemenubuilder.exe=d
# Only a sandbox made now gets the sample entries: one the user has already
# worked in keeps what it holds.
new_sandbox=false
[ -f "$WINEPREFIX/system.reg" ] || new_sandbox=true
mkdir -p "$WINEPREFIX"
wineboot -i >/dev/null 2>&1 || true
if $new_sandbox; then
  wine "$out/tools/seed_samples.exe" ||
    echo "Some sample entries could not be written (see above)." >&2
fi
# The session wineboot leaves behind has no display; the program must start a
# server of its own on the display chosen below.
wineserver -k 2>/dev/null || true

if [ -n "${DISPLAY:-}" ]; then
  wine "$exe"
  exit 0
fi

n=95
while [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
export DISPLAY=":$n"
sleep 1
wine "$exe" &
app=$!
sleep 6
import -window root "$out/screenshot.png"
echo "No display: Runwarden ran on a virtual one; screenshot saved to $out/screenshot.png"
kill $app 2>/dev/null || true
wineserver -k 2>/dev/null || true
