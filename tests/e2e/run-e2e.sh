#!/usr/bin/env bash
# Runs one end-to-end scenario of Quarvel under Wine, in a Wine session of its own (wine-prefix.sh), so
# that scenarios can run side by side.
#
#   run-e2e.sh <build-dir> <Quarvel.exe> <32|64> <scenario>
#
# The test programs come from the build folder's tools/. The scenario is scenarios/<scenario>.steps (one
# e2edriver step a line), <scenario>.trace (the capture expected) and optionally <scenario>.sh, which may
# define `prepare` (before the app starts) and `verify` (after the steps). The device instances after the
# run must be those before it. 32 or 64 is the architecture the app is built for.
# Environment: E2E_KEEP=1 keeps the work folder after a pass; E2E_TIMEOUT (seconds, default 120).
# Exit: 0 pass, 1 fail (the work folder with logs, capture and a screenshot is kept and named), 2 bad usage.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
[ $# = 4 ] && [ -f "$1/tools/e2edriver/e2edriver.exe" ] && [ -f "$2" ] && [ -f "$here/scenarios/$4.steps" ] ||
  { echo "usage: $0 BUILD-DIR EXE 32|64 SCENARIO (with the test programs built)" >&2; exit 2; }
build=$(cd "$1" && pwd) app=$2 bits=$3 scenario=$4 tools=$build/tools
fail() { echo "e2e[$scenario]: FAIL: $*" >&2; exit 1; }

source "$here/wine-prefix.sh"
mkdir -p "$build/e2e-work"
work=$(mktemp -d "$build/e2e-work/$scenario.XXXXXX") passed=0 started=$SECONDS
finish() {
  local status=$?
  set +e
  [ "$passed" = 1 ] || import -window root "$work/failure.png" >/dev/null 2>&1
  end_wine_session
  if [ "$passed" = 1 ] && [ "${E2E_KEEP:-0}" != 1 ]; then rm -rf "$work"; else echo "e2e[$scenario]: work folder kept: $work" >&2; fi
  exit $status
}
trap finish EXIT
trap 'exit 1' INT TERM HUP
trap 'fail "line $LINENO failed: $BASH_COMMAND"' ERR
wine_session "$build" "$work"

# C:\quarvel: the program beside its driver package; C:\e2e: the test programs and the trace records.
drive_c=$WINEPREFIX/drive_c app_name=$(basename "$app")
app_dir=$drive_c/quarvel e2e_dir=$drive_c/e2e
mkdir -p "$app_dir" "$e2e_dir"
cp "$app" "$source_dir"/samples/*.inf "$app_dir/"
cp "$tools"/debughelper/debughelper.exe "$tools"/e2edriver/e2edriver.exe "$tools"/plantdll/plantdll.dll "$e2e_dir/"

# For the hooks: a Windows program, its output on stdout.
win() { wine "$@" </dev/null 2>>"$work/wine-stderr.log" | tr -d '\r'; }
# The value of a sample package's mark (qcmdm, qcser, adb) in the registry view of 32 or 64 bits.
reg_mark() { win reg query 'HKLM\Software\Quarvel\SampleMarks' /v "$1" /reg:"$2" | awk -v name="$1" '$1 == name { print $3 }'; }
# Each install section ran in the registry view of that architecture alone.
marks_only_in() {
  local name
  for name in qcmdm qcser adb; do
    [ "$(reg_mark $name "$1")" = installed ] && [ -z "$(reg_mark $name $((96 - $1)))" ] ||
      fail "the mark of $name is not in the $1-bit registry view alone"
  done
}
prepare() { :; }
verify() { :; }
[ ! -f "$here/scenarios/$scenario.sh" ] || source "$here/scenarios/$scenario.sh"
device_instances >"$work/devices-before.txt"
prepare
steps=()
while IFS= read -r step; do
  [[ -n $step && $step != \#* ]] || continue
  # The texts settext sends are written as the viewer records them: \n \r \t \\ become the characters.
  [[ $step != settext* ]] || printf -v step '%b' "$step"
  step=${step//'${APP_TITLE}'/${app_name%.exe}} # a message box's caption: the program's name
  steps+=("${step//'${APP}'/C:\\quarvel\\$app_name}")
done <"$here/scenarios/$scenario.steps"

# The trace viewer records each text, and the phone's devices present at it, from before the app starts.
wine 'C:\e2e\debughelper.exe' --watch-devices 'USB\VID_05C6&PID_9018' 'C:\e2e\devices.log' 'C:\e2e\trace.log' \
  </dev/null >"$work/debughelper.log" 2>&1 &
win 'C:\e2e\e2edriver.exe' 'wait-window "DebugHelper " 10000' >/dev/null || fail "the trace viewer did not open its window"
echo "e2e[$scenario]: $scenario.steps with $app_name"
# Into a file, not a pipe: an application that a failed step left running would hold a pipe open.
status=0
E2E_TRACE='C:\e2e\trace.log' timeout "${E2E_TIMEOUT:-120}" wine 'C:\e2e\e2edriver.exe' "${steps[@]}" \
  </dev/null >"$work/driver.log" 2>&1 || status=$?
tr -d '\r' <"$work/driver.log" | sed 's/^/  | /'
[ $status = 0 ] || fail "the steps failed (e2edriver exit $status; 124: out of time)"

# Each trace text, then the watched devices present at it, indented; left out are the comparisons with
# the host's own devices, which differ from host to host.
awk -F'\t' 'NR == FNR { if ($2 != "-") devices[$1] = devices[$1] "  " substr($0, length($1) + 2) "\n"; next }
  /^[0-9]+\tCompare device ID: / && !/VID_05C6/ { next }
  { print substr($0, length($1) + 2); printf "%s", devices[$1] }' "$e2e_dir/devices.log" "$e2e_dir/trace.log" >"$work/capture.txt"
diff "$here/scenarios/$scenario.trace" "$work/capture.txt" >&2 || fail "the capture is not $scenario.trace (< expected, > found)"
verify
device_instances >"$work/devices-after.txt"
diff "$work/devices-before.txt" "$work/devices-after.txt" >&2 || fail "the device instances after the run are not those before it"
passed=1
echo "e2e[$scenario]: passed in $((SECONDS - started)) s"
