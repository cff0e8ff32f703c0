#!/usr/bin/env bash
# Runs one end-to-end scenario of Quarvel under Wine, in a Wine session of its own (wine-prefix.sh), so
# that scenarios can run side by side.
#
#   run-e2e.sh <build-dir> <Quarvel.exe> <scenario>.steps
#
# The test programs come from the build folder's tools/ and must be built for the program's machine (read
# from its PE header, as every architecture-dependent choice here). The scenario is <scenario>.steps (one
# e2edriver step a line; those of this level lie in scenarios/), <scenario>.trace (the capture expected)
# and optionally <scenario>.sh, sourced before the app starts to prepare it. The device instances after
# the run must be those before it.
# Environment: E2E_WINDOWS (win32|win64) the Windows to run on, by default the one the program's users have
# (an i686 program alone on 32-bit Windows); E2E_KEEP=1 keeps the work folder after a pass; E2E_TIMEOUT
# (seconds, default 120).
# Exit: 0 pass, 1 fail (the work folder with logs, capture and a screenshot is kept and named), 2 bad usage,
# 77 skipped (a 32-bit program or Windows where the host runs 64-bit code only).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
[ $# = 3 ] && [ -f "$1/tools/e2edriver/e2edriver.exe" ] && [ -f "$2" ] && [[ -f $3 && $3 == *.steps ]] ||
  { echo "usage: $0 BUILD-DIR EXE SCENARIO.steps (with the test programs built)" >&2; exit 2; }
build=$(cd "$1" && pwd) app=$2 scenario_path=${3%.steps} scenario=$(basename "$3" .steps) tools=$build/tools
fail() { echo "e2e[$scenario]: FAIL: $*" >&2; exit 1; }
source "$here/wine-prefix.sh"
machine=$("$source_dir/cmake/pe-machine.sh" "$app") || exit 2
windows=${E2E_WINDOWS:-$(windows_of "$app")}
host_32bit=$("$source_dir/cmake/host-kind.sh" "$build") || exit 1
[ "$machine:$windows" = x86_64:win64 ] || [ "$host_32bit" = yes ] || { echo "skipped: this host runs 64-bit code only"; exit 77; }
helpers=("$tools"/debughelper/debughelper.exe "$tools"/e2edriver/e2edriver.exe "$tools"/plantdll/plantdll.dll)
for helper in "${helpers[@]}"; do
  [ "$("$source_dir/cmake/pe-machine.sh" "$helper")" = "$machine" ] ||
    { echo "e2e[$scenario]: $helper is not built for $machine, the program's machine" >&2; exit 2; }
done
# The registry view of the program's machine, and on 64-bit Windows the other one.
case $machine in i686) view=32 other_view=64 ;; x86_64) view=64 other_view=32 ;; esac
[ "$windows" = win64 ] || other_view=

mkdir -p "$build/e2e-work"
work=$(mktemp -d "$build/e2e-work/$scenario.XXXXXX") started=$SECONDS
# The run's status stays the script's.
finish() {
  local status=$?
  set +e
  [ $status = 0 ] || import -window root "$work/failure.png" >/dev/null 2>&1
  end_wine_session
  if [ $status = 0 ] && [ "${E2E_KEEP:-0}" != 1 ]; then rm -rf "$work"; else echo "e2e[$scenario]: work folder kept: $work" >&2; fi
}
trap finish EXIT
trap 'exit 1' INT TERM HUP
trap 'fail "line $LINENO failed: $BASH_COMMAND"' ERR
wine_session "$build" "$work" "$windows"

# C:\quarvel: the program beside its driver package; C:\e2e: the test programs and the trace records.
drive_c=$WINEPREFIX/drive_c app_name=$(basename "$app")
app_dir=$drive_c/quarvel e2e_dir=$drive_c/e2e
mkdir -p "$app_dir" "$e2e_dir"
cp "$app" "$source_dir"/samples/*.inf "$app_dir/"
cp "${helpers[@]}" "$e2e_dir/"

# For the scenario's own preparation (<scenario>.sh): a Windows program, its output on stdout.
win() { wine "$@" </dev/null 2>>"$work/wine-stderr.log" | tr -d '\r'; }
device_instances >"$work/devices-before.txt"
[ ! -f "$scenario_path.sh" ] || source "$scenario_path.sh"
# First the trace viewer's window; then the scenario's steps, ${APP} the program's path and ${APP_TITLE}
# its name (a message box's caption).
mapfile -t steps < <(grep -v -e '^#' -e '^$' "$scenario_path.steps")
steps=("${steps[@]//'${APP_TITLE}'/${app_name%.exe}}")
steps=('wait-window "DebugHelper " 10000' "${steps[@]//'${APP}'/C:\\quarvel\\$app_name}")

# The trace viewer records each text, and the phone's devices present at it, from before the app starts.
wine 'C:\e2e\debughelper.exe' --watch-devices 'USB\VID_05C6&PID_9018' 'C:\e2e\devices.log' 'C:\e2e\trace.log' \
  </dev/null >"$work/debughelper.log" 2>&1 &
# Into a file, not a pipe: an application that a failed step left running would hold a pipe open.
status=0
E2E_TRACE='C:\e2e\trace.log' timeout "${E2E_TIMEOUT:-120}" wine 'C:\e2e\e2edriver.exe' "${steps[@]}" \
  </dev/null >"$work/driver.log" 2>&1 || status=$?
tr -d '\r' <"$work/driver.log" | sed 's/^/  | /'
[ $status = 0 ] || fail "the steps failed (e2edriver exit $status; 124: out of time)"

# The capture: each trace text, then the watched devices present at it, indented (left out are the
# comparisons with the host's own devices, which differ from host to host); then what the run left: the
# sample packages' marks (name=value) in the registry view of the program's machine and in the other one
# (none on 32-bit Windows, which has one view), and the planted DLLs (install-no-phone.sh) that were loaded.
marks() {
  [ -z "$1" ] || win reg query 'HKLM\Software\Quarvel\SampleMarks' /reg:"$1" | awk '$2 == "REG_SZ" { printf " %s=%s", $1, $3 }'
}
{
  awk -F'\t' 'NR == FNR { if ($2 != "-") devices[$1] = devices[$1] "  " substr($0, length($1) + 2) "\n"; next }
    /^[0-9]+\tCompare device ID: / && !/VID_05C6/ { next }
    { print substr($0, length($1) + 2); printf "%s", devices[$1] }' "$e2e_dir/devices.log" "$e2e_dir/trace.log"
  echo "marks in its own registry view:$(marks $view)"
  echo "marks in the other registry view:$(marks "$other_view")"
  echo "planted DLLs loaded:" $(cd "$app_dir" && ls -- *.loaded 2>/dev/null)
} >"$work/capture.txt"
diff "$scenario_path.trace" "$work/capture.txt" >&2 || fail "the capture is not $scenario.trace (< expected, > found)"
device_instances >"$work/devices-after.txt"
diff "$work/devices-before.txt" "$work/devices-after.txt" >&2 || fail "the device instances after the run are not those before it"
echo "e2e[$scenario]: passed in $((SECONDS - started)) s"
