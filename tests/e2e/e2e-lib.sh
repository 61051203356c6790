# Shared pieces of the end-to-end scripts; source this file after setting
# nothing. It picks the Windows build whose programs run here (or
# ORVANE_E2E_BUILD), the studio's tools (build/native/tools, or
# ORVANE_E2E_TOOLS; packages are signed for a signed build), and reads the wizard's studio hosts and check key from
# that build, so a build configured with other loopback hosts is served on
# its own addresses.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$root/scripts/wine-session.sh"
preset=$(wine_runnable_preset)
build=${ORVANE_E2E_BUILD:-$root/build/$preset}
build=$(cd "$build" && pwd)
tools=${ORVANE_E2E_TOOLS:-$root/build/native/tools}
stamp="$tools/package_stamp/orvane-stamp"
. "$root/scripts/signing.sh"

_e2e_cache() { sed -n "s/^$1:STRING=//p" "$build/CMakeCache.txt"; }
check_key=$(_e2e_cache ORVANE_CHECK_KEY)
# The host templates with the domain word put in place of the marker.
e2e_hosts() {
  local word v
  word=$(_e2e_cache ORVANE_DOMAIN_WORD)
  for v in ORVANE_HOST_UPDATE1 ORVANE_HOST_UPDATE2 ORVANE_HOST_WEB; do
    _e2e_cache "$v" | sed "s/\\\\\\\\\\\\/$word/g"
  done
}

# Which server plays the studio's site: "embedded" (the update server
# alone, the default) or "nginx" (scripts/studio-site.sh: nginx in front
# of the update server). ORVANE_E2E_SERVER chooses.
e2e_server=${ORVANE_E2E_SERVER:-embedded}
case "$e2e_server" in
embedded | nginx) ;;
*)
  echo "ORVANE_E2E_SERVER is embedded or nginx, not $e2e_server" >&2
  exit 2
  ;;
esac
server_pid=""
# start_server SITE LOG OUT [OPTION...]: the studio's site on the build's
# three hosts, serving SITE, with any further options of the update server
# (those studio-site.sh passes on or shares); waits until every host
# listens.
start_server() {
  local site=$1 log=$2 out=$3 host listen=() command
  shift 3
  for host in $(e2e_hosts); do listen+=(--listen "$host"); done
  command=("$tools/update_server/orvane-update-server")
  [ "$e2e_server" = nginx ] &&
    command=("$root/scripts/studio-site.sh" --update-server "$tools/update_server/orvane-update-server")
  : > "$out"
  "${command[@]}" --site "$site" --check-key "$check_key" \
    "${listen[@]}" --log "$log" "$@" > "$out" 2>&1 &
  server_pid=$!
  for _ in $(seq 1 100); do
    [ "$(grep -c '^ready' "$out")" -ge 3 ] && return 0
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.1
  done
  cat "$out" >&2
  return 1
}
# wait_for_file FILE: waits (up to a minute) until FILE exists, while the
# wizard ($pid) runs; a downloaded package takes its name only once whole.
wait_for_file() {
  local waited=0
  until [ -f "$1" ]; do
    kill -0 "$pid" 2>/dev/null || return 1
    waited=$((waited + 1))
    [ "$waited" -le 600 ] || return 1
    sleep 0.1
  done
}
# wait_for_connection ADDRESS: waits (up to 20 s) until a client holds a
# connection to ADDRESS:80 open.
wait_for_connection() {
  local hex
  hex=$(printf '%02X' $(echo "$1" | tr '.' ' ' | awk '{print $4, $3, $2, $1}')):0050
  for _ in $(seq 1 200); do
    awk -v l="$hex" '$2 == l && $4 == "01" { found = 1 } END { exit !found }' /proc/net/tcp &&
      return 0
    sleep 0.1
  done
  return 1
}
stop_server() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  server_pid=""
}

passed=0
failed=0
# verdict STATUS TEXT: counts and prints one scenario's result.
verdict() {
  if [ "$1" = 0 ]; then
    passed=$((passed + 1))
    echo "ok: $2"
  else
    failed=$((failed + 1))
    echo "FAILED: $2"
  fi
}
# summary NAME: prints the counts; fails when a scenario failed.
summary() {
  echo "$1 ($e2e_server server): $passed passed, $failed failed"
  [ "$failed" = 0 ]
}
driver() { orvane_wine "$build/ui-driver.exe" "$@"; }
# The exit code of a wizard run; one left waiting (on a box nobody
# answered) is ended after a minute and counts as failed (99).
wait_exit() {
  local pid=$1
  for _ in $(seq 1 600); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    wineserver -k 2>/dev/null
    wait "$pid" 2>/dev/null
    return 99
  fi
  wait "$pid"
}

# e2e_begin: the script's Wine session on the build's prefix. Programs left
# in the prefix by an earlier run are ended first; at exit the script's own
# e2e_cleanup (when it defines one) runs, then the server is stopped, every
# program of the prefix ended and the session closed.
e2e_begin() {
  trap _e2e_end EXIT
  wine_session_start "$build"
  wineserver -k 2>/dev/null || true
}
_e2e_end() {
  declare -F e2e_cleanup >/dev/null && e2e_cleanup
  stop_server
  wineserver -k 2>/dev/null || true
  wine_session_end
}
