#!/bin/bash
# talvex-run.exe and the host over DDE under Wine: the host killed during a
# run, a host that cannot be found or does not come up, a host that runs
# already, and Ctrl+C (a hard cancel of the command the host works on, and
# during the host's start-up).
# Usage: link_wine.sh RUNNER.exe SIM.exe CASE [LAUNCHER.exe]
RUNNER=$1 SIM=$2 CASE=$3 LAUNCHER=${4:-}
. "$(dirname "$0")/wine_sandbox.sh"

# A Windows program that runs on and never offers a DDE service.
MUTE='C:\windows\system32\notepad.exe'

# start_runner ARGS...: in the background; RUNNER_PID is its process.
start_runner() {
    # Job control: a background job of a script would otherwise ignore SIGINT.
    set -m
    (cd "$BOX/work" && exec wine "$RUNNER" "$@" >"$BOX/out" 2>"$BOX/err") &
    RUNNER_PID=$!
    set +m
}

# wait_for_output TEXT: until standard output holds TEXT (up to 30 s).
wait_for_output() {
    local i
    for i in $(seq 300); do
        grep -qF "$1" "$BOX/out" 2>/dev/null && return 0
        sleep 0.1
    done
    fail "no \"$1\" on standard output"
    return 1
}

# wait_for_error TEXT [TENTHS]: until standard error holds TEXT (default 30 s).
wait_for_error() {
    local i
    for i in $(seq "${2:-300}"); do
        grep -qF "$1" "$BOX/err" 2>/dev/null && return 0
        sleep 0.1
    done
    fail "no \"$1\" on standard error"
    return 1
}

# start_host: a simulator of this sandbox, started by hand; waits until it
# serves (a run links to it).
start_host() {
    local keep=$KORVA32 i
    (exec wine "$SIM" >/dev/null 2>&1) &
    printf 'echo(up)\r\n' >"$BOX/work/up.tvx"
    # Without KORVA32 a run starts no host of its own.
    unset KORVA32
    for i in $(seq 40); do
        run_runner up.tvx
        [ "$STATUS" = 0 ] && break
        sleep 0.25
    done
    export KORVA32=$keep
    [ "$STATUS" = 0 ] || fail "the host did not come up"
}

# finish_runner: waits (up to 30 s) for the runner; sets STATUS.
finish_runner() {
    local i
    for i in $(seq 300); do
        kill -0 "$RUNNER_PID" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$RUNNER_PID" 2>/dev/null; then
        fail "the run did not end"
        kill -9 "$RUNNER_PID"
    fi
    wait "$RUNNER_PID"
    STATUS=$?
}

expect_text() { # WHAT FILE TEXT
    printf '%s' "$3" >"$BOX/expected"
    expect_same "$1" "$2" "$BOX/expected"
}

expect_status() {
    [ "$STATUS" = "$1" ] || fail "exit status $STATUS, expected $1"
}

make_box
case $CASE in
ctrl_c_silent | ctrl_c_wait)
    # The hard cancel ends the command the host works on; the run stops at
    # the next line.
    command=$([ $CASE = ctrl_c_silent ] && echo 'silent()' || echo 'wait(60000)')
    printf 'echo(start)\r\n%s\r\necho(never)\r\n' "$command" >"$BOX/work/long.tvx"
    start_runner --log run.log long.tvx
    wait_for_output $'start\n'
    sleep 0.3
    kill -INT "$RUNNER_PID"
    finish_runner
    expect_status 1
    expect_text "standard output" "$BOX/out" $'start\ncancelled\nscript interrupted by user\n'
    expect_text "standard error" "$BOX/err" $'Ending Script please wait.\nScript Done long.tvx\n'
    expect_text run.log "$BOX/work/run.log" $'start\r\ncancelled\r\nscript interrupted by user\r\n'
    wait_no_host || fail "the host the run started is still there"
    ;;
ctrl_c_thrice)
    # The third Ctrl+C ends the run at once, in order: the log keeps what
    # was written, the host gets its Exit.
    printf '#oncancel(handler)\r\necho(one)\r\nwait(60000)\r\n#exit\r\n#label(handler)\r\nwait(60000)\r\n' \
        >"$BOX/work/long.tvx"
    start_runner --log run.log long.tvx
    wait_for_output $'one\n'
    sleep 0.3
    for i in 1 2 3; do
        kill -INT "$RUNNER_PID"
        sleep 0.5
    done
    finish_runner
    expect_status 1
    # The first Ctrl+C cancelled the wait, the second stops the handler once
    # its command is done, the third ends the run in the handler's wait.
    expect_text "standard output" "$BOX/out" $'one\ncancelled\nscript interrupted by user\n'
    expect_text "standard error" "$BOX/err" $'Ending Script please wait.\n'
    expect_text run.log "$BOX/work/run.log" $'one\r\ncancelled\r\nscript interrupted by user\r\n'
    wait_no_host || fail "the host the run started is still there"
    ;;
killed_during_wait)
    printf 'echo(start)\r\nwait(60000)\r\necho(never)\r\n' >"$BOX/work/long.tvx"
    start_runner long.tvx
    wait_for_output $'start\n'
    sleep 0.3
    pids=$(host_pids)
    [ "$(echo "$pids" | grep -c .)" = 1 ] || fail "one host expected, found: $pids"
    kill -9 $pids
    finish_runner
    expect_status 3
    expect_text "standard output" "$BOX/out" $'start\nError: link to KORVA lost\nscript error\n'
    expect_text "standard error" "$BOX/err" $'Error: link to KORVA lost\nScript Done long.tvx\n'
    [ -z "$(host_pids)" ] || fail "a fresh host was started"
    ;;
killed_between_commands)
    # The host dies while the script runs on by itself; the next command
    # must not start a fresh one.
    printf 'echo(one)\r\n#setvars(i=0)\r\n#while(i<1000000)\r\n#setvars(i={i+1})\r\n#wend\r\necho(two)\r\n' \
        >"$BOX/work/long.tvx"
    start_runner long.tvx
    wait_for_output $'one\n'
    kill -9 $(host_pids)
    finish_runner
    expect_status 3
    expect_text "standard output" "$BOX/out" $'one\nError: link to KORVA lost\nscript error\n'
    expect_text "standard error" "$BOX/err" $'Error: link to KORVA lost\nScript Done long.tvx\n'
    [ -z "$(host_pids)" ] || fail "a fresh host was started"
    ;;
ctrl_break | console_close | logoff | shutdown)
    # End now, in order: the log keeps every line written so far, the echo of
    # the command cut short is not printed, the host we started gets Exit.
    # Wine raises none of these events itself: the launcher delivers them as
    # Windows does (kernelbase's CtrlRoutine in a thread of the runner).
    event=$(case $CASE in ctrl_break) echo break ;; console_close) echo close ;; *) echo $CASE ;; esac)
    printf 'echo(one)\r\necho(two)\r\nwait(60000)\r\necho(never)\r\n' >"$BOX/work/long.tvx"
    (cd "$BOX/work" && wine "$(realpath "$LAUNCHER")" "$event" "$(winpath "$BOX/out")" \
        "$(winpath "$BOX/err")" $'two\n' "$(winpath "$RUNNER")" --log run.log long.tvx)
    STATUS=$?
    expect_status 1
    expect_text "standard output" "$BOX/out" $'one\ntwo\n'
    expect_text "standard error" "$BOX/err" ""
    expect_text run.log "$BOX/work/run.log" $'one\r\ntwo\r\n'
    wait_no_host || fail "the host the run started is still there"
    ;;
code_page)
    # "±" goes to the host and back in Windows-1252; a character the code
    # page has no place for is not sent as "?": its reply names it.
    printf 'echo(\xc2\xb11.5)\r\necho(a\xe2\x9c\x93b)\r\necho(after)\r\n' >"$BOX/work/a.tvx"
    run_runner a.tvx
    expect_status 0
    expect_text "standard output" "$BOX/out" \
        $'\xc2\xb11.5\nError: the command holds a character KORVA cannot take: \xe2\x9c\x93\nafter\n'
    expect_text "standard error" "$BOX/err" $'Script Done a.tvx\n'
    ;;
missing_host)
    printf 'echo(x)\r\n' >"$BOX/work/a.tvx"
    run_runner --host 'Z:\no\such\korva32.exe' a.tvx
    expect_status 3
    expect_text "standard output" "$BOX/out" ""
    expect_text "standard error" "$BOX/err" $'Could not find KORVA32\nZ:\\no\\such\\korva32.exe: no such file\n'
    ;;
host_not_coming_up)
    # A host that runs but never offers its service: the bounded wait ends,
    # and the host is not left behind.
    printf 'echo(x)\r\n' >"$BOX/work/a.tvx"
    export KORVA32="$MUTE"
    run_runner a.tvx
    expect_status 3
    expect_text "standard output" "$BOX/out" ""
    expect_text "standard error" "$BOX/err" \
        "Could not initialize KORVA DDE link"$'\n'"$KORVA_SERVICE|DDE_Control: no conversation established"$'\n'
    [ -n "$(host_pids notepad.exe)" ] && fail "the host that did not come up is still running"
    ;;
ctrl_c_during_start_up)
    printf 'echo(never)\r\n' >"$BOX/work/a.tvx"
    export KORVA32="$MUTE"
    start_runner a.tvx
    for i in $(seq 100); do
        [ -n "$(host_pids notepad.exe)" ] && break
        sleep 0.1
    done
    sleep 0.3
    kill -INT "$RUNNER_PID"
    finish_runner
    expect_status 1
    expect_text "standard output" "$BOX/out" ""
    expect_text "standard error" "$BOX/err" ""
    sleep 0.5
    [ -n "$(host_pids notepad.exe)" ] && fail "the host whose start-up was ended is still running"
    ;;
frozen_host_hard_cancel)
    # The host stops answering during a command: the hard cancel goes out at
    # once, the runner says what it waits for and that the host lets the
    # cancel go unanswered, the second Ctrl+C waits on, and the third gives
    # up on the host, which is left as it is.
    printf 'echo(before)\r\nwait(5000)\r\necho(after)\r\n' >"$BOX/work/long.tvx"
    start_runner --log run.log long.tvx
    wait_for_output $'before\n'
    sleep 1
    host=$(host_pids)
    kill -STOP $host
    kill -INT "$RUNNER_PID"
    wait_for_error "Ending Script please wait." 20
    wait_for_error "KORVA does not answer the hard cancel" 100
    wait_for_error "waiting for KORVA: wait(5000) (Ctrl+C cancels)" 100
    kill -INT "$RUNNER_PID"
    sleep 0.3
    kill -0 "$RUNNER_PID" 2>/dev/null || fail "the second Ctrl+C ended the run"
    kill -INT "$RUNNER_PID"
    finish_runner
    expect_status 1
    expect_text "standard output" "$BOX/out" \
        $'before\nError: link to KORVA dropped\nscript interrupted by user\n'
    expect_text "standard error" "$BOX/err" \
        $'Ending Script please wait.\nKORVA does not answer the hard cancel (press Ctrl+C twice more to end the run)\nwaiting for KORVA: wait(5000) (Ctrl+C cancels)\nScript Done long.tvx\n'
    expect_text run.log "$BOX/work/run.log" \
        $'before\r\nError: link to KORVA dropped\r\nscript interrupted by user\r\n'
    kill -0 $host 2>/dev/null || fail "the host process was not left alone"
    kill -CONT $host
    ;;
frozen_host_new_run)
    # A run against a host that has stopped answering does not wait for it
    # for good, and starts no second one beside it.
    start_host
    host=$(host_pids)
    kill -STOP $host
    printf 'echo(x)\r\n' >"$BOX/work/a.tvx"
    run_runner a.tvx
    expect_status 3
    expect_text "standard output" "$BOX/out" ""
    expect_text "standard error" "$BOX/err" $'Could not initialize KORVA DDE link\nthe host does not answer\n'
    [ "$(host_pids)" = "$host" ] || fail "another host was started: $(host_pids)"
    kill -CONT $host
    ;;
check)
    # --check reads each script, runs nothing and starts no host: findings as
    # compilers write them, the worst in the exit status, a script that
    # cannot be read named on standard error.
    mkdir -p "$BOX/work/sub"
    printf 'echo(a)\r\n' >"$BOX/work/clean.tvx"
    printf '#do(j=0)\r\n#loopuntil(j)\r\n' >"$BOX/work/warns.tvx"
    printf '#while(1)\r\n#call(gone)\r\n#wend\r\n#endif\r\n' >"$BOX/work/sub/errs.tvx"
    warning=$'warns.tvx:1:5: warning: #do sets j again on every round; set it on a line before the #do\n'
    errors=$'sub/errs.tvx:2:7: error: #call of "gone.tvx": No such file or directory (sub/gone.tvx)\nsub/errs.tvx:4:1: error: #endif without its #if\n'
    while IFS='|' read -r status args; do
        run_runner --check $args
        case $status in 0) out= ;; 1) out=$warning ;; *) out=$errors ;; esac
        [ "$args" = "clean.tvx sub/errs.tvx warns.tvx" ] && out=$errors$warning
        err=
        [ "$status" = 66 ] && err=$'talvex-run: cannot read missing.tvx: No such file or directory\n'
        expect_status "$status"
        expect_text "standard output of --check $args" "$BOX/out" "$out"
        expect_text "standard error of --check $args" "$BOX/err" "$err"
    done <<'ROWS'
0|clean.tvx
1|warns.tvx
65|clean.tvx sub/errs.tvx warns.tvx
66|sub/errs.tvx missing.tvx
ROWS
    [ -z "$(host_pids)" ] || fail "--check started a host"
    ;;
many_commands)
    # A long unattended run: every command answered, none lost. 30,000 and
    # not more: Wine's DDEML keeps two global memory handles per execute in
    # the host (the copy of the command it hands the callback, and the reply
    # it posts on the hot link) and one in the runner (the copy of each reply
    # received), and never frees them; its table holds 65,535, so under Wine
    # a simulator stops answering after 32,767 commands. Windows frees them.
    printf '#setvars(i=0)\r\n#while(i<30000)\r\n#setvars(i={i+1})\r\necho({i})\r\n#wend\r\n' \
        >"$BOX/work/many.tvx"
    run_runner many.tvx
    expect_status 0
    seq 30000 >"$BOX/expected"
    expect_same "standard output" "$BOX/out" "$BOX/expected"
    expect_text "standard error" "$BOX/err" $'Script Done many.tvx\n'
    ;;
console_text)
    # In a console, "±" and "é" show as such whatever its code page;
    # redirected, the bytes stay UTF-8 (the golden scripts).
    printf 'echo(volt=57.7893\xc2\xb10.0812)\r\necho(caf\xc3\xa9)\r\n' >"$BOX/work/a.tvx"
    (cd "$BOX/work" && timeout 90 script -qec "wine '$RUNNER' a.tvx" /dev/null >"$BOX/tty")
    STATUS=$?
    expect_status 0
    # Without the terminal's own controls and carriage returns.
    sed 's/\x1b\[[0-9;?]*[A-Za-z]//g; s/\r//g' "$BOX/tty" >"$BOX/out"
    expect_text "the console" "$BOX/out" $'volt=57.7893\xc2\xb10.0812\ncaf\xc3\xa9\nScript Done a.tvx\n'
    ;;
running_host)
    # A host that runs already is linked, not started, and not told to exit;
    # also when its program is nowhere the runner would look for it.
    (exec wine "$SIM" >/dev/null 2>&1) &
    for i in $(seq 100); do
        [ -n "$(host_pids)" ] && break
        sleep 0.1
    done
    sleep 0.5
    printf 'echo(x)\r\n' >"$BOX/work/a.tvx"
    unset KORVA32
    # The host may not offer its service yet: until it does, there is
    # nothing to link and nothing to start.
    for i in $(seq 20); do
        run_runner a.tvx
        [ "$STATUS" = 3 ] || break
        sleep 0.5
    done
    expect_status 0
    expect_text "standard output" "$BOX/out" $'x\n'
    sleep 0.5
    [ "$(host_pids | grep -c .)" = 1 ] || fail "the host that ran before the run did not run on"
    ;;
*)
    echo "unknown case $CASE" >&2
    exit 2
    ;;
esac
[ -n "${KEEP_OUTPUT:-}" ] && { echo "--- out"; cat "$BOX/out"; echo "--- err"; cat "$BOX/err"; echo "--- status $STATUS"; }
exit $FAILED
