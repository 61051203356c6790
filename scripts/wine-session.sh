# Wine and Xvfb session helpers; source this file.
#
#   wine_session_start BUILD_DIR   start Xvfb on a free display (unless the
#                                  user's own DISPLAY is to be used) and make
#                                  sure the prefixes under BUILD_DIR exist
#   wine_env BUILD_DIR [DPI]       export the environment of one prefix
#   wine_session_end               wait for every wineserver, stop our Xvfb
#
# Prefixes live in BUILD_DIR/wine/prefix-96 and prefix-144; the second, and
# one for any other DPI a program asks for through wine-exec, is a copy of
# the first with its LogPixels. HOME is BUILD_DIR/wine/home, so the desktop
# folder of the prefix is BUILD_DIR/wine/home/Desktop.

_ORVANE_XVFB_PID=""
# Wine 8 runs 32-bit programs with a 32-bit loader, which needs the kernel's
# 32-bit emulation. Where the kernel has it switched off (dmesg: "32-bit
# emulation disabled"), only 64-bit programs can run: the tests then use the
# 64-bit build of the same sources (preset windows64).
wine_can_run_32bit() {
  /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

# The Windows build whose programs can run here.
wine_runnable_preset() {
  if wine_can_run_32bit; then echo windows; else echo windows64; fi
}

orvane_wine() {
  if wine_can_run_32bit; then
    wine "$@"
  else
    WINELOADER=/usr/lib/wine/wine64 /usr/lib/wine/wine64 "$@"
  fi
}

wine_env() {
  local build dpi=${2:-96}
  build=$(cd "$1" && pwd)
  export ORVANE_WINE_ROOT="$build/wine"
  export WINEPREFIX="$ORVANE_WINE_ROOT/prefix-$dpi"
  export WINEARCH=win64
  export HOME="$ORVANE_WINE_ROOT/home"
  export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
  export WINEDEBUG="${ORVANE_WINEDEBUG:--all}"
  export LC_ALL=zh_CN.UTF-8
  unset LANGUAGE
  # Wine links the prefix's desktop to $HOME/Desktop when that exists.
  mkdir -p "$HOME/Desktop"
}

_wine_reg_dpi() {
  local dpi=$1 hex
  hex=$(printf '%x' "$dpi")
  orvane_wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "0x$hex" /f >/dev/null 2>&1
  orvane_wine reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' /v LogPixels /t REG_DWORD /d "0x$hex" /f >/dev/null 2>&1
}

# Creates the prefix of one DPI once; later runs reuse it.
wine_prefix_ensure() {
  local build dpi=${2:-96}
  mkdir -p "$1"
  build=$(cd "$1" && pwd)
  (
    flock 9
    wine_env "$build" 96
    if [ ! -f "$WINEPREFIX/.orvane-ready" ]; then
      rm -rf "$WINEPREFIX"
      orvane_wine wineboot -i >/dev/null 2>&1 || true
      # Wine draws its own caption: no 2 s stall on every hide without a WM.
      orvane_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
      _wine_reg_dpi 96
      wineserver -w
      touch "$WINEPREFIX/.orvane-ready"
    fi
    if [ "$dpi" != 96 ]; then
      local base=$WINEPREFIX
      wine_env "$build" "$dpi"
      if [ ! -f "$WINEPREFIX/.orvane-ready" ]; then
        rm -rf "$WINEPREFIX"
        cp -a "$base" "$WINEPREFIX"
        rm -f "$WINEPREFIX/.orvane-ready"
        _wine_reg_dpi "$dpi"
        wineserver -w
        touch "$WINEPREFIX/.orvane-ready"
      fi
    fi
  ) 9>"$build/.wine-prefix.lock"
}

_free_display() {
  local n
  for n in $(seq 90 190); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      echo "$n"
      return 0
    fi
  done
  return 1
}

# Starts Xvfb unless ORVANE_USE_DISPLAY=1 and DISPLAY is set.
xvfb_start() {
  if [ "${ORVANE_USE_DISPLAY:-0}" = 1 ] && [ -n "${DISPLAY:-}" ]; then
    return 0
  fi
  local n i
  n=$(_free_display) || { echo "no free X display" >&2; return 1; }
  Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp -dpi 96 >/dev/null 2>&1 &
  _ORVANE_XVFB_PID=$!
  for i in $(seq 1 200); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    kill -0 "$_ORVANE_XVFB_PID" 2>/dev/null || { echo "Xvfb failed to start" >&2; return 1; }
    sleep 0.05
  done
  export DISPLAY=":$n"
  export ORVANE_XVFB_PID=$_ORVANE_XVFB_PID
}

xvfb_stop() {
  if [ -n "$_ORVANE_XVFB_PID" ]; then
    kill "$_ORVANE_XVFB_PID" 2>/dev/null || true
    wait "$_ORVANE_XVFB_PID" 2>/dev/null || true
    _ORVANE_XVFB_PID=""
  fi
}

wine_session_start() {
  local build=$1
  mkdir -p "$build"
  build=$(cd "$build" && pwd)
  xvfb_start
  wine_prefix_ensure "$build" 96
  wine_prefix_ensure "$build" 144
  wine_env "$build" 96
}

wine_session_end() {
  local p
  if [ -n "${ORVANE_WINE_ROOT:-}" ]; then
    for p in "$ORVANE_WINE_ROOT"/prefix-*; do
      [ -d "$p" ] && WINEPREFIX=$p wineserver -w 2>/dev/null || true
    done
  fi
  xvfb_stop
}
