#!/usr/bin/env bash
# Exits 0 when this host can execute a 32-bit (i386) Linux program, 1 when it cannot. Decided by trying:
# a 93-byte static i386 program that only calls exit(0), so no i386 library needs to be installed.
# Hosts that run 64-bit user code only refuse it with "Exec format error".
probe=$(mktemp "${TMPDIR:-/tmp}/quarvel-i386-probe.XXXXXX") || exit 1
trap 'rm -f "$probe"' EXIT
# ELF header, one loadable segment at 0x08048000, then: mov eax,1; xor ebx,ebx; int 0x80
printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0\2\0\3\0\1\0\0\0\124\200\4\10\64\0\0\0\0\0\0\0\0\0\0\0\64\0\40\0\1\0\0\0\0\0\0\0' >"$probe"
printf '\1\0\0\0\0\0\0\0\0\200\4\10\0\200\4\10\135\0\0\0\135\0\0\0\5\0\0\0\0\20\0\0' >>"$probe"
printf '\270\1\0\0\0\61\333\315\200' >>"$probe"
chmod +x "$probe"
"$probe" 2>/dev/null && exit 0
exit 1
