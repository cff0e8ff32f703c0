#!/usr/bin/env bash
# Runs a Windows program under Wine in a prefix kept under the build folder (never ~/.wine).
#   wine-run.sh prog.exe args...          run it
#   wine-run.sh --up|--down prog.exe      start / stop the wineserver of the prefix prog.exe runs in (a
#                                         ctest fixture, so that ctest does not wait for the server to idle
#                                         out after each test)
# The prefix is the Windows the program's users have (windows_of, read from its PE header), unless
# QUARVEL_WINE_WINDOWS (win32|win64) names another: <build folder>/wine/prefix-<windows>. WINEPREFIX may
# be set by the caller instead.
set -u
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"
mode=run
case "${1:-}" in --up|--down) mode=$1; shift ;; esac
program=${1:?usage: wine-run.sh [--up|--down] PROGRAM [ARGS...]}
windows=${QUARVEL_WINE_WINDOWS:-$(windows_of "$program")} || exit 1
if [ -z "${WINEPREFIX:-}" ]; then
  build=${QUARVEL_BUILD_DIR:-$PWD}
  # ctest runs tests from their build subfolder; walk up to the folder holding CMakeCache.txt.
  while [ "$build" != / ] && [ ! -f "$build/CMakeCache.txt" ]; do build=$(dirname "$build"); done
  [ "$build" = / ] && build=$PWD
  export WINEPREFIX=$build/wine/prefix-$windows
fi
export WINEARCH=$windows QUARVEL_WINE_WINDOWS=$windows WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
unset DISPLAY
# No display: Wine's null graphics driver gives the windows of the Wine-level tests (dialogs, boxes).
prepare_prefix "$windows" "null graphics driver" wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f ||
  exit 1
case $mode in
  --up)   wineserver -p </dev/null >/dev/null 2>&1; wine cmd /c exit </dev/null >/dev/null 2>&1; exit 0 ;;
  --down) wineserver -k 2>/dev/null; exit 0 ;;
esac
exec wine "$@"
