#!/usr/bin/env bash
# The sort by leading numbers against GNU sort -n under en_US (1,234.5) and
# de_DE (1.234,5), on documents whose lines all begin with a number: the result
# holds the same lines in an order sort -C -s -r -n finds descending (the order
# of equal values differs: by their text here, as they came in sort -s).
set -uo pipefail
. "$(dirname "$0")/shell_test_lib.sh"

for setting in "409 en_US.UTF-8 . ," "407 de_DE.UTF-8 , ."; do
    read -r locale lang decimal group <<<"$setting"
    for seed in 1 2 3; do
        python3 - "$seed" "$decimal" "$group" >"$work/doc.txt" <<'EOF'
import random, sys
r, decimal, group = random.Random(int(sys.argv[1])), sys.argv[2], sys.argv[3]
for _ in range(2000):
    digits = str(r.choice([0, r.randrange(10), r.randrange(1000), r.randrange(10**7), r.randrange(10**25)]))
    if r.random() < 0.5:
        digits = f"{int(digits):,}".replace(",", group)
    line = r.choice(['', ' ', '\t']) + r.choice(['', '-']) + '0' * r.choice([0, 0, 1, 2]) + digits
    if r.random() < 0.6:
        k = r.randrange(1, 6)
        line += decimal + '%0*d' % (k, r.randrange(10**k))
    print(line + r.choice(['', ' GET /index.html', decimal + ' x', group + ' y', ' 42', 'kg', '%']))
EOF
        name="locale $locale, seed $seed"
        "$root/scripts/sortlines" --numbers --locale "$locale" --flags 0 -o "$work/out.txt" "$work/doc.txt" \
            || fail "$name: sortlines"
        if ! cmp -s <(LC_ALL=C sort "$work/doc.txt") <(LC_ALL=C sort "$work/out.txt"); then
            fail "$name: the result does not hold the document's lines"
        elif ! LC_ALL=$lang sort -C -s -r -n "$work/out.txt"; then
            fail "$name: GNU sort -n disagrees: $(LC_ALL=$lang sort -c -s -r -n "$work/out.txt" 2>&1)"
        else
            pass "$name: the order GNU sort -s -r -n gives"
        fi
    done
done
[ "$fails" -eq 0 ]
