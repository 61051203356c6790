#!/usr/bin/env bash
# Makes the package the extraction tests unpack: a small tree with a
# sub-folder, a Chinese name, an empty file and one file large enough for
# several progress reports, packed by Debian's 7zz. Usage: DIR
set -euo pipefail
mkdir -p "$1"
dir=$(cd "$1" && pwd)
rm -rf "$dir/tree" "$dir/package.7z"
mkdir -p "$dir/tree/bin" "$dir/tree/数据"
cd "$dir/tree"
printf 'Orvane test package\r\n' > readme.txt
printf '' > empty.txt
printf '说明' > 数据/说明.txt
# 3 MB of varied but reproducible bytes.
awk 'BEGIN { for (i = 0; i < 300000; i++) printf "%09d\n", (i * 7919) % 1000000007 }' > bin/app.dat
LC_ALL=C.UTF-8 7zz a -t7z -bd -bso0 "$dir/package.7z" readme.txt empty.txt bin 数据
printf 'this is no archive\n' > "$dir/not-an-archive.7z"
