#!/usr/bin/env bash
# scripts/sortlines as a user runs it: real files in, bytes out, and a clear
# error with status 2 for each kind of bad input.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
fails=0
passes=0

wr() { "$root/scripts/wine-run" --prefix "$WINEPREFIX" --arch "$ZTOA_ARCH" "$@" </dev/null >/dev/null 2>&1; }

# With no window manager on the X server, Wine waits two seconds for one to
# withdraw each closed window that it manages: the host's windows go unmanaged.
x11_key='HKCU\Software\Wine\AppDefaults\sortlines.exe\X11 Driver'
cleanup() {
    wr reg delete 'HKCU\Software\Norvale\QuillonPlugIns\ZtoA' /f
    wr reg delete "$x11_key" /f
    rm -rf "$work"
}
trap cleanup EXIT
wr reg add "$x11_key" /v Managed /d N /f

pass() { passes=$((passes + 1)); echo "ok: $1"; }
fail() { fails=$((fails + 1)); echo "FAILED: $1"; }

# expect_bytes NAME EXPECTED_FILE ACTUAL_FILE
expect_bytes() {
    if cmp -s "$2" "$3"; then pass "$1"; else
        fail "$1"; echo "  expected: $(od -c "$2" | head -5)"; echo "  actual:   $(od -c "$3" | head -5)"; fi
}

run() { "$root/scripts/sortlines" "$@" >"$work/out" 2>"$work/err"; echo $? >"$work/status"; }

# A CRLF file whose last line has no line end: the line is given one as it moves.
printf 'banana\r\napple\r\ncherry' >"$work/crlf.txt"
cp "$work/crlf.txt" "$work/crlf.orig"
run --locale 409 --flags 0 --wrap 3 --report "$work/crlf.txt"
printf 'cherry\r\nbanana\r\napple\r\n' >"$work/want"
expect_bytes "CRLF file sorted descending" "$work/want" "$work/out"
[ "$(cat "$work/status")" = 0 ] && pass "CRLF run exits 0" || fail "CRLF run exits 0"
expect_bytes "input file left alone" "$work/crlf.orig" "$work/crlf.txt"
# Two messages a line for line 0 (the last line needs its line end) and the
# three lines, then one for each line read back.
grep -q '^{"selection":\[0,0,3,0\],"messages":{.*"HM_GET_LINE":11[,}]' "$work/err" \
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
run -o /dev/full "$work/bom.txt"
[ "$(cat "$work/status")" = 1 ] && [ "$(wc -l <"$work/err")" = 1 ] && pass "a result that cannot be written: status 1, one line" \
    || { fail "-o /dev/full (status $(cat "$work/status"))"; cat "$work/err"; }

# Files are read a megabyte at a time. A UTF-8 file of three-byte characters,
# larger than that, has characters cut by the reads and must come back as it
# was when nothing is selected.
python3 -c '
import sys
lines = ["\u65e5\u672c\u8a9e\u306e\u6587\u7ae0\n", "\u4e2d\u6587\r\n", "abc \u00e9\r"]
sys.stdout.buffer.write("".join(lines[i % 3] for i in range(150000)).encode("utf-8"))
' >"$work/big.txt"
run --select 0:0-0:0 "$work/big.txt"
expect_bytes "a file over a megabyte comes back unchanged" "$work/big.txt" "$work/out"

# A UTF-16 file whose first line ends in CR at the end of the first read and
# LF at the start of the next: one line end, so the lines are already in order.
python3 -c '
import sys
sys.stdout.buffer.write(b"\xff\xfe" + ("b" * 524286 + "\r\na\r\n").encode("utf-16-le"))
' >"$work/straddle.txt"
run --locale 409 --flags 0 "$work/straddle.txt"
expect_bytes "CR and LF split by a read make one line end" "$work/straddle.txt" "$work/out"

# The stored settings stand when no option is given.
printf 'b\nB\na\nA' >"$work/case.txt"
run --flags 1 "$work/case.txt"
printf 'b\nB\na\nA\n' >"$work/want"
expect_bytes "ignore-case flags stored and used" "$work/want" "$work/out"
run "$work/case.txt"
expect_bytes "stored flags stand on the next run" "$work/want" "$work/out"

# --info: what the editor learns from the module, printed in UTF-8 whatever
# the code page the module's texts pass through.
# expect_line NAME LINE: the last run printed exactly that line.
expect_line() {
    if grep -qxF -- "$2" "$work/out"; then pass "$1"; else
        fail "$1"; echo "  wanted: $2"; sed 's/^/  got:    /' "$work/out" | head -40; fi
}
info() { local locale=$1; shift; LANG=$locale LC_ALL=$locale run --info "$@"; }

printf 'one\ntwo\nthree\n' >"$work/three.txt"
info ja_JP.UTF-8 "$work/three.txt"
[ "$(cat "$work/status")" = 0 ] && [ ! -s "$work/err" ] && pass "--info exits 0, quietly" \
    || { fail "--info exits 0, quietly (status $(cat "$work/status"))"; cat "$work/err"; }
expect_line "menu text: string 5 in Japanese" "menu text: 文字列を降順に並べ替え"
expect_line "status text: string 6 in Japanese" "status text: 文字列を設定した方法で降順に並べ替えます"
expect_line "name size: 11 double-byte characters of code page 932 and a terminator" "name size: 23"
expect_line "name through a buffer of that size" "name: 文字列を降順に並べ替え"
expect_line "version size" "version size: 5"
expect_line "version" "version: 1.02"
expect_line "basic bitmap from GetBitmapID" "toolbar bitmap: 101 (16x15, 4 bpp)"
expect_line "small basic bitmap" "bitmap small basic normal (0x000): 101 (16x15, 4 bpp), mask colour 0x00000000"
expect_line "variant bits do not change a basic bitmap" \
    "bitmap large basic dark (0x201): 104 (24x24, 4 bpp), mask colour 0x00000000"
expect_line "small 256-colour bitmap, magenta mask" \
    "bitmap small 256-colour normal (0x010): 106 (16x16, 8 bpp), mask colour 0x00FF00FF"
expect_line "large dark 256-colour bitmap" \
    "bitmap large 256-colour dark (0x211): 114 (24x24, 8 bpp), mask colour 0x00FF00FF"
expect_line "small dark true-colour bitmap (no 110), no mask colour" \
    "bitmap small true-colour dark (0x220): 111 (16x16, 32 bpp), mask colour 0xFFFFFFFF"
expect_line "large grayed true-colour bitmap" \
    "bitmap large true-colour grayed (0x121): 115 (24x24, 32 bpp), mask colour 0xFFFFFFFF"
ids=$(sed -n 's/^bitmap [^:]*: \([0-9]*\) (.*/\1/p' "$work/out" | sort -u | tr '\n' ' ')
[ "$(grep -c '^bitmap ' "$work/out")" = 18 ] && [ "$ids" = "101 104 105 106 107 108 109 111 112 113 114 115 116 117 " ] \
    && ! grep -q 'no such bitmap' "$work/out" \
    && pass "18 requests name the 14 bitmaps, each present in the module" \
    || fail "bitmap requests: ids '$ids'"
expect_line "without --select the whole document is selected" "selection: 0:0-3:0"
expect_line "available for a multi-line selection" "available: yes"
expect_line "the command never reports a set state" "checked: no"
grep -qx 'one' "$work/out" && fail "--info printed the document" || pass "--info prints no document"

info zh_CN.UTF-8
[ "$(cat "$work/status")" = 0 ] && pass "--info runs without a file" || fail "--info runs without a file"
expect_line "menu text: string 5 in Chinese" "menu text: 字符排序 (降序)"
expect_line "name size in code page 936" "name size: 16"
expect_line "name in Chinese" "name: 字符排序 (降序)"
expect_line "empty document: nothing selected" "selection: 0:0-0:0"
expect_line "empty document: not available" "available: no"

# The module asks only for the selection type, which the host makes 1
# whenever text is selected, within one line or across several.
info ja_JP.UTF-8 --select 0:1-0:3 "$work/three.txt"
expect_line "available for text selected within one line" "available: yes"
info ja_JP.UTF-8 --select 1:2-1:2 "$work/three.txt"
expect_line "not available with only a caret" "available: no"
expect_line "the chosen selection is the one asked about" "selection: 1:2-1:2"
info ja_JP.UTF-8 --select 2:1-0:0 "$work/three.txt"
expect_line "a backward selection counts as well" "available: yes"

# --window: the window shows the document, opens its Plug-ins menu and
# reports how the command shows there and on the toolbar, runs the command
# as the menu item does (--demo-sort, so that no keyboard focus is needed)
# and closes; the document goes to -o, nothing to stdout.
# expect_err NAME LINE: the last run printed exactly that line on stderr.
expect_err() {
    if tr -d '\r' <"$work/err" | grep -qxF -- "$2"; then pass "$1"; else
        fail "$1"; echo "  wanted: $2"; sed 's/^/  got:    /' "$work/err" | head -20; fi
}
printf 'b\nc\na\n' >"$work/win.txt"
run --window --demo-sort --select 0:0-3:0 --locale 409 --flags 0 -o "$work/win.out" "$work/win.txt"
printf 'c\nb\na\n' >"$work/want"
expect_bytes "--window: the command sorts the view's selection, -o gets the document" "$work/want" "$work/win.out"
[ "$(cat "$work/status")" = 0 ] && [ ! -s "$work/out" ] && pass "--window exits 0 when closed, stdout empty" \
    || { fail "--window exits 0 when closed, stdout empty (status $(cat "$work/status"))"; cat "$work/err"; }
expect_err "--window: menu item enabled for a selection" "menu item: enabled"
expect_err "--window: toolbar button enabled for a selection" "toolbar button: enabled"
printf 'a\nb\nc\n' >"$work/abc.txt"
run --window --demo-sort --select 1:0-2:1 -o "$work/win.out" "$work/abc.txt"
printf 'a\nc\nb\n' >"$work/want"
expect_bytes "--window: only the selected lines are sorted" "$work/want" "$work/win.out"
run --window --demo-sort --locale 409 --flags 0 -o "$work/win.out" "$work/win.txt"
expect_bytes "--window: with only a caret the command is unavailable" "$work/win.txt" "$work/win.out"
expect_err "--window: menu item greyed with only a caret" "menu item: greyed"
expect_err "--window: toolbar button disabled with only a caret" "toolbar button: disabled"

# --properties and --uninstall through the real dialog and message box, the
# host pressing the button. The settings as the registry holds them (or NAME...):
settings() {
    local v
    for v in ${*:-Locale Flags}; do
        "$root/scripts/wine-run" --prefix "$WINEPREFIX" --arch "$ZTOA_ARCH" \
            reg query 'HKCU\Software\Norvale\QuillonPlugIns\ZtoA' /v "$v" </dev/null 2>/dev/null \
            | sed -n "s/^ *$v *REG_DWORD *//p" | tr -d '\r' | grep . || echo absent
    done | tr '\n' ' '
}
wr reg delete 'HKCU\Software\Norvale\QuillonPlugIns\ZtoA' /f
run --properties --cancel
[ "$(cat "$work/status")" = 0 ] && [ "$(settings)" = "absent absent " ] \
    && pass "--properties, Cancel: nothing stored" || fail "--properties, Cancel: stored '$(settings)', status $(cat "$work/status")"
run --properties --ok
[ "$(cat "$work/status")" = 0 ] && [ "$(settings | cut -d' ' -f2)" = 0x0 ] && [ "$(settings | cut -d' ' -f1)" != absent ] \
    && pass "--properties, OK: the dialog's settings stored ($(settings))" || fail "--properties, OK: stored '$(settings)'"
printf '1.234,5\n99,9\n\xe2\x88\x923\ntext\n1.234,50\n' >"$work/numbers.txt"
run --numbers --locale 407 "$work/numbers.txt"
printf '1.234,50\n1.234,5\n99,9\n\xe2\x88\x923\ntext\n' >"$work/want"
expect_bytes "--numbers --locale 407: the greatest number first, equal ones by their text" "$work/want" "$work/out"
run --no-numbers "$work/numbers.txt"
[ "$(settings Numbers)" = "0x0 " ] && pass "--no-numbers stores 0" || fail "--no-numbers: '$(settings Numbers)'"
run --properties --locale 411 --flags 20001 --ok
[ "$(settings)" = "0x411 0x20001 " ] && pass "--properties, OK: the settings shown are the settings stored" \
    || fail "--properties, OK after --locale 411 --flags 20001: '$(settings)'"
run --uninstall --no
[ "$(cat "$work/out")" = $'uninstall: 0 (kept)\nsettings key: present' ] && [ "$(settings)" = "0x411 0x20001 " ] \
    && pass "--uninstall, No: the module answers 0, the key stays" || { fail "--uninstall --no"; cat "$work/out" "$work/err"; }
run --uninstall --yes
[ "$(cat "$work/out")" = $'uninstall: 1 (uninstalled)\nsettings key: absent' ] && [ "$(settings)" = "absent absent " ] \
    && pass "--uninstall, Yes: the module answers 1, the key is gone" || { fail "--uninstall --yes"; cat "$work/out" "$work/err"; }

# Without a display the modes with windows stop at once, with status 2 and
# one line that says how to get one; sorting and --info need none.
no_display() {
    env -u DISPLAY timeout 60 "$root/scripts/sortlines" "$@" >"$work/out" 2>"$work/err"
    local status=$?
    if [ "$status" = 2 ] && [ "$(wc -l <"$work/err")" = 1 ] && grep -q 'DISPLAY.*xvfb-run' "$work/err" \
            && [ ! -s "$work/out" ]; then
        pass "no display, $1: $(cat "$work/err")"
    else
        fail "no display, $* (status $status)"; cat "$work/err"
    fi
}
no_display --window "$work/win.txt"
no_display --properties
no_display --uninstall
no_display --uninstall --yes
env -u DISPLAY timeout 60 "$root/scripts/sortlines" --locale 409 --flags 0 "$work/win.txt" >"$work/out" 2>"$work/err"
printf 'c\nb\na\n' >"$work/want"
expect_bytes "no display: sorting still works" "$work/want" "$work/out"
env -u DISPLAY timeout 60 "$root/scripts/sortlines" --info >"$work/out" 2>"$work/err"
grep -q '^menu text: ' "$work/out" && pass "no display: --info still works" || fail "no display: --info"

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
bad_case "--info with -o" --info -o "$work/x.txt" "$work/crlf.txt"
bad_case "--info with --report" --info --report "$work/crlf.txt"
bad_case "--info with --locale" --info --locale 411 "$work/crlf.txt"
bad_case "--info with a malformed --select" --info --select 1:2-x "$work/crlf.txt"
bad_case "--info --select without a file" --info --select 0:0-1:0
bad_case "--info with a missing file" --info "$work/no-such-file.txt"
bad_case "two modes" --info --window "$work/crlf.txt"
bad_case "--window without a file" --window
bad_case "--window with --report" --window --report "$work/crlf.txt"
bad_case "--window with a malformed --flags" --window --flags xyz "$work/crlf.txt"
bad_case "--properties with a file" --properties "$work/crlf.txt"
bad_case "--properties with --select" --properties --select 0:0-1:0
bad_case "--properties with an unknown option" --properties --bogus
bad_case "--uninstall with a file" --uninstall "$work/crlf.txt"
bad_case "--uninstall with --flags" --uninstall --flags 1
bad_case "--demo-sort without --window" --demo-sort "$work/crlf.txt"
bad_case "--yes without --uninstall" --properties --yes
bad_case "--ok without --properties" --ok "$work/crlf.txt"
bad_case "two answers" --uninstall --yes --no
expect_bytes "bad runs leave the input alone" "$work/crlf.orig" "$work/crlf.txt"

echo "$passes passed, $fails failed"
[ "$fails" = 0 ]
