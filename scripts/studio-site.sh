#!/usr/bin/env bash
# The studio's site for real use: nginx listens on port 80 of each address
# and sends the feed and every file itself (sendfile, byte ranges), with
# timeouts and connection limits; the update server, on a private Unix
# socket, only decides what a download request means (the check value of
# /port.php, the names of /dowfile/) and answers nginx with an
# X-Accel-Redirect. Runs in the foreground until SIGTERM or SIGINT.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
me=studio-site.sh

usage() {
  cat <<'USAGE'
usage: scripts/studio-site.sh --site DIR [--listen ADDRESS[=DIR]]... [--check-key K]
                              [--port-answer file|indirect] [--indirect-host HOST]
                              [--log FILE] [--pace-bytes-per-second N]
                              [--request-timeout S] [--send-timeout S]
                              [--client-limit N] [--user USER]
                              [--update-server PATH] [--stop-on-stdin-eof]

Serves the studio's site folder DIR to the install wizard with nginx on
port 80 of each ADDRESS (default: the three hosts this build's wizard asks),
the same addresses and answers as orvane-update-server, which it asks for
every decision. Prints "ready ADDRESS:80" for each address once it listens;
SIGTERM or SIGINT stops nginx and the update server.

  --listen ADDRESS[=DIR]  an address to serve, optionally with its own site
                          folder; repeat for each host
  --check-key K, --port-answer MODE, --indirect-host HOST
                          as for orvane-update-server (default: DIR/server.conf,
                          else this build's key)
  --log FILE              append the request log to FILE (default: stdout),
                          one line per request as the update server writes it
  --pace-bytes-per-second N   send the feed and files at about N bytes a
                          second (nginx's limit_rate: the first second's
                          worth goes at once)
  --request-timeout S     a client must send its request within S seconds
                          (default 10)
  --send-timeout S        a client that takes nothing for S seconds is
                          dropped (default 30)
  --client-limit N        requests at a time from one client address
                          (default 64; 0 for none, e.g. behind a CDN)
  --user USER             nginx's workers run as USER when started as root
                          (default: the owner of DIR)
  --update-server PATH    default: build/native/tools/update_server/orvane-update-server
  --stop-on-stdin-eof     stop when standard input ends

Exit codes: 0 stopped, 1 failed, 2 usage error, 3 an address is taken.
USAGE
}
fail_usage() {
  echo "$me: $1" >&2
  usage >&2
  exit 2
}

site=""
listens=()
decider_options=()
log=/dev/stdout
pace=""
request_timeout=10
send_timeout=30
client_limit=64
user=""
server="$root/build/native/tools/update_server/orvane-update-server"
stop_on_eof=0
number() { [[ $2 =~ ^[0-9]+$ ]] && [ "${#2}" -le 9 ] || fail_usage "$1 needs a whole number"; }
while [ $# -gt 0 ]; do
  case "$1" in
  -h | --help)
    usage
    exit 0
    ;;
  --stop-on-stdin-eof)
    stop_on_eof=1
    shift
    continue
    ;;
  esac
  [ $# -ge 2 ] || fail_usage "$1 needs a value"
  case "$1" in
  --site) site=$2 ;;
  --listen) listens+=("$2") ;;
  --check-key | --port-answer | --indirect-host) decider_options+=("$1" "$2") ;;
  --log) log=$2 ;;
  --pace-bytes-per-second) number "$1" "$2" && pace=$2 ;;
  --request-timeout) number "$1" "$2" && request_timeout=$2 ;;
  --send-timeout) number "$1" "$2" && send_timeout=$2 ;;
  --client-limit) number "$1" "$2" && client_limit=$2 ;;
  --user) user=$2 ;;
  --update-server) server=$2 ;;
  *) fail_usage "unknown argument $1" ;;
  esac
  shift 2
done
[ -n "$site" ] || fail_usage "--site is required"
[ "$pace" != 0 ] || fail_usage "--pace-bytes-per-second needs a number from 1"
[ "$request_timeout" -ge 1 ] && [ "$send_timeout" -ge 1 ] || fail_usage "timeouts are 1 s at least"
[ -d "$site" ] || {
  echo "$me: $site is not a folder" >&2
  exit 1
}
[ -x "$server" ] || {
  echo "$me: no update server at $server (build the native tools, or --update-server)" >&2
  exit 1
}
command -v nginx >/dev/null || {
  echo "$me: nginx is missing (scripts/setup.sh installs nginx-light)" >&2
  exit 1
}

# The hosts of this build's wizard, as the update server takes them.
if [ ${#listens[@]} -eq 0 ]; then
  cache="$(dirname "$server")/../../CMakeCache.txt"
  word=$(sed -n 's/^ORVANE_DOMAIN_WORD:STRING=//p' "$cache" 2>/dev/null)
  for v in ORVANE_HOST_UPDATE1 ORVANE_HOST_UPDATE2 ORVANE_HOST_WEB; do
    host=$(sed -n "s/^$v:STRING=//p" "$cache" 2>/dev/null | sed "s/\\\\\\\\\\\\/$word/g")
    [ -n "$host" ] && listens+=("$host")
  done
  [ ${#listens[@]} -gt 0 ] || {
    echo "$me: no --listen given and no build constants in $cache" >&2
    exit 1
  }
fi

# Paths go into nginx's configuration between double quotes, where "$"
# would start a variable.
conf_safe() { [[ $1 != *[\"\$\\\;{}]* && $1 != *$'\n'* ]]; }
addresses=()
folders=()
for l in "${listens[@]}"; do
  address=${l%%=*}
  folder=$site
  [ "$address" != "$l" ] && folder=${l#*=}
  # nginx listens on addresses: point host names at them.
  [[ $address =~ ^[0-9]{1,3}(\.[0-9]{1,3}){3}$|^\[[0-9a-fA-F:.]+\]$ ]] ||
    fail_usage "--listen needs an IP address (IPv6 in brackets), not $address"
  [ -d "$folder" ] || {
    echo "$me: $folder is not a folder" >&2
    exit 1
  }
  folder=$(cd "$folder" && pwd)
  conf_safe "$folder" || {
    echo "$me: the folder name $folder cannot go into nginx's configuration" >&2
    exit 1
  }
  addresses+=("$address")
  folders+=("$folder")
done

# An address already served is refused before anything starts; nginx's
# own bind error below covers a server that comes in between.
taken() {
  ss -Hltn "sport = :80" 2>/dev/null | awk -v a="$1:80" \
    '$4 == a || $4 == "0.0.0.0:80" || $4 == "*:80" { f = 1 } END { exit !f }'
}
for address in "${addresses[@]}"; do
  if taken "$address"; then
    echo "$me: cannot listen on $address:80: the address is taken" >&2
    exit 3
  fi
done

run=$(mktemp -d /tmp/orvane-site.XXXXXX) || exit 1
# The workers reach the sockets and their temporary folders through it.
chmod 755 "$run"
nginx_pid=""
decider_pid=""
watch_pid=""
nap_pid=""
stopping=0
# Ends what this script started, nginx first so that nothing asks the
# update server any more, and removes the run folder.
stop_all() {
  [ -n "$watch_pid" ] && kill "$watch_pid" 2>/dev/null
  [ -n "$nap_pid" ] && kill "$nap_pid" 2>/dev/null
  if [ -n "$nginx_pid" ]; then
    kill -TERM "$nginx_pid" 2>/dev/null
    wait "$nginx_pid" 2>/dev/null
  fi
  if [ -n "$decider_pid" ]; then
    kill -TERM "$decider_pid" 2>/dev/null
    wait "$decider_pid" 2>/dev/null
  fi
  exec 5>&- 2>/dev/null
  rm -rf "$run"
}
trap 'stop_all' EXIT
trap 'stopping=1' TERM INT

# The update server, one Unix socket per address; it also stops when this
# script goes away without stopping it (its standard input then ends).
decider_listens=()
for i in "${!addresses[@]}"; do
  decider_listens+=(--listen "unix:$run/decide-$i.sock=${folders[$i]}")
done
mkfifo "$run/alive"
"$server" --accel-redirect --stop-on-stdin-eof --site "$site" "${decider_listens[@]}" \
  "${decider_options[@]}" <"$run/alive" >"$run/decide.log" 2>&1 &
decider_pid=$!
exec 5>"$run/alive"
for _ in $(seq 1 100); do
  [ "$(grep -c '^ready' "$run/decide.log")" -ge ${#addresses[@]} ] && break
  kill -0 "$decider_pid" 2>/dev/null || break
  sleep 0.05
done
if [ "$(grep -c '^ready' "$run/decide.log")" -lt ${#addresses[@]} ]; then
  cat "$run/decide.log" >&2
  code=1
  # Its usage mistakes are this script's.
  if ! kill -0 "$decider_pid" 2>/dev/null; then
    wait "$decider_pid"
    [ $? = 2 ] && code=2
    decider_pid=""
  fi
  echo "$me: the update server did not start" >&2
  exit "$code"
fi

# nginx's configuration from the templates.
fill() {
  local text=$1
  shift
  while [ $# -ge 2 ]; do
    text=${text//"$1"/"$2"}
    shift 2
  done
  printf '%s\n' "$text"
}
pace_line=""
[ -n "$pace" ] && pace_line="limit_rate $pace;"
limit_line=""
[ "$client_limit" -gt 0 ] && limit_line="limit_conn orvane_clients $client_limit;"
servers=""
server_template=$(cat "$root/tools/site/server.conf.in")
for i in "${!addresses[@]}"; do
  servers+=$(fill "$server_template" @ADDRESS@ "${addresses[$i]}" @SITE@ "${folders[$i]}" \
    @SOCKET@ "$run/decide-$i.sock" @PACE@ "$pace_line" @CLIENT_LIMIT@ "$limit_line")
  servers+=$'\n'
done
user_line=""
if [ "$(id -u)" = 0 ]; then
  [ -n "$user" ] || user=$(stat -c %U "$site")
  group=$(id -gn "$user" 2>/dev/null) || {
    echo "$me: no user $user" >&2
    exit 1
  }
  user_line="user $user $group;"
fi
case "$log" in
/*) ;;
*) log="$PWD/$log" ;;
esac
conf_safe "$log" && conf_safe "$run" || {
  echo "$me: the log's name $log cannot go into nginx's configuration" >&2
  exit 1
}
fill "$(cat "$root/tools/site/nginx.conf.in")" @RUN@ "$run" @USER@ "$user_line" @LOG@ "$log" \
  @REQUEST_TIMEOUT@ "$request_timeout" @SEND_TIMEOUT@ "$send_timeout" @SERVERS@ "$servers" \
  >"$run/nginx.conf"

# nginx keeps TZ: its log times are UTC like the update server's. Should
# this script end without stopping it, nginx is told to stop.
TZ=UTC setpriv --pdeathsig TERM -- nginx -p "$run" -c "$run/nginx.conf" -e "$run/error.log" \
  2>"$run/nginx.err" &
nginx_pid=$!
listening() {
  ss -Hltn "sport = :80" 2>/dev/null | awk -v a="$1:80" '$4 == a { f = 1 } END { exit !f }'
}
ready=0
for _ in $(seq 1 200); do
  kill -0 "$nginx_pid" 2>/dev/null || break
  ready=1
  for address in "${addresses[@]}"; do listening "$address" || ready=0; done
  [ "$ready" = 1 ] && break
  sleep 0.05
done
if [ "$ready" != 1 ] || ! kill -0 "$nginx_pid" 2>/dev/null; then
  wait "$nginx_pid" 2>/dev/null
  nginx_pid=""
  bound=$(grep -o 'bind() to [^ ]* failed ([^)]*)' "$run/nginx.err" "$run/error.log" 2>/dev/null | head -1)
  if [ -n "$bound" ]; then
    echo "$me: cannot listen on ${bound#*bind() to }" >&2
    exit 3
  fi
  echo "$me: nginx did not start:" >&2
  cat "$run/nginx.err" >&2
  exit 1
fi
for address in "${addresses[@]}"; do echo "ready $address:80"; done

if [ "$stop_on_eof" = 1 ]; then
  exec 3<&0
  (
    while read -r -u 3 _; do :; done
    kill -TERM $$
  ) &
  watch_pid=$!
  exec 3<&-
fi

# Until a stop signal, or until nginx or the update server ends by itself.
# A short sleep waited for: a trapped signal always ends that wait.
status=0
while [ "$stopping" = 0 ]; do
  if ! kill -0 "$nginx_pid" 2>/dev/null || ! kill -0 "$decider_pid" 2>/dev/null; then
    echo "$me: nginx or the update server ended; stopping" >&2
    tail -3 "$run/error.log" "$run/decide.log" >&2
    status=1
    break
  fi
  sleep 0.5 &
  nap_pid=$!
  wait "$nap_pid"
done
exit "$status"
