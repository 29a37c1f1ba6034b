#!/usr/bin/env bash
# Checks the image of vorsel.exe: a PE32 i386 console program, ASLR, DEP and terminal-server
# aware, that imports from KERNEL32, ADVAPI32 and msvcrt only and cannot write to the registry,
# with its version resource and one manifest that requests nothing.
# usage: check-exe.sh OBJDUMP WINDRES EXE
set -uo pipefail
objdump=$1
windres=$2
exe=$3
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

resources=$("$windres" -J coff -O rc -i "$exe") || fail "cannot read the resources"
# Exactly one manifest, id 1, in a language of its own, so that no default manifest is kept.
[ "$(grep -c '^1 24 ' <<<"$resources")" = 1 ] || fail "not exactly one manifest resource 1"
[ "$(grep -c 'Type: 24' <<<"$resources")" = 1 ] || fail "more than one manifest"
! grep -q '^LANGUAGE 0, 0' <<<"$resources" || fail "a language-neutral resource"
grep -q '"<assembly xmlns=""urn:schemas-microsoft-com:asm.v1"" manifestVersion=""1.0""/>' <<<"$resources" ||
    fail "manifest is not an empty assembly element"
! grep -qi 'requestedExecutionLevel\|trustInfo' <<<"$resources" || fail "manifest requests an execution level"
for line in ' FILEVERSION 1, 0, 0, 3' ' PRODUCTVERSION 1, 0, 0, 3' \
    'VALUE "FileVersion", "1, 0, 0, 3"' 'VALUE "ProductVersion", "1, 0, 0, 3"' \
    'VALUE "FileDescription", "Outlook antivirus and antispam plugins reg/unreg application"' \
    'VALUE "InternalName", "vorsel"' 'VALUE "OriginalFilename", "vorsel.exe"' \
    'VALUE "PrivateBuild", "3"' 'VALUE "SpecialBuild", "3"'; do
    grep -qF -- "$line" <<<"$resources" || fail "version resource lacks: $line"
done
[ "$(grep -c 'VALUE "' <<<"$resources")" = 8 ] || fail "version resource holds other strings"

[ $failed -eq 0 ] && echo "image checks passed: PE32 i386 console, DllCharacteristics $flags, imports $dlls, version 1.0.0.3, one manifest"
exit $failed
