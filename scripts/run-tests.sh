#!/usr/bin/env bash
# Runs every test through CTest under Wine; the display comes from the caller.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
# One wineserver for the whole run saves its start-up for every test program.
wineserver -p 60
# Wine's services start with the first program and keep its standard handles
# for as long as the server lives; started here on /dev/null, they hold no
# pipe of a test or benchmark open after it has ended.
wine cmd /c exit </dev/null >/dev/null 2>&1
ctest --test-dir "$VESK_BUILD" --output-on-failure --timeout 600 "$@"
status=$?
wineserver -k 2>/dev/null
exit $status
