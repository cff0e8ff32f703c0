#!/usr/bin/env bash
# Whether this host executes 32-bit (i386) Linux programs, decided by trying: a 93-byte static i386
# program that only calls exit(0), so no i386 library needs to be installed.
#   host-runs-32bit.sh [DIR]   writes the probe in DIR (default: ${TMPDIR:-/tmp}), runs it, removes it
# Exit 0: it runs. Exit 1: the kernel refused it with "Exec format error" (ENOEXEC), the one answer of a
# host that runs 64-bit code only. Exit 2: anything else failed (a missing folder, a noexec mount, ...):
# that says nothing about the host, so it is an error, said on stderr, never a "no".
dir=${1:-${TMPDIR:-/tmp}}
error() { echo "host-runs-32bit: $*; cannot tell whether this host runs 32-bit code" >&2; exit 2; }
[ -d "$dir" ] || error "the probe's folder $dir does not exist"
probe=$(mktemp "$dir/quarvel-i386-probe.XXXXXX" 2>&1) || error "cannot write the probe in $dir: $probe"
trap 'rm -f "$probe"' EXIT
# ELF header, one loadable segment at 0x08048000, then: mov eax,1; xor ebx,ebx; int 0x80
{
  printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0\2\0\3\0\1\0\0\0\124\200\4\10\64\0\0\0\0\0\0\0\0\0\0\0\64\0\40\0\1\0\0\0\0\0\0\0'
  printf '\1\0\0\0\0\0\0\0\0\200\4\10\0\200\4\10\135\0\0\0\135\0\0\0\5\0\0\0\0\20\0\0'
  printf '\270\1\0\0\0\61\333\315\200'
} >"$probe" && chmod +x "$probe" || error "cannot write the probe $probe"
# The shell says why an exec failed; in the C locale its words are fixed.
why=$(LC_ALL=C "$probe" 2>&1) && exit 0
case "$why" in
  *"Exec format error"*) exit 1 ;;
  *) error "running the probe $probe failed: ${why:-exit $?}" ;;
esac
