#!/usr/bin/env bash
# Starts the program under Wine on the current display (or a private Xvfb).
set -uo pipefail
here="$(dirname "${BASH_SOURCE[0]}")"
source "$here/wine-env.sh"
exec "$here/with-display.sh" wine "$VESK_BUILD/vesk.exe" </dev/null
