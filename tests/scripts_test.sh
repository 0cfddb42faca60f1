#!/usr/bin/env bash
# The README's other scripts, each in a quick form, on this machine as it
# is: the pictures into a folder of their own, and the benchmark on 1,000
# lines.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fails=0
pass() { echo "ok: $1"; }
fail() { fails=$((fails + 1)); echo "FAILED: $1"; }

if "$root/scripts/screenshot" "$work/shots" >"$work/shots.out" 2>"$work/shots.err" </dev/null; then
    pass "scripts/screenshot exits 0"
else
    fail "scripts/screenshot exits 0"; cat "$work/shots.err"
fi
for png in properties-ja properties-zh properties-zh-tw properties-en uninstall-ja window-before window-menu window-after bitmaps; do
    if [ "$(head -c 8 "$work/shots/$png.png" 2>/dev/null | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] \
            && [ "$(identify -format '%w' "$work/shots/$png.png" 2>/dev/null)" -gt 100 ]; then
        pass "$png.png is a picture"
    else
        fail "$png.png is a picture"
    fi
done

if "$root/scripts/benchmark" 1000 >"$work/bench.out" 2>"$work/bench.err" </dev/null; then
    pass "scripts/benchmark 1000 exits 0"
else
    fail "scripts/benchmark 1000 exits 0"; cat "$work/bench.err"
fi
for kind in random words log csv ja zh numbers; do
    grep -q "^$kind[[:space:]]1000[[:space:]]" "$work/bench.out" && pass "the benchmark has a row for 1,000 lines of $kind" \
        || { fail "the benchmark has a row for 1,000 lines of $kind"; cat "$work/bench.out"; }
done
[ "$fails" = 0 ]
