#!/usr/bin/env bash
# Runs one end-to-end scenario of Quarvel under Wine, in a private copy of a prepared prefix and a
# private virtual display, so that scenarios can run side by side.
#
#   run-e2e.sh --build <build-dir> --app <Quarvel.exe> --tools <dir> [--expect-bits 32|64] <scenario>
#
# --tools names a folder holding debughelper.exe, e2edriver.exe and setupdev.exe (or give each with
# --debughelper, --e2edriver, --setupdev); --plantdll and --naiveload add those two test programs.
# --expect-bits refuses an application of the other architecture. The scenario is
# scenarios/<scenario>.steps (one e2edriver step per line), with beside it optionally <scenario>.sh, which may
# define `prepare` (before the app starts) and `verify` (after the steps), and <scenario>.trace, the
# capture expected: each trace text as the viewer records it, then, indented, the phone's devices
# present at that text (the host's own devices left out). The device tree after the run must be the one before.
# Screenshots that `snapshot` steps ask for are kept in <build-dir>/e2e-screenshots/<scenario>-<name>.png.
# Environment: E2E_KEEP=1 keeps the work folder after a pass; E2E_TIMEOUT (seconds, default 120).
# Exit: 0 pass, 1 fail (the work folder with logs and a screenshot is kept and named), 2 bad usage.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)

usage() { echo "usage: $0 --build DIR --app EXE (--tools DIR | --debughelper EXE --e2edriver EXE --setupdev EXE) [--plantdll DLL] [--naiveload EXE] [--expect-bits 32|64] SCENARIO" >&2; exit 2; }

build= app= debughelper= e2edriver= setupdev= plantdll= naiveload= expect_bits= scenario=
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=$2; shift 2 ;;
    --app) app=$2; shift 2 ;;
    --tools) debughelper=$2/debughelper.exe; e2edriver=$2/e2edriver.exe; setupdev=$2/setupdev.exe; shift 2 ;;
    --debughelper) debughelper=$2; shift 2 ;;
    --e2edriver) e2edriver=$2; shift 2 ;;
    --setupdev) setupdev=$2; shift 2 ;;
    --plantdll) plantdll=$2; shift 2 ;;
    --naiveload) naiveload=$2; shift 2 ;;
    --expect-bits) expect_bits=$2; shift 2 ;;
    -*) usage ;;
    *) [ -z "$scenario" ] || usage; scenario=$1; shift ;;
  esac
done
[ -n "$build" ] && [ -n "$app" ] && [ -n "$scenario" ] && [ -n "$e2edriver" ] || usage
scenario_file=$here/scenarios/$scenario
[ -f "$scenario_file.steps" ] || { echo "e2e: no scenario $scenario_file.steps" >&2; exit 2; }
for exe in "$app" "$debughelper" "$e2edriver" "$setupdev" ${plantdll:+"$plantdll"} ${naiveload:+"$naiveload"}; do
  [ -f "$exe" ] || { echo "e2e: missing $exe (build the Quarvel, debughelper, e2edriver and setupdev targets)" >&2; exit 2; }
done
build=$(cd "$build" && pwd)

log() { echo "e2e[$scenario]: $*"; }
fail() { echo "e2e[$scenario]: FAIL: $*" >&2; exit 1; }

source "$here/wine-prefix.sh"
prepare_base_prefix "$build" "$source_dir" | sed 's/^/e2e: /'

mkdir -p "$build/e2e-work"
work=$(mktemp -d "$build/e2e-work/$scenario.XXXXXX")
export WINEPREFIX=$work/prefix
xvfb_pid= snapper_pid= passed=0
cleanup() {
  local status=$?
  set +e
  [ "$passed" = 1 ] || [ -z "${DISPLAY:-}" ] || import -window root "$work/failure.png" >/dev/null 2>&1
  [ -n "$snapper_pid" ] && kill "$snapper_pid" 2>/dev/null
  # The server first, while the display still exists: Wine's processes must not lose X under them.
  [ -d "$WINEPREFIX" ] && wineserver -k >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  if [ "$passed" = 1 ] && [ "${E2E_KEEP:-0}" != 1 ]; then rm -rf "$work"; else echo "e2e[$scenario]: work folder kept: $work" >&2; fi
  exit $status
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

shots=$build/e2e-screenshots
mkdir -p "$shots"
rm -f "$shots/$scenario-"*.png
started=$SECONDS
copy_base_prefix "$build" "$WINEPREFIX"

# A display of our own; Xvfb names its number on fd 5 once it accepts clients.
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$work/display" </dev/null >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 200); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || fail "Xvfb did not start (see $work/xvfb.log)"
export DISPLAY=:$(head -n1 "$work/display")
# One server for the whole scenario, its output away from the caller's pipes (ctest would wait for it).
wineserver -p </dev/null >/dev/null 2>&1

# C:\quarvel: the program beside its driver package; C:\e2e: the tools and the trace capture.
drive_c=$WINEPREFIX/drive_c
e2e_dir=$drive_c/e2e app_dir=$drive_c/quarvel app_name=$(basename "$app")
mkdir -p "$e2e_dir/snapshots" "$app_dir"
cp "$debughelper" "$e2edriver" "$setupdev" ${plantdll:+"$plantdll"} ${naiveload:+"$naiveload"} "$e2e_dir/"
cp "$app" "$app_dir/$app_name"
cp "$source_dir"/samples/*.inf "$app_dir/"
trace_log=$e2e_dir/trace.log devices_log=$e2e_dir/devices.log
: >"$trace_log"

# Helpers for the hooks: a Windows program in the prefix, its output on stdout; setupdev; a PE file's
# bitness; a sample package's registry mark in a registry view (default: the app's).
win() { wine "$@" </dev/null 2>>"$work/wine-stderr.log"; }
setupdev() { win 'C:\e2e\setupdev.exe' "$@" | tr -d '\r'; }
pe_bits() { [ "$(od -An -tx2 -j$(($(od -An -tu4 -j60 -N4 "$1") + 4)) -N2 "$1" | tr -d ' ')" = 8664 ] && echo 64 || echo 32; }
reg_mark() {
  win reg query 'HKLM\Software\Quarvel\SampleMarks' /v "$1" /reg:"${2:-$(pe_bits "$app")}" 2>/dev/null |
    tr -d '\r' | awk -v name="$1" '$1 == name { print $3 }'
}
device_tree() { setupdev list | { grep '^DEV ' || true; } | LC_ALL=C sort; }
# Each trace text, then the watched devices present when it arrived, indented. The comparisons with the
# host's own devices, which differ from host to host, are left out.
capture() {
  awk -F'\t' 'NR == FNR { if ($2 != "-") devices[$1] = devices[$1] "  " substr($0, length($1) + 2) "\n"; next }
    /^[0-9]+\tCompare device ID: / && !/VID_05C6/ { next }
    { print substr($0, length($1) + 2); printf "%s", devices[$1] }' "$devices_log" "$trace_log"
}

prepare() { :; }
verify() { :; }
[ -f "$scenario_file.sh" ] && source "$scenario_file.sh"
[ -z "$expect_bits" ] || [ "$(pe_bits "$app")" = "$expect_bits" ] || fail "$app is not a $expect_bits-bit program"
device_tree >"$work/devices-before.txt"
prepare
steps=()
while IFS= read -r step; do steps+=(-e "$step"); done <"$scenario_file.steps"

# Screenshots on the driver's request (its `snapshot` step).
(
  while sleep 0.05; do
    for request in "$e2e_dir"/snapshots/*.request; do
      [ -e "$request" ] && import -window root "$shots/$scenario-$(basename "$request" .request).png" && rm -f "$request"
    done
  done
) </dev/null >/dev/null 2>&1 &
snapper_pid=$!

# The trace viewer, listening before the app starts.
wine 'C:\e2e\debughelper.exe' --watch-devices 'USB\VID_05C6&PID_9018' 'C:\e2e\devices.log' 'C:\e2e\trace.log' </dev/null >>"$work/debughelper.log" 2>&1 &
win 'C:\e2e\e2edriver.exe' -e 'wait-window "DebugHelper " 10000' >/dev/null || fail "the trace viewer did not open its window"

log "running $scenario.steps with $app_name ($(pe_bits "$app")-bit)"
# Into a file, not a pipe: an application that a failed step left running would hold a pipe open.
set +e
timeout "${E2E_TIMEOUT:-120}" wine 'C:\e2e\e2edriver.exe' "${steps[@]}" "APP=C:\\quarvel\\$app_name" \
  'E2E_SNAPSHOTS=C:\e2e\snapshots' 'E2E_TRACE=C:\e2e\trace.log' </dev/null >"$work/driver.raw" 2>&1
driver_status=$?
set -e
tr -d '\r' <"$work/driver.raw" | tee "$work/driver.log" | sed 's/^/  | /'
[ "$driver_status" = 0 ] || fail "the steps failed (e2edriver exit $driver_status; 124: out of time)"

# Let the viewer finish any text in flight, then check what it and the system saw.
win 'C:\e2e\e2edriver.exe' -e 'close-window "DebugHelper "' >/dev/null || true
capture >"$work/capture.txt"
sed 's/^/  trace /' "$work/capture.txt"
if [ -f "$scenario_file.trace" ]; then
  diff "$scenario_file.trace" "$work/capture.txt" >&2 || fail "the capture is not $scenario.trace (< expected, > found)"
fi
verify
device_tree >"$work/devices-after.txt"
diff "$work/devices-before.txt" "$work/devices-after.txt" >&2 || fail "the device tree after the run is not the one before it"
passed=1
log "passed in $((SECONDS - started)) s"
