# Shared by the Windows end-to-end tests: a sandbox folder, Windows names for
# Linux paths, and a run of talvex-run.exe under Wine. Sourced, not run.
# Needs WINEPREFIX (a prefix with the null graphics driver) and RUNNER, SIM.

set -u
RUNNER=$(realpath "$RUNNER")
SIM=$(realpath -m "$SIM")

if [ -z "${WINEPREFIX:-}" ]; then
    echo "WINEPREFIX is not set: run the Windows tests through scripts/windows-test.sh" >&2
    exit 1
fi
export WINEDEBUG=-all

# The prefix's Z: drive is the Linux root.
winpath() {
    printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"
}

# A fresh sandbox: $BOX/work (the working folder), $BOX/deflog (the default
# log folder); a DDE service name of its own, so tests run side by side.
make_box() {
    BOX=$(mktemp -d /tmp/tvw-XXXXXX)
    mkdir -p "$BOX/work" "$BOX/deflog"
    export KORVA_SERVICE="KORVA_TEST_$(basename "$BOX")"
    export KORVA32="$(winpath "$SIM")"
    export TALVEX_LOG_FOLDER="$(winpath "$BOX/deflog")"
    export LC_ALL=C.UTF-8 LANG=C.UTF-8
    trap 'kill_hosts; rm -rf "$BOX"' EXIT
}

# Unix process ids of the hosts of this sandbox (its service in their
# environment), korva32-sim unless another program name is given.
host_pids() {
    local p name=${1:-korva32-sim}
    for p in /proc/[0-9]*; do
        if grep -qazx "KORVA_SERVICE=$KORVA_SERVICE" "$p/environ" 2>/dev/null &&
            grep -qaiF "$name" "$p/cmdline" 2>/dev/null; then
            echo "${p#/proc/}"
        fi
    done
}

kill_hosts() {
    local pid
    for pid in $(host_pids) $(host_pids notepad.exe); do kill -9 "$pid" 2>/dev/null; done
}

# True once no simulator of this sandbox runs (waits up to 5 s).
wait_no_host() {
    local i
    for i in $(seq 50); do
        [ -z "$(host_pids)" ] && return 0
        sleep 0.1
    done
    return 1
}

# run_runner ARGS...: runs talvex-run.exe in $BOX/work; sets STATUS, and
# leaves $BOX/out and $BOX/err.
run_runner() {
    (cd "$BOX/work" && timeout 90 wine "$RUNNER" "$@" >"$BOX/out" 2>"$BOX/err")
    STATUS=$?
}

FAILED=0
fail() {
    echo "FAIL: $*" >&2
    FAILED=1
}

# expect_file WHAT ACTUAL EXPECTED: byte comparison, with a diff on failure.
expect_same() {
    if ! cmp -s "$2" "$3"; then
        fail "$1 differs (expected, then actual):"
        diff <(od -c "$3") <(od -c "$2") | head -20 >&2
    fi
}
