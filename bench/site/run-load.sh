#!/usr/bin/env bash
# The studio's site on a release day, on loopback 127.0.3.1: while 500
# clients hold idle half-requests and 200 download the package at 50 KB/s
# each, 1000 feed checks (begun at 100 a second) and 50 whole downloads of
# the package from other clients must all succeed, the feed answered
# within 1 s at the 99th percentile, every download byte for byte the
# published package. Run
# against nginx in front of the update server (scripts/studio-site.sh),
# which must meet the targets, and against the update server alone, whose
# figures are printed beside.
#   bench/site/run-load.sh [PACKAGE_MIB]     (default 8)
# Builds the native tools when missing. Bounded: each server has the crowd
# for at most a minute and the checks for at most 40 s; everything started
# is stopped at the end. Exit code 0 when the nginx site meets the targets.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
package_mib=${1:-8}
address=127.0.3.1
key=37
python=/usr/bin/python3
clients="$root/bench/site/load_clients.py"
tools="$root/build/native/tools"
server="$tools/update_server/orvane-update-server"
scramble="$tools/feed_scramble/orvane-scramble"

if [ ! -x "$server" ] || [ ! -x "$scramble" ]; then
  (cd "$root" && cmake --preset native >/dev/null &&
    cmake --build --preset native -j2 --target orvane-update-server orvane-scramble >/dev/null) ||
    exit 1
fi
[ -x "$python" ] || {
  echo "run-load.sh: $python is missing (scripts/setup.sh installs python3)" >&2
  exit 1
}

work=$(mktemp -d /tmp/orvane-site-load.XXXXXX) || exit 1
chmod 755 "$work"
server_pid=""
holder_pid=""
stop() {
  local pid=$1
  [ -n "$pid" ] && kill -TERM "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
}
cleanup() {
  stop "$holder_pid"
  stop "$server_pid"
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The published site: the feed and one package.
mkdir -p "$work/site/dowfile"
head -c $((package_mib * 1024 * 1024)) /dev/urandom >"$work/site/dowfile/123.rar"
printf '2026-12-08|123|示例软件_1.2.0' |
  "$scramble" encode --feed -o "$work/site/cu.txt" || exit 1

# wait_line FILE PATTERN SECONDS PID: waits until FILE has a line starting
# with PATTERN while PID runs.
wait_line() {
  for _ in $(seq 1 $(($3 * 10))); do
    grep -q "^$2" "$1" 2>/dev/null && return 0
    kill -0 "$4" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# run_against NAME: one whole run against the server NAME (nginx or
# embedded); leaves NAME.hold and NAME.fetch in the work folder.
run_against() {
  local name=$1
  echo "== $name: starting the site on $address"
  if [ "$name" = nginx ]; then
    "$root/scripts/studio-site.sh" --update-server "$server" --site "$work/site" \
      --listen "$address" --check-key "$key" --log "$work/$name.log" >"$work/$name.out" 2>&1 &
  else
    "$server" --site "$work/site" --listen "$address" --check-key "$key" \
      --log "$work/$name.log" >"$work/$name.out" 2>&1 &
  fi
  server_pid=$!
  wait_line "$work/$name.out" ready 10 "$server_pid" || {
    cat "$work/$name.out" >&2
    return 1
  }
  echo "== $name: 500 idle half-requests and 200 downloads at 50 KB/s"
  "$python" "$clients" hold --address "$address" --key "$key" --idle 500 --slow 200 \
    --rate 50000 --seconds 60 >"$work/$name.hold" 2>&1 &
  holder_pid=$!
  wait_line "$work/$name.hold" ready 20 "$holder_pid" || {
    cat "$work/$name.hold" >&2
    return 1
  }
  # The crowd settles: every slow download under way.
  sleep 2
  echo "== $name: 1000 feed checks and 50 whole downloads meanwhile"
  "$python" "$clients" fetch --address "$address" --key "$key" --feeds 1000 --downloads 50 \
    --deadline 40 --feed "$work/site/cu.txt" --package "$work/site/dowfile/123.rar" \
    >"$work/$name.fetch" 2>&1
  stop "$holder_pid"
  holder_pid=""
  stop "$server_pid"
  server_pid=""
}

run_against nginx || exit 1
run_against embedded || exit 1

"$python" - "$work" "$package_mib" <<'REPORT'
import json, sys
work, mib = sys.argv[1], sys.argv[2]
def figures(name):
    out = {}
    for part in ("hold", "fetch"):
        for line in open(f"{work}/{name}.{part}"):
            if line.startswith("{"):
                out.update(json.loads(line))
    return out
runs = {name: figures(name) for name in ("nginx", "embedded")}
def ms(seconds):
    # None: not every check was made in time, so no honest percentile.
    return "-" if seconds is None else f"{seconds * 1000:.1f} ms"
rows = [
    ("feed checks made in time", lambda f: f"{f['feed_asked']} of 1000"),
    ("feed checks answered right", lambda f: f"{f['feed_ok']} of 1000"),
    ("feed, median", lambda f: ms(f["feed_p50"])),
    ("feed, 99th percentile", lambda f: ms(f["feed_p99"])),
    ("feed, slowest", lambda f: ms(f["feed_max"])),
    (f"downloads ({mib} MiB) byte for byte", lambda f: f"{f['downloads_identical']} of 50"),
    ("one download's speed", lambda f: f"{f['download_mib_s']} MiB/s"),
    ("the checks lasted", lambda f: f"{f['seconds']} s"),
    ("idle clients cut off", lambda f: str(f["idle_cut_off"])),
    ("slow downloads: MiB sent", lambda f: f"{f['slow_bytes'] / 1048576:.0f}"),
    ("slow downloads ended or cut", lambda f: str(f["slow_ended"])),
]
print(f"{'':34} {'nginx':>16} {'update server':>16}")
for label, cell in rows:
    print(f"{label:34} {cell(runs['nginx']):>16} {cell(runs['embedded']):>16}")
n = runs["nginx"]
met = n["feed_ok"] == 1000 and n["feed_p99"] is not None and n["feed_p99"] <= 1.0 \
    and n["downloads_identical"] == 50
print("site load: nginx " + ("meets" if met else "MISSES") +
      " the targets (1000 of 1000 feed checks, 99th percentile within 1 s, 50 of 50 downloads)")
sys.exit(0 if met else 1)
REPORT
