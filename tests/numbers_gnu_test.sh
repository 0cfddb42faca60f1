#!/usr/bin/env bash
# The sort by leading numbers against GNU sort -s -r -n, on generated
# documents whose every line begins with an ASCII number, written as en_US
# (1,234.5) and de_DE (1.234,5) write them: signs, leading blanks and zeros,
# grouped and ungrouped digits up to 25 of them, decimals, and text or a
# separator after the number. The module's result must hold the same lines
# in an order that GNU sort -n under the same locale finds descending
# (sort -C). Lines of equal value are ordered by their text here and kept
# as they came by GNU sort -s, so the order is checked, not the bytes.
set -uo pipefail
. "$(dirname "$0")/shell_test_lib.sh"

# document SEED DECIMAL GROUP: 2,000 lines that begin with numbers.
document() {
    python3 - "$@" <<'EOF'
import random, sys
r = random.Random(int(sys.argv[1]))
decimal, group = sys.argv[2], sys.argv[3]
for _ in range(2000):
    digits = str(r.choice([0, r.randrange(10), r.randrange(1000), r.randrange(10**7), r.randrange(10**25)]))
    if r.random() < 0.5:
        head = len(digits) % 3 or 3
        digits = group.join([digits[:head]] + [digits[i:i + 3] for i in range(head, len(digits), 3)])
    line = r.choice(['', '', ' ', '\t', '  ']) + r.choice(['', '', '-']) + '0' * r.choice([0, 0, 0, 1, 2]) + digits
    if r.random() < 0.6:
        line += decimal + ''.join(r.choice('0123456789') for _ in range(r.randrange(1, 6)))
    print(line + r.choice(['', ' GET /index.html', ' EUR', decimal + ' x', group + ' y', ' 42', 'kg', '%']))
EOF
}

for setting in "409 en_US.UTF-8 . ," "407 de_DE.UTF-8 , ."; do
    read -r locale lang decimal group <<<"$setting"
    if ! locale -a | grep -qix "${lang/UTF-8/utf8}"; then
        fail "locale $lang is missing (scripts/bootstrap generates it)"
        continue
    fi
    for seed in 1 2 3; do
        name="locale $locale, seed $seed"
        document "$seed" "$decimal" "$group" >"$work/doc.txt"
        if ! "$root/scripts/sortlines" --numbers --locale "$locale" --flags 0 -o "$work/out.txt" "$work/doc.txt"; then
            fail "$name: sortlines failed"
            continue
        fi
        if ! cmp -s <(LC_ALL=C sort "$work/doc.txt") <(LC_ALL=C sort "$work/out.txt"); then
            fail "$name: the result does not hold the document's lines"
        elif ! LC_ALL=$lang sort -C -s -r -n "$work/out.txt"; then
            fail "$name: GNU sort -n disagrees: $(LC_ALL=$lang sort -c -s -r -n "$work/out.txt" 2>&1)"
        else
            pass "$name: the order GNU sort -s -r -n gives"
        fi
    done
done
echo "$passes passed, $fails failed"
[ "$fails" -eq 0 ]
