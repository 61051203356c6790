#!/usr/bin/env bash
# Installs every Debian package the project needs. Idempotent: when all are
# present it changes nothing and asks no registry.
set -euo pipefail

packages=(
  # both builds
  cmake make g++ clang libclang-rt-14-dev clang-format git pkg-config
  googletest libgtest-dev libgmock-dev
  # the Windows build and running it
  g++-mingw-w64-i686 gcc-mingw-w64-i686 binutils-mingw-w64-i686
  g++-mingw-w64-x86-64 gcc-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  wine wine64 wine32:i386 xvfb xauth x11-utils
  locales fonts-wqy-zenhei imagemagick
  # archives
  7zip lzma-dev zlib1g-dev libz-mingw-w64-dev libarchive-tools time
  # signing what the studio publishes (orvane-stamp, and a peer in its tests)
  libssl-dev openssl
  # servers and clients on loopback
  nginx-light libcpp-httplib-dev curl procps iproute2
  # the site's load test (bench/site)
  python3
)

if [ "$(id -u)" -ne 0 ]; then
  echo "setup.sh: run as root (apt-get needs it)" >&2
  exit 1
fi

need_i386=0
dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1

missing=()
for p in "${packages[@]}"; do
  name=${p%%:*}
  arch=${p#*:}
  [ "$arch" = "$p" ] && arch=""
  if [ -n "$arch" ]; then
    status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$name:$arch" 2>/dev/null || true)
  else
    status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$name" 2>/dev/null || true)
  fi
  [ "${status:0:2}" = "ii" ] || missing+=("$p")
done

if [ "$need_i386" = 1 ] || [ ${#missing[@]} -gt 0 ]; then
  [ "$need_i386" = 1 ] && dpkg --add-architecture i386
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
  # Debian starts the packaged nginx on port 80 of every address; the tests
  # start their own servers on loopback, so the system one must not run.
  if printf '%s\n' "${missing[@]}" | grep -q '^nginx'; then
    (service nginx stop || nginx -s quit) >/dev/null 2>&1 || true
  fi
fi

# Code page 936 under Wine needs the zh_CN.UTF-8 locale.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
  sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
echo "setup: all packages present"
