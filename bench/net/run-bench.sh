#!/usr/bin/env bash
# Download throughput of the wizard's worker against curl, both fetching the
# same file from nginx on 127.0.1.50 in the same run, and the worker's peak
# memory for two file sizes (it must not grow with the file).
#   bench/net/run-bench.sh [BUILD_DIR] [SIZE_MIB] [WINDOWS_BUILD_DIR]
# BUILD_DIR is a native (optimised) build folder, default build/native.
# With WINDOWS_BUILD_DIR (a windows or windows64 build folder) the Winsock
# build of the worker (tests/win/net/net_fetch_win) runs under Wine too; it
# reports its own transfer time, without Wine's start-up.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${1:-$root/build/native}
size_mib=${2:-256}
win_build=${3:-}
address=127.0.1.50
rounds=3

cmake --build "$build" --target net_fetch -j2 >/dev/null
fetch=$(find "$build" -name net_fetch -type f -perm -u+x | head -1)
[ -x "$fetch" ] || { echo "net_fetch not built in $build" >&2; exit 1; }

work=$(mktemp -d /tmp/orvane-net-bench-XXXXXX)
nginx_pid=""
cleanup() {
  [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/www"
head -c $((size_mib * 1024 * 1024)) /dev/urandom >"$work/www/big.bin"
head -c $((size_mib * 1024 * 1024 / 8)) /dev/urandom >"$work/www/small.bin"
cat >"$work/nginx.conf" <<CONF
daemon off;
master_process off;
worker_processes 1;
user root root;
pid $work/nginx.pid;
error_log $work/error.log;
events { worker_connections 64; }
http {
  access_log off;
  sendfile on;
  client_body_temp_path $work/body;
  proxy_temp_path $work/proxy;
  fastcgi_temp_path $work/fastcgi;
  uwsgi_temp_path $work/uwsgi;
  scgi_temp_path $work/scgi;
  server { listen $address:80; root $work/www; }
}
CONF
nginx -p "$work" -c "$work/nginx.conf" -e "$work/error.log" &
nginx_pid=$!
for _ in $(seq 1 500); do
  curl -s -o /dev/null "http://$address/small.bin" && break
  sleep 0.02
done

url="http://$address/big.bin"
# Seconds of one run; the output is removed so every run writes afresh.
time_curl() {
  local start end
  start=$(date +%s.%N)
  curl -s -o "$work/out.curl" "$url"
  end=$(date +%s.%N)
  cmp -s "$work/out.curl" "$work/www/big.bin" || { echo "curl download differs" >&2; exit 1; }
  rm -f "$work/out.curl"
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }' 
}
# Timed from outside like curl, process start included.
time_worker() {
  local start end
  start=$(date +%s.%N)
  "$fetch" "$url" "$work/out.worker" >/dev/null
  end=$(date +%s.%N)
  cmp -s "$work/out.worker" "$work/www/big.bin" || { echo "worker download differs" >&2; exit 1; }
  rm -f "$work/out.worker"
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }'
}
# Peak resident set in KiB of one download.
peak_kib() {
  /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1
}

best_curl=""
best_worker=""
for _ in $(seq 1 $rounds); do
  c=$(time_curl)
  w=$(time_worker)
  best_curl=$(awk -v a="$best_curl" -v b="$c" 'BEGIN { print (a == "" || b < a) ? b : a }')
  best_worker=$(awk -v a="$best_worker" -v b="$w" 'BEGIN { print (a == "" || b < a) ? b : a }')
done

mib_s() { awk -v s="$size_mib" -v t="$1" 'BEGIN { printf "%.1f", s / t }'; }
ratio=$(awk -v c="$best_curl" -v w="$best_worker" 'BEGIN { printf "%.3f", c / w }')
peak_big=$(peak_kib "$fetch" "$url" "$work/out.peak")
peak_small=$(peak_kib "$fetch" "http://$address/small.bin" "$work/out.peak")
peak_curl=$(peak_kib curl -s -o "$work/out.peak" "$url")
rm -f "$work/out.peak"

if [ -n "$win_build" ]; then
  cmake --build "$win_build" --target net_fetch_win -j2 >/dev/null
  win_fetch=$(find "$win_build" -name net_fetch_win.exe -type f | head -1)
  best_wine=""
  for _ in $(seq 1 $rounds); do
    w=$("$root/scripts/wine-exec" "$win_fetch" "$url" "Z:$work/out.wine" | tr -d '\r' | tail -1)
    cmp -s "$work/out.wine" "$work/www/big.bin" || { echo "Wine download differs" >&2; exit 1; }
    rm -f "$work/out.wine"
    best_wine=$(awk -v a="$best_wine" -v b="$w" 'BEGIN { print (a == "" || b < a) ? b : a }')
  done
fi

echo "file: $size_mib MiB from nginx on $address, best of $rounds"
echo "curl:   $(mib_s "$best_curl") MiB/s"
echo "worker: $(mib_s "$best_worker") MiB/s"
echo "throughput ratio worker/curl: $ratio (target >= 0.9)"
if [ -n "$win_build" ]; then
  echo "worker under Wine: $(mib_s "$best_wine") MiB/s"
  echo "throughput ratio Wine worker/curl: $(awk -v c="$best_curl" -v w="$best_wine" 'BEGIN { printf "%.3f", c / w }') (target >= 0.5)"
fi
echo "peak RSS worker: ${peak_big} KiB ($size_mib MiB file), ${peak_small} KiB ($((size_mib / 8)) MiB file); curl ${peak_curl} KiB"
