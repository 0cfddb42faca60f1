#!/usr/bin/env bash
# scripts/sortlines as a user runs it: real files in, bytes out, and a clear
# error with status 2 for each kind of bad input.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
fails=0
passes=0

cleanup() {
    "$root/scripts/wine-run" --prefix "$WINEPREFIX" --arch "$ZTOA_ARCH" reg delete \
        'HKCU\Software\Norvale\QuillonPlugIns\ZtoA' /f >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT

pass() { passes=$((passes + 1)); echo "ok: $1"; }
fail() { fails=$((fails + 1)); echo "FAILED: $1"; }

# expect_bytes NAME EXPECTED_FILE ACTUAL_FILE
expect_bytes() {
    if cmp -s "$2" "$3"; then pass "$1"; else
        fail "$1"; echo "  expected: $(od -c "$2" | head -5)"; echo "  actual:   $(od -c "$3" | head -5)"; fi
}

run() { "$root/scripts/sortlines" "$@" >"$work/out" 2>"$work/err"; echo $? >"$work/status"; }

# A CRLF file whose last line has no line end: the end is supplied first.
printf 'banana\r\napple\r\ncherry' >"$work/crlf.txt"
cp "$work/crlf.txt" "$work/crlf.orig"
run --locale 409 --flags 0 --wrap 3 --report "$work/crlf.txt"
printf 'cherry\r\nbanana\r\napple\r\n' >"$work/want"
expect_bytes "CRLF file sorted descending" "$work/want" "$work/out"
[ "$(cat "$work/status")" = 0 ] && pass "CRLF run exits 0" || fail "CRLF run exits 0"
expect_bytes "input file left alone" "$work/crlf.orig" "$work/crlf.txt"
grep -q '^{"selection":\[0,0,3,0\],"messages":{.*"HM_GET_LINE":8[,}]' "$work/err" \
    && pass "report gives final selection and message counts" || { fail "report"; cat "$work/err"; }

# UTF-16LE with a BOM keeps its encoding; Japanese under locale 0x411.
printf '\xff\xfe' >"$work/u16.txt"
printf 'zebra\nあめ\nさくら\n' | iconv -f UTF-8 -t UTF-16LE >>"$work/u16.txt"
run --locale 411 --flags 0 "$work/u16.txt"
{ printf '\xff\xfe'; printf 'さくら\nあめ\nzebra\n' | iconv -f UTF-8 -t UTF-16LE; } >"$work/want"
expect_bytes "UTF-16 file sorted in its own encoding" "$work/want" "$work/out"

# UTF-8 with a BOM, a partial selection, and -o.
printf '\xef\xbb\xbfkeep\nb\nc\na\nlast\n' >"$work/bom.txt"
run --select 1:0-3:1 -o "$work/result.txt" "$work/bom.txt"
printf '\xef\xbb\xbfkeep\nc\nb\na\nlast\n' >"$work/want"
expect_bytes "BOM kept, only selected lines sorted, written to -o" "$work/want" "$work/result.txt"
[ ! -s "$work/out" ] && pass "-o leaves stdout empty" || fail "-o leaves stdout empty"

# The stored settings stand when no option is given.
printf 'b\nB\na\nA' >"$work/case.txt"
run --flags 1 "$work/case.txt"
printf 'b\nB\na\nA\n' >"$work/want"
expect_bytes "ignore-case flags stored and used" "$work/want" "$work/out"
run "$work/case.txt"
expect_bytes "stored flags stand on the next run" "$work/want" "$work/out"

# Bad input: status 2, one line on stderr, nothing on stdout.
mkdir "$work/adir"
printf 'ok\n\xc3\x28bad\n' >"$work/bad-utf8.txt"
bad_case() {
    local name=$1; shift
    run "$@"
    local status lines
    status=$(cat "$work/status")
    lines=$(wc -l <"$work/err")
    if [ "$status" = 2 ] && [ "$lines" = 1 ] && [ ! -s "$work/out" ]; then
        pass "$name: $(cat "$work/err")"
    else
        fail "$name (status $status, $lines stderr lines, $(wc -c <"$work/out") stdout bytes)"
        cat "$work/err"
    fi
}
bad_case "missing file" "$work/no-such-file.txt"
bad_case "unreadable file" "$work/adir"
bad_case "invalid UTF-8" "$work/bad-utf8.txt"
bad_case "malformed --select" --select 1:2-x "$work/crlf.txt"
bad_case "negative --select" --select -1:0-2:0 "$work/crlf.txt"
bad_case "unknown option" --bogus "$work/crlf.txt"
bad_case "no file" --report
expect_bytes "bad runs leave the input alone" "$work/crlf.orig" "$work/crlf.txt"

echo "$passes passed, $fails failed"
[ "$fails" = 0 ]
