#!/usr/bin/env bash
# End to end: the QQ game hall road of the real program under Wine. A
# drive D: of the test holds a stand-in game hall at D:\Games\QQGame with
# its game installed in ABC\; the ".qgi" file type opens the stand-in
# updater, which shows its window "QQ游戏客户端更新" for two seconds; the
# studio's game package carries temp\Different\ (config.ini with
# [QgiMustHave] DestRootFolder=ABC and the changed files).
#   a scrambled parameter list, the package fetched from the studio's site,
#     the hall inside the companion manager window, the registry pointing
#     elsewhere: the game's own window gives the game-running box and is
#     closed, a look-alike of another program is passed over; a program
#     running from D:\Games\QQGame\ABC\ is named and stopped; the updater
#     wait; a file that cannot be replaced asks, Retry copies it; the
#     studio's files lie over the game byte for byte
#   a ".qgi" path, the hall as a top-level window, the registry elsewhere
#   a ".qgi" path, no hall window: the registry's GameDirectory
#   GameDirectory inside the hall's "\Hall." folder: MiniGamesDirectory
#   ... and MiniGamesDirectory empty: the "找不到QQ游戏大厅" box, Finish page
#   a package whose config.ini lacks DestRootFolder: the "找不到游戏配置"
#     box, Finish page
#   an updater that never shows a window: the wait runs out (10 s), the
#     copy is made
# Every run ends with exit code 0. Screenshots go to BUILD/e2e-qq/shots/;
# ORVANE_QQ_SCENARIOS="a c" runs only those.
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/e2e-lib.sh"

work="$build/e2e-qq"
drive="$work/d-drive"
hall="$drive/Games/QQGame"
game="$hall/ABC"
app="$work/app"
site="$work/site"
studio="$work/studio"
shots="$work/shots"
record="$work/updater-record.txt"
standin="$build/tests/win/qqgame/qq-stand-in.exe"
for f in "$build/OrvaneSetup.exe" "$build/7-zip32.dll" "$build/ui-driver.exe" "$standin"; do
  [ -f "$f" ] || { echo "missing $f: build the Windows targets first"; exit 1; }
done

# A path of this machine as the Wine programs see it.
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
utf8() { iconv -f GBK -t UTF-8 | tr -d '\r'; }

hall_key='HKLM\SOFTWARE\Tencent\QQGame\SYS'
qgi_progid='OrvaneE2E.qgi'
reg() { orvane_wine reg "$@" >/dev/null 2>&1; }

old_d=""
e2e_cleanup() {
  reg delete "$hall_key" /reg:32 /f
  reg delete 'HKLM\Software\Classes\.qgi' /f
  reg delete "HKLM\\Software\\Classes\\$qgi_progid" /f
  rm -f "$WINEPREFIX/dosdevices/d:"
  [ -n "$old_d" ] && ln -s "$old_d" "$WINEPREFIX/dosdevices/d:"
}
# Stand-ins or wizards left from an earlier run would answer for this one:
# the session starts with none.
e2e_begin

rm -rf "$work"
mkdir -p "$hall" "$app" "$site/dowfile/pipei" "$studio" "$shots" "$drive/Packages"
# D: is this test's folder while it runs; an earlier mapping comes back.
old_d=$(readlink "$WINEPREFIX/dosdevices/d:" 2>/dev/null || true)
[ "$old_d" = "$drive" ] && old_d=""
ln -sfn "$drive" "$WINEPREFIX/dosdevices/d:"
cp "$standin" "$hall/QQGame.exe"
cp "$build/OrvaneSetup.exe" "$app/"
publish_library "$app"

# qgi_opens_with MODE...: the shell opens ".qgi" files with the stand-in
# (updater MS: its window for MS milliseconds; none: no window at all),
# which notes the file in the record.
qgi_opens_with() {
  local command="\"$(winpath "$standin")\" $* \"$(winpath "$record")\" \"%1\""
  reg add 'HKLM\Software\Classes\.qgi' /ve /t REG_SZ /d "$qgi_progid" /f
  reg add "HKLM\\Software\\Classes\\$qgi_progid\\shell\\open\\command" /ve /t REG_SZ \
    /d "$command" /f
}
qgi_opens_with updater 2000

# hall_registry GAMEDIR [MINIGAMESDIR]: the hall's values in the 32-bit view.
hall_registry() {
  reg delete "$hall_key" /reg:32 /f
  reg add "$hall_key" /v GameDirectory /t REG_SZ /d "$1" /reg:32 /f
  reg add "$hall_key" /v MiniGamesDirectory /t REG_SZ /d "${2:-}" /reg:32 /f
}

# The studio's game package: Different\ goes over the game, the rest stays
# in the work folder.
mkdir -p "$studio/full/Different/data" "$studio/noconfig/Different"
printf '[QgiMustHave]\r\nDestRootFolder=ABC\r\n[Other]\r\nName=x\r\n' > "$studio/full/Different/config.ini"
head -c 70000 /dev/urandom > "$studio/full/Different/game.dll"
head -c 5000 /dev/urandom > "$studio/full/Different/data/levels.dat"
printf 'Orvane 专用版\r\n' > "$studio/full/Different/说明.txt"
printf 'for the platform only\r\n' > "$studio/full/qgi-manifest.txt"
printf '[QgiMustHave]\r\nOther=ABC\r\n' > "$studio/noconfig/Different/config.ini"
head -c 70000 /dev/urandom > "$studio/noconfig/Different/game.dll"
pack() {
  local from=$1 out=$2
  rm -f "$out"
  # A game package carries no information block; a signed build wants
  # its signature trailer.
  (cd "$from" && 7zz a -bso0 -bsp0 "$out" .) && sign_file "$out"
}
pack "$studio/full" "$work/full.7z" && pack "$studio/noconfig" "$work/noconfig.7z" ||
  { echo "packing failed"; exit 1; }
# On the site under the name the wizard asks for on its later attempts.
cp "$work/full.7z" "$site/dowfile/pipei/qqgamee2e.jpg"
cp "$work/full.7z" "$drive/Packages/QQ特别版-2.qgi"
cp "$work/noconfig.7z" "$drive/Packages/QQ无配置-1.qgi"

# The installed game before each run: a file the package replaces, one it
# leaves alone.
reset_game() {
  rm -rf "$game" "$app/temp" "$app/qqgamee2e.qgi" "$hall/Hall.1"
  mkdir -p "$game"
  printf 'old game\r\n' > "$game/game.dll"
  printf 'kept\r\n' > "$game/keep.txt"
  : > "$record"
}
# The studio's files over the game byte for byte, the rest untouched.
installed_ok() {
  local f rel
  while IFS= read -r f; do
    rel=${f#"$studio/full/Different/"}
    cmp -s "$f" "$game/$rel" || { echo "   $rel differs or is missing"; return 1; }
  done < <(find "$studio/full/Different" -type f)
  cmp -s <(printf 'kept\r\n') "$game/keep.txt" || { echo "   keep.txt changed"; return 1; }
  [ ! -e "$game/qgi-manifest.txt" ] && [ ! -e "$hall/qgi-manifest.txt" ] ||
    { echo "   more than Different\\ was copied"; return 1; }
  [ ! -e "$app/temp" ] || { echo "   the work folder was left behind"; return 1; }
}
game_untouched() {
  cmp -s <(printf 'old game\r\n') "$game/game.dll" && [ ! -e "$game/config.ini" ]
}
# The updater was given this package.
updater_saw() { iconv -f GBK -t UTF-8 "$record" 2>/dev/null | grep -qiF "$1"; }
shot() { driver shot "Z:$shots/$1.png" >/dev/null 2>&1 || echo "   (no screenshot $1)"; }

# scenario X: true when X is to run (ORVANE_QQ_SCENARIOS, default all).
scenario() { [[ " ${ORVANE_QQ_SCENARIOS:-a b c d e f g} " == *" $1 "* ]]; }
# What the wizard showed when a scenario failed.
diagnose() {
  shot "$1-failed"
  driver --timeout 1000 list 2>&1 | utf8 > "$work/$1-failed.txt"
}

# start_stand_in EXE MODE... TITLE: a stand-in from the D: drive, once
# its window is up; sets stand_in_pid.
stand_in_pid=""
start_stand_in() {
  local exe=$1 title=${*: -1}
  local args=("${@:2:$#-2}")
  orvane_wine "$exe" "${args[@]}" >/dev/null 2>&1 &
  stand_in_pid=$!
  orvane_wine "$standin" await "$title" 20000 || echo "   $exe ${args[*]}: no window $title"
}
# end_stand_in EXENAME PID: ends the stand-in running under that file name
# (PID is the shell's job that started it, not the program itself).
end_stand_in() {
  orvane_wine taskkill /f /im "$1" >/dev/null 2>&1
  wait "$2" 2>/dev/null
}

# start_wizard ARGS...: the wizard from the app folder; sets pid.
pid=""
start_wizard() {
  orvane_wine "$app/OrvaneSetup.exe" "$@" &
  pid=$!
  problems=()
}
# welcome_next NAME: Next on the welcome page once the package is read.
# The page is up before the wizard reads its command line (50 ms later,
# with no sign outside the painting): the screenshot, a driver run of its
# own, comes well after that.
welcome_next() {
  driver --timeout 30000 ready 1009 >/dev/null || problems+=("no welcome page")
  shot "$1-welcome"
  driver click 1009 >/dev/null
}
# run_to_finish NAME: from the welcome page through the install to the
# Finish page.
run_to_finish() {
  welcome_next "$1"
  driver --timeout 60000 text 1009 "完成" ready 1009 >/dev/null || problems+=("no Finish page")
  shot "$1-finished"
}
# close_wizard NAME: Next on the Finish page closes the wizard; its exit
# code must be 0. A wizard that is not on the Finish page is shown in
# NAME-failed.png and NAME-failed.txt.
close_wizard() {
  local code
  driver --timeout 2000 text 1009 "完成" >/dev/null 2>&1 || diagnose "$1"
  driver click 1009 closed >/dev/null
  wait_exit "$pid"
  code=$?
  [ "$code" = 0 ] || problems+=("exit code $code")
}
# report STATUS TEXT: the verdict, with the problems found.
report() {
  local text=$1
  [ ${#problems[@]} = 0 ] || text+=" (${problems[*]})"
  [ ${#problems[@]} = 0 ]
  verdict $? "$text"
}
# wait_gone PID: true once that program has ended (10 s at most).
wait_gone() {
  for _ in $(seq 1 100); do
    kill -0 "$1" 2>/dev/null || return 0
    sleep 0.1
  done
  return 1
}

scenario_a() {
  reset_game
  # A folder where the package has a file: the copy asks.
  mkdir -p "$game/data/levels.dat"
  printf 'in the way\r\n' > "$game/data/levels.dat/blocker.txt"
  cp "$standin" "$game/spgame.exe"
  cp "$standin" "$game/helper.exe"
  hall_registry 'D:\Elsewhere\QQGame'
  start_stand_in 'D:\Games\QQGame\QQGame.exe' manager RRR 'Orvane_QQ游戏管理器'
  local manager_pid=$stand_in_pid
  # Another program whose window bears the game's title, then the game.
  start_stand_in 'D:\Games\QQGame\ABC\helper.exe' idle OrvaneStandInGame
  local helper_pid=$stand_in_pid
  start_stand_in 'D:\Games\QQGame\ABC\spgame.exe' idle OrvaneStandInGame
  local game_pid=$stand_in_pid
  local list box folder
  list=$(printf '特别版游戏,OrvaneStandInGame,unused,SPGAME.exe,qqgamee2e.qgi,0' |
    "$tools/feed_scramble/orvane-scramble" encode --key 0123456789ABCDEF)
  start_wizard "$list"
  welcome_next a-1
  box=$(driver --timeout 30000 msgbox | utf8)
  shot a-2-game-running
  driver msgbox 1 >/dev/null
  echo "$box" | grep -q '^caption: ！！！发现游戏还开着！！！' &&
    echo "$box" | grep -q 'OrvaneStandInGame' || problems+=("no game-running box")
  # The game was asked to close and does; the look-alike stays.
  wait_gone "$game_pid" || problems+=("the game was not closed")
  kill -0 "$helper_pid" 2>/dev/null || problems+=("the look-alike was closed")
  # Next again: the package is fetched and unpacked, and the program
  # running from the game's folder is named and stopped.
  driver --timeout 30000 ready 1009 click 1009 >/dev/null
  box=$(driver --timeout 60000 msgbox | utf8)
  shot a-3-stopping-programs
  driver msgbox 1 >/dev/null
  echo "$box" | grep -q '^caption: 请退出【应用或游戏】' &&
    echo "$box" | grep -qiF 'D:\Games\QQGame\ABC\helper.exe' || problems+=("no box naming helper.exe")
  wait_gone "$helper_pid" || problems+=("helper.exe was not stopped")
  driver --timeout 30000 text 1000 "更新QQ游戏中..........." >/dev/null ||
    problems+=("no updater wait")
  shot a-4-updater-wait
  # The copy meets the folder; once it is gone, Retry.
  box=$(driver --timeout 30000 msgbox | utf8)
  shot a-5-copying
  echo "$box" | grep -q '^caption: 复制文件时出错' || problems+=("no copy question")
  rm -rf "$game/data/levels.dat"
  driver msgbox 4 >/dev/null
  driver --timeout 30000 text 1009 "完成" ready 1009 >/dev/null || problems+=("no Finish page")
  shot a-6-finished
  folder=$(driver get 1006 | utf8)
  close_wizard a
  end_stand_in QQGame.exe "$manager_pid"
  end_stand_in helper.exe "$helper_pid"
  end_stand_in spgame.exe "$game_pid"
  [ "$folder" = 'D:\Games\QQGame\' ] || problems+=("game folder $folder")
  installed_ok || problems+=("install incomplete")
  updater_saw 'qqgamee2e.qgi' || problems+=("the updater did not get the package")
  grep -q 'qqgamee2e' "$work/server.log" || problems+=("the package was not fetched")
  report "parameter list, hall in the companion window: game check, program stopped, updater, copy with Retry, exit code 0"
}

qgi='D:\Packages\QQ特别版-2.qgi'

scenario_b() {
  local folder hall_pid
  reset_game
  hall_registry 'D:\Elsewhere\QQGame'
  start_stand_in 'D:\Games\QQGame\QQGame.exe' hall 'QQ游戏'
  hall_pid=$stand_in_pid
  start_wizard "$qgi"
  run_to_finish b
  folder=$(driver get 1006 | utf8)
  close_wizard b
  end_stand_in QQGame.exe "$hall_pid"
  [ "$folder" = 'D:\Games\QQGame\' ] || problems+=("game folder $folder")
  installed_ok || problems+=("install incomplete")
  updater_saw 'QQ特别版-2.qgi' || problems+=("the updater did not get the package")
  report ".qgi path, top-level hall window: installed over the game, exit code 0"
}

scenario_c() {
  reset_game
  hall_registry 'D:\Games\QQGame'
  start_wizard "$qgi"
  run_to_finish c
  close_wizard c
  installed_ok || problems+=("install incomplete")
  report "no hall window: the registry's GameDirectory, exit code 0"
}

scenario_d() {
  reset_game
  hall_registry 'D:\Games\QQGame\Hall.1\' 'D:\Games\QQGame'
  start_wizard "$qgi"
  run_to_finish d
  close_wizard d
  installed_ok || problems+=("install incomplete")
  [ ! -e "$hall/Hall.1" ] || problems+=("installed below Hall.1")
  report "GameDirectory with \\Hall.: MiniGamesDirectory, exit code 0"
}

# box_to_finish NAME TEXT: the box with TEXT, then the Finish page; nothing
# installed, no updater started.
box_to_finish() {
  local name=$1 text=$2 box
  welcome_next "$name"
  box=$(driver --timeout 60000 msgbox | utf8)
  shot "$name-box"
  driver msgbox 1 >/dev/null
  echo "$box" | grep -q '^caption: $' && echo "$box" | grep -qF "$text" || problems+=("no box $text")
  driver --timeout 30000 text 1009 "完成" ready 1009 >/dev/null || problems+=("no Finish page")
  shot "$name-finish"
  close_wizard "$name"
  game_untouched || problems+=("the game was changed")
  [ -s "$record" ] && problems+=("the updater was started")
  [ ! -e "$app/temp" ] || problems+=("the work folder was left behind")
}

scenario_e() {
  reset_game
  hall_registry 'D:\Games\QQGame\Hall.1\' ''
  start_wizard "$qgi"
  box_to_finish e-no-hall '！！！找不到QQ游戏大厅！！！'
  report "GameDirectory with \\Hall., MiniGamesDirectory empty: the 找不到QQ游戏大厅 box, Finish, exit code 0"
}

scenario_f() {
  reset_game
  hall_registry 'D:\Games\QQGame'
  start_wizard 'D:\Packages\QQ无配置-1.qgi'
  box_to_finish f-no-config '！！！找不到游戏配置！！！'
  report "config.ini without DestRootFolder: the 找不到游戏配置 box, Finish, exit code 0"
}

scenario_g() {
  reset_game
  hall_registry 'D:\Games\QQGame'
  qgi_opens_with none
  start_wizard "$qgi"
  welcome_next g
  driver --timeout 30000 text 1000 "启动QQ游戏更新程序..........." >/dev/null ||
    problems+=("no wait for the updater")
  shot g-waiting-for-the-updater
  driver --timeout 60000 text 1009 "完成" ready 1009 >/dev/null || problems+=("no Finish page")
  shot g-finished
  close_wizard g
  qgi_opens_with updater 2000
  installed_ok || problems+=("install incomplete")
  updater_saw 'QQ特别版-2.qgi' || problems+=("the package was not opened")
  report "an updater that never shows its window: the wait runs out, the copy is made, exit code 0"
}

start_server "$site" "$work/server.log" "$work/server.out" || { echo "server did not start"; exit 1; }
for s in a b c d e f g; do
  scenario "$s" && "scenario_$s"
done
summary "qq game"
