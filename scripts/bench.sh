#!/usr/bin/env bash
# Runs every benchmark program under Wine and prints its figures.
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/wine-env.sh"
wineserver -p 60
# Wine's services start with the first program and keep its standard handles
# for as long as the server lives; started here on /dev/null, they hold no
# pipe of a test or benchmark open after it has ended.
wine cmd /c exit </dev/null >/dev/null 2>&1
status=0
for bench in "$VESK_BUILD"/bench/*.exe; do
  [ -e "$bench" ] || continue
  echo "== $(basename "$bench" .exe)"
  wine "$bench" </dev/null || status=1
done
wineserver -k 2>/dev/null
exit $status
