#!/usr/bin/env bash
# Checks the built module file: a PE DLL of the right machine that imports
# only the four system DLLs and exports its functions by name and ordinal.
#   check_dll.sh DLL ARCH
set -euo pipefail
dll=$1 arch=$2
objdump=$arch-w64-mingw32-objdump
fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; fail=1; fi; }

headers=$("$objdump" -p "$dll")
if [ "$arch" = i686 ]; then
    check "PE32 i386 DLL" 'grep -q "file format pei-i386" <<<"$headers"'
else
    check "PE32+ x86-64 DLL" 'grep -q "file format pei-x86-64" <<<"$headers"'
fi

imports=$(echo "$headers" | sed -n 's/^\s*DLL Name: //p' | tr 'a-z' 'A-Z' | sort | tr '\n' ' ')
check "imports only KERNEL32, USER32, ADVAPI32, msvcrt (found: $imports)" \
    '[ "$imports" = "ADVAPI32.DLL KERNEL32.DLL MSVCRT.DLL USER32.DLL " ]'

# The export table: "[ index] +base[ ordinal] rva  Export RVA" rows, then the name rows.
exports=$(echo "$headers" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p')
check "OnCommand exported by name with ordinal 1" \
    'grep -Eq "^\s*\[ *0\] \+base\[ *1\] [0-9a-f]+ Export RVA" <<<"$headers" && grep -Eq "\[ *0\] OnCommand$" <<<"$exports"'
check "no decorated names exported" '! grep -q "@" <<<"$exports"'
exit $fail
