#!/usr/bin/env bash
# Runs every test of the project: the portable core under ASan and UBSan,
# the fuzz targets for a bounded time, and the Windows build under Wine.
# Installs what it needs first (scripts/setup.sh).
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
"$root/scripts/setup.sh" || exit 1

jobs=$(nproc)
failed=()
run() {
  local what=$1
  shift
  echo "== $what: $*"
  if ! "$@"; then
    failed+=("$what")
    return 1
  fi
}

run native-configure cmake --preset native-asan &&
  run native-build cmake --build --preset native-asan -j "$jobs" &&
  run native-tests ctest --preset native-asan -j "$jobs"

run fuzz-configure cmake --preset fuzz &&
  run fuzz-build cmake --build --preset fuzz -j "$jobs" &&
  run fuzz-tests ctest --preset fuzz -j "$jobs"

. "$root/scripts/wine-session.sh"
# The product is the 32-bit build; it is always built whole, tests
# included. Its tests run under Wine when this kernel can start 32-bit
# programs, otherwise the tests of the 64-bit build of the same sources run
# instead.
preset=$(wine_runnable_preset)
run windows-configure cmake --preset windows &&
  run windows-build cmake --build --preset windows -j "$jobs"
if [ "$preset" != windows ]; then
  echo "== this kernel cannot run 32-bit programs; Windows tests run on the 64-bit build"
  run "$preset-configure" cmake --preset "$preset" &&
    run "$preset-build" cmake --build --preset "$preset" -j "$jobs"
fi
if [ -f "$root/build/$preset/CMakeCache.txt" ]; then
  trap wine_session_end EXIT
  wine_session_start "$root/build/$preset"
  # One Wine prefix and one display for the whole run; the Windows tests
  # drive top-level windows, so they run one at a time.
  run "$preset-tests" ctest --preset "$preset" -j 1
  wine_session_end
  trap - EXIT
fi

# End to end: the studio's server, the sample product, and the wizard
# driven through a whole install (the demo, checked), then the update
# check, the install engine's other roads and the game hall road. The
# demo, the update check and the install roads run once more against the
# site as served on a busy day, nginx in front of the update server.
if [ -f "$root/build/$preset/OrvaneSetup.exe" ]; then
  # The demo builds the studio's tools the later scripts use.
  if ORVANE_DEMO_AUTO=1 run end-to-end-install "$root/scripts/demo.sh"; then
    run end-to-end-update-check "$root/tests/e2e/update-check.sh"
    run end-to-end-install-roads "$root/tests/e2e/install-roads.sh"
    run end-to-end-qq-game "$root/tests/e2e/qq-game.sh"
    export ORVANE_E2E_SERVER=nginx
    if ORVANE_DEMO_AUTO=1 run end-to-end-install-nginx "$root/scripts/demo.sh"; then
      run end-to-end-update-check-nginx "$root/tests/e2e/update-check.sh"
      run end-to-end-install-roads-nginx "$root/tests/e2e/install-roads.sh"
    fi
    unset ORVANE_E2E_SERVER
  fi
fi

if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "all test runs passed"
