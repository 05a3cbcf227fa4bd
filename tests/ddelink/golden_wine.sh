#!/bin/bash
# One golden script through talvex-run.exe against korva32-sim.exe under
# Wine; what the user sees must be the bytes the Linux runner gives (the
# NAME.out/.err/.status/.log/.deflog/.files of the golden folder, as
# tests/app/golden_test.cpp reads them).
# Usage: golden_wine.sh RUNNER.exe SIM.exe GOLDEN_DIR NAME
RUNNER=$1 SIM=$2 GOLDEN=$3 NAME=$4
. "$(dirname "$0")/wine_sandbox.sh"

make_box
cp "$GOLDEN/$NAME.tvx" "$BOX/work/"
cp -r "$GOLDEN/sub" "$BOX/work/sub"
allowed=$(cd "$BOX/work" && find . -type f | sed 's|^\./||')

args=()
[ -f "$GOLDEN/$NAME.args" ] && read -r -a args <"$GOLDEN/$NAME.args"
whole=0
for a in "${args[@]}"; do [ "$a" = --whole ] && whole=1; done
if [ -f "$GOLDEN/$NAME.log" ]; then
    args+=(--log run.log)
    allowed+=$'\nrun.log'
fi
args+=("$NAME.tvx")

run_runner "${args[@]}"

expect_same "standard output" "$BOX/out" "$GOLDEN/$NAME.out"
if [ -f "$GOLDEN/$NAME.err" ]; then
    expect_same "standard error" "$BOX/err" "$GOLDEN/$NAME.err"
elif [ $whole = 1 ]; then
    expect_same "standard error" "$BOX/err" /dev/null
else
    printf 'Script Done %s\n' "$NAME.tvx" >"$BOX/err.expected"
    expect_same "standard error" "$BOX/err" "$BOX/err.expected"
fi
want=0
[ -f "$GOLDEN/$NAME.status" ] && want=$(tr -d ' \n' <"$GOLDEN/$NAME.status")
[ "$STATUS" = "$want" ] || fail "exit status $STATUS, expected $want"
[ -f "$GOLDEN/$NAME.log" ] && expect_same run.log "$BOX/work/run.log" "$GOLDEN/$NAME.log"

if [ -d "$GOLDEN/$NAME.files" ]; then
    while IFS= read -r rel; do
        allowed+=$'\n'"$rel"
        if [ -f "$BOX/work/$rel" ]; then
            expect_same "$rel" "$BOX/work/$rel" "$GOLDEN/$NAME.files/$rel"
        else
            fail "$rel was not written"
        fi
    done < <(cd "$GOLDEN/$NAME.files" && find . -type f | sed 's|^\./||')
fi
actual=$(cd "$BOX/work" && find . -type f | sed 's|^\./||' | sort)
expected=$(printf '%s\n' "$allowed" | sort -u)
[ "$actual" = "$expected" ] || fail "files left in the working folder: $(echo $actual)"

deflogs=$(cd "$BOX/deflog" && find . -type f | sed 's|^\./||')
if [ -f "$GOLDEN/$NAME.deflog" ]; then
    if [ "$(printf '%s\n' "$deflogs" | grep -c .)" != 1 ]; then
        fail "one default log file expected, found: $deflogs"
    else
        expect_same "default log" "$BOX/deflog/$deflogs" "$GOLDEN/$NAME.deflog"
    fi
else
    [ -z "$deflogs" ] || fail "no default log expected, found: $deflogs"
fi
wait_no_host || fail "the host the run started is still there"
exit $FAILED
