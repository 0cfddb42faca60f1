#!/usr/bin/env bash
# Each executable named imports none of memcpy, memmove, memset and memcmp:
# it uses the module's own, as the DLL does.
status=0
for exe in "$@"; do
    if ! table=$(x86_64-w64-mingw32-objdump -p "$exe") || ! grep -q 'DLL Name:' <<<"$table"; then
        echo "FAIL: no import table read from $exe"
        status=1
        continue
    fi
    found=$(grep -wE 'memcpy|memmove|memset|memcmp' <<<"$table" | awk '{print $NF}' | tr '\n' ' ')
    if [ -n "$found" ]; then
        echo "FAIL: $(basename "$exe") imports $found"
        status=1
    else
        echo "ok: $(basename "$exe") imports no memory routine"
    fi
done
exit $status
