# Sourced by the scripts: a project-local Wine prefix and a headless display.
# Nothing here touches the user's own Wine prefix.
VIMAGER_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${VIMAGER_PREFIX:-$VIMAGER_ROOT/build/wineprefix}"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

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
  wineserver -p30 </dev/null >/dev/null 2>&1
  wine wineboot </dev/null >/dev/null 2>&1
}

vimager_stop_prefix() {
  wineserver -k 2>/dev/null || true
}
