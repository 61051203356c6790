#!/usr/bin/env bash
# The main job: the studio publishes a sample product on a local update
# server (loopback hosts 127.0.0.11-13, port 80) and the wizard installs it
# under Wine, from "yf123,1.0" through the update check, the download, the
# welcome and folder pages, extraction and copy, to the finish page, the
# desktop shortcut and the start of the product.
#
# With DISPLAY set the wizard opens on your display and you click through it
# yourself; without one (or with ORVANE_DEMO_AUTO=1) it runs on a private
# Xvfb and is driven automatically, and the install is then checked: every
# file of the package in the target byte for byte, the product started with
# the folder as its parameters, the post-install batch file run, the desktop
# shortcut made, exit code 0. The server sends its files at a pace, so that
# the download pages can be watched; screenshots of each page (welcome,
# folder, the library's download, extraction and copy, finish) go to
# build/<preset>/demo/shots/. Arguments replace the wizard's command line
# (default: yf123,1.0).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
"$root/scripts/setup.sh" >/dev/null

. "$root/scripts/wine-session.sh"
# The 32-bit build, or the 64-bit one where this kernel cannot start
# 32-bit programs.
preset=$(wine_runnable_preset)
jobs=$(nproc)
echo "== building the studio's tools and the wizard ($preset)"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs" --target orvane-update-server orvane-stamp orvane-scramble >/dev/null
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$jobs" --target orvane_setup sevenzip_dll ui_driver sample_product >/dev/null

build="$root/build/$preset"
tools="$root/build/native/tools"
demo="$build/demo"
rm -rf "$demo"
mkdir -p "$demo/product" "$demo/site/dowfile" "$demo/app" "$demo/shots"
check_key=$(sed -n 's/^ORVANE_CHECK_KEY:STRING=//p' "$build/CMakeCache.txt")
# The demo build trusts the test key: what the site publishes is signed.
stamp="$tools/package_stamp/orvane-stamp"
. "$root/scripts/signing.sh"

echo "== the studio packs, stamps and publishes product 123, version 1.2.0"
cp "$build/sample/SampleProduct.exe" "$demo/product/"
printf 'Orvane 示例软件\r\n版本 1.2.0\r\n' > "$demo/product/说明.txt"
printf '@echo off\r\necho post-install batch ran> batch-ran.txt\r\n' > "$demo/product/!绿化.bat"
# Many small files, so that extraction and copy take a moment to watch.
mkdir -p "$demo/product/资料"
{ yes "Orvane 示例软件资料" || true; } | head -c 1500000 | (cd "$demo/product/资料" && split -b 1000 -a 4 -d --additional-suffix=.txt - 资料)
(cd "$demo/product" && 7zz a -bso0 -bsp0 "$demo/123.7z" .)
stamp_package "$demo/123.7z" --id 123 --name "示例软件" \
  --file-name SampleProduct.exe --version 1.2.0 --date 2026-12-08 --description "Orvane 示例软件"
cp "$demo/123.7z" "$demo/site/dowfile/123.rar"
# The wizard's folder has no archiver library: it is fetched from the site.
publish_library "$demo/site/dowfile/7-zip32.dll"
printf '2026-12-08|123|示例软件_1.2.0' > "$demo/feed.txt"
"$tools/feed_scramble/orvane-scramble" encode --feed -i "$demo/feed.txt" -o "$demo/site/cu.txt"
cp "$build/OrvaneSetup.exe" "$demo/app/"

interactive=0
if [ -n "${DISPLAY:-}" ] && [ "${ORVANE_DEMO_AUTO:-0}" != 1 ]; then
  export ORVANE_USE_DISPLAY=1
  interactive=1
fi
server_pid=""
cleanup() {
  # Waited for, so that the addresses are free for whatever runs next.
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  true
  # Driven automatically, nobody closes the started product (or a wizard
  # left behind by a failed step): end every program of the prefix.
  [ "$interactive" = 1 ] || wineserver -k 2>/dev/null || true
  wine_session_end
}
trap cleanup EXIT
wine_session_start "$build"
# A product still running from an earlier demo would be stopped by the
# install step, with a box nobody answers here.
[ "$interactive" = 1 ] || wineserver -k 2>/dev/null || true

# ORVANE_E2E_SERVER=nginx serves the site as on a busy day: nginx in front
# of the update server (scripts/studio-site.sh).
server=("$tools/update_server/orvane-update-server")
[ "${ORVANE_E2E_SERVER:-embedded}" = nginx ] &&
  server=("$root/scripts/studio-site.sh" --update-server "$tools/update_server/orvane-update-server")
echo "== starting the studio's site (${ORVANE_E2E_SERVER:-embedded} server)"
"${server[@]}" --site "$demo/site" --check-key "$check_key" \
  --pace-bytes-per-second 250000 --log "$demo/server.log" > "$demo/server.out" 2>&1 &
server_pid=$!
for _ in $(seq 1 100); do
  [ "$(grep -c '^ready' "$demo/server.out" 2>/dev/null)" -ge 3 ] && break
  kill -0 "$server_pid" 2>/dev/null || { cat "$demo/server.out"; exit 1; }
  sleep 0.1
done

desktop="$WINEPREFIX/drive_c/users/$(whoami)/Desktop"
target_win='C:\OrvaneDemo\示例软件\'
target_unix="$WINEPREFIX/drive_c/OrvaneDemo/示例软件"
rm -rf "$WINEPREFIX/drive_c/OrvaneDemo" "$desktop"/*.lnk 2>/dev/null || true

args=("$@")
[ ${#args[@]} -gt 0 ] || args=("yf123,1.0")
echo "== the wizard: ${args[*]} (display $DISPLAY)"
orvane_wine "$demo/app/OrvaneSetup.exe" "${args[@]}" &
wizard_pid=$!

driver() { orvane_wine "$build/ui-driver.exe" --timeout 60000 "$@"; }
shot() { driver shot "Z:$demo/shots/$1.png" >/dev/null && echo "   screenshot: $demo/shots/$1.png"; }
# label_until PREFIX...: waits until the status line begins with one of the
# PREFIXes.
label_until() {
  local text prefix
  for _ in $(seq 1 300); do
    text=$(driver --timeout 2000 get 1000 2>/dev/null | iconv -f GBK -t UTF-8)
    for prefix in "$@"; do
      case "$text" in "$prefix"*) return 0 ;; esac
    done
  done
  return 1
}

if [ "$interactive" = 1 ]; then
  echo "The wizard is open on your display; install and close it to finish."
else
  driver wait >/dev/null
  # Welcome: the package has been downloaded and its block read. (The
  # window shows the welcome page's buttons before that already.)
  for _ in $(seq 1 600); do [ -f "$demo/app/123.7z" ] && break; sleep 0.1; done
  driver ready 1009 >/dev/null
  shot 1-welcome
  driver click 1009 ready 1004 >/dev/null
  driver set 1006 "$target_win" >/dev/null
  shot 2-target-folder
  # The install step: the archive library is fetched first, then the
  # extraction and the copy, then the finish page.
  driver click 1009 >/dev/null
  label_until "下载【7-zip32.dll】中..完成:" && shot 3-downloading
  label_until "解压：" "复制：" && shot 4-installing
  driver text 1009 "完成" ready 1009 >/dev/null
  shot 5-finish
  driver click 1009 closed >/dev/null
fi
wizard_code=0
wait "$wizard_pid" || wizard_code=$?
echo "== the wizard ended with exit code $wizard_code"

echo "== installed in $target_win:"
(cd "$target_unix" 2>/dev/null && ls -la) || echo "   (nothing installed)"
for _ in $(seq 1 50); do [ -f "$target_unix/started.txt" ] && break; sleep 0.1; done
[ -f "$target_unix/started.txt" ] && { echo "== the product was started:"; iconv -f GBK -t UTF-8 "$target_unix/started.txt" | sed 's/^/   /'; }
ls "$desktop"/*.lnk >/dev/null 2>&1 && { echo "== desktop shortcut:"; ls "$desktop"/*.lnk | sed 's/^/   /'; }
echo "== requests the server saw:"
sed 's/^/   /' "$demo/server.log"

[ "$interactive" = 1 ] && exit 0
# Driven automatically: check what the install left behind.
problems=0
fail() { echo "CHECK FAILED: $*"; problems=1; }
[ "$wizard_code" = 0 ] || fail "exit code $wizard_code"
while IFS= read -r -d '' name; do
  cmp -s "$demo/product/$name" "$target_unix/$name" || fail "$name differs or is missing in the target"
done < <(cd "$demo/product" && find . -type f -print0)
for name in 3-downloading 4-installing; do
  [ -f "$demo/shots/$name.png" ] || fail "no screenshot $name.png"
done
[ -f "$target_unix/started.txt" ] || fail "the product was not started"
grep -q 'SampleProduct.exe" C:' "$target_unix/started.txt" 2>/dev/null ||
  fail "the product did not get its folder as parameters"
[ -f "$target_unix/batch-ran.txt" ] || fail "the post-install batch file did not run"
ls "$desktop"/*.lnk >/dev/null 2>&1 || fail "no desktop shortcut"
[ -d "$demo/app/temp" ] && fail "the work folder was left behind"
if [ "$problems" = 0 ]; then
  echo "demo: 1 passed, 0 failed"
else
  echo "demo: 0 passed, 1 failed"
  exit 1
fi
