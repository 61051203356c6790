#!/usr/bin/env bash
# net-servers.sh start|stop DIR: nginx for the network tests under Wine, on
# 127.0.1.10 (plain and slow files) and on 127.0.1.11-13, which stand for
# the three studio hosts. DIR/www10 .. DIR/www13 are their roots; every
# request is logged as "address request" to DIR/access.log in order.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
[ "$1" = start ] && mkdir -p "$2/www10/slow"
exec "$here/../../servers/nginx-hosts.sh" "$1" "$2" 127.0.1 \
  'location /slow/ { limit_rate 48k; } location = /port.php { default_type text/plain; alias @ROOT@/port-answer.txt; }' \
  10 11 12 13
