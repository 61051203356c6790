#!/usr/bin/env bash
# The long random fault run, on demand (the test command runs a short one):
# downloads against the fault server, each with its own mix of resets and
# clean closes at random offsets, 200 answers to Range requests, headers
# in pieces, dripped bodies and servers that fail for good.
#   scripts/long-fault-run.sh [NATIVE_COUNT [WINE_COUNT]]   (3000 and 500)
# NATIVE_COUNT downloads run over the BSD socket layer, WINE_COUNT over the
# product's Winsock layer under Wine. ORVANE_FAULT_SEED=N repeats the run
# that printed that seed.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
native=${1:-3000}
wine=${2:-500}
"$root/scripts/setup.sh" >/dev/null

cmake --preset native-asan >/dev/null
cmake --build --preset native-asan -j "$(nproc)" --target net_tests net_fault_server >/dev/null
ORVANE_FAULT_RUNS=$native build/native-asan/tests/unit/net/net_tests \
  --gtest_filter='WorkerFaultTest.RandomFaultRun' --gtest_brief=1

. "$root/scripts/wine-session.sh"
preset=$(wine_runnable_preset)
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)" --target net_win_tests net_win_fault_server >/dev/null
net="$root/build/$preset/tests/win/net"
trap '"$root/tests/win/net/net-servers.sh" stop "$net/servers"; wine_session_end' EXIT
wine_session_start "$root/build/$preset"
"$root/tests/win/net/net-servers.sh" start "$net/servers" "$net/fault_server"
ORVANE_FAULT_RUNS=$wine "$root/scripts/wine-exec" "$net/net_win_tests.exe" \
  --gtest_filter='WinsockFaultTest.RandomFaultRun' --gtest_brief=1
