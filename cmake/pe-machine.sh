#!/bin/sh
# Prints the machine a Windows program or DLL is built for, read from its PE header: i686 (0x014c) or
# x86_64 (0x8664). Every architecture-dependent choice of the harness (Wine loader, prefix, system folder,
# registry view, helper programs) is made from this answer, never from the host or a folder name.
#   pe-machine.sh FILE     exit 1, saying why, when FILE is not a PE image of those two machines
f=${1:?usage: pe-machine.sh FILE}
fail() { echo "pe-machine: $f: $*" >&2; exit 1; }
[ -f "$f" ] && [ -r "$f" ] || fail "no readable file"
[ "$(od -An -c -N2 "$f" 2>/dev/null | tr -d ' ')" = MZ ] || fail "not a Windows program (no MZ header)"
offset=$(od -An -tu4 -j60 -N4 "$f" 2>/dev/null | tr -d ' ')
[ -n "$offset" ] || fail "cut short before its PE header offset"
[ "$(od -An -tx1 -j"$offset" -N4 "$f" 2>/dev/null | tr -d ' ')" = 50450000 ] || fail "no PE signature at offset $offset"
machine=$(od -An -tx2 -j$((offset + 4)) -N2 "$f" 2>/dev/null | tr -d ' ')
case "$machine" in
  014c) echo i686 ;;
  8664) echo x86_64 ;;
  *) fail "PE machine 0x${machine:-none} is neither i686 (0x014c) nor x86_64 (0x8664)" ;;
esac
