#!/usr/bin/env bash
# End to end: the install engine's roads besides the demo's, with the real
# wizard under Wine against the studio's update server. The script
# publishes its own products on its own site (build/<preset>/e2e-install/):
#   1. the normal road with both finish-page boxes cleared: every file in
#      place byte for byte, no desktop shortcut, the product not started,
#      exit code 0
#   2. a package with "!绿化.bat" and "绿化.bat": only the first one runs
#   3. a program of ours running from the target folder is named in a box
#      and ended; one in the neighbouring folder "<target>2" and the wizard
#      itself (started from the target folder) go on; the install completes
#   4. closing during the copy: refused, the copy stops after its current
#      file and the program ends (every file either in the target or still
#      in the work folder); closing during the extraction: the question, Yes
#      stops it and the program ends with nothing installed, No lets it end
#      and the install completes
#   5. extract-only mode ("解压缩"): no folder page, the files land beside
#      the wizard in the folder the description names, no finish-page
#      boxes, Next closes
#   6. the archive library missing from the wizard's folder is fetched; a
#      broken package gives the extraction-failure box, Try Again fetches
#      the package anew (mended on the site meanwhile) and installs it
#   7. screenshots of the Downloading page (paced server) and the Installing
#      page (a large package), in e2e-install/shots/
#   8. a folder "temp" of the user's own beside the wizard: the install
#      completes and every file and folder of it is still there, byte for
#      byte
#   9. a second run where the run closed during the extraction (4.) left
#      its work folder: the leftovers are cleared, none reaches the target
#  10. (a signed build) product 201 with one byte changed in its archive,
#      its block or its signature line, unsigned, or signed with another
#      key: each is refused with the check box, deleted, and nothing is
#      extracted (one the user named himself is kept); the twin built
#      without keys installs the last two
#  11. (a signed build) a changed archive library beside the wizard is
#      deleted and fetched again, and the install completes; a changed one
#      on the site is refused with the box, deleted, never loaded, and
#      nothing is extracted
# Needs the Windows build (OrvaneSetup.exe, 7-zip32.dll, ui-driver.exe,
# sample/SampleProduct.exe) and the studio's tools (scripts/demo.sh builds
# both); takes about a minute and a half.
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/e2e-lib.sh"

work="$build/e2e-install"
shots="$work/shots"
site="$work/site"
scramble="$tools/feed_scramble/orvane-scramble"
sample="$build/sample/SampleProduct.exe"
for f in "$build/OrvaneSetup.exe" "$build/7-zip32.dll" "$build/ui-driver.exe" "$sample" \
  "$stamp" "$scramble" "$tools/update_server/orvane-update-server"; do
  [ -f "$f" ] || { echo "missing $f"; exit 1; }
done
"$tools/update_server/orvane-update-server" --help | grep -q -- --pace-bytes-per-second ||
  { echo "the update server cannot pace its files: rebuild the studio's tools"; exit 1; }

# Programs left from an earlier run would be found in the target folders:
# the session starts with none.
e2e_begin

rm -rf "$work"
mkdir -p "$site/dowfile" "$shots"
# Everything installed goes below C:\OrvaneRoads.
roads_win='C:\OrvaneRoads'
roads="$WINEPREFIX/drive_c/OrvaneRoads"
rm -rf "$roads"
mkdir -p "$roads"
desktop="$HOME/Desktop"

# --- the studio publishes its products --------------------------------------
# publish ID NAME FILE-NAME DESCRIPTION: packs $work/product-ID into ID.7z,
# stamps it as version 1.2.0 and puts it on the site.
publish() {
  local id=$1 name=$2 file_name=$3 description=$4
  (cd "$work/product-$id" && 7zz a -bso0 -bsp0 -mx1 "$work/$id.7z" .) || return 1
  stamp_package "$work/$id.7z" --id "$id" --name "$name" --file-name "$file_name" \
    --version 1.2.0 --date 2026-12-08 --description "$description" >/dev/null || return 1
  cp "$work/$id.7z" "$site/dowfile/$id.rar"
}
bat() { printf '@echo off\r\necho %s> %s\r\n' "$1" "$2"; }

# 201: the normal product, with both post-install batch files.
p="$work/product-201"
mkdir -p "$p/资料"
cp "$sample" "$p/SampleProduct.exe"
printf 'Orvane 路线软件\r\n' > "$p/说明.txt"
head -c 70000 /dev/urandom > "$p/资料/数据.bin"
bat bang "bang-ran.txt" > "$p/!绿化.bat"
bat plain "plain-ran.txt" > "$p/绿化.bat"
publish 201 "路线软件" SampleProduct.exe "Orvane 路线软件" || exit 1

# 202: extract-only; the description names the folder beside the wizard.
p="$work/product-202"
mkdir -p "$p/子目录"
printf 'unpacked\r\n' > "$p/资料.txt"
head -c 50000 /dev/urandom > "$p/子目录/数据.bin"
publish 202 "解压包" "解压缩" "解压目录" || exit 1

# 203: a large product, many files, so that extraction and copy take a while.
p="$work/product-203"
mkdir -p "$p/数据"
cp "$sample" "$p/SampleProduct.exe"
head -c 5000000 /dev/urandom | (cd "$p/数据" && split -b 2000 -a 4 -d --additional-suffix=.dat - 块)
publish 203 "大软件" SampleProduct.exe "Orvane 大软件" || exit 1

# 204: published broken first (the packed data damaged before the studio
# stamped it, so a signed build lets it through to the extraction).
p="$work/product-204"
mkdir -p "$p"
cp "$sample" "$p/SampleProduct.exe"
head -c 400000 /dev/urandom > "$p/资料.bin"
(cd "$p" && 7zz a -bso0 -bsp0 -mx1 "$work/204-broken.7z" .) || exit 1
printf 'damaged%.0s' $(seq 1 2000) | dd of="$work/204-broken.7z" bs=1 seek=5000 conv=notrunc status=none
stamp_package "$work/204-broken.7z" --id 204 --name "修复软件" --file-name SampleProduct.exe \
  --version 1.2.0 --date 2026-12-08 --description "Orvane 修复软件" >/dev/null || exit 1
publish 204 "修复软件" SampleProduct.exe "Orvane 修复软件" || exit 1
cp "$work/204-broken.7z" "$site/dowfile/204.rar"

publish_library "$site/dowfile/7-zip32.dll"
printf '2026-12-08|201|路线软件_1.2.0@2026-12-08|202|解压包_1.2.0@2026-12-08|203|大软件_1.2.0@2026-12-08|204|修复软件_1.2.0' \
  > "$work/feed.txt"
"$scramble" encode --feed -i "$work/feed.txt" -o "$site/cu.txt" || exit 1

start_server "$site" "$work/server.log" "$work/server.out" || { echo "server did not start"; exit 1; }

# --- helpers ----------------------------------------------------------------
# app FOLDER [nolib]: a wizard folder, with the archive library unless nolib.
app() {
  mkdir -p "$1"
  cp "$build/OrvaneSetup.exe" "$1/"
  [ "${2:-}" = nolib ] || publish_library "$1"
}
# sums FOLDER: one "checksum  path" line per file below FOLDER, sorted.
sums() { (cd "$1" 2>/dev/null && find . -type f -print0 | xargs -0 -r sha1sum | LC_ALL=C sort); }
# same_files PRODUCT FOLDER: every file of PRODUCT is in FOLDER, same bytes.
same_files() {
  local missing
  missing=$(LC_ALL=C comm -23 <(sums "$1") <(sums "$2"))
  [ -z "$missing" ] || { echo "   differs or missing in $2:"; head -5 <<<"$missing"; return 1; }
}
# label_until PREFIX [STOP-FILE]: waits until the status line of the wizard
# $pid begins with PREFIX (up to a minute; not once STOP-FILE exists or the
# wizard has ended) and prints it.
label_until() {
  local text
  for _ in $(seq 1 300); do
    [ -n "${2:-}" ] && [ -e "$2" ] && return 1
    kill -0 "$pid" 2>/dev/null || return 1
    text=$(driver --timeout 2000 get 1000 2>/dev/null | iconv -f GBK -t UTF-8 | tr -d '\r')
    case "$text" in "$1"*) echo "$text"; return 0 ;; esac
  done
  return 1
}
# close_wizard: WM_CLOSE to the wizard's windows, as the close box sends it
# (Wine's taskkill without /f posts it); Cancel is disabled while the
# install step works.
close_wizard() { orvane_wine taskkill /im OrvaneSetup.exe >/dev/null 2>&1; }
no_product_running() { ! pgrep -f "$1" >/dev/null; }

# --- the roads ----------------------------------------------------------------
# start_wizard FOLDER ARG: starts the wizard of FOLDER; its pid in $pid.
start_wizard() {
  orvane_wine "$1/OrvaneSetup.exe" "$2" &
  pid=$!
}
# loaded FOLDER ID: waits until the package ID has been fetched into FOLDER
# and the welcome page shows it. (Before the package is loaded the window
# already shows the welcome page's buttons.)
loaded() {
  wait_for_file "$1/$2.7z" && driver --timeout 30000 ready 1009 >/dev/null
}
# to_install TARGET: from the welcome page through the folder page to the
# install step.
to_install() {
  driver --timeout 30000 click 1009 ready 1004 set 1006 "$1" click 1009 >/dev/null
}
# finish_plain: on the finish page, both boxes cleared, then Next.
finish_plain() {
  driver --timeout 60000 text 1009 "完成" ready 1009 click 1002 click 1003 click 1009 closed >/dev/null
}
# install_package FOLDER ID TARGET [ARG]: the wizard of FOLDER (command line
# ARG, default "yfID") installs product ID into C:\OrvaneRoads\TARGET with
# both finish boxes cleared; $drove is 0 when it was driven to its end,
# $code its exit code.
install_package() {
  start_wizard "$1" "${4:-yf$2}"
  drove=1
  loaded "$1" "$2" && to_install "$roads_win\\$3" && finish_plain && drove=0
  wait_exit "$pid"
  code=$?
}
install_201() { install_package "$1" 201 "$2" yf201,1.0; }

# wait_file FILE: up to ten seconds for FILE to appear.
wait_file() {
  for _ in $(seq 1 100); do
    [ -f "$1" ] && return 0
    sleep 0.1
  done
  return 1
}
# box_has BOX TEXT...: the box's caption/text lines hold every TEXT.
box_has() {
  local box=$1 t
  shift
  for t in "$@"; do
    grep -qF -- "$t" <<<"$box" || { echo "   not in the box: $t"; return 1; }
  done
}
# moved_not_lost PRODUCT TARGET WORK: each file of PRODUCT lies, whole, in
# exactly one of TARGET and WORK (whose marker file is the wizard's, not the
# product's); prints how many reached TARGET.
work_marker='~orvane-setup-work.tag'
moved_not_lost() {
  if ! cmp -s <(sums "$1") <(LC_ALL=C sort <(sums "$2") <(sums "$3" | grep -vF "./$work_marker")); then
    echo "   files lost, broken or doubled between $2 and $3" >&2
    return 1
  fi
  sums "$2" | wc -l
}
files_in() { find "$1" -type f 2>/dev/null | wc -l; }
no_lnk() { ! ls "$desktop"/*.lnk >/dev/null 2>&1; }

# --- 1 and 2. the normal road, both boxes cleared; the post-install batch --------
a="$work/app-normal"
t="$roads/Normal"
app "$a"
rm -f "$desktop"/*.lnk
install_201 "$a" Normal
wait_file "$t/bang-ran.txt"
ok=0
[ "$drove" = 0 ] || { echo "   the wizard was not driven to its end"; ok=1; }
[ "$code" = 0 ] || { echo "   exit code $code"; ok=1; }
same_files "$work/product-201" "$t" || ok=1
no_lnk || { echo "   a desktop shortcut was made"; ok=1; }
{ [ ! -f "$t/started.txt" ] && no_product_running 'OrvaneRoads\\Normal\\SampleProduct'; } ||
  { echo "   the product was started"; ok=1; }
verdict $ok "normal road, both boxes cleared: files in place, no shortcut, product not started, exit code 0"
ok=0
[ -f "$t/bang-ran.txt" ] || { echo "   !绿化.bat did not run"; ok=1; }
[ ! -f "$t/plain-ran.txt" ] || { echo "   绿化.bat ran as well"; ok=1; }
verdict $ok "both batch files in the package: only !绿化.bat runs"

# --- 3. programs running from the target folder and from its neighbour -----------
t="$roads/Foo"
n="$roads/Foo2"
mkdir -p "$t" "$n"
# The wizard itself runs from the target folder: it must not end itself.
app "$t"
cp "$sample" "$t/Running.exe"
cp "$sample" "$n/Neighbour.exe"
orvane_wine "$t/Running.exe" --seconds 300 &
running=$!
orvane_wine "$n/Neighbour.exe" --seconds 300 &
neighbour=$!
wait_file "$t/started.txt" && wait_file "$n/started.txt"
rm -f "$t/started.txt"
start_wizard "$t" yf201,1.0
box=""
drove=1
if loaded "$t" 201 && to_install "$roads_win\\Foo"; then
  box=$(driver --timeout 30000 msgbox 1 | iconv -f GBK -t UTF-8)
  finish_plain && drove=0
fi
wait_exit "$pid"
code=$?
ok=0
box_has "$box" "caption: 请退出【应用或游戏】" 'C:\OrvaneRoads\Foo\Running.exe' || ok=1
grep -qF 'Foo2' <<<"$box" && { echo "   the neighbour was named"; ok=1; }
kill -0 "$running" 2>/dev/null && { echo "   the program in the target still runs"; ok=1; }
kill -0 "$neighbour" 2>/dev/null || { echo "   the neighbour was ended"; ok=1; }
[ "$drove" = 0 ] && [ "$code" = 0 ] || { echo "   the install did not complete (exit code $code)"; ok=1; }
same_files "$work/product-201" "$t" || ok=1
verdict $ok "a program in the target named and ended; the neighbour in Foo2 and the wizard itself go on"
orvane_wine taskkill /f /im Neighbour.exe >/dev/null 2>&1
wait "$running" "$neighbour" 2>/dev/null

# --- 4. closing during the copy and during the extraction --------------------------
a="$work/app-close-copy"
app "$a"
start_wizard "$a" yf203,1.0
label=""
asked=""
loaded "$a" 203 && to_install "$roads_win\\Copy" && label=$(label_until "复制：") && close_wizard &&
  asked=$(driver --timeout 2000 msgbox 2>/dev/null | iconv -f GBK -t UTF-8)
wait_exit "$pid"
code=$?
ok=0
[ -z "$asked" ] || { echo "   a box during the copy: $asked"; ok=1; }
[ -n "$label" ] || { echo "   the copy was not seen"; ok=1; }
[ "$code" = 0 ] || { echo "   exit code $code"; ok=1; }
copied=$(moved_not_lost "$work/product-203" "$roads/Copy" "$a/temp") || ok=1
total=$(files_in "$work/product-203")
[ "${copied:-0}" -gt 0 ] && [ "${copied:-0}" -lt "$total" ] ||
  { echo "   $copied of $total files copied: the copy did not stop"; ok=1; }
verdict $ok "closing during the copy: no question, the copy stops after a file ($copied of $total moved, none lost), exit code 0"

a="$work/app-close-extract"
app "$a"
start_wizard "$a" yf203,1.0
box=""
asked=""
loaded "$a" 203 && to_install "$roads_win\\Extract" && label_until "解压：" >/dev/null && close_wizard &&
  box=$(driver --timeout 20000 msgbox 6 | iconv -f GBK -t UTF-8) &&
  asked=$(driver --timeout 2000 msgbox 2>/dev/null | iconv -f GBK -t UTF-8)
wait_exit "$pid"
code=$?
ok=0
[ -z "$asked" ] || { echo "   a box after the stop: $asked"; ok=1; }
box_has "$box" "caption: Orvane软件安装" "正在解压文件中，是否要强制停止解压？" || ok=1
[ "$code" = 0 ] || { echo "   exit code $code"; ok=1; }
[ "$(files_in "$roads/Extract")" = 0 ] || { echo "   files were installed"; ok=1; }
unpacked=$(($(files_in "$a/temp") - 1))
[ "$unpacked" -lt "$(files_in "$work/product-203")" ] || { echo "   the extraction went on to its end"; ok=1; }
verdict $ok "closing during the extraction, Yes: the extraction stops ($unpacked files unpacked), nothing installed, the program ends, exit code 0"

a="$work/app-close-extract-no"
app "$a"
start_wizard "$a" yf203,1.0
box=""
drove=1
shot_label=""
# The close goes in first: a screenshot takes longer than what is left of
# the extraction. The install goes on after No, so the shot still sees it.
if loaded "$a" 203 && to_install "$roads_win\\ExtractNo" && label_until "解压：" >/dev/null; then
  close_wizard
  box=$(driver --timeout 20000 msgbox 7 | iconv -f GBK -t UTF-8)
  driver shot "Z:$shots/installing.png" >/dev/null
  shot_label=$(driver get 1000 | iconv -f GBK -t UTF-8)
  finish_plain && drove=0
fi
wait_exit "$pid"
code=$?
ok=0
box_has "$box" "正在解压文件中，是否要强制停止解压？" || ok=1
[ "$drove" = 0 ] && [ "$code" = 0 ] || { echo "   the install did not complete (exit code $code)"; ok=1; }
same_files "$work/product-203" "$roads/ExtractNo" || ok=1
verdict $ok "closing during the extraction, No: the extraction and the install go on to the finish page"

# --- 5. extract-only mode -------------------------------------------------------------
a="$work/app-unpack"
app "$a"
start_wizard "$a" yf202,1.0
drove=1
controls=""
folder=""
if loaded "$a" 202 && driver --timeout 30000 click 1009 text 1009 "完成" ready 1009 >/dev/null; then
  controls=$(driver list)
  folder=$(driver get 1006 | iconv -f GBK -t UTF-8 | tr -d '\r')
  driver shot "Z:$shots/unpack-finish.png" >/dev/null
  driver click 1009 closed >/dev/null && drove=0
fi
wait_exit "$pid"
code=$?
expected=$(orvane_wine winepath -w "$a" 2>/dev/null | tr -d '\r')'\解压目录\'
ok=0
[ "$drove" = 0 ] && [ "$code" = 0 ] || { echo "   not closed by Next (exit code $code)"; ok=1; }
[ "$folder" = "$expected" ] || { echo "   folder $folder, expected $expected"; ok=1; }
grep -qP '^100[23]\tButton\t1' <<<"$controls" && { echo "   the finish page shows its boxes"; ok=1; }
same_files "$work/product-202" "$a/解压目录" || ok=1
verdict $ok "extract-only: no folder page, files in the wizard's folder + description, no boxes, Next closes, exit code 0"

# --- 6. the archive library fetched; a broken package, Try Again ------------------
# The server now sends its files at a pace, so that the Downloading page
# stays long enough to be photographed (7.).
stop_server
start_server "$site" "$work/server-paced.log" "$work/server-paced.out" \
  --pace-bytes-per-second 250000 ||
  { echo "paced server did not start"; exit 1; }
a="$work/app-fetch"
app "$a" nolib
start_wizard "$a" yf204,1.0
box=""
drove=1
download_label=""
if driver --timeout 30000 ready 1007 >/dev/null &&
  label_until "下载【204.7z】中..完成:" "$a/204.7z" >/dev/null; then
  driver shot "Z:$shots/downloading.png" >/dev/null
  download_label=$(driver get 1000 | iconv -f GBK -t UTF-8)
fi
if loaded "$a" 204 && to_install "$roads_win\\Fetch"; then
  box=$(driver --timeout 60000 msgbox | iconv -f GBK -t UTF-8)
  # Mended on the site before the user asks again.
  cp "$work/204.7z" "$site/dowfile/204.rar"
  driver --timeout 5000 msgbox 10 >/dev/null &&
    driver --timeout 30000 ready 1009 >/dev/null && to_install "$roads_win\\Fetch" && finish_plain &&
    drove=0
fi
wait_exit "$pid"
code=$?
ok=0
box_has "$box" "caption: Pellumo" "解压文件时发生错误！！" || ok=1
[ "$drove" = 0 ] && [ "$code" = 0 ] || { echo "   the second try did not install (exit code $code)"; ok=1; }
cmp -s "$site/dowfile/7-zip32.dll" "$a/7-zip32.dll" || { echo "   the archive library was not fetched"; ok=1; }
same_files "$work/product-204" "$roads/Fetch" || ok=1
# The package, the library, then the package again.
fetched=$(grep -oE 'a=(204\.7z|7-zip32\.dll)&[^ ]* 200' "$work/server-paced.log" | cut -d'&' -f1 | tr '\n' ' ')
[ "$fetched" = "a=204.7z a=7-zip32.dll a=204.7z " ] || { echo "   fetched: $fetched"; ok=1; }
verdict $ok "library fetched first; a broken package gives the Pellumo box, Try Again fetches it anew and installs"

# --- 7. screenshots of the Downloading and Installing pages ----------------------
ok=0
for s in downloading installing; do
  [ "$(head -c 4 "$shots/$s.png" 2>/dev/null | tail -c 3)" = PNG ] || { echo "   no $s.png"; ok=1; }
done
case "$download_label" in "下载【204.7z】中..完成:"*) ;; *) echo "   downloading shot: $download_label"; ok=1 ;; esac
case "$shot_label" in "解压："* | "复制："*) ;; *) echo "   installing shot: $shot_label"; ok=1 ;; esac
verdict $ok "screenshots of the Downloading and the Installing pages while they work, in $shots"

# --- 8. a user's own "temp" beside the wizard --------------------------------------
a="$work/app-users-temp"
app "$a"
mkdir -p "$a/temp/照片/2026" "$a/temp/空文件夹"
printf 'my notes\r\n' > "$a/temp/notes.txt"
head -c 30000 /dev/urandom > "$a/temp/照片/2026/海边.jpg"
printf "not the wizard's" > "$a/temp/$work_marker"
before=$(sums "$a/temp")
install_201 "$a" UsersTemp
ok=0
[ "$drove" = 0 ] && [ "$code" = 0 ] || { echo "   the install did not complete (exit code $code)"; ok=1; }
same_files "$work/product-201" "$roads/UsersTemp" || ok=1
[ "$(sums "$a/temp")" = "$before" ] && [ -d "$a/temp/空文件夹" ] ||
  { echo "   the user's temp was changed"; ok=1; }
[ ! -e "$a/temp.orvane" ] || { echo "   the wizard's own work folder was left behind"; ok=1; }
[ ! -e "$roads/UsersTemp/notes.txt" ] || { echo "   the user's files were installed"; ok=1; }
verdict $ok "a user's own temp beside the wizard: the install completes and every one of its files stays, byte for byte"

# --- 9. leftovers of the run closed during the extraction --------------------------
a="$work/app-close-extract"
left=$(files_in "$a/temp")
printf 'stale\r\n' > "$a/temp/stale-from-the-stopped-run.txt"
install_201 "$a" Second
ok=0
[ "$left" -gt 1 ] || { echo "   the stopped run left no work folder to clear ($left files)"; ok=1; }
[ "$drove" = 0 ] && [ "$code" = 0 ] || { echo "   the install did not complete (exit code $code)"; ok=1; }
same_files "$work/product-201" "$roads/Second" || ok=1
[ ! -e "$roads/Second/stale-from-the-stopped-run.txt" ] && [ ! -e "$roads/Second/数据" ] ||
  { echo "   files of the stopped run reached the target"; ok=1; }
[ ! -e "$a/temp" ] || { echo "   the work folder was left behind"; ok=1; }
verdict $ok "a second run after one closed during the extraction: its $left leftover files are cleared, none reaches the target"

# --- 10 and 11. signed packages and library (a signed build only) ------------------
# flip FILE OFFSET: one byte of FILE changed in place (OFFSET < 0: from the end).
flip() {
  local at=$2 byte
  [ "$at" -lt 0 ] && at=$(($(stat -c %s "$1") + at))
  byte=$(od -An -tu1 -j "$at" -N1 "$1" | tr -d ' ')
  printf "\\x$(printf %02x $((byte ^ 1)))" | dd of="$1" bs=1 seek="$at" conv=notrunc status=none
}
check_box=("caption: 软件安装" "文件校验失败" "可能已被改动，或在下载中损坏")
# refused FOLDER ID: the wizard of FOLDER fetches product ID, refuses it with
# the check box and deletes it; no work folder is made.
refused() {
  start_wizard "$1" "yf$2"
  box=$(driver --timeout 30000 msgbox 1 | iconv -f GBK -t UTF-8)
  wait_exit "$pid"
  code=$?
  box_has "$box" "${check_box[@]}" "$2.7z" || return 1
  [ "$code" = 0 ] || { echo "   exit code $code"; return 1; }
  [ ! -e "$1/$2.7z" ] || { echo "   the refused $2.7z was kept"; return 1; }
  [ ! -e "$1/temp" ] || { echo "   a work folder was made for $2"; return 1; }
}
if [ -n "$signing_key" ]; then
  stop_server
  start_server "$site" "$work/server-signed.log" "$work/server-signed.out" ||
    { echo "server did not start"; exit 1; }
  # 211-213: 201 with one byte changed; 214 unsigned; 215 another key's.
  for v in 211:1000 212:-150 213:-20; do
    cp "$work/201.7z" "$site/dowfile/${v%%:*}.rar"
    flip "$site/dowfile/${v%%:*}.rar" "${v##*:}"
  done
  size=$(stat -c %s "$work/201.7z")
  head -c $((size - 136)) "$work/201.7z" > "$site/dowfile/214.rar"
  (cd "$work/product-201" && 7zz a -bso0 -bsp0 -mx1 "$work/215.7z" .) &&
    "$stamp" write "$work/215.7z" --id 215 --name "路线软件" --file-name SampleProduct.exe \
      --version 1.2.0 --date 2026-12-08 --description "Orvane 路线软件" \
      --sign-key "$root/tests/keys/other-signing-key.pem" >/dev/null &&
    cp "$work/215.7z" "$site/dowfile/215.rar" || exit 1
  a="$work/app-signed"
  app "$a"
  ok=0
  for id in 211 212 213 214 215; do refused "$a" "$id" || { echo "   ($id)"; ok=1; }; done
  # One the user named himself is refused the same way, but kept.
  cp "$site/dowfile/211.rar" "$a/mine.7z"
  start_wizard "$a" "Z:$(tr / '\\' <<<"$a/mine.7z")"
  box=$(driver --timeout 30000 msgbox 1 | iconv -f GBK -t UTF-8)
  wait_exit "$pid"
  box_has "$box" "${check_box[@]}" "mine.7z" || ok=1
  cmp -s "$site/dowfile/211.rar" "$a/mine.7z" || { echo "   the user's own package was not kept"; ok=1; }
  ub="$work/app-unsigned"
  app "$ub"
  cp "$build/OrvaneSetup-unsigned.exe" "$ub/OrvaneSetup.exe"
  for id in 214 215; do
    install_package "$ub" "$id" "Unsigned$id"
    [ "$drove" = 0 ] && [ "$code" = 0 ] || { echo "   the unsigned build did not install $id"; ok=1; }
    same_files "$work/product-201" "$roads/Unsigned$id" || ok=1
  done
  verdict $ok "a package changed in its archive, block or signature line, unsigned, or of another key: refused with the box, deleted (the user's own kept), nothing extracted; the unsigned build installs the last two"

  a="$work/app-changed-library"
  app "$a"
  flip "$a/7-zip32.dll" 5000
  install_201 "$a" LibraryAgain
  ok=0
  [ "$drove" = 0 ] && [ "$code" = 0 ] || { echo "   the install did not complete (exit code $code)"; ok=1; }
  cmp -s "$site/dowfile/7-zip32.dll" "$a/7-zip32.dll" || { echo "   the library was not fetched again"; ok=1; }
  grep -q 'a=7-zip32\.dll&' "$work/server-signed.log" || { echo "   no request for the library"; ok=1; }
  same_files "$work/product-201" "$roads/LibraryAgain" || ok=1

  cp "$site/dowfile/7-zip32.dll" "$work/7-zip32.dll.good"
  flip "$site/dowfile/7-zip32.dll" 5000
  a="$work/app-bad-library"
  app "$a" nolib
  start_wizard "$a" yf201
  box=""
  loaded "$a" 201 && to_install "$roads_win\\BadLibrary" &&
    box=$(driver --timeout 30000 msgbox 1 | iconv -f GBK -t UTF-8)
  wait_exit "$pid"
  code=$?
  cp "$work/7-zip32.dll.good" "$site/dowfile/7-zip32.dll"
  box_has "$box" "${check_box[@]}" "7-zip32.dll" || ok=1
  [ "$code" = 0 ] || { echo "   exit code $code"; ok=1; }
  [ ! -e "$a/7-zip32.dll" ] || { echo "   the changed library was kept"; ok=1; }
  [ "$(files_in "$roads/BadLibrary")" = 0 ] &&
    [ "$(find "$a/temp" -type f ! -name "$work_marker" 2>/dev/null | wc -l)" = 0 ] ||
    { echo "   files were extracted"; ok=1; }
  verdict $ok "a changed library beside the wizard is fetched again and the install completes; a changed one from the site is refused with the box and never used"
fi

summary "install roads"
