#!/usr/bin/env bash
# A real search, headless: the local index site, the program, a keyword typed
# and Enter pressed as a user would; then a screenshot and the requests the
# site received. Runs inside with-display.sh --headless.
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/wine-env.sh"
keyword=${VESK_DEMO_KEYWORD:-ab}
out="$VESK_BUILD/demo.png"
pidfile="$VESK_BUILD/demo-site.pid"
rm -f "$out"

"$here/index-site.sh" start 18080 "$pidfile" || exit 1
trap '"$here/index-site.sh" stop "$pidfile"; wineserver -k 2>/dev/null' EXIT
curl -s -o /dev/null http://127.0.0.1:18080/__reset

# The virtual desktop draws the window frame, as there is no window manager.
wine explorer /desktop=vesk,1024x640 "$VESK_BUILD/vesk.exe" </dev/null >/dev/null 2>&1 &
window=""
for _ in $(seq 1 150); do
  window=$(xdotool search --name "Vesk" 2>/dev/null | tail -1)
  [ -n "$window" ] && break
  sleep 0.2
done
[ -n "$window" ] || { echo "the program's window did not appear" >&2; exit 1; }
sleep 1.5

# Type into the keyword box (it has the focus) and press Enter.
xdotool type --delay 60 "$keyword"
xdotool key Return
for _ in $(seq 1 50); do
  curl -s http://127.0.0.1:18080/__requestlines | grep -q "/search" && break
  sleep 0.2
done
sleep 1.5
import -window root "$out"
echo "Requests the site received:"
curl -s http://127.0.0.1:18080/__requests
[ -f "$out" ] && echo "wrote $out"
