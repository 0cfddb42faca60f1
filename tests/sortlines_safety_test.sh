#!/usr/bin/env bash
# What scripts/sortlines promises about the files it writes: -o's target is
# either as it was or complete, whatever stops the run; exactly the file
# named is written; odd paths get true answers; running out of memory and
# runs at once with different settings give the right status and result.
set -uo pipefail
. "$(dirname "$0")/shell_test_lib.sh"
check() { local name=$1; shift; if "$@"; then pass "$name"; else fail "$name"; sed 's/^/  stderr: /' "$work/err"; fi; }

# start NAME ARGS...: scripts/sortlines in the background as a terminal
# would run it (signals at their defaults, its own process group, which is
# $pid), stdout and stderr to NAME.out and NAME.err.
start() {
    local name=$1; shift
    setsid env --default-signal "$root/scripts/sortlines" "$@" >"$work/$name.out" 2>"$work/$name.err" </dev/null &
    pid=$!
}
# wait_for FILE TEXT: polls FILE for TEXT for up to two minutes.
wait_for() {
    for _ in $(seq 1200); do grep -qF -- "$2" "$1" 2>/dev/null && return 0; sleep 0.1; done
    return 1
}
# The folder holds exactly these names: no temporary file is left behind.
only() { [ "$(cd "$work/out.d" && ls -A | sort | tr '\n' ' ')" = "$* " ]; }

seq 1 300000 >"$work/big.txt"
sort -r "$work/big.txt" >"$work/big.sorted"
mkdir "$work/out.d"

# Interrupted while the document is being written (the host stops after the
# first megabyte until released): the run exits 128+N, the target is as it
# was, and a host that outlived the signal is released to show what it
# would have done. SIGNAL WHO(group: Ctrl-C or a hang-up; wrapper: kill) MODE
while read -r sig who mode; do
    printf 'old\n' >"$work/out.d/target.txt"
    rm -f "$work/release"
    if [ "$mode" = file ]; then out=(-o "$work/out.d/target.txt"); else out=(); fi
    SORTLINES_TEST_STALL="writing:Z:$work/release" start run --locale 409 --flags 0 "${out[@]}" "$work/big.txt"
    if ! wait_for "$work/run.err" "stalled at writing"; then
        fail "$sig to the $who while writing to $mode: the host never started writing"; touch "$work/release"; wait "$pid"; continue
    fi
    if [ "$who" = group ]; then kill -"$sig" -- -"$pid"; else kill -"$sig" "$pid"; fi
    status=0; wait "$pid" || status=$?
    touch "$work/release"
    want=$((128 + $(kill -l "$sig")))
    cp "$work/run.err" "$work/err"
    check "$sig to the $who while writing to $mode: status $want, target as it was, no temporary file" \
        eval '[ "$status" = "$want" ] && [ "$(cat "$work/out.d/target.txt")" = old ] && only target.txt'
done <<'TABLE'
INT group file
INT group stdout
TERM wrapper file
HUP group file
TABLE

run() { "$root/scripts/sortlines" "$@" >"$work/out" 2>"$work/err"; status=$?; }

# Killed outright (kill -9) while writing: nothing can remove the temporary
# file then, so the next run for the same file does, and leaves alone one
# whose run still goes on (this shell's).
printf 'old\n' >"$work/out.d/target.txt"
rm -f "$work/release"
SORTLINES_TEST_STALL="writing:Z:$work/release" start killed --locale 409 --flags 0 -o "$work/out.d/target.txt" "$work/big.txt"
if wait_for "$work/killed.err" "stalled at writing"; then
    kill -KILL -- -"$pid"; wait "$pid"
    touch "$work/release"
    live="$work/out.d/.target.txt.sortlines.$$.abcdef"
    : >"$live"
    left=$(cd "$work/out.d" && ls -A | grep -c 'sortlines\.[0-9]')
    run --locale 409 --flags 0 -o "$work/out.d/target.txt" "$work/big.txt"
    check "after kill -9: the next run removes the dead run's temporary file only" \
        eval '[ "$left" = 2 ] && [ "$status" = 0 ] && cmp -s "$work/out.d/target.txt" "$work/big.sorted" \
              && only .target.txt.sortlines.$$.abcdef target.txt'
    rm -f "$live"
else
    fail "kill -9 while writing: the host never started writing"; touch "$work/release"; wait "$pid"
fi

# A full disk (a file size limit) while writing: status 1, one line, the
# old target kept.
printf 'old\n' >"$work/out.d/target.txt"
(ulimit -f 256; trap '' XFSZ; run --locale 409 --flags 0 -o "$work/out.d/target.txt" "$work/big.txt"; exit "$status")
status=$?
check "full disk: status 1, one line naming the target, old target kept, no temporary file" \
    eval '[ "$status" = 1 ] && [ "$(wc -l <"$work/err")" = 1 ] && grep -q "cannot write the result: .*out.d/target.txt" "$work/err" \
          && [ "$(cat "$work/out.d/target.txt")" = old ] && only target.txt'

# Names that differ only in case are different files; a link is written
# through, and the target keeps its permissions.
rm -f "$work/out.d"/*
printf 'keep\n' >"$work/out.d/notes.txt"
run --locale 409 --flags 0 -o "$work/out.d/Notes.txt" "$work/big.txt"
check "-o Notes.txt beside notes.txt writes Notes.txt only" \
    eval '[ "$status" = 0 ] && cmp -s "$work/big.sorted" "$work/out.d/Notes.txt" && [ "$(cat "$work/out.d/notes.txt")" = keep ]'
"$root/scripts/wine-run" --prefix "$WINEPREFIX" --arch "$ZTOA_ARCH" "$ZTOA_BUILD_DIR/bin/sortlines.exe" \
    -o "Z:$work/out.d/NOTES.txt" "Z:$work/big.txt" >"$work/out" 2>"$work/err" </dev/null
status=$?
check "the bare host refuses -o NOTES.txt where only other cases of it exist" \
    eval '[ "$status" = 2 ] && grep -q "another file, .otes.txt, has that name but for case" "$work/err" && [ "$(cat "$work/out.d/notes.txt")" = keep ]'
chmod 640 "$work/out.d/notes.txt"
ln -s notes.txt "$work/out.d/link"
run --locale 409 --flags 0 -o "$work/out.d/link" "$work/big.txt"
check "-o through a link replaces the file linked to, keeping its mode" \
    eval '[ "$status" = 0 ] && [ -L "$work/out.d/link" ] && cmp -s "$work/big.sorted" "$work/out.d/notes.txt" \
          && [ "$(stat -c %a "$work/out.d/notes.txt")" = 640 ] && only Notes.txt link notes.txt'

# Odd paths: NAME, WANTED STATUS, what must hold after, the arguments.
mkfifo "$work/fifo"
printf 'b\na\nc\n' >"$work/abc.txt"
while IFS='|' read -r name want after args; do
    eval "timeout 60 \"\$root/scripts/sortlines\" $args >\"\$work/out\" 2>\"\$work/err\""
    status=$?
    check "$name: status $want" eval "[ \"\$status\" = $want ] && $after"
done <<'TABLE'
-o /dev/stdout writes stdout|0|[ "$(cat "$work/out")" = "$(printf 'c\nb\na')" ]|-o /dev/stdout "$work/abc.txt"
-o /dev/null writes nothing anywhere|0|[ ! -s "$work/out" ]|-o /dev/null "$work/abc.txt"
-o a FIFO without a reader is refused at once|2|[ -p "$work/fifo" ] && grep -q "regular file" "$work/err"|-o "$work/fifo" "$work/abc.txt"
input from a pipe is named as one|2|grep -q "not a regular file" "$work/err" && [ ! -s "$work/out" ]|<(cat "$work/abc.txt")
--help prints the usage of every mode on stdout|0|[ ! -s "$work/err" ] && grep -q -- --window "$work/out" && grep -q -- --uninstall "$work/out" && grep -q "128+N" "$work/out"|--help
-h is --help|0|grep -q "^usage: sortlines" "$work/out"|-h
TABLE

# Out of memory (the host leaves itself 40 MB of address space for a 30 MB
# file): status 1 and one line, never 0 or 3; nothing written.
rm -f "$work/out.d"/*
python3 -c '
import sys
sys.stdout.write("".join("%07d the quick brown fox jumps over the lazy dog\n" % (i * 7919 % 600000) for i in range(600000)))
' >"$work/huge.txt"
printf 'b\nd\na\nc\ne\nf\ng\nh\n' >"$work/eight.txt"
# The same for an answer to the module that runs out of memory (the host's
# 2nd, 12th or 45th of about 50: choosing the range, reading, rewriting).
# Unhandled, it ended the host with the C runtime's status 3, and the
# wrapper put an empty file over the target.
while read -r variable value document; do
    for mode in stdout file; do
        printf 'old\n' >"$work/out.d/target.txt"
        if [ "$mode" = file ]; then out=(-o "$work/out.d/target.txt"); else out=(); fi
        export "$variable=$value"
        run "${out[@]}" "$work/$document"
        unset "$variable"
        check "$variable=$value, to $mode: status 1, one line, nothing written" \
            eval '[ "$status" = 1 ] && [ "$(wc -l <"$work/err")" = 1 ] && grep -q "out of memory" "$work/err" \
                  && [ ! -s "$work/out" ] && [ "$(cat "$work/out.d/target.txt")" = old ] && only target.txt'
    done
done <<'TABLE'
SORTLINES_TEST_FREE_MB 40 huge.txt
SORTLINES_TEST_FAIL_ANSWER 2 eight.txt
SORTLINES_TEST_FAIL_ANSWER 12 eight.txt
SORTLINES_TEST_FAIL_ANSWER 45 eight.txt
TABLE

# Two runs at once with different flags: A stops after storing its settings
# until released; B starts then and either waits for A or, unprotected,
# stores its own and finishes. Each must sort with its own flags.
printf 'b\nB\na\nA\n' >"$work/case.txt"
rm -f "$work/release"
SORTLINES_TEST_STALL="settings:Z:$work/release" start a --locale 409 --flags 1 "$work/case.txt"
a=$pid
wait_for "$work/a.err" "stalled at settings" || fail "run A never stored its settings"
SORTLINES_TEST_STALL=note start b --locale 409 --flags 0 "$work/case.txt"
b=$pid
for _ in $(seq 1200); do
    grep -q "waiting for another run" "$work/b.err" && break
    kill -0 "$b" 2>/dev/null || break
    sleep 0.1
done
touch "$work/release"
wait "$a"; wait "$b"
cp "$work/a.err" "$work/err"
check "two runs at once: each sorts with its own flags" \
    eval '[ "$(tr "\n" " " <"$work/a.out")" = "b B a A " ] && [ "$(tr "\n" " " <"$work/b.out")" = "B b A a " ]'

echo "$passes passed, $fails failed"
[ "$fails" = 0 ]
