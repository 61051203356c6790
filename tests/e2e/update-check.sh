#!/usr/bin/env bash
# End to end: the update check of the start-up decision and of the wizard,
# against the studio's update server, on the site the demo published
# (product 123, version 1.2.0). Run after scripts/demo.sh.
#   zf123,1.2.0   current: the program ends with no window, exit code 0
#   zf123,1.0     newer listed: the question "发现软件有更新"; No ends it
#   yf123,1.2.0   inside the wizard: the up-to-date page, Cancel reads "完成"
#   zf123,1.0     answered Yes: the wizard opens
#   a package file without its block: the re-download question; Yes
#                 fetches it again and the welcome page follows
#   a parameter list with too few fields: the data-error box, then the end
#   a ".qgi" game package: its title on the welcome page
#   a package named in traditional characters, missing: fetched under its
#                 own name, by the server's mapping of the name on the
#                 first attempt and by the wizard's own on the second
#   yf123,1.0 closed during a slow feed check, Yes: no further host is
#                 asked, nothing downloaded, the program ends, no box
#   zf123,1.0 with every host down: the error boxes, then no window
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/e2e-lib.sh"
demo="$build/demo"
[ -f "$demo/site/cu.txt" ] || { echo "run scripts/demo.sh first"; exit 1; }

e2e_begin

setup_exe="$demo/app/OrvaneSetup.exe"

start_server "$demo/site" "$demo/check-server.log" "$demo/check-server.out" ||
  { echo "server did not start"; exit 1; }

# Current caller: no window at all.
orvane_wine "$setup_exe" zf123,1.2.0 &
pid=$!
ok=0
driver --timeout 3000 wait >/dev/null 2>&1 && ok=1
wait_exit "$pid"
code=$?
[ "$ok" = 0 ] && [ "$code" = 0 ]
verdict $? "zf123,1.2.0: current, no window, exit code 0"

# Newer version listed: the question, answered No.
orvane_wine "$setup_exe" zf123,1.0 &
pid=$!
box=$(driver --timeout 20000 msgbox 7 | iconv -f GBK -t UTF-8)
wait_exit "$pid"
code=$?
echo "$box" | grep -q '^caption: 发现软件有更新' && echo "$box" | grep -q '示例软件' && [ "$code" = 0 ]
verdict $? "zf123,1.0: the update question names the product; No ends with exit code 0"

# The question answered Yes: the wizard opens.
orvane_wine "$setup_exe" zf123,1.0 &
pid=$!
driver --timeout 20000 msgbox 6 >/dev/null
opened=1
# Opened, it loads the package; Cancel once the welcome page is up.
driver --timeout 30000 wait ready 1009 >/dev/null 2>&1 && opened=0
driver click 2 closed >/dev/null 2>&1
wait_exit "$pid"
code=$?
[ "$opened" = 0 ] && [ "$code" = 0 ]
verdict $? "zf123,1.0: Yes opens the wizard, exit code 0"

# A package without its block: asked, fetched again, welcome page.
broken="$demo/app/123.7z"
head -c 3000 /dev/zero | tr '\0' 'x' > "$broken"
orvane_wine "$setup_exe" "Z:$broken" &
pid=$!
box=$(driver --timeout 20000 msgbox 6 | iconv -f GBK -t UTF-8)
title=1
driver --timeout 30000 wait ready 1009 >/dev/null && title=0
driver click 2 closed >/dev/null 2>&1
wait_exit "$pid"
code=$?
echo "$box" | grep -q '安装包文件错误' && [ "$title" = 0 ] && cmp -s "$broken" "$demo/123.7z" &&
  [ "$code" = 0 ]
verdict $? "a package without its block: the question, Yes fetches it again, welcome page"
rm -f "$broken"

# A special-edition parameter list that lacks fields.
list=$(printf '测试游戏,测试游戏窗口,game.qgi' |
  "$tools/feed_scramble/orvane-scramble" encode --key 0123456789ABCDEF)
orvane_wine "$setup_exe" "$list" &
pid=$!
box=$(driver --timeout 20000 msgbox 1 | iconv -f GBK -t UTF-8)
wait_exit "$pid"
code=$?
echo "$box" | grep -q '数据出错' && [ "$code" = 0 ]
verdict $? "a short parameter list: the data-error box, exit code 0"

# A game package named by its path: the game's title, extract-only mode.
game="$demo/app/测试游戏.qgi"
head -c 3000 /dev/zero > "$game"
orvane_wine "$setup_exe" "Z:$game" &
pid=$!
ready=1
driver --timeout 20000 wait ready 1009 >/dev/null 2>&1 && ready=0
driver shot "Z:$demo/shots/game-package.png" >/dev/null 2>&1
driver click 2 closed >/dev/null 2>&1
wait_exit "$pid"
code=$?
[ "$ready" = 0 ] && [ "$code" = 0 ]
verdict $? "a .qgi path: the welcome page of the game package, exit code 0"
rm -f "$game"

# Inside the wizard: up to date.
orvane_wine "$setup_exe" yf123,1.2.0 &
pid=$!
caption=$(driver --timeout 20000 wait text 2 "完成" get 2 | iconv -f GBK -t UTF-8 | tr -d "\r")
driver shot "Z:$demo/shots/up-to-date.png" >/dev/null
driver click 2 closed >/dev/null
wait_exit "$pid"
code=$?
[ "$caption" = "完成" ] && [ "$code" = 0 ]
verdict $? "yf123,1.2.0: the up-to-date page, Cancel reads 完成, exit code 0"

# A missing package named in traditional characters: 盤 is B1 50 in GBK,
# its trail byte a "P" that must not become a "p". A first host that
# refuses the check value sends the wizard on to its second attempt.
name=盤古遊戲
cp "$demo/123.7z" "$demo/site/dowfile/$name.rar"
for road in first second; do
  stop_server
  refuse=()
  [ "$road" = second ] && refuse=(--check-key $(((check_key + 1) % 64)))
  start_server "$demo/site" "$demo/name-server.log" "$demo/name-server.out" "${refuse[@]}" ||
    { verdict 1 "the server did not start"; continue; }
  rm -f "$demo/app/$name.7z"
  # A bare name (a longer command line would be read as a parameter list).
  orvane_wine "$setup_exe" "$name.7z" &
  pid=$!
  # Next is up before the package is read: wait for the file first.
  ready=1
  wait_for_file "$demo/app/$name.7z" && driver --timeout 30000 ready 1009 >/dev/null 2>&1 &&
    ready=0
  driver click 2 closed >/dev/null 2>&1
  wait_exit "$pid"
  code=$?
  same=no
  cmp -s "$demo/123.7z" "$demo/app/$name.7z" && same=yes
  [ "$ready" = 0 ] && [ "$same" = yes ] && [ "$code" = 0 ]
  verdict $? "a package named $name: fetched under its own name on the $road attempt (welcome page $([ "$ready" = 0 ] && echo shown || echo missing), file $same, exit code $code)"
  rm -f "$demo/app/$name.7z"
done
rm -f "$demo/site/dowfile/$name.rar"

# Closing the wizard while its feed check waits on a slow first host,
# answered Yes: the program ends at once, asks no other host, fetches no
# package and shows no box.
stop_server
rm -f "$demo/stop-server.log"
start_server "$demo/site" "$demo/stop-server.log" "$demo/stop-server.out" \
  --pace-bytes-per-second 20 || verdict 1 "the paced server did not start"
first_host=$(e2e_hosts | head -n 1)
orvane_wine "$setup_exe" yf123,1.0 &
pid=$!
asking=1
driver --timeout 20000 wait >/dev/null 2>&1 && wait_for_connection "$first_host" && asking=0
driver click 2 >/dev/null 2>&1
box=$(driver --timeout 10000 msgbox 6 | iconv -f GBK -t UTF-8)
answered=$(date +%s)
wait_exit "$pid"
code=$?
took=$(($(date +%s) - answered))
others=$(grep -c -v " $first_host .*/cu.txt" "$demo/stop-server.log")
[ "$asking" = 0 ] && echo "$box" | grep -q '强制停止下载' && [ "$took" -le 5 ] &&
  [ "$others" = 0 ] && [ ! -e "$demo/app/123.7z" ] && [ "$code" = 0 ]
verdict $? "yf123,1.0 stopped during the feed check: ended after ${took}s, $others other requests, exit code $code"

# Every host down: one error box per host, then the program ends.
stop_server
orvane_wine "$setup_exe" zf123,1.0 &
pid=$!
boxes=0
while driver --timeout 15000 msgbox 1 >/dev/null 2>&1; do
  boxes=$((boxes + 1))
  [ "$boxes" -ge 5 ] && break
done
wait_exit "$pid"
code=$?
[ "$boxes" = 3 ] && [ "$code" = 0 ]
verdict $? "zf123,1.0 with the hosts down: $boxes error boxes (3 expected), exit code $code"

summary "update check"
