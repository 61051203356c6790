#!/usr/bin/env bash
# feed-servers.sh start|stop DIR [N...]: nginx standing for the three studio
# hosts under Wine, on 127.0.2.N (default 11, 12 and 13). DIR/wwwN are their
# roots, "/port.php" answers with DIR/wwwN/port-answer.bin whatever the
# query; each request is logged as "address request" to DIR/access.log.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
action=$1
dir=$2
shift 2
exec "$here/../../servers/nginx-hosts.sh" "$action" "$dir" 127.0.2 \
  'location = /port.php { default_type application/octet-stream; alias @ROOT@/port-answer.bin; }' \
  ${*:-11 12 13}
