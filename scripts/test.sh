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

if run windows-configure cmake --preset windows &&
  run windows-build cmake --build --preset windows -j "$jobs"; then
  . "$root/scripts/wine-session.sh"
  trap wine_session_end EXIT
  wine_session_start "$root/build/windows"
  # One Wine prefix and one display for the whole run; the Windows tests
  # drive top-level windows, so they run one at a time.
  run windows-tests ctest --preset windows -j 1
  wine_session_end
  trap - EXIT
fi

if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "all test runs passed"
