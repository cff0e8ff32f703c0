#!/usr/bin/env bash
# The harness's own decisions, on any host: the machine read from a PE header, the host probe's three
# answers, and a build folder's recorded answer checked against the host.
#   scripts_test.sh      exit 0 when every case holds; each failing case is named with what it expected
set -uo pipefail
cmake_dir=$(cd "$(dirname "$0")/../../cmake" && pwd)
work=$(mktemp -d)
trap 'umount "$work/noexec" 2>/dev/null; rm -rf "$work"' EXIT
failures=0
# check <case> <expected> <actual>
check() {
  [ "$2" = "$3" ] && return
  echo "FAIL $1: expected [$2], got [$3]"
  failures=$((failures + 1))
}
# run <command...>: "<exit status> <first line of its output and errors>"
run() { local out; out=$("$@" 2>&1); echo "$? $(head -n1 <<<"$out")"; }

# A DOS header whose e_lfanew is 64, then the PE signature and the machine (little-endian).
pe() { { printf 'MZ'; head -c 58 /dev/zero; printf '\100\0\0\0PE\0\0%b' "$2"; } >"$work/$1"; }
pe i686.exe '\114\001'
pe x86_64.exe '\144\206'
check "machine of an i686 header" "0 i686" "$(run "$cmake_dir/pe-machine.sh" "$work/i686.exe")"
check "machine of an x86_64 header" "0 x86_64" "$(run "$cmake_dir/pe-machine.sh" "$work/x86_64.exe")"
# The probe: yes where the i386 loader runs, no (1) only for "Exec format error", else an error (2).
# The i386 loader, where installed, answers the same question on its own.
expected=1
/lib/ld-linux.so.2 --version >/dev/null 2>&1 && expected=0
actual=$(run "$cmake_dir/host-runs-32bit.sh" "$work" | cut -d' ' -f1)
if [ -e /lib/ld-linux.so.2 ]; then
  check "the probe in a plain folder" "$expected" "$actual"
else
  echo "not checked here: the probe's answer (no i386 loader to compare with)"
  expected=$actual
fi
check "the probe's folder missing" "2 host-runs-32bit: the probe's folder $work/none does not exist; cannot tell whether this host runs 32-bit code" \
  "$(run "$cmake_dir/host-runs-32bit.sh" "$work/none")"
mkdir "$work/noexec"
if mount -t tmpfs -o noexec,size=64k tmpfs "$work/noexec" 2>/dev/null; then
  outcome=$(run "$cmake_dir/host-runs-32bit.sh" "$work/noexec")
  check "the probe on a noexec mount: an error" "2" "${outcome%% *}"
  check "the probe on a noexec mount: says why" "Permission denied" "$(grep -o 'Permission denied' <<<"$outcome")"
else
  echo "not checked here: the probe on a noexec mount (mounting needs root)"
fi

# A build folder's answer is read back; one recorded on the other kind of host is an error, never a skip.
# (An answer recorded on this kind of host is read by every cross build's host.kind test.)
other_answer=$([ "$expected" = 0 ] && echo no || echo yes)
check "no recorded answer" "2" "$(run "$cmake_dir/host-kind.sh" "$work" | cut -d' ' -f1)"
echo "$other_answer" >"$work/host-runs-32bit"
check "an answer recorded on the other kind of host" "1" "$(run "$cmake_dir/host-kind.sh" "$work" | cut -d' ' -f1)"

[ $failures = 0 ] && echo "all cases hold"
exit $((failures > 0))
