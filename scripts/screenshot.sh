#!/usr/bin/env bash
# Starts the program headless, waits for its window and photographs the screen.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
out="$VESK_BUILD/screenshot.png"
rm -f "$out"
# Wine's virtual desktop draws the window frame, as there is no window manager.
wine explorer /desktop=vesk,1024x640 "$VESK_BUILD/vesk.exe" </dev/null >/dev/null 2>&1 &
pid=$!
found=""
for _ in $(seq 1 150); do
  if xdotool search --name "Vesk" >/dev/null 2>&1; then found=1; break; fi
  sleep 0.2
done
[ -n "$found" ] || { echo "the program's window did not appear" >&2; kill $pid 2>/dev/null; exit 1; }
sleep 1.5
import -window root "$out"
wineserver -k 2>/dev/null
wait $pid 2>/dev/null
[ -f "$out" ] && echo "wrote $out"
