#!/usr/bin/env bash
# Starts or stops the local index site in the background.
#   index-site.sh start <port> <pidfile> [server options...]
#   index-site.sh stop <pidfile>
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

case "${1:-}" in
start)
  port=$2 pidfile=$3
  shift 3
  if [ -f "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null; then
    kill "$(cat "$pidfile")" 2>/dev/null
    sleep 0.2
  fi
  out="$pidfile.out"
  python3 "$root/tools/index_site/server.py" --host 127.0.0.1 --port "$port" "$@" >"$out" 2>&1 &
  echo $! >"$pidfile"
  for _ in $(seq 1 100); do
    grep -q '^listening on' "$out" 2>/dev/null && exit 0
    kill -0 "$(cat "$pidfile")" 2>/dev/null || break
    sleep 0.05
  done
  echo "the index site did not start:" >&2
  cat "$out" >&2
  exit 1
  ;;
stop)
  pidfile=$2
  if [ -f "$pidfile" ]; then
    kill "$(cat "$pidfile")" 2>/dev/null
    rm -f "$pidfile"
  fi
  exit 0
  ;;
*)
  echo "usage: $0 start <port> <pidfile> [options] | stop <pidfile>" >&2
  exit 2
  ;;
esac
