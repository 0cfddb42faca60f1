#!/usr/bin/env bash
# The same sources give the same DLL, byte for byte, wherever they are
# built: copies of the sources in two folders of different names and
# depths are built (the DLL alone) and compared with each other and with
# the DLL under test; none carries a time stamp in its header or its
# resource directories.
#   reproducible_test.sh ARCH DLL_UNDER_TEST
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=$1 dll=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fails=0
parts="CMakeLists.txt cmake common plugin sort settings host bench resources tests scripts"

for copy in a b/deeper/folder; do
    mkdir -p "$work/$copy/src"
    (cd "$root" && cp -r $parts "$work/$copy/src/")
    if ! { cmake -S "$work/$copy/src" -B "$work/$copy/build" \
               -DCMAKE_TOOLCHAIN_FILE="$work/$copy/src/cmake/$arch-w64-mingw32.cmake" \
               -DZTOA_RUNTIME_TESTS=OFF \
           && cmake --build "$work/$copy/build" -j 2 --target ZtoA; } >"$work/build.log" 2>&1; then
        tail -20 "$work/build.log"
        echo "FAILED: cannot build the copy in $copy"
        exit 1
    fi
done
if cmp "$work/a/build/bin/ZtoA.dll" "$work/b/deeper/folder/build/bin/ZtoA.dll"; then
    echo "ok: the builds in two folders are byte-identical"
else
    echo "FAILED: the builds in two folders differ"; fails=$((fails + 1))
fi
if cmp "$work/a/build/bin/ZtoA.dll" "$dll"; then
    echo "ok: they are byte-identical with the DLL under test"
else
    echo "FAILED: they differ from the DLL under test"; fails=$((fails + 1))
fi
python3 -c '
import sys
sys.path.insert(0, sys.argv[1])
import pe_resources
pe = pe_resources.load(sys.argv[2])
stamps = [s for s in pe.resource_time_stamps() if s]
if pe.time_stamp or stamps:
    print("FAILED: time stamps: header 0x%x, resource directories %s" % (pe.time_stamp, stamps))
    sys.exit(1)
print("ok: no time stamp in the header or the resource directories")
' "$root/tests" "$dll" || fails=$((fails + 1))
[ "$fails" -eq 0 ]
