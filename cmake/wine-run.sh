#!/usr/bin/env bash
# Runs a Windows program under Wine in a prefix kept under the build folder (never ~/.wine).
#   wine-run.sh prog.exe args...   run it
#   wine-run.sh --up | --down      start / stop the prefix's wineserver (a ctest fixture, so that
#                                  ctest does not wait for the server to idle out after each test)
# WINEPREFIX may be set by the caller; otherwise it is <cwd's build folder>/wine/<arch>.
set -u
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"
: "${QUARVEL_WINE_ARCH:=win64}"
if [ -z "${WINEPREFIX:-}" ]; then
  build=${QUARVEL_BUILD_DIR:-$PWD}
  # ctest runs tests from their build subfolder; walk up to the folder holding CMakeCache.txt.
  while [ "$build" != / ] && [ ! -f "$build/CMakeCache.txt" ]; do build=$(dirname "$build"); done
  [ "$build" = / ] && build=$PWD
  export WINEPREFIX=$build/wine/prefix
fi
export WINEARCH=$QUARVEL_WINE_ARCH WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
unset DISPLAY
mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  # The stamp names what preparing does: a prefix prepared without the null driver is prepared again.
  if [ "$(cat "$WINEPREFIX/.prepared" 2>/dev/null)" != "null graphics driver" ]; then
    rm -rf "$WINEPREFIX"
    wineboot -i </dev/null >/dev/null 2>&1
    # No display: Wine's null graphics driver gives the windows of the Wine-level tests (dialogs, boxes).
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
    wineserver -w
    echo "null graphics driver" >"$WINEPREFIX/.prepared"
  fi
) 9>"$WINEPREFIX.lock"
case "${1:-}" in
  --up)   wineserver -p </dev/null >/dev/null 2>&1; wine cmd /c exit </dev/null >/dev/null 2>&1; exit 0 ;;
  --down) wineserver -k 2>/dev/null; exit 0 ;;
esac
exec wine "$@"
