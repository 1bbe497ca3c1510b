# Sourced by the scripts: which build this host can run, a project-local Wine prefix and a
# headless display. Nothing here touches the user's own Wine prefix.
#
# The shipped program is 32-bit and is always built in $VIMAGER_BUILD_DIR (default build/).
# Hosts whose kernel runs no 32-bit x86 code cannot start it (nor the 32-bit Wine loader); there,
# and wherever VIMAGER_FORCE_64=1, the same sources built for x86-64 in ${VIMAGER_BUILD_DIR}-x64
# run under the 64-bit loader instead. Sets:
#   VIMAGER_BUILD32  the 32-bit build folder     VIMAGER_BUILD64  the 64-bit build folder
#   VIMAGER_BITS     32 or 64: the build that runs here, in VIMAGER_RUN_BUILD
#   VIMAGER_WHY      one plain line that says which build is run and why
VIMAGER_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
VIMAGER_BUILD32=${VIMAGER_BUILD_DIR:-build}
VIMAGER_BUILD64=${VIMAGER_BUILD32%/}-x64
if [ "${VIMAGER_FORCE_64:-}" = 1 ]; then
  VIMAGER_BITS=64
  VIMAGER_WHY="VIMAGER_FORCE_64=1: testing the 64-bit build of the same sources"
elif /usr/lib/wine/wine --version >/dev/null 2>&1; then
  VIMAGER_BITS=32
  VIMAGER_WHY="this host runs 32-bit x86 code: testing the 32-bit program"
else
  VIMAGER_BITS=64
  VIMAGER_WHY="this host runs no 32-bit x86 code: testing the 64-bit build of the same sources"
fi
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# Points wine, wineboot and everything started through them at the loader of one build, with
# that build's own prefix (unless VIMAGER_PREFIX names another).
vimager_use_build() {
  local bits=$1
  VIMAGER_RUN_BUILD=$VIMAGER_BUILD32
  [ "$bits" = 32 ] || VIMAGER_RUN_BUILD=$VIMAGER_BUILD64
  export WINEPREFIX="${VIMAGER_PREFIX:-$VIMAGER_ROOT/$VIMAGER_RUN_BUILD/wineprefix}"
  if [ "$bits" = 64 ]; then
    # Debian's wine scripts pick the 32-bit loader whenever it is installed, runnable or not.
    local bin="$VIMAGER_ROOT/$VIMAGER_BUILD64/winebin" name
    mkdir -p "$bin"
    for name in wine wine-stable; do
      printf '#!/bin/sh\nexport WINELOADER=/usr/lib/wine/wine64\nexec /usr/lib/wine/wine64 "$@"\n' >"$bin/$name"
      chmod +x "$bin/$name"
    done
    case ":$PATH:" in *":$bin:"*) ;; *) export PATH="$bin:$PATH" ;; esac
    export WINELOADER=/usr/lib/wine/wine64
  fi
}

# Configures and builds one build folder for 32 or 64 bits; further arguments are targets.
vimager_build() {
  local bits=$1 dir toolchain=cmake/mingw-i686.cmake
  shift
  dir=$VIMAGER_BUILD32
  [ "$bits" = 32 ] || { dir=$VIMAGER_BUILD64; toolchain=cmake/mingw-x86_64.cmake; }
  # The toolchain is read only when a build folder is first configured; given again, CMake warns.
  local configure=(-DCMAKE_BUILD_TYPE=Release)
  [ -f "$dir/CMakeCache.txt" ] || configure+=(-DCMAKE_TOOLCHAIN_FILE="$toolchain")
  cmake -S "$VIMAGER_ROOT" -B "$dir" -G Ninja "${configure[@]}" >/dev/null
  local targets=()
  [ $# -eq 0 ] || targets=(--target "$@")
  cmake --build "$dir" "${targets[@]}"
}

vimager_use_build "$VIMAGER_BITS"

# Starts Xvfb on a free display unless DISPLAY already works; sets DISPLAY.
vimager_start_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local n
  for n in $(seq 90 130); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    VIMAGER_XVFB_PID=$!
    export DISPLAY=":$n"
    local i
    for i in $(seq 1 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && return 0
      sleep 0.1
    done
    kill "$VIMAGER_XVFB_PID" 2>/dev/null || true
  done
  echo "no X display could be started" >&2
  return 1
}

vimager_stop_display() {
  [ -n "${VIMAGER_XVFB_PID:-}" ] && kill "$VIMAGER_XVFB_PID" 2>/dev/null || true
  VIMAGER_XVFB_PID=
}

# Creates the prefix once, then keeps one wineserver alive for the run.
vimager_prefix() {
  if [ ! -f "$WINEPREFIX/.vimager-ready" ]; then
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    # Unmanaged windows: without a window manager Wine would wait on every hide.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
    wineboot -i </dev/null >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
    wine winecfg -v win10 </dev/null >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.vimager-ready"
  fi
  # Caption buttons are glyphs of Marlett; without it Wine draws them as letters. Debian's
  # fonts-wine ships Wine's own, which Wine finds in the prefix's font folder.
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  if [ -f /usr/share/wine/fonts/marlett.ttf ] && [ ! -f "$fonts/marlett.ttf" ]; then
    mkdir -p "$fonts"
    cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
  fi
  wineserver -p30 </dev/null >/dev/null 2>&1
  wine wineboot </dev/null >/dev/null 2>&1
}

vimager_stop_prefix() {
  wineserver -k 2>/dev/null || true
}
