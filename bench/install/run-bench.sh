#!/usr/bin/env bash
# The install engine's two benchmarks, each against a peer measured in the
# same run:
#
#  1. Moving a tree of 2000 files, 300 MiB (mixed sizes, random bytes) with
#     the wizard's CopyFolderTree under Wine (install_copy_bench) against
#     `cp -r` + `rm -r` natively, the same net effect. The program also
#     reports the copy's own time, and a run on an empty tree gives Wine's
#     start-up, so the ratio is printed with and without it.
#  2. The whole install of a 200 MiB package published on the studio's
#     update server: the real wizard from "yf123,1.0" through the download,
#     the welcome and folder pages, extraction and copy, to the finish page
#     with both boxes cleared, timed from its start to its exit, against
#     `curl` (the same file from the same server) + `7zz x` + `cp -r` run
#     back to back.
#
# Both results are checked byte for byte, so a failure is never timed.
#
#   bench/install/run-bench.sh
#
# The Windows build is build/<preset> (windows, or windows64 where 32-bit
# programs cannot run) or ORVANE_E2E_BUILD; the studio's tools are
# build/native/tools or ORVANE_E2E_TOOLS. Default folders are configured and
# built as needed; overridden ones are only built in (the Windows build) or
# used as they are (the tools). ORVANE_BENCH_DATA is the folder for the data
# sets (default build/bench-install-data; on the same file system as the
# build, removed at the end); ORVANE_BENCH_ROUNDS the runs of each side
# (default 3, the median is taken). Not part of the test run: the timings
# depend on the machine's load.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$root"
. "$root/scripts/wine-session.sh"
preset=$(wine_runnable_preset)
rounds=${ORVANE_BENCH_ROUNDS:-3}
copy_files=2000
copy_mib=300
package_mib=200

fail() {
  echo "BENCH FAILED: $*" >&2
  exit 1
}

echo "== building"
if [ -z "${ORVANE_E2E_TOOLS:-}" ]; then
  cmake --preset native >/dev/null
  cmake --build --preset native -j2 --target orvane-update-server orvane-stamp orvane-scramble >/dev/null
fi
if [ -z "${ORVANE_E2E_BUILD:-}" ]; then
  cmake --preset "$preset" >/dev/null
  export ORVANE_E2E_BUILD=$root/build/$preset
fi
build=$(cd "$ORVANE_E2E_BUILD" && pwd)
twin=()
grep -q '^ORVANE_PACKAGE_PUBLIC_KEYS:STRING=.' "$build/CMakeCache.txt" && twin=(orvane_setup_unsigned)
cmake --build "$build" -j2 --target orvane_setup "${twin[@]}" sevenzip_dll ui_driver sample_product \
  install_copy_bench >/dev/null || fail "the build failed"
copy_cli=$build/bench/install/install_copy_bench.exe

# The shared end-to-end pieces: hosts and check key read from the build,
# the server, the driver.
. "$root/tests/e2e/e2e-lib.sh"

data=${ORVANE_BENCH_DATA:-$root/build/bench-install-data}
rm -rf "$data"
mkdir -p "$data"
data=$(cd "$data" && pwd)
wizard_pid=""
watch_pid=""
cleanup() {
  set +e
  stop_server
  [ -n "$wizard_pid" ] && kill "$wizard_pid" 2>/dev/null
  [ -n "$watch_pid" ] && kill "$watch_pid" 2>/dev/null
  [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null
  wine_session_end
  rm -rf "$data"
}
trap cleanup EXIT

winpath() { printf 'Z:%s' "${1//\//\\}"; }
now() { date +%s.%N; }
seconds_since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }'; }
median() { sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

# make_tree DIR FILES MIB: FILES files of random bytes, MIB MiB in all, in
# twenty folders (a third of them one level deeper) and the top. Every
# 200th file is a large one; together they hold a third of the bytes; the
# others share the rest spread from a few hundred bytes to about 1 MiB
# (log-uniform, fixed seed, so every run has the same sizes).
make_tree() {
  local dir=$1 files=$2 mib=$3 size path
  mkdir -p "$dir"
  awk -v n="$files" -v total=$((mib * 1024 * 1024)) 'BEGIN {
    srand(20261208)
    big = int(n / 200); if (big < 1) big = 1
    for (i = 1; i <= n; i++) if (i % 200 != 0) { w[i] = exp(rand() * log(4096)); sum += w[i] }
    left = total
    for (i = 1; i <= n; i++) {
      if (i == n) s = left
      else if (i % 200 == 0) s = int(total / 3 / big)
      else s = int(w[i] / sum * total * 2 / 3)
      left -= s
      d = sprintf("dir%02d", i % 20)
      if (i % 3 == 0) d = d "/sub" (i % 5)
      if (i % 50 == 1) d = "."
      printf "%d %s/file%04d.bin\n", s, d, i
    }
  }' > "$dir.sizes"
  cut -d' ' -f2 "$dir.sizes" | xargs -n1 dirname | sort -u | (cd "$dir" && xargs mkdir -p)
  while read -r size path; do
    head -c "$size" /dev/urandom > "$dir/$path"
  done < "$dir.sizes"
  rm -f "$dir.sizes"
}

wine_session_start "$build"
wineserver -k 2>/dev/null || true
# One wineserver for the whole run: every Wine start below finds it up.
wineserver -p30

# ---------------------------------------------------------------- the copy
echo "== making the tree: $copy_files files, $copy_mib MiB in $data/tree"
make_tree "$data/tree" "$copy_files" "$copy_mib"
[ "$(find "$data/tree" -type f | wc -l)" = "$copy_files" ] || fail "tree has the wrong file count"

# Wine's start-up with the wizard window made and shown: the program on an
# empty tree.
mkdir -p "$data/empty"
orvane_wine "$copy_cli" "$(winpath "$data/empty")\\" "$(winpath "$data/empty-out")\\" >/dev/null
startup=()
for _ in $(seq 1 "$rounds"); do
  rm -rf "$data/empty-out"
  start=$(now)
  orvane_wine "$copy_cli" "$(winpath "$data/empty")\\" "$(winpath "$data/empty-out")\\" >/dev/null ||
    fail "the copy program failed on an empty tree"
  startup+=("$(seconds_since "$start")")
done

native=()
wine_outer=()
wine_inner=()
for r in $(seq 1 "$rounds"); do
  echo "   round $r of $rounds"
  # cp -r + rm -r: the same net effect as the wizard's move.
  rm -rf "$data/src" "$data/dst"
  cp -a "$data/tree" "$data/src"
  start=$(now)
  cp -r "$data/src" "$data/dst"
  rm -r "$data/src"
  native+=("$(seconds_since "$start")")
  diff -rq "$data/tree" "$data/dst" >/dev/null || fail "cp -r result differs from the tree"

  rm -rf "$data/src" "$data/dst"
  cp -a "$data/tree" "$data/src"
  start=$(now)
  inner_ms=$(orvane_wine "$copy_cli" "$(winpath "$data/src")\\" "$(winpath "$data/dst")\\" |
    tr -d '\r') || fail "CopyFolderTree reported a failure"
  wine_outer+=("$(seconds_since "$start")")
  wine_inner+=("$(awk -v m="$inner_ms" 'BEGIN { printf "%.3f", m / 1000 }')")
  diff -rq "$data/tree" "$data/dst" >/dev/null || fail "CopyFolderTree result differs from the tree"
  [ -z "$(find "$data/src" -type f)" ] || fail "CopyFolderTree left files in the source"
done
rm -rf "$data/tree" "$data/src" "$data/dst" "$data/empty" "$data/empty-out"

t_start=$(printf '%s\n' "${startup[@]}" | median)
t_native=$(printf '%s\n' "${native[@]}" | median)
t_outer=$(printf '%s\n' "${wine_outer[@]}" | median)
t_inner=$(printf '%s\n' "${wine_inner[@]}" | median)
echo "   cp -r + rm -r:          ${native[*]} s"
echo "   CopyFolderTree, whole:  ${wine_outer[*]} s"
echo "   CopyFolderTree, inside: ${wine_inner[*]} s"
echo "   Wine start and window:  ${startup[*]} s (empty tree)"

# ---------------------------------------------------------- the whole install
echo "== making the $package_mib MiB package"
product=$data/product
make_tree "$product" 300 $((package_mib - 8))
# Some compressible text, the product's program and its notes.
seq 1 400000 | sed 's/^/第 /; s/$/ 行 Orvane/' > "$product/notes.txt"
cp "$build/sample/SampleProduct.exe" "$product/"
(cd "$product" && 7zz a -mx1 -bso0 -bsp0 "$data/123.7z" .)
stamp_package "$data/123.7z" --id 123 --name "基准软件" \
  --file-name SampleProduct.exe --version 1.2.0 --date 2026-12-08 --description "Orvane 基准软件"
site=$data/site
mkdir -p "$site/dowfile" "$data/app"
mv "$data/123.7z" "$site/dowfile/123.rar"
publish_library "$site/dowfile/7-zip32.dll"
printf '2026-12-08|123|基准软件_1.2.0' > "$data/feed.txt"
"$tools/feed_scramble/orvane-scramble" encode --feed -i "$data/feed.txt" -o "$site/cu.txt"
echo "   $(du -m "$site/dowfile/123.rar" | cut -f1) MiB packed, $(find "$product" -type f | wc -l) files"
start_server "$site" "$data/server.log" "$data/server.out" || fail "the update server did not start"
host=$(e2e_hosts | sed -n 1p)
desktop="$HOME/Desktop"

# watch_phases PACKAGE WORK TARGET: the times the downloaded package is put
# in place, the first file lands in the work folder (the extraction began)
# and the first file lands in the target (the copy began), one a line. It
# only looks at the file system, so it is never on the wizard's way.
watch_phases() {
  until [ -e "$1" ]; do sleep 0.05; done
  now
  until compgen -G "$2/*" >/dev/null; do sleep 0.05; done
  now
  until compgen -G "$3/*" >/dev/null; do sleep 0.05; done
  now
}
# The median of a column of the phase table.
phase() { cut -d' ' -f"$1" "$data/phases" | median; }

# install_with WIZARD: one install by WIZARD (OrvaneSetup.exe, or the same
# wizard built to check no signature), in a folder of its own with the
# archiver library beside it (as shipped): it fetches the package, extracts
# it to its work folder and moves it into the target. Its time in $took,
# its phases in $phases.
install_with() {
  rm -rf "$data/app" "$data/target"
  mkdir -p "$data/app"
  cp "$build/$1" "$data/app/OrvaneSetup.exe"
  publish_library "$data/app"
  touch "$data/marker"
  start=$(now)
  watch_phases "$data/app/123.7z" "$data/app/temp" "$data/target" > "$data/watch" &
  watch_pid=$!
  orvane_wine "$data/app/OrvaneSetup.exe" "yf123,1.0" &
  wizard_pid=$!
  # One driver for every step, so no program start lies on the wizard's
  # way. Next shows on the first page before the package is loaded: the
  # welcome page counts once the download page (its progress bar) was up.
  driver --timeout 300000 wait ready 1007 ready 1009 click 1009 ready 1004 \
    set 1006 "$(winpath "$data/target")\\" click 1009 text 1009 "完成" ready 1009 \
    click 1002 click 1003 click 1009 closed >/dev/null || fail "the driver did not get through the wizard"
  code=0
  wait "$wizard_pid" || code=$?
  end=$(now)
  took=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')
  wizard_pid=""
  [ "$code" = 0 ] || fail "the wizard ended with exit code $code"
  diff -rq "$product" "$data/target" >/dev/null || fail "the wizard's install differs from the package"
  [ -z "$(find "$desktop" -name '*.lnk' -newer "$data/marker")" ] || fail "a desktop shortcut was made"
  [ ! -e "$data/target/started.txt" ] || fail "the product was started"
  [ ! -d "$data/app/temp" ] || fail "the work folder was left behind"
  # All seen by now (the package stays beside the wizard): download (with
  # Wine's start and the feed), the two pages, extraction, copy and finish.
  wait "$watch_pid"
  watch_pid=""
  { read -r downloaded && read -r extracting && read -r copying; } < "$data/watch"
  phases=$(awk -v a="$start" -v d="$downloaded" -v x="$extracting" -v c="$copying" -v e="$end" \
    'BEGIN { printf "%.3f %.3f %.3f %.3f", d - a, x - d, c - x, e - c }')
}

# A signed build also runs its twin that checks no signature: the
# difference is what checking the package and the library costs.
unsigned=""
[ -n "$signing_key" ] && [ -f "$build/OrvaneSetup-unsigned.exe" ] && unsigned=OrvaneSetup-unsigned.exe
wizard=()
unchecked=()
peer=()
: > "$data/phases"
for r in $(seq 1 "$rounds"); do
  echo "   round $r of $rounds"
  if [ -n "$unsigned" ]; then
    install_with "$unsigned"
    unchecked+=("$took")
    echo "$phases" >> "$data/unsigned-phases"
  fi
  install_with OrvaneSetup.exe
  wizard+=("$took")

  # The peer: the same file from the same server, extracted, copied.
  rm -rf "$data/peer" "$data/peer-target"
  mkdir -p "$data/peer"
  start=$(now)
  curl -sf -o "$data/peer/123.7z" "http://$host/dowfile/123.rar"
  downloaded=$(now)
  7zz x -y -bso0 -bsp0 "-o$data/peer/temp" "$data/peer/123.7z"
  extracted=$(now)
  cp -r "$data/peer/temp" "$data/peer-target"
  end=$(now)
  peer+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')")
  echo "$phases $(awk -v a="$start" -v d="$downloaded" -v x="$extracted" -v e="$end" \
    'BEGIN { printf "%.3f %.3f %.3f", d - a, x - d, e - x }')" >> "$data/phases"
  diff -rq "$product" "$data/peer-target" >/dev/null || fail "curl + 7zz + cp result differs"
done

t_wizard=$(printf '%s\n' "${wizard[@]}" | median)
t_peer=$(printf '%s\n' "${peer[@]}" | median)
echo "   wizard:         ${wizard[*]} s"
echo "   curl+7zz x+cp:  ${peer[*]} s"
[ -z "$unsigned" ] || echo "   unsigned twin:  ${unchecked[*]} s"
echo "   wizard phases:  Wine start, feed and download $(phase 1) s, welcome and folder pages" \
  "$(phase 2) s, extraction $(phase 3) s, copy and finish $(phase 4) s"
echo "   peer phases:    curl $(phase 5) s, 7zz x $(phase 6) s, cp -r $(phase 7) s"
[ -z "$unsigned" ] || echo "   unsigned twin:  Wine start, feed and download" \
  "$(cut -d' ' -f1 "$data/unsigned-phases" | median) s, welcome and folder pages" \
  "$(cut -d' ' -f2 "$data/unsigned-phases" | median) s"

echo "== results (median of $rounds; the machine's load makes them noisy)"
wine_name=wine64
wine_can_run_32bit && wine_name=wine
printf 'copy %d files %d MiB: CopyFolderTree (%s) %s s, cp -r + rm -r %s s, ratio %s (goal <= 2.0)\n' \
  "$copy_files" "$copy_mib" "$wine_name" "$t_outer" "$t_native" "$(ratio "$t_outer" "$t_native")"
printf '   without Wine start-up (%s s): copy inside the program %s s, ratio %s\n' \
  "$t_start" "$t_inner" "$(ratio "$t_inner" "$t_native")"
printf 'whole install %d MiB: wizard %s s, curl+7zz+cp %s s, ratio %s (goal <= 2.0)\n' \
  "$package_mib" "$t_wizard" "$t_peer" "$(ratio "$t_wizard" "$t_peer")"
printf '   the download (with Wine start and feed): %s s, curl %s s, ratio %s (goal <= 2.0)\n' \
  "$(phase 1)" "$(phase 5)" "$(ratio "$(phase 1)" "$(phase 5)")"
printf '   extraction (wizard shown): %s s, 7zz x %s s, ratio %s (goal <= 1.5)\n' \
  "$(phase 3)" "$(phase 6)" "$(ratio "$(phase 3)" "$(phase 6)")"
printf '   copy and finish: %s s, cp -r %s s, ratio %s (goal <= 1.5)\n' \
  "$(phase 4)" "$(phase 7)" "$(ratio "$(phase 4)" "$(phase 7)")"
if [ -n "$unsigned" ]; then
  t_unchecked=$(printf '%s\n' "${unchecked[@]}" | median)
  printf '   checking the signatures: signed build %s s, unsigned twin %s s, added %s s (goal <= 0.3)\n' \
    "$t_wizard" "$t_unchecked" "$(awk -v a="$t_wizard" -v b="$t_unchecked" 'BEGIN { printf "%.2f", a - b }')"
fi
# The files as shipped: debug information lives in NAME.debug beside them.
size_kb() { echo $(( ($(stat -c %s "$1") + 999) / 1000 )); }
printf 'shipped sizes (%s build): OrvaneSetup.exe %s KB (goal <= 600), 7-zip32.dll %s KB (goal <= 300)\n' \
  "$(basename "$build")" "$(size_kb "$build/OrvaneSetup.exe")" "$(size_kb "$build/7-zip32.dll")"
