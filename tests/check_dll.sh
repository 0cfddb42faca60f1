#!/usr/bin/env bash
# Checks the built module file: a PE DLL of the right machine that imports
# only the three system DLLs, and from them only listed functions, exports its functions by name and ordinal;
# for the shipped 32-bit DLL also that Windows 95 and NT 4.0 can load it
# and that its code runs on a 486.
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
check "imports only KERNEL32, USER32, ADVAPI32 (found: $imports)" \
    '[ "$imports" = "ADVAPI32.DLL KERNEL32.DLL USER32.DLL " ]'

# The module loads on Windows 95 and NT 4.0 only if every function it
# imports is there: ANSI and common functions that both export. The wide
# ones are looked up at run time on the NT family; the C runtime's DLL is
# not imported at all.
allowed_ADVAPI32="RegCloseKey RegCreateKeyExA RegDeleteKeyA RegEnumKeyA RegOpenKeyExA RegQueryValueExA RegSetValueExA"
allowed_KERNEL32="CompareStringA EnumSystemLocalesA GetFullPathNameA GetLastError GetLocaleInfoA GetModuleFileNameA
    GetModuleHandleA GetProcAddress GetProcessHeap GetSystemDefaultLCID GetVersionExA HeapAlloc HeapFree
    IsDBCSLeadByte MultiByteToWideChar SetLastError WideCharToMultiByte lstrcpynA lstrlenA"
allowed_USER32="CheckDlgButton DialogBoxParamA EnableWindow EndDialog GetDlgItem IsDlgButtonChecked IsWindowEnabled
    LoadCursorA LoadStringA MessageBoxA SendMessageA SetCursor SetWindowTextA"
functions=$(awk -F'\t' '/DLL Name:/ { split($0, n, ": "); dll = toupper(n[2]); sub(/\.DLL$/, "", dll); next }
                       dll != "" && NF >= 3 && $3 ~ /^ *[0-9]+ +[A-Za-z_]/ { split($3, f, " "); print dll " " f[2] }
                       /^$/ { dll = "" }' <<<"$headers")
check "the import table lists functions (found: $(wc -l <<<"$functions"))" '[ "$(wc -l <<<"$functions")" -gt 10 ]'
unexpected=""
while read -r from name; do
    list=allowed_$from
    [[ " $(echo ${!list:-}) " == *" $name "* ]] || unexpected+=" $from!$name"
done <<<"$functions"
check "imports only listed ANSI and common functions (unlisted:$unexpected)" '[ -z "$unexpected" ]'

# The benchmark's stage timing is compiled into its own build only.
check "no timing code (QueryPerformanceCounter not imported)" '! grep -q QueryPerformanceCounter <<<"$headers"'

# The export table: the ordinal of each name is its index plus the base (1).
exports=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$headers")
check "ordinal base 1" 'grep -q "^Ordinal Base[[:space:]]*1" <<<"$headers"'
ordinal=1
for name in OnCommand QueryStatus OnEvents GetMenuTextID GetStatusMessageID GetBitmapID PlugInProc; do
    index=$((ordinal - 1))
    check "$name exported by name with ordinal $ordinal" 'grep -Eq "^\s*\[ *$index\] $name$" <<<"$exports"'
    ordinal=$((ordinal + 1))
done
check "exactly seven exports" '[ "$(grep -c "^\s*\[ *[0-9]*\] " <<<"$exports")" = 7 ]'
check "no decorated names exported" '! grep -q "@" <<<"$exports"'
if [ "$arch" = i686 ]; then
    check "subsystem and OS version 4.0" \
        'grep -q "^MajorSubsystemVersion[[:space:]]*4$" <<<"$headers" && grep -q "^MinorSubsystemVersion[[:space:]]*0$" <<<"$headers" && grep -q "^MajorOSystemVersion[[:space:]]*4$" <<<"$headers"'
    check "no TLS directory (Windows 95 loads no such DLL with LoadLibrary)" \
        'grep -q "^Entry 9 00000000 00000000 Thread Storage" <<<"$headers"'
    sections=$("$objdump" -h "$dll" | awk '$1 ~ /^[0-9]+$/ { print $2 }' | tr '\n' ' ')
    check "no unwind tables (found sections: $sections)" '! grep -q "eh_fram" <<<"$sections"'
    # Every instruction of the file, the C runtime's included (none is
    # linked in), against what a 486 has: no CMOV/FCMOV/FCOMI (Pentium Pro),
    # CMPXCHG8B/RDTSC/CPUID (Pentium), long NOPs, ENDBR, MMX, SSE or later.
    newer=$("$objdump" -d --no-show-raw-insn "$dll" | grep -E \
        $'\t(cmov|fcmov|fu?comi|cmpxchg8b|cmpxchg16b|rdtsc|rdpmc|cpuid|sysenter|sysexit|nop[wl]|endbr|emms|femms|pause|[lsm]fence|clflush|prefetch|movnt|fxsave|fxrstor|popcnt|lzcnt|tzcnt|movbe|crc32)|%[xyz]?mm[0-9]' || true)
    found=$( [ -z "$newer" ] || awk -F'\t' '{ split($2, m, " "); print m[1] }' <<<"$newer" | sort | uniq -c | tr -s ' \n' ' ')
    check "no instruction newer than the 486 (found:$found)" '[ -z "$newer" ]'
fi
exit $fail
