#!/usr/bin/env bash
# Runs one end-to-end scenario of Quarvel under Wine, in a private copy of a prepared prefix and a
# private virtual display, so that scenarios can run side by side.
#
#   run-e2e.sh --build <build-dir> --app <Quarvel.exe> --tools <dir> [--expect-bits 32|64] <scenario>
#
# --tools names a folder holding debughelper.exe, e2edriver.exe and setupdev.exe (or give each with
# --debughelper, --e2edriver, --setupdev); --plantdll and --naiveload add those two test programs.
# --expect-bits refuses an application of the other architecture. The scenario is tests/e2e/scenarios/<scenario>.steps, an
# e2edriver script, with an optional <scenario>.sh beside it that may define:
#   prepare   after the package is laid out, before the app starts (seed devices, change the layout)
#   verify    after the steps passed (check the trace, the device tree, the registry)
# Both run in this shell and may use the helpers below (win, setupdev, trace_*, fail ...).
#
# Every scenario also checks that the device tree after the run is the one before it, less the
# devices whose hardware IDs the scenario lists in devices_expected_gone.
#
# Screenshots that `snapshot` steps ask for are kept in <build-dir>/e2e-screenshots/<scenario>-<name>.png.
# Environment: E2E_KEEP=1 keeps the work folder after a pass; E2E_TIMEOUT (seconds, default 120)
# bounds the steps; E2E_SCREEN (default 1024x768x24).
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
steps_file=$here/scenarios/$scenario.steps
hooks_file=$here/scenarios/$scenario.sh
[ -f "$steps_file" ] || { echo "e2e: no scenario $steps_file" >&2; exit 2; }
for exe in "$app" "$debughelper" "$e2edriver" "$setupdev" ${plantdll:+"$plantdll"} ${naiveload:+"$naiveload"}; do
  [ -f "$exe" ] || { echo "e2e: missing $exe (build the Quarvel, debughelper, e2edriver and setupdev targets)" >&2; exit 2; }
done
build=$(cd "$build" && pwd)

log() { echo "e2e[$scenario]: $*"; }
fail() { echo "e2e[$scenario]: FAIL: $*" >&2; exit 1; }

# --- The Wine environment, and the base prefix prepared once per build folder --------------------------
source "$here/wine-prefix.sh"
prepare_base_prefix "$build" "$source_dir" | sed 's/^/e2e: /'

# --- The private work folder: prefix copy, display, logs --------------------------------------------
mkdir -p "$build/e2e-work"
work=$(mktemp -d "$build/e2e-work/$scenario.XXXXXX")
export WINEPREFIX=$work/prefix
xvfb_pid= snapper_pid= passed=0

cleanup() {
  local status=$?
  set +e
  if [ "$passed" != 1 ] && [ -n "${DISPLAY:-}" ]; then
    import -window root "$work/failure.png" >/dev/null 2>&1 && echo "e2e[$scenario]: screenshot $work/failure.png" >&2
  fi
  [ -n "$snapper_pid" ] && kill "$snapper_pid" 2>/dev/null
  # The server first, while the display still exists: Wine's processes must not lose X under them.
  [ -d "$WINEPREFIX" ] && wineserver -k >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  if [ "$passed" = 1 ] && [ "${E2E_KEEP:-0}" != 1 ]; then
    rm -rf "$work"
  else
    echo "e2e[$scenario]: work folder kept: $work" >&2
  fi
  exit $status
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# Screenshots outlive the work folder, under fixed names; this scenario's old ones go first.
shots=$build/e2e-screenshots
mkdir -p "$shots"
rm -f "$shots/$scenario-"*.png

started=$SECONDS
copy_base_prefix "$build" "$WINEPREFIX"

# A display of our own; Xvfb names its number on fd 5 once it accepts clients.
Xvfb -displayfd 5 -screen 0 "${E2E_SCREEN:-1024x768x24}" -nolisten tcp 5>"$work/display" </dev/null >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 200); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || fail "Xvfb did not start (see $work/xvfb.log)"
export DISPLAY=:$(head -n1 "$work/display")

# One server for the whole scenario, started with its output away from the caller's pipes (ctest
# would otherwise wait for it).
wineserver -p </dev/null >/dev/null 2>&1

drive_c=$WINEPREFIX/drive_c
e2e_dir=$drive_c/e2e          # C:\e2e: the tools, the step script, the trace capture
app_dir=$drive_c/quarvel      # C:\quarvel: the program and its driver package
app_dir_win='C:\quarvel'
app_name=$(basename "$app")
mkdir -p "$e2e_dir/snapshots" "$app_dir"
cp "$debughelper" "$e2edriver" "$setupdev" ${plantdll:+"$plantdll"} ${naiveload:+"$naiveload"} "$e2e_dir/"
cp "$app" "$app_dir/$app_name"
cp "$source_dir"/samples/*.inf "$app_dir/"
trace_log=$e2e_dir/trace.log
devices_log=$e2e_dir/devices.log   # the phone's devices present at each trace text, by sequence number
: >"$trace_log"
: >"$devices_log"

# --- Helpers for the scenario hooks ------------------------------------------------------------------
# win <exe> [args]: runs a Windows program in the prefix; its output goes to stdout.
win() { wine "$@" </dev/null 2>>"$work/wine-stderr.log"; }
setupdev() { win 'C:\e2e\setupdev.exe' "$@"; }
# The trace texts received so far, one per line, escaped as the viewer records them.
trace_texts() { cut -f2- "$trace_log"; }
# trace_expect_in_order <text>...: these exact texts were received in this order (others may lie between).
trace_expect_in_order() {
  local want=("$@") i=0 line
  while IFS= read -r line && [ $i -lt ${#want[@]} ]; do
    [ "$line" = "${want[$i]}" ] && i=$((i + 1))
  done < <(trace_texts)
  [ $i -eq ${#want[@]} ] || fail "trace lacks, in order after the first $i, the text: ${want[$i]}"
}
# trace_absent <prefix>...: no received text begins with any of these.
trace_absent() {
  local prefix line
  for prefix in "$@"; do
    while IFS= read -r line; do
      case "$line" in "$prefix"*) fail "unexpected trace text: $line" ;; esac
    done < <(trace_texts)
  done
}
# expect_no_device <hwid>: no present device lists this hardware ID.
expect_no_device() {
  local status=0
  setupdev list "$1" >"$work/devices.txt" || status=$?
  case $status in
    1) ;;
    0) cat "$work/devices.txt" >&2; fail "a device carrying $1 is still present" ;;
    *) fail "setupdev list failed (exit $status)" ;;
  esac
}
# The bitness of a PE file: 32 or 64.
pe_bits() {
  local offset machine
  offset=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  machine=$(od -An -tx2 -j$((offset + 4)) -N2 "$1" | tr -d ' ')
  case "$machine" in 014c) echo 32 ;; 8664) echo 64 ;; *) fail "unknown PE machine $machine in $1" ;; esac
}
# trace_seq <text> [n]: the sequence number of the n-th (default first) record that is exactly text.
trace_seq() {
  # Through the environment: awk would read escapes in a -v value, and these texts hold backslashes.
  WANT=$1 N=${2:-1} awk -F'\t' '{ text = $0; sub(/^[^\t]*\t/, "", text) }
    text == ENVIRON["WANT"] && ++seen == ENVIRON["N"] { print $1; exit }' "$trace_log"
}
# devices_at <seq>: the watched devices present when that record arrived, one line each, or "-".
devices_at() {
  awk -F'\t' -v seq="$1" '$1 == seq { sub(/^[^\t]*\t/, ""); print }' "$devices_log"
}
# expect_devices_at <seq> <pattern>...: the watched devices at that record are exactly these, one
# pattern per device line in enumeration order, where only * is a wildcard ("-" alone: none).
expect_devices_at() {
  local seq=$1 lines=() i regex pattern
  shift
  [ -n "$seq" ] || fail "expect_devices_at: no such trace record"
  mapfile -t lines < <(devices_at "$seq")
  if [ ${#lines[@]} -eq $# ]; then
    for ((i = 0; i < $#; i++)); do
      pattern=${*:i+1:1}
      regex=$(printf '%s' "$pattern" | sed -e 's/[][\.^$+?(){}|\\/]/\\&/g' -e 's/\*/.*/g')
      [[ ${lines[$i]} =~ ^${regex}$ ]] || break
    done
    [ $i -eq $# ] && return 0
  fi
  printf "  devices at $seq: %s\n" "${lines[@]}" >&2
  fail "at trace record $seq ($(sed -n "/^$seq\t/{s/^[^\t]*\t//p;q}" "$trace_log")) the devices are not: $*"
}
# device_tree: every present device, one line each, in a stable order.
device_tree() {
  setupdev list | tr -d '\r' | { grep '^DEV ' || true; } | LC_ALL=C sort
}
# lists_any_id <device line> <hwid>...: whether the device's hardware IDs hold one of these.
lists_any_id() {
  local line=$1 ids wanted id
  shift
  ids=${line#* | hwid=}
  ids=${ids%% | class=*}
  IFS=, read -r -a ids <<<"$ids"
  for wanted in "$@"; do
    for id in "${ids[@]}"; do
      [ "${id,,}" = "${wanted,,}" ] && return 0
    done
  done
  return 1
}
# reg_value <key> <value> [32|64]: a value's data in the given registry view (default: the app's).
reg_value() {
  local view=${3:-$(pe_bits "$app")}
  win reg query "$1" /v "$2" /reg:$view 2>/dev/null | tr -d '\r' | awk -v name="$2" '$1 == name { $1 = ""; $2 = ""; sub(/^ +/, ""); print; exit }'
}

# --- The scenario --------------------------------------------------------------------------------------
# NAME=value words that prepare may add for the steps' ${NAME}.
driver_vars=("APP=$app_dir_win\\$app_name" "APP_DIR=$app_dir_win" 'E2E_SNAPSHOTS=C:\e2e\snapshots' 'E2E_TRACE=C:\e2e\trace.log')
# android_usb.inf missing beside the program (so Install reports failure), and the whole package in
# C:\drivers under the names the folder install looks for (the modem INF as qcmsm.inf).
layout_failing_install_with_driver_folder() {
  rm -f "$app_dir/android_usb.inf"
  mkdir -p "$drive_c/drivers"
  cp "$source_dir/samples/qcmdm.inf" "$drive_c/drivers/qcmsm.inf"
  cp "$source_dir/samples/qcser.inf" "$source_dir/samples/android_usb.inf" "$drive_c/drivers/"
}

prepare() { :; }
verify() { :; }
devices_expected_gone=()
[ -f "$hooks_file" ] && source "$hooks_file"
if [ -n "$expect_bits" ]; then
  [ "$(pe_bits "$app")" = "$expect_bits" ] || fail "$app is a $(pe_bits "$app")-bit program, this build makes $expect_bits-bit ones"
fi
prepare
device_tree >"$work/devices-before.txt"

cp "$steps_file" "$e2e_dir/scenario.steps"

# Screenshots on the driver's request (its `snapshot` step).
(
  while :; do
    for request in "$e2e_dir"/snapshots/*.request; do
      [ -e "$request" ] || continue
      name=$(basename "$request" .request)
      import -window root "$shots/$scenario-$name.png" >/dev/null 2>&1 || true
      rm -f "$request"
    done
    sleep 0.05
  done
) </dev/null >/dev/null 2>&1 &
snapper_pid=$!

# The trace viewer, listening before the app starts.
wine 'C:\e2e\debughelper.exe' --watch-devices 'USB\VID_05C6&PID_9018' 'C:\e2e\devices.log' 'C:\e2e\trace.log' </dev/null >>"$work/debughelper.log" 2>&1 &
win 'C:\e2e\e2edriver.exe' -e 'wait-window "DebugHelper " 10000' >/dev/null || fail "the trace viewer did not open its window"

log "running $scenario.steps with $app_name ($(pe_bits "$app")-bit)"
# Into a file, not a pipe: the application inherits the driver's output, and a pipe would stay open
# (and this script wait) as long as an application that a failed step left running.
set +e
timeout "${E2E_TIMEOUT:-120}" wine 'C:\e2e\e2edriver.exe' 'C:\e2e\scenario.steps' "${driver_vars[@]}" </dev/null >"$work/driver.raw" 2>&1
driver_status=$?
set -e
tr -d '\r' <"$work/driver.raw" >"$work/driver.log"
sed 's/^/  | /' "$work/driver.log"
[ "$driver_status" = 124 ] && fail "the steps did not finish within ${E2E_TIMEOUT:-120} s"
[ "$driver_status" = 0 ] || fail "the steps failed (e2edriver exit $driver_status)"

# Let the viewer finish any text in flight, then check what it and the system saw.
win 'C:\e2e\e2edriver.exe' -e 'close-window "DebugHelper "' >/dev/null || true
sed 's/^/  trace /' "$trace_log"
verify

# The device tree: nothing added, nothing removed but what the scenario expects gone.
device_tree >"$work/devices-after.txt"
while IFS= read -r line; do
  [ ${#devices_expected_gone[@]} -gt 0 ] && lists_any_id "$line" "${devices_expected_gone[@]}" && continue
  echo "$line"
done <"$work/devices-before.txt" >"$work/devices-expected.txt"
if ! cmp -s "$work/devices-expected.txt" "$work/devices-after.txt"; then
  { diff "$work/devices-expected.txt" "$work/devices-after.txt" || true; } | sed 's/^/  devices /' >&2
  fail "the device tree after the run is not the one before it (< expected, > found)"
fi
passed=1
log "passed in $((SECONDS - started)) s"
