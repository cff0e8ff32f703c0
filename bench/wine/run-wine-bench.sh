#!/usr/bin/env bash
# Times Quarvel.exe under Wine against baseline programs of ours, everything pinned to one core:
#   install: one automatic install (the posted click on Install to the success box), alternating with
#            bench_calls_baseline.exe (the same device-installation calls, nothing else),
#            bench_traced_baseline.exe (those calls and Quarvel.exe's trace texts, with no viewer open) and
#            bench_minimal_baseline.exe (the least the job needs);
#   start-up: process start to the dialog visible, alternating with bench_one_control.exe.
# Each program gets one untimed warm-up, then <runs> timed runs; the medians and ratios are printed.
# Before timing, a relay capture proves that Quarvel.exe and bench_calls_baseline.exe make the same
# calls (setupapi, newdev, FindFirstFileA) in the same order, and counts Quarvel.exe's trace texts
# (two trace-window lookups each) for the traced baseline. Every install run is checked for its
# effect: each sample INF's install section ran, and the device tree is the one before the run.
#
#   run-wine-bench.sh [build-dir] [runs]      build-dir: a built win32 or win64 folder (default build/win32)
#
# Environment: BENCH_KEEP=1 keeps the work folder (prefix, logs). Exit: 0 measured, 1 a run or a check
# failed, 2 bad usage or missing programs.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
build=${1:-$source_dir/build/win32}
runs=${2:-7}
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [build-dir] [runs]" >&2; exit 2; }
[ -d "$build" ] || { echo "bench: no build folder $build" >&2; exit 2; }
build=$(cd "$build" && pwd)

# Everything from here on, the Wine server and the display included, runs on core 0 only, and ahead
# of other work on the machine where the user may raise priority (elsewhere nice only warns).
if [ "${QUARVEL_BENCH_PINNED:-}" != 1 ]; then
  export QUARVEL_BENCH_PINNED=1
  exec taskset -c 0 nice -n -10 "$0" "$build" "$runs"
fi

# The x86_64 build is Quarvel64.exe; the bench runs either as Quarvel.exe, the name the timer, the relay
# capture and the outcome box's caption go by.
app=$build/app/Quarvel64.exe
[ -f "$app" ] || app=$build/app/Quarvel.exe
bench=$build/bench/wine
programs=("$app" "$bench/bench_timer.exe" "$bench/bench_calls_baseline.exe" "$bench/bench_traced_baseline.exe"
  "$bench/bench_minimal_baseline.exe" "$bench/bench_one_control.exe")
for exe in "${programs[@]}"; do
  [ -f "$exe" ] || { echo "bench: missing $exe (build the Quarvel and bench_* targets)" >&2; exit 2; }
done

log() { echo "bench: $*"; }
fail() { echo "bench: FAIL: $*" >&2; exit 1; }

source "$source_dir/tests/e2e/wine-prefix.sh"

mkdir -p "$build/bench-wine-work"
work=$(mktemp -d "$build/bench-wine-work/run.XXXXXX")
passed=0
cleanup() {
  local status=$?
  set +e
  end_wine_session
  if [ "$passed" = 1 ] && [ "${BENCH_KEEP:-0}" != 1 ]; then rm -rf "$work"; else echo "bench: work folder kept: $work" >&2; fi
  exit $status
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# The Windows the program's users have: an i686 program alone on 32-bit Windows.
wine_session "$build" "$work" "$(windows_of "$app")" || fail "no Wine session"

# C:\quarvel: Quarvel.exe and both install baselines beside the sample package (each finds the INF
# files beside itself); C:\bench: the timer.
drive_c=$WINEPREFIX/drive_c
mkdir -p "$drive_c/quarvel" "$drive_c/bench"
cp "$app" "$drive_c/quarvel/Quarvel.exe"
cp "$bench/bench_calls_baseline.exe" "$bench/bench_traced_baseline.exe" "$bench/bench_minimal_baseline.exe" \
  "$bench/bench_one_control.exe" \
  "$source_dir"/samples/*.inf "$drive_c/quarvel/"
cp "$bench/bench_timer.exe" "$drive_c/bench/"

win() { wine "$@" </dev/null 2>>"$work/wine-stderr.log"; }
case $("$source_dir/cmake/pe-machine.sh" "$app") in i686) bits=32 ;; x86_64) bits=64 ;; *) fail "no machine" ;; esac
marks_key='HKLM\Software\Quarvel\SampleMarks'

# Wine and the prefix warm: the server, the services and the registry are up before any timing.
win reg query 'HKLM\System\CurrentControlSet\Enum' >/dev/null
device_instances >"$work/tree-before.txt"

# time_run <mode> <program> <label>: one timed run; appends its milliseconds to $work/<label>.ms
# (unless label is "-"). An install run must end in the success box, have run each sample INF's
# install section (its registry mark, cleared before the run) and leave the device tree as it was.
time_run() {
  local mode=$1 program=$2 label=$3 line ms mark
  if [ "$mode" != startup ]; then win reg delete "$marks_key" /f /reg:$bits >/dev/null 2>&1 || true; fi
  line=$(win 'C:\bench\bench_timer.exe' "$mode" "C:\\quarvel\\$program" | tr -d '\r' | grep '^result ' || true)
  echo "$label $program: $line" >>"$work/runs.log"
  [[ $line == *" outcome=success exit=0 "* ]] || fail "$program ($mode): ${line:-no result}"
  ms=${line#result ms=}
  ms=${ms%% *}
  if [ "$mode" != startup ]; then
    for mark in qcmdm qcser adb; do
      win reg query "$marks_key" /v $mark /reg:$bits 2>/dev/null | tr -d '\r' | grep -q "$mark.*installed" ||
        fail "$program: the $mark install section did not run"
    done
    device_instances >"$work/tree-after.txt"
    cmp -s "$work/tree-before.txt" "$work/tree-after.txt" ||
      { diff "$work/tree-before.txt" "$work/tree-after.txt" >&2 || true; fail "$program left the device tree changed"; }
  fi
  [ "$label" = - ] || echo "$ms" >>"$work/$label.ms"
}

median() { LC_ALL=C sort -g "$1" | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
# The median of the rounds' own ratios: runs of one round lie seconds apart, so on a busy machine
# this follows a drifting load better than the ratio of the medians.
round_ratio() {
  paste "$1" "$2" | awk '{ print $1 / $2 }' >"$work/ratios.txt"
  printf '%.3f' "$(median "$work/ratios.txt")"
}

# --- The same calls: a relay capture of one install by each (untimed) --------------------------------
debug_key='HKCU\Software\Wine\Debug'
relay_calls() {
  local program=$1 mode=$2
  win reg delete "$marks_key" /f /reg:$bits >/dev/null 2>&1 || true
  WINEDEBUG=+relay wine 'C:\bench\bench_timer.exe' "$mode" "C:\\quarvel\\$program" </dev/null \
    2>"$work/relay-$program.log" | tr -d '\r' | grep -q 'outcome=success' || fail "$program under relay did not succeed"
  # One call a line, only those the program made itself (not those the platform makes inside them):
  # the function, then each argument that is a string or a small number (a pointer differs between
  # programs and is shown as *). Only an argument's low 32 bits count: a 64-bit relay shows a 32-bit
  # argument with whatever its register's upper half held.
  perl -ne 'if (/^(\w+):Ret +[\w.]+\(/) { $depth{$1}--; next }
    next unless /^(\w+):Call ([\w.]+)\((.*)\) ret=/; my ($thread, $f, $a) = ($1, $2, $3);
    next if $depth{$thread}++;
    my @args = map { /^"/ ? $_ : (/^[0-9a-f]*?([0-9a-f]{1,8})$/ && hex($1) < 0x10000) ? sprintf("%x", hex($1)) : "*" }
               map { s/^[0-9a-f]+ (?=")//r } ($a =~ /((?:[0-9a-f]+ )?"(?:[^"\\]|\\.)*"|[^,]+)/g);
    print "$f(", join(",", @args), ")\n";' "$work/relay-$program.log" \
    | sed -e 's/^KERNELBASE\./kernel32./I' >"$work/calls-$program.txt"
}
# Wine reads an entry without a dot as a function name, of any module.
relay_functions=(SetupDiGetClassDevsA SetupDiCreateDeviceInfoList SetupDiEnumDeviceInfo SetupDiCreateDeviceInfoA
  SetupDiRemoveDevice SetupDiDestroyDeviceInfoList SetupDiGetDeviceRegistryPropertyA SetupDiSetDeviceRegistryPropertyA
  SetupDiGetINFClassA SetupDiCallClassInstaller UpdateDriverForPlugAndPlayDevicesA FindFirstFileA FindWindowA)
win reg add "$debug_key" /v RelayInclude /d "$(IFS=';'; echo "${relay_functions[*]}")" /f >/dev/null
win reg add "$debug_key" /v RelayFromInclude /d 'Quarvel.exe;bench_calls_baseline.exe;bench_traced_baseline.exe' /f >/dev/null
trace_lookups() { grep -ci '^user32\.FindWindowA(' "$work/calls-$1.txt" || true; }
relay_calls Quarvel.exe install
[ -s "$work/calls-Quarvel.exe.txt" ] || fail "the relay capture of Quarvel.exe holds no calls"
# Each trace text costs two lookups of the trace window (none is open): the traced baseline sends as many.
lookups=$(trace_lookups Quarvel.exe)
[ "$lookups" -gt 0 ] && [ $((lookups % 2)) -eq 0 ] || fail "Quarvel.exe made $lookups trace-window lookups, not two per text"
export QUARVEL_BENCH_TRACE_TEXTS=$((lookups / 2))
relay_calls bench_calls_baseline.exe install
relay_calls bench_traced_baseline.exe install
win reg delete "$debug_key" /v RelayInclude /f >/dev/null
win reg delete "$debug_key" /v RelayFromInclude /f >/dev/null
[ "$(trace_lookups bench_calls_baseline.exe)" -eq 0 ] || fail "bench_calls_baseline.exe looked for the trace window"
[ "$(trace_lookups bench_traced_baseline.exe)" -eq "$lookups" ] ||
  fail "bench_traced_baseline.exe made $(trace_lookups bench_traced_baseline.exe) trace-window lookups, Quarvel.exe $lookups"
# The device-installation calls (the lookups left out) must be the same, in the same order.
for program in Quarvel.exe bench_calls_baseline.exe bench_traced_baseline.exe; do
  grep -vi '^user32\.FindWindowA(' "$work/calls-$program.txt" >"$work/calls-$program.tmp" || true
  mv "$work/calls-$program.tmp" "$work/calls-$program.txt"
done
for program in bench_calls_baseline.exe bench_traced_baseline.exe; do
  if ! cmp -s "$work/calls-Quarvel.exe.txt" "$work/calls-$program.txt"; then
    diff "$work/calls-Quarvel.exe.txt" "$work/calls-$program.txt" | head -40 >&2 || true
    fail "$program does not make Quarvel.exe's calls (< Quarvel.exe, > baseline)"
  fi
done
log "same calls: Quarvel.exe and both call baselines each made the same $(wc -l <"$work/calls-Quarvel.exe.txt") device calls"
log "trace texts: Quarvel.exe sent $QUARVEL_BENCH_TRACE_TEXTS ($lookups window lookups); bench_traced_baseline.exe as many"

# --- Install -------------------------------------------------------------------------------------------
log "install: $runs alternating runs each after one warm-up ($bits-bit, core 0, nice $(nice), load $(cut -d' ' -f1-3 /proc/loadavg))"
time_run install Quarvel.exe -
time_run install bench_calls_baseline.exe -
time_run install bench_traced_baseline.exe -
time_run install bench_minimal_baseline.exe -
for _ in $(seq "$runs"); do
  time_run install Quarvel.exe quarvel
  time_run install bench_calls_baseline.exe calls
  time_run install bench_traced_baseline.exe traced
  time_run install bench_minimal_baseline.exe minimal
done

# --- Start-up ------------------------------------------------------------------------------------------
log "start-up: $runs alternating runs each after one warm-up"
time_run startup Quarvel.exe -
time_run startup bench_one_control.exe -
for _ in $(seq "$runs"); do
  time_run startup Quarvel.exe start_quarvel
  time_run startup bench_one_control.exe start_one
done

q=$(median "$work/quarvel.ms") a=$(median "$work/calls.ms") b=$(median "$work/minimal.ms") t=$(median "$work/traced.ms")
sq=$(median "$work/start_quarvel.ms") so=$(median "$work/start_one.ms")
echo "bench: runs, ms:"
sed 's/^/  /' "$work/runs.log" | grep -v '^  - ' || true
printf 'bench: install (median of %d, ms)   Quarvel.exe %s   calls baseline %s   minimal baseline %s\n' "$runs" "$q" "$a" "$b"
printf 'bench: install ratio Quarvel/calls %s (target <= 1.1; per round %s)   Quarvel/minimal %s (no target; per round %s)\n' \
  "$(ratio "$q" "$a")" "$(round_ratio "$work/quarvel.ms" "$work/calls.ms")" \
  "$(ratio "$q" "$b")" "$(round_ratio "$work/quarvel.ms" "$work/minimal.ms")"
printf 'bench: install with the trace texts: traced baseline %s ms; Quarvel/traced %s (per round %s), traced/calls %s (per round %s)\n' \
  "$t" "$(ratio "$q" "$t")" "$(round_ratio "$work/quarvel.ms" "$work/traced.ms")" \
  "$(ratio "$t" "$a")" "$(round_ratio "$work/traced.ms" "$work/calls.ms")"
printf 'bench: start-up (median of %d, ms)  Quarvel.exe %s   one-control dialog %s   ratio %s (target <= 1.2; per round %s)\n' \
  "$runs" "$sq" "$so" "$(ratio "$sq" "$so")" "$(round_ratio "$work/start_quarvel.ms" "$work/start_one.ms")"
passed=1
