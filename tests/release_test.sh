#!/usr/bin/env bash
# The release as it ships: scripts/release refuses a tree with uncommitted
# changes; with that check waived it writes the zip, which unpacks with the
# listed files, ordinary modes, matching SHA256SUMS.txt and a build record
# naming the commit; each DLL that this machine can run sorts a document,
# loaded from the unpacked folder by the stand-in host of its own
# architecture; the guides open in Notepad and say what the DLLs and the
# sources do (release_check.py).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/lib.sh"
work=$(mktemp -d)
fails=0
passes=0
pass() { passes=$((passes + 1)); echo "ok: $1"; }
fail() { fails=$((fails + 1)); echo "FAILED: $1"; }

# wr ARCH PROGRAM...: a Windows program in build/ARCH's prefix, its output
# in files, never in ctest's pipe (services Wine starts would hold it).
wr() {
    local arch=$1
    shift
    "$root/scripts/wine-run" --prefix "$root/build/$arch/wineprefix" --arch "$arch" "$@" \
        </dev/null >"$work/out" 2>"$work/err"
}
settings_key='HKCU\Software\Norvale\QuillonPlugIns\ZtoA'
ran=()
cleanup() {
    local arch
    for arch in "${ran[@]}"; do wr "$arch" reg delete "$settings_key" /f; done
    rm -rf "$work"
}
trap cleanup EXIT

# A copy of the tree as it is, committed, then changed: the release
# refuses it before building anything.
mkdir "$work/copy"
(cd "$root" && git ls-files -co --exclude-standard -z | xargs -0 cp --parents -t "$work/copy")
git -C "$work/copy" init -q && git -C "$work/copy" add -A \
    && git -C "$work/copy" -c user.name=t -c user.email=t@t commit -qm copy
for change in "a changed file:echo >>README.md" "an untracked file:touch new.txt"; do
    (cd "$work/copy" && git checkout -q . && git clean -qfd && eval "${change#*:}")
    if "$work/copy/scripts/release" "$work/copy-dist" >"$work/refused.log" 2>&1; then
        fail "scripts/release refuses a tree with ${change%%:*}"
    else
        grep -q "uncommitted changes" "$work/refused.log" && [ ! -d "$work/copy/build" ] \
            && pass "scripts/release refuses a tree with ${change%%:*}, before building" \
            || fail "scripts/release on a tree with ${change%%:*}: $(head -3 "$work/refused.log")"
    fi
done

if ! "$root/scripts/release" --allow-dirty "$work/dist" >"$work/release.log" 2>&1; then
    cat "$work/release.log"
    fail "scripts/release writes the zip"
    exit 1
fi
version=$(sed -n 's/^#define ZTOA_RELEASE_TEXT *"\([^"]*\)".*/\1/p' "$root/resources/version.h")
zip="$work/dist/ZtoA-$version.zip"
[ -f "$zip" ] && pass "the zip is named after version $version" || { fail "no $zip"; exit 1; }

mkdir "$work/unpacked"
unzip -q "$zip" -d "$work/unpacked" || fail "the zip unpacks"
listing=$(cd "$work/unpacked" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' ')
want="BUILDINFO.txt LICENSE.txt SHA256SUMS.txt guide-en.txt guide-ja-utf8.txt guide-ja.txt"
want+=" guide-zh-cn-utf8.txt guide-zh-cn.txt guide-zh-tw-utf8.txt guide-zh-tw.txt x64/ZtoA.dll x86/ZtoA.dll "
[ "$listing" = "$want" ] && pass "the zip holds exactly: $want" || fail "the zip holds: $listing"
[ -z "$(find "$work/unpacked" -type f ! -perm -0444)" ] && pass "every file unpacks readable by all" \
    || fail "files unpack with modes: $(find "$work/unpacked" -type f -printf '%m %P\n' | head -3)"
(cd "$work/unpacked" && sha256sum --quiet -c SHA256SUMS.txt) && pass "SHA256SUMS.txt matches" || fail "SHA256SUMS.txt"
[ "$(grep -c '^[0-9a-f]\{64\}  ' "$work/unpacked/SHA256SUMS.txt")" = 11 ] \
    && pass "SHA256SUMS.txt names the eleven other files" || fail "SHA256SUMS.txt does not name eleven files"
cmp -s "$root/LICENSE" <(tr -d '\r' <"$work/unpacked/LICENSE.txt") && pass "LICENSE.txt as in the repository" \
    || fail "LICENSE.txt differs from the repository's"
grep -q "^Commit: $(git -C "$root" rev-parse HEAD)" "$work/unpacked/BUILDINFO.txt" \
    && grep -q "i686-w64-mingw32-ld: GNU ld" "$work/unpacked/BUILDINFO.txt" \
    && pass "BUILDINFO.txt names the commit and the tools" || fail "BUILDINFO.txt: $(head -5 "$work/unpacked/BUILDINFO.txt")"

python3 "$root/tests/release_check.py" "$work/unpacked" "$root" && pass "the guides" || fail "the guides"

# Each DLL that a Wine here can run sorts a document, loaded from the
# unpacked folder by the stand-in host built for its architecture.
printf 'banana\r\napple\r\ncherry\r\n' >"$work/fruit.txt"
printf 'cherry\r\nbanana\r\napple\r\n' >"$work/want"
loaded=0
for pair in i686:x86 x86_64:x64; do
    arch=${pair%%:*} folder=${pair#*:}
    wine=/usr/lib/wine/wine
    [ "$arch" = i686 ] || wine=/usr/lib/wine/wine64
    if ! "$wine" --version >/dev/null 2>&1; then
        echo "note: this machine cannot run $arch Windows code; $folder/ZtoA.dll is not loaded"
        continue
    fi
    host="$root/build/$arch/bin/sortlines.exe"
    [ -f "$host" ] || { fail "$folder: no stand-in host at $host (scripts/test builds it)"; continue; }
    ran+=("$arch")
    ztoa_use_prefix "$arch"
    ztoa_boot_prefix "$arch"
    if wr "$arch" "$host" --dll "Z:$work/unpacked/$folder/ZtoA.dll" --locale 409 --flags 0 "Z:$work/fruit.txt" \
            && cmp -s "$work/want" "$work/out"; then
        pass "$folder/ZtoA.dll sorts a document under $arch Wine"
        loaded=$((loaded + 1))
    else
        fail "$folder/ZtoA.dll under $arch Wine: $(od -c "$work/out" | head -3) $(head -3 "$work/err")"
    fi
    if LANG=zh_TW.UTF-8 LC_ALL=zh_TW.UTF-8 wr "$arch" "$host" --dll "Z:$work/unpacked/$folder/ZtoA.dll" --info \
            && grep -q '^menu text: 字元排序 (遞減)' "$work/out"; then
        pass "$folder/ZtoA.dll speaks Traditional Chinese under zh_TW"
    else
        fail "$folder/ZtoA.dll under zh_TW: $(grep 'menu text' "$work/out")"
    fi
done
[ "$loaded" -gt 0 ] || fail "no DLL of the release could be loaded here"

echo "$passes passed, $fails failed"
[ "$fails" -eq 0 ]
