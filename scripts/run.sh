#!/usr/bin/env bash
# Starts the local index site on 127.0.0.1:18080 (unless one already answers
# there), then the program under Wine on the current display (or a private
# Xvfb); stops the site it started when the program ends.
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/wine-env.sh"

pidfile="$VESK_BUILD/run-site.pid"
started=0
if ! curl -s -o /dev/null --max-time 2 http://127.0.0.1:18080/echo; then
  "$here/index-site.sh" start 18080 "$pidfile" || exit 1
  started=1
  echo "The local index site runs on http://127.0.0.1:18080/"
fi
"$here/with-display.sh" env LC_ALL=zh_CN.UTF-8 wine "$VESK_BUILD/vesk.exe" </dev/null
status=$?
[ $started -eq 1 ] && "$here/index-site.sh" stop "$pidfile"
exit $status
