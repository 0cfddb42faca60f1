#!/usr/bin/env bash
# The 64-bit DLL, built from the same sources, through the sort command's
# tests and the differential test under 64-bit Wine, where this machine
# runs it: the release ships it, and its key path runs nowhere else.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/lib.sh"
dir="$root/build/x86_64"
if ! ztoa_can_run x86_64 || [ ! -f "$dir/tests/sort_command_test.exe" ]; then
    echo "note: no 64-bit Wine here, or no 64-bit tests built; the 64-bit DLL is not run"
    exit 77
fi
unset ZTOA_SERVICES
ztoa_use_prefix x86_64
ztoa_boot_prefix x86_64
run() { "$root/scripts/wine-run" --prefix "$WINEPREFIX" --arch x86_64 "$@"; }
status=0
run reg add 'HKCU\Software\Wine\AppDefaults\sort_command_test.exe\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
run "$dir/tests/sort_command_test.exe" "Z:$dir/bin/ZtoA.dll" || status=1
run "$dir/tests/sort_command_test.exe" "Z:$dir/checked/ZtoA.dll" || status=1
ZTOA_DIFF_SECONDS=${ZTOA_DIFF_SECONDS:-25} run "$dir/tests/differential_test.exe" "Z:$dir/bin/ZtoA.dll" || status=1
run reg delete 'HKCU\Software\Wine\AppDefaults\sort_command_test.exe' /f >/dev/null 2>&1
"$(ztoa_wineserver x86_64)" -k >/dev/null 2>&1 || true
exit $status
