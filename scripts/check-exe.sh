#!/usr/bin/env bash
# Checks the image of vorsel.exe: a PE32 i386 console program, ASLR, DEP and terminal-server
# aware, that imports from KERNEL32, ADVAPI32 and msvcrt only and cannot write to the registry.
# usage: check-exe.sh OBJDUMP EXE
set -uo pipefail
objdump=$1
exe=$2
headers=$("$objdump" -p "$exe") || { echo "cannot read $exe"; exit 1; }
failed=0
fail() { echo "FAIL: $*"; failed=1; }

grep -q '^Magic[[:space:]]*010b' <<<"$headers" || fail "not a PE32 image"
grep -q 'file format pei-i386' <<<"$headers" || fail "not an i386 image"
grep -q '^Subsystem[[:space:]]*00000003' <<<"$headers" || fail "not a console program"

flags=$(awk '/^DllCharacteristics/ {print $2}' <<<"$headers")
for bit in 0040:DYNAMIC_BASE 0100:NX_COMPAT 8000:TERMINAL_SERVER_AWARE; do
    (( 0x$flags & 0x${bit%%:*} )) || fail "${bit#*:} not set (DllCharacteristics $flags)"
done

dlls=$(awk '/DLL Name:/ {print toupper($3)}' <<<"$headers" | sort | tr '\n' ' ')
[ "$dlls" = "ADVAPI32.DLL KERNEL32.DLL MSVCRT.DLL " ] || fail "imports from: $dlls"

writers=$(grep -oE '\bReg(Set|Create|Delete|Save|Restore|Load|Replace|Copy|Rename)[A-Za-z]*' <<<"$headers" | sort -u | tr '\n' ' ')
[ -z "$writers" ] || fail "imports registry writers: $writers"

[ $failed -eq 0 ] && echo "image checks passed: PE32 i386 console, DllCharacteristics $flags, imports $dlls"
exit $failed
