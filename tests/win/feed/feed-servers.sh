#!/usr/bin/env bash
# feed-servers.sh start|stop DIR: nginx standing for the three studio hosts
# of the feed check under Wine, on 127.0.2.11-13. DIR/www11 .. DIR/www13
# are their roots; each request is logged as "address request" to
# DIR/access.log in order.
set -euo pipefail
action=$1
dir=$(mkdir -p "$2" && cd "$2" && pwd)
case "$action" in
start)
  [ -f "$dir/nginx.pid" ] && kill "$(cat "$dir/nginx.pid")" 2>/dev/null || true
  mkdir -p "$dir"/www11 "$dir"/www12 "$dir"/www13
  servers=""
  for n in 11 12 13; do
    servers+="  server { listen 127.0.2.$n:80; root $dir/www$n; }
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
  nginx -p "$dir" -c "$dir/nginx.conf" -e "$dir/error.log"
  # Ready once every address answers.
  for n in 11 12 13; do
    for _ in $(seq 1 200); do
      curl -s -o /dev/null "http://127.0.2.$n/" && break
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
