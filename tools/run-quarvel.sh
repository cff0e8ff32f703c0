#!/usr/bin/env bash
# Installs what is missing, builds Quarvel.exe and runs it under Wine beside the sample driver package
# (samples/), as a user of 32-bit Windows runs it: alone, in a 32-bit Wine prefix kept beside the build
# folder, with the trace viewer open. On a host that runs 64-bit code only, Wine cannot start a 32-bit
# program: there it runs the x86_64 build, Quarvel64.exe, on 64-bit Windows instead. The first line it
# prints says which.
#   With a display (DISPLAY set): the dialog appears; use it, close it, and the trace is printed.
#   Without one: it runs in a virtual display, presses Install as a user would, prints the trace and
#   the outcome, and saves a screenshot (build/quarvel-run.png).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
if [ -z "${QUARVEL_RUN_BOOTSTRAPPED:-}" ]; then
  ./cmake/bootstrap.sh
  # Again in a new process: this shell's C library has already looked for the zh_CN locale that the
  # bootstrap may just have made, and would warn that it cannot set it.
  QUARVEL_RUN_BOOTSTRAPPED=1 exec "$0" "$@"
fi
source cmake/wine-env.sh
mkdir -p build
status=0
./cmake/host-runs-32bit.sh build || status=$?
case $status in
  0) preset=win32 exe=Quarvel.exe
     echo "run-quarvel: Quarvel.exe alone on 32-bit Windows (a 32-bit Wine prefix), as its users there run it" ;;
  1) preset=win64 exe=Quarvel64.exe
     echo "run-quarvel: Quarvel64.exe on 64-bit Windows (a 64-bit Wine prefix): this host runs 64-bit code only" ;;
  *) exit 1 ;;
esac
# QUARVEL_RUN_BUILD picks another build folder for the preset; the prefix, logs and the
# screenshot go beside it.
build=${QUARVEL_RUN_BUILD:-$root/build/$preset}
out=$(dirname "$build")
mkdir -p "$out"

echo "run-quarvel: building $exe and the tools ($preset preset, $build)"
cmake --preset $preset -B "$build" >/dev/null
cmake --build "$build" --target Quarvel debughelper e2edriver -j2 >/dev/null

windows=$(windows_of "$build/app/$exe")
export WINEPREFIX=$out/run-prefix-$windows WINEARCH=$windows WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
unset WINESERVER
headless=0
[ -n "${DISPLAY:-}" ] || headless=1

echo "run-quarvel: the Wine prefix is $WINEPREFIX (made on the first run, in about half a minute)"
prepare_prefix "$windows" "CJK font link" "$root/tools/wine-link-cjk-font.sh" || exit 1

# The program beside its driver package, as it ships.
run_dir=$WINEPREFIX/drive_c/quarvel
mkdir -p "$run_dir"
cp "$build/app/$exe" "$root"/samples/*.inf "$run_dir/"
cp "$build/tools/debughelper/debughelper.exe" "$build/tools/e2edriver/e2edriver.exe" "$run_dir/"
trace=$run_dir/trace.log
: >"$trace"

xvfb_pid=
cleanup() {
  set +e
  wineserver -k >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

[ $headless = 0 ] || start_display "$out/run-display" || exit 1
# One server for the run, its output away from our pipes.
wineserver -p </dev/null >/dev/null 2>&1 || true
# No window manager in Xvfb: unmanaged windows spare Wine's wait on every map; a real desktop manages them.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$([ $headless = 1 ] && echo N || echo Y)" /f \
  </dev/null >/dev/null 2>&1

wine 'C:\quarvel\debughelper.exe' 'C:\quarvel\trace.log' </dev/null >/dev/null 2>&1 &
wine 'C:\quarvel\e2edriver.exe' 'wait-window "DebugHelper " 10000' </dev/null >/dev/null 2>&1 ||
  echo "run-quarvel: the trace viewer did not open; running without it" >&2

status=0
if [ $headless = 0 ]; then
  echo "run-quarvel: Quarvel's dialog is open on $DISPLAY; close it to finish"
  wine "C:\\quarvel\\$exe" </dev/null 2>/dev/null || status=$?
else
  shot=$out/quarvel-run.png driver_log=$run_dir/driver.log
  : >"$run_dir/shot.txt"
  echo "run-quarvel: pressing Install in a virtual display ($DISPLAY)"
  # The driver waits, with the outcome on screen, for the record "shot" that follows the screenshot.
  E2E_TRACE='C:\quarvel\shot.txt' wine 'C:\quarvel\e2edriver.exe' "run C:\\quarvel\\$exe \"Install USB Driver\"" \
    'click IDC_INSTALL' 'wait-box 60000' 'wait-trace shot 1' 'click IDOK' 'wait-gone' 'wait-gone' 'wait-exit 0' \
    </dev/null >"$driver_log" 2>&1 &
  driver=$!
  for _ in $(seq 1800); do
    grep -q '^BOX ' "$driver_log" 2>/dev/null || ! kill -0 $driver 2>/dev/null && break
    sleep 0.05
  done
  if grep -q '^BOX ' "$driver_log"; then
    sleep 0.3
    import -window root "$shot" >/dev/null 2>&1 || true
  fi
  printf '0\tshot\n' >"$run_dir/shot.txt"
  wait $driver || status=1
  tr -d '\r' <"$driver_log" | grep -E '^(BOX|e2edriver:)' || true
fi

echo "run-quarvel: trace texts received by the viewer (one per line, \\n = line feed inside a text):"
sed 's/^/  /' "$trace"
[ $headless = 1 ] && [ -f "$shot" ] && echo "run-quarvel: screenshot of the outcome: $shot"
exit $status
