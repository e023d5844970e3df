#!/usr/bin/env bash
# The game's window at 200 %: the window suite run in a Wine prefix of its own whose desktop
# reads 192 DPI (Wine takes it from HKCU\Control Panel\Desktop\LogPixels as a process starts),
# made once and kept, on a private X screen large enough for a 1280 x 960 window.
#   test_windows_show_dpi.sh TEST_EXE PREFIX_DIR
set -euo pipefail
exe=$1 prefix=$2
root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=$prefix
wine() { "$root/scripts/wine-run" "$@"; }

xvfb=""
for n in $(seq 191 240); do
  [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
  Xvfb :$n -screen 0 2560x1600x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  export DISPLAY=:$n
  break
done
[ -n "$xvfb" ] || { echo "FAIL: no free X display" >&2; exit 1; }
cleanup() {
  if command -v wineserver >/dev/null 2>&1; then wineserver -k; else /usr/lib/wine/wineserver64 -k; fi >/dev/null 2>&1 || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 1 50); do
  [ -e "/tmp/.X11-unix/X${DISPLAY#:}" ] && break
  sleep 0.2
done

if [ ! -f "$prefix/.quorvel-dpi-ready" ]; then
  rm -rf "$prefix"
  mkdir -p "$prefix"
  wine wineboot -i >/dev/null 2>&1 || true
  wine reg add 'HKCU\Software\Wine\Direct3D' /v csmt /t REG_DWORD /d 0 /f >/dev/null 2>&1
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 192 /f >/dev/null 2>&1
  touch "$prefix/.quorvel-dpi-ready"
fi
QV_EXPECT_DPI=192 wine "$exe"
