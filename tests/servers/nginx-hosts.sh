#!/usr/bin/env bash
# nginx-hosts.sh start|stop DIR PREFIX "LOCATIONS" N...: one nginx for the
# Wine tests, one server per loopback address PREFIX.N on port 80, each
# rooted in DIR/wwwN with the extra LOCATIONS (where "@ROOT@" stands for
# that root). Every request is logged as "address request" to
# DIR/access.log in order; it is emptied once every address answers.
set -euo pipefail
action=$1
dir=$(mkdir -p "$2" && cd "$2" && pwd)
prefix=$3
locations=$4
shift 4
hosts="$*"
case "$action" in
start)
  [ -f "$dir/nginx.pid" ] && kill "$(cat "$dir/nginx.pid")" 2>/dev/null || true
  servers=""
  for n in $hosts; do
    mkdir -p "$dir/www$n"
    servers+="  server {
    listen $prefix.$n:80;
    root $dir/www$n;
    ${locations//@ROOT@/$dir/www$n}
  }
"
  done
  cat >"$dir/nginx.conf" <<CONF
daemon on;
master_process off;
worker_processes 1;
user root root;
pid $dir/nginx.pid;
error_log $dir/error.log;
events { worker_connections 64; }
http {
  log_format order '\$server_addr \$request';
  access_log $dir/access.log order;
  client_body_temp_path $dir/body;
  proxy_temp_path $dir/proxy;
  fastcgi_temp_path $dir/fastcgi;
  uwsgi_temp_path $dir/uwsgi;
  scgi_temp_path $dir/scgi;
$servers}
CONF
  # Another build folder's run may hold the addresses for a while: nginx
  # itself retries the bind for about 2.5 s, this loop about a minute more.
  started=0
  for _ in $(seq 1 24); do
    if nginx -p "$dir" -c "$dir/nginx.conf" -e "$dir/error.log" 2>/dev/null; then
      started=1
      break
    fi
  done
  if [ "$started" != 1 ]; then
    echo "nginx-hosts.sh: nginx cannot listen on $prefix.{${hosts// /,}}" >&2
    tail -3 "$dir/error.log" >&2
    exit 1
  fi
  # Ready once every address answers.
  for n in $hosts; do
    for _ in $(seq 1 200); do
      curl -s -o /dev/null "http://$prefix.$n/" && break
      sleep 0.05
    done
  done
  : >"$dir/access.log"
  ;;
stop)
  [ -f "$dir/nginx.pid" ] && kill "$(cat "$dir/nginx.pid")" 2>/dev/null || true
  rm -f "$dir/nginx.pid"
  ;;
esac
