# Sourced by the shell tests that run scripts/sortlines: the repository's
# root, a work folder that goes at exit together with the module's
# settings key, and the ok/FAILED lines that they count.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=$(mktemp -d)
fails=0
passes=0

cleanup() {
    "$root/scripts/wine-run" --prefix "$WINEPREFIX" --arch "$ZTOA_ARCH" \
        reg delete 'HKCU\Software\Norvale\QuillonPlugIns\ZtoA' /f </dev/null >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT

pass() { passes=$((passes + 1)); echo "ok: $1"; }
fail() { fails=$((fails + 1)); echo "FAILED: $1"; }
