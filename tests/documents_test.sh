#!/usr/bin/env bash
# Documents as users have them, through scripts/sortlines byte for byte:
# NUL characters, lone surrogates, only line ends, a BOM alone, no bytes,
# files named like Windows devices; and the statuses of a sort that cannot
# run (3) or bad input (2).
set -uo pipefail
. "$(dirname "$0")/shell_test_lib.sh"

# run ARGS...: stdout to out, stderr to err, the status to $status.
run() { "$root/scripts/sortlines" "$@" >"$work/out" 2>"$work/err"; status=$?; }

# expect NAME WANT_STATUS WANT_FILE INPUT_FILE [OPTIONS]: the result on
# stdout and through -o, with the status, and the input left alone.
expect() {
    local name=$1 want_status=$2 want=$3 input=$4
    shift 4
    cp "$input" "$work/input.orig"
    run --locale 409 --flags 0 "$@" "$input"
    local got_status=$status
    if [ "$got_status" = "$want_status" ] && cmp -s "$want" "$work/out"; then
        pass "$name (stdout)"
    else
        fail "$name (stdout): status $got_status, wanted $want_status"
        echo "  wanted: $(od -c "$want" | head -3)"; echo "  got:    $(od -c "$work/out" | head -3)"
        sed 's/^/  stderr: /' "$work/err"
    fi
    cmp -s "$input" "$work/input.orig" || fail "$name: the input file changed"
    rm -f "$work/result"
    run --locale 409 --flags 0 -o "$work/result" "$@" "$input"
    if [ "$status" = "$want_status" ] && cmp -s "$want" "$work/result" && [ ! -s "$work/out" ]; then
        pass "$name (-o)"
    else
        fail "$name (-o): status $status"
    fi
    if [ "$want_status" = 3 ]; then
        [ "$(wc -l <"$work/err")" = 1 ] && grep -q '^sortlines: not sorted: .' "$work/err" \
            && pass "$name: one line on stderr says why" || { fail "$name: stderr"; cat "$work/err"; }
    fi
}

# A line with a NUL cannot be put back whole: nothing moves, status 3.
printf 'apple\r\nzeta\0tail\r\nmango\r\n' >"$work/nul.txt"
expect "NUL inside a line" 3 "$work/nul.txt" "$work/nul.txt"
printf 'b\0x\na' >"$work/nul-last.txt"
expect "NUL, and a last line without an end: no end is supplied" 3 "$work/nul-last.txt" "$work/nul-last.txt"
printf 'b\nA\n\0\n' >"$work/nul-alone.txt"
expect "a line that is one NUL" 3 "$work/nul-alone.txt" "$work/nul-alone.txt"

# A NUL outside the selection is carried through as it is.
printf 'keep\0this\nb\na\nc\n' >"$work/nul-outside.txt"
printf 'keep\0this\nc\nb\na\n' >"$work/want"
expect "NUL outside the selection" 0 "$work/want" "$work/nul-outside.txt" --select 1:0-4:0

# UTF-16 with lone surrogates: each line comes back whole.
python3 -c '
import sys
text = "b\n\ud800 high alone\n\udc00 low alone\na\n"
sys.stdout.buffer.write(b"\xff\xfe" + text.encode("utf-16-le", "surrogatepass"))
' >"$work/surrogates.txt"
run --locale 409 --flags 0 "$work/surrogates.txt"
python3 - "$work/surrogates.txt" "$work/out" <<'PY' && pass "lone surrogates kept, lines only reordered" || fail "lone surrogates"
import sys
a = open(sys.argv[1], "rb").read()[2:].decode("utf-16-le", "surrogatepass").splitlines(True)
b = open(sys.argv[2], "rb").read()
sys.exit(0 if b[:2] == b"\xff\xfe" and sorted(a) == sorted(b[2:].decode("utf-16-le", "surrogatepass").splitlines(True)) else 1)
PY
printf 'b\n\xed\xa0\x80\na\n' >"$work/cesu.txt"
run "$work/cesu.txt"
[ "$status" = 2 ] && [ ! -s "$work/out" ] && pass "an encoded surrogate in UTF-8 is bad input" || fail "encoded surrogate: $status"

# Documents with nothing to sort come back as they were.
printf '\r\n\r\n\n\r\r\n' >"$work/ends.txt"
expect "only line ends" 0 "$work/ends.txt" "$work/ends.txt"
printf '\xef\xbb\xbf' >"$work/bom8.txt"
expect "a UTF-8 BOM alone" 0 "$work/bom8.txt" "$work/bom8.txt"
printf '\xff\xfe' >"$work/bom16.txt"
expect "a UTF-16 BOM alone" 0 "$work/bom16.txt" "$work/bom16.txt"
: >"$work/empty.txt"
expect "no bytes" 0 "$work/empty.txt" "$work/empty.txt"

# Names that Windows takes for devices are files like any other.
mkdir "$work/dev"
printf 'b\na\nc\n' >"$work/want.in"
printf 'c\nb\na\n' >"$work/want"
for name in nul.txt NUL con.txt aux.txt com1.txt prn.txt lpt1.txt nul.tar.gz; do
    cp "$work/want.in" "$work/dev/$name"
    run --locale 409 --flags 0 "$work/dev/$name"
    [ "$status" = 0 ] && cmp -s "$work/want" "$work/out" && pass "a file named $name is read" \
        || fail "a file named $name: status $status"
done
run --locale 409 --flags 0 -o "$work/dev/aux.out" "$work/want.in"
cmp -s "$work/want" "$work/dev/aux.out" && pass "a file named aux.out is written" || fail "writing aux.out"

# What is not a regular file is refused, quickly and clearly.
for input in /dev/null "$work/dev"; do
    run "$input"
    [ "$status" = 2 ] && [ ! -s "$work/out" ] && [ "$(wc -l <"$work/err")" = 1 ] \
        && pass "$input refused with status 2" || { fail "$input: status $status"; cat "$work/err"; }
done

# Malformed numbers are bad input, not a wrapped-around value.
for opt in "--flags -1" "--flags +1" "--locale 0x" "--flags ' 1'" "--locale 1g"; do
    eval run "$opt" "$work/want.in"
    [ "$status" = 2 ] && pass "$opt refused" || fail "$opt: status $status"
done

# Settings that Windows rejects: said once, document unchanged.
run --locale 7fffffff --flags 0 "$work/want.in"
[ "$status" = 3 ] && cmp -s "$work/want.in" "$work/out" && grep -q '^sortlines: not sorted: .' "$work/err" \
    && pass "rejected locale: status 3, unchanged, told" || { fail "rejected locale: status $status"; cat "$work/err"; }

echo "$passes passed, $fails failed"
[ "$fails" = 0 ]
