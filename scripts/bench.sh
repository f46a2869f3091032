#!/usr/bin/env bash
# Runs every benchmark program under Wine and prints its figures.
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/wine-env.sh"
wineserver -p 60
status=0
for bench in "$VESK_BUILD"/bench/*.exe; do
  [ -e "$bench" ] || continue
  echo "== $(basename "$bench" .exe)"
  wine "$bench" </dev/null || status=1
done
wineserver -k 2>/dev/null
exit $status
