#!/usr/bin/env bash
# The main job: builds the wizard and runs it under Wine. With DISPLAY set
# the wizard opens on your display and waits for you; without one it runs
# on a private Xvfb and is driven automatically. Screenshots are written to
# build/windows/demo/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
"$root/scripts/setup.sh"

. "$root/scripts/wine-session.sh"
# The 32-bit build, or the 64-bit one where this kernel cannot start
# 32-bit programs.
preset=$(wine_runnable_preset)
jobs=$(nproc)
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$jobs" --target orvane_setup ui_driver

build="$root/build/$preset"
out="$build/demo"
mkdir -p "$out"
interactive=0
if [ -n "${DISPLAY:-}" ]; then
  export ORVANE_USE_DISPLAY=1
  interactive=1
fi
trap wine_session_end EXIT
wine_session_start "$build"

driver() { orvane_wine "$build/ui-driver.exe" "$@"; }

echo "Starting the wizard (${DISPLAY})..."
orvane_wine "$build/OrvaneSetup.exe" "$@" &
wizard_pid=$!

driver wait >/dev/null
driver shot "Z:$out/wizard.png"
echo "Screenshot: $out/wizard.png"
echo "Controls of the wizard (id, class, visible, enabled, rectangle, text):"
driver list | iconv -f GBK -t UTF-8

if [ "$interactive" = 1 ]; then
  echo "The wizard is open on your display; close it to finish."
else
  driver click 2 closed >/dev/null
fi
wait "$wizard_pid"
echo "The wizard ended with exit code $?."
