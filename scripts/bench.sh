#!/usr/bin/env bash
# Runs every benchmark program under Wine and prints its figures. The local
# index site runs meanwhile for the benchmarks that search, and curl fetches
# the same pages in the same run as a yardstick for the program's fetch.
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/wine-env.sh"

port=$(sed -n 's/^VESK_TEST_SITE_PORT:STRING=//p' "$VESK_BUILD/CMakeCache.txt")
port=${port:-18181}
site="http://127.0.0.1:$port"
pidfile="$VESK_BUILD/bench-site.pid"
"$here/index-site.sh" start "$port" "$pidfile" || exit 1
trap '"$here/index-site.sh" stop "$pidfile"; wineserver -k 2>/dev/null' EXIT

# The fastest of n fetches of a search page with curl, in milliseconds.
curl_ms() {
  local mode=$1 n=$2 best=""
  curl -s -o /dev/null "$site/__mode?name=$mode"
  for _ in $(seq 1 "$n"); do
    t=$(curl -s -o /dev/null -w '%{time_total}' "$site/search?keyword=%61%62&p=1")
    best=$(awk -v a="$t" -v b="$best" 'BEGIN { if (b == "" || a < b) print a; else print b }')
  done
  curl -s -o /dev/null "$site/__mode?name=normal"
  awk -v s="$best" 'BEGIN { printf "%.3f", s * 1000 }'
}

wineserver -p 60
# Wine's services start with the first program and keep its standard handles
# for as long as the server lives; started here on /dev/null, they hold no
# pipe of a test or benchmark open after it has ended.
wine cmd /c exit </dev/null >/dev/null 2>&1
status=0
for bench in "$VESK_BUILD"/bench/*.exe; do
  [ -e "$bench" ] || continue
  name=$(basename "$bench" .exe)
  echo "== $name"
  wine "$bench" </dev/null || status=1
  if [ "$name" = extract_bench ] && [ -f "$VESK_BUILD/bench/reference_row_pattern.txt" ]; then
    python3 "$here/reference_pipeline.py" "$VESK_BUILD/bench"
  fi
  if [ "$name" = search_bench ]; then
    echo "  curl, same pages, same run: 10 results $(curl_ms normal 30) ms, 1,000 results $(curl_ms 'many&n=1000' 5) ms"
  fi
done
exit $status
