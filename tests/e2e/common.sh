# Shared by the test scripts (sourced): a work folder removed on exit, failure
# counting, ImageMagick's screenshot tool, and waiting for the program under
# test to end.

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
pid=

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# ImageMagick runs single-threaded: its spinning OpenMP workers otherwise
# starve Mesa's rasteriser threads on a two-core machine and stall the
# program under test for seconds.
export MAGICK_THREAD_LIMIT=1 OMP_NUM_THREADS=1
import=$(command -v import-im6.q16 || command -v import)

# This machine now and then holds a program back for several seconds (a frame
# that takes seconds, seen on the test machines with no other load), so the
# checks below wait for an effect rather than a fixed time.

# Runs a command every 0.4 s until it succeeds, for up to $1 seconds.
retry_for() {
    local seconds=$1
    shift
    local end=$((SECONDS + seconds))
    until "$@"; do
        ((SECONDS < end)) || return 1
        sleep 0.4
    done
}

# Starts a program ($1) with its output in $work/out and $work/err, and waits
# up to 20 s for its window named $2, then a second for its first frames. A
# program that shows no window fails the test and shows what it printed.
start_program() {
    "$1" >"$work/out" 2>"$work/err" &
    pid=$!
    if ! timeout 20 xdotool search --sync --onlyvisible --name "$2" >/dev/null; then
        fail "no window named \"$2\""
        cat "$work/out" "$work/err"
    fi
    sleep 1
}

# Waits up to 30 s for the program ($pid) to end, kills it after that, and
# sets rc to its exit status. $1 names the run in the failure message.
wait_for_exit() {
    local prefix=${1:+$1: }
    for _ in $(seq 1 600); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    if kill -0 "$pid" 2>/dev/null; then
        fail "${prefix}still running 30 s after it was told to quit"
        kill -9 "$pid"
    fi
    wait "$pid"
    rc=$?
}

# Prints the count of failed checks and exits 1 if there were any.
finish() {
    if ((failures > 0)); then
        echo "$failures check(s) failed"
        exit 1
    fi
    echo "$1"
}
