#!/usr/bin/env bash
# net-servers.sh start|stop DIR [FAULT_SERVER]: the servers of the network
# tests under Wine. nginx on 127.0.1.10 (plain and slow files) and on
# 127.0.1.11-13, which stand for the three studio hosts; DIR/www10 ..
# DIR/www13 are their roots, and every request is logged as "address
# request" to DIR/access.log in order. The fault server on 127.0.1.20 logs
# its requests to DIR/fault.log.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
dir=$(mkdir -p "$2" && cd "$2" && pwd)
fault_address=127.0.1.20

stop_fault_server() {
  [ -f "$dir/fault.pid" ] && kill "$(cat "$dir/fault.pid")" 2>/dev/null || true
  rm -f "$dir/fault.pid"
}

if [ "$1" = start ]; then
  mkdir -p "$dir/www10/slow"
  stop_fault_server
  : >"$dir/fault.log"
  # Detached: this script ends before the tests; idle for ten minutes, it
  # ends by itself.
  "$3" "$fault_address" 80 "$dir/fault.log" 600 detached >"$dir/fault.out" 2>&1 &
  echo $! >"$dir/fault.pid"
  ready=0
  for _ in $(seq 1 100); do
    curl -s -o /dev/null "http://$fault_address/" && ready=1 && break
    sleep 0.05
  done
  if [ "$ready" != 1 ]; then
    echo "net-servers.sh: the fault server does not answer on $fault_address" >&2
    cat "$dir/fault.out" >&2
    exit 1
  fi
else
  stop_fault_server
fi
exec "$here/../../servers/nginx-hosts.sh" "$1" "$2" 127.0.1 \
  'location /slow/ { limit_rate 48k; } location = /port.php { default_type text/plain; alias @ROOT@/port-answer.txt; }' \
  10 11 12 13
