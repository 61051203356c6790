#!/usr/bin/env bash
# Archiver benchmark: extracts one 200 MiB package (mixed text and binary,
# 7zz default settings, made here and thrown away) with our reader natively,
# with 7-zip32.dll under Wine, and with `7zz x -mmt=1`, in the same run.
# Prints times, peak memory and the ratios against 7zz.
#
#   bench/archiver/run.sh [NATIVE_BUILD_DIR] [WINDOWS_BUILD_DIR]
#
# Defaults: build/native and build/windows (presets `native` and `windows`).
# ORVANE_BENCH_WINE names the program that runs a Windows program
# (default scripts/wine-exec); ORVANE_BENCH_RUNS the runs per reader (3).
# Targets: native reader >= 0.9 x the speed of 7zz -mmt=1; its peak memory
# under the dictionary size + 32 MiB; 7-zip32.dll under Wine (Wine's start
# included, its server and services already up) >= 1.0 x the speed of
# 7zz -mmt=1. A missing or unusable Windows build
# skips the Wine measurement.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
native=$(cd "${1:-$root/build/native}" && pwd)
. "$root/scripts/wine-session.sh"
# The 32-bit library where this kernel runs 32-bit programs, else the 64-bit one.
windows=${2:-$root/build/$(wine_runnable_preset)}
runs=${ORVANE_BENCH_RUNS:-3}
cli=$native/archiver/orvane7z
[ -x "$cli" ] || { echo "build orvane7z first: cmake --build $native --target orvane7z" >&2; exit 1; }

work=$(mktemp -d /tmp/orvane-archiver-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
src=$work/package
mkdir -p "$src/text" "$src/bin" "$src/data"

echo "== making a 200 MiB package in $work"
# Text: C headers, many copies with a varying line prefix so they are not
# mere repeats (about 120 MiB).
headers=$(find /usr/include -name '*.h' -size +4k | sort | head -2000)
i=0
while [ "$(du -sm "$src/text" | cut -f1)" -lt 120 ]; do
  for h in $headers; do cat "$h"; done | sed "s/^/$i: /" | split -b 3M -d -a 3 - "$src/text/part$i-"
  i=$((i + 1))
done
# Binary: shared libraries (x86-64 code, so 7-Zip adds its BCJ filter), about 60 MiB.
find /usr/lib/x86_64-linux-gnu -maxdepth 1 -name '*.so*' -type f -size +200k | sort | head -400 |
  while read -r f; do
    [ "$(du -sm "$src/bin" | cut -f1)" -ge 60 ] && break
    cp "$f" "$src/bin/"
  done
# Incompressible: 20 MiB of random bytes (stored LZMA2 chunks).
head -c 20M /dev/urandom > "$src/data/random.bin"
total=$(du -sb "$src" | cut -f1)
while [ "$total" -gt $((200 * 1024 * 1024)) ]; do
  rm -f "$(ls "$src"/text/* | tail -1)"
  total=$(du -sb "$src" | cut -f1)
done
echo "   $((total / 1024 / 1024)) MiB in $(find "$src" -type f | wc -l) files"

echo "== packing with 7zz (default settings)"
(cd "$src" && 7zz a -bd -bso0 -bsp0 "$work/package.7z" .) || exit 1
packed=$(stat -c %s "$work/package.7z")
methods=$(7zz l -slt "$work/package.7z" | sed -n 's/^Method = //p' | tr ' ' '\n' | sort -u | tr '\n' ' ')
# The largest LZMA2/LZMA dictionary: "LZMA2:24" is 2^24, "LZMA2:48k" 48 KiB.
dict=0
for m in $methods; do
  case "$m" in
    LZMA*:*)
      d=${m#*:}; d=${d%%:*}
      case "$d" in
        *k) bytes=$(( ${d%k} * 1024 ));;
        *m) bytes=$(( ${d%m} * 1024 * 1024 ));;
        *) bytes=$(( 1 << d ));;
      esac
      [ "$bytes" -gt "$dict" ] && dict=$bytes;;
  esac
done
echo "   $((packed / 1024 / 1024)) MiB packed; methods: $methods; dictionary $((dict / 1024 / 1024)) MiB"

# measure NAME COMMAND...: runs the command $runs times into a fresh folder
# (given as the last argument, "@OUT@"); records median seconds and peak KiB.
declare -A seconds peak
measure() {
  local name=$1
  shift
  local times=() rss=0
  for ((r = 0; r < runs; r++)); do
    rm -rf "$work/out-$name"
    local args=()
    for a in "$@"; do args+=("${a//@OUT@/$work/out-$name}"); done
    /usr/bin/time -v -o "$work/time.txt" "${args[@]}" > "$work/run.log" 2>&1 || {
      echo "   $name failed:"; tail -5 "$work/run.log"; return 1; }
    times+=("$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }' "$work/time.txt")")
    local kb
    kb=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.txt")
    [ "$kb" -gt "$rss" ] && rss=$kb
  done
  seconds[$name]=$(printf '%s\n' "${times[@]}" | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')
  peak[$name]=$rss
  printf '   %-8s median %6.2f s   peak %6d MiB\n' "$name" "${seconds[$name]}" $((rss / 1024))
}

echo "== extracting ($runs runs each, median)"
measure 7zz 7zz x -mmt=1 -y -bd -bso0 -bsp0 "-o@OUT@" "$work/package.7z"
measure native "$cli" x "$work/package.7z" @OUT@
diff -rq "$src" "$work/out-native" > /dev/null && echo "   native output equals the source tree" ||
  echo "   NATIVE OUTPUT DIFFERS FROM THE SOURCE TREE"

wine_ok=0
if [ -f "$windows/extract_with_dll.exe" ] && [ -f "$windows/7-zip32.dll" ]; then
  winpath() { printf 'Z:%s' "${1//\//\\}"; }
  # One Wine session and one wineserver for the runs, as in the install
  # benchmark: each run starts its program, not Wine's server and services
  # (on Windows those are up before any program starts).
  wine_session_start "$windows"
  trap 'wineserver -k 2>/dev/null; wine_session_end; rm -rf "$work"' EXIT
  wineserver -p30
  orvane_wine cmd /c exit >/dev/null 2>&1 || true
  if measure wine "${ORVANE_BENCH_WINE:-$root/scripts/wine-exec}" "$windows/extract_with_dll.exe" "$(winpath "$work/package.7z")" "$(winpath "$work/out-wine")"; then
    wine_ok=1
  fi
else
  echo "   (no Windows build at $windows: the DLL under Wine is not measured)"
fi

echo "== results"
awk -v a="${seconds[7zz]}" -v b="${seconds[native]}" 'BEGIN { printf "   native reader speed / 7zz -mmt=1: %.2f (target >= 0.90)\n", a / b }'
limit=$(( dict / 1024 + 32 * 1024 ))
echo "   native peak memory: $(( ${peak[native]} / 1024 )) MiB; limit dictionary + 32 MiB = $(( limit / 1024 )) MiB: $([ "${peak[native]}" -lt "$limit" ] && echo within || echo OVER)"
echo "   7zz peak memory: $(( ${peak[7zz]} / 1024 )) MiB"
if [ "$wine_ok" = 1 ]; then
  awk -v a="${seconds[7zz]}" -v b="${seconds[wine]}" 'BEGIN { printf "   DLL under Wine speed / 7zz -mmt=1: %.2f (the program started under Wine; goal >= 1.0)\n", a / b }'
fi
