# Sourced by the scripts that run the real program under a private Xvfb server: a work folder removed at
# exit, failures that say why (with the last lines of every log), the server on a free display, and the
# program started with settings and lock folders of its own.
# The sourcing script sets script_name before sourcing and may define extra_cleanup.
work=$(mktemp -d)
xvfb_pid=
program_pid=

stop_process() {
    [ -n "$1" ] && kill "$1" 2>/dev/null
    [ -n "$1" ] && wait "$1" 2>/dev/null
    return 0
}
cleanup() {
    declare -F extra_cleanup >/dev/null && extra_cleanup
    stop_process "$program_pid"
    stop_process "$xvfb_pid"
    rm -rf "$work"
    return 0
}
trap cleanup EXIT
fail() {
    echo "$script_name: $*"
    [ -n "$xvfb_pid" ] && ! kill -0 "$xvfb_pid" 2>/dev/null && echo "(the X server on $DISPLAY had ended)"
    for log in "$work"/*.log; do
        [ -s "$log" ] && { echo "--- $(basename "$log")"; tail -n 20 "$log"; }
    done
    exit 1
}

# Runs the command until it succeeds, ten times a second, for at most the given seconds.
wait_for() {
    local seconds=$1
    shift
    for _ in $(seq $((seconds * 10))); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# A private server on a display number of its own. The number is drawn from 100 to 899, away from the
# low numbers that desktops and quickly restarted servers use: a server leaving display 0 while a new one
# took it was seen to leave the newcomer unreachable. A number in use makes the server end at start, and a
# server that ends or does not answer is tried again on another number.
start_private_xvfb() {
    unset QT_QPA_PLATFORM WAYLAND_DISPLAY DISPLAY
    local attempt number
    for attempt in 1 2 3 4 5; do
        number=$((100 + RANDOM % 800))
        : >"$work/display"
        Xvfb ":$number" -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
        xvfb_pid=$!
        for _ in $(seq 100); do
            if grep -q '^[0-9]' "$work/display"; then
                export DISPLAY=":$(head -n 1 "$work/display")"
                wait_for 5 xwininfo -root >/dev/null 2>&1 && return 0
                break
            fi
            kill -0 "$xvfb_pid" 2>/dev/null || break
            sleep 0.1
        done
        echo "$script_name: Xvfb did not start on :$number (attempt $attempt)"
        stop_process "$xvfb_pid"
        xvfb_pid=
    done
    fail "Xvfb did not accept clients"
}

# The program with a settings folder of its own (the run never depends on, or changes, the user's
# settings) and a lock folder of its own (another Quorvel of the same user, a test running beside this
# one, must not make this start the silent second instance). Extra NAME=VALUE words go to its environment.
#
# A program that could not reach a server which had just answered was seen once in many runs; it is
# started once more then. Whether it reached the server shows as a new window on the root (the client
# leader Qt makes as it connects).
start_program() {
    local program=$1 attempt before
    shift
    mkdir -p "$work/config"
    for attempt in 1 2; do
        before=$(root_windows)
        env "$@" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work" "$program" \
            >"$work/program.log" 2>&1 &
        program_pid=$!
        wait_for 10 reached_server_or_ended "$before"
        program_running || ! grep -q "could not connect to display" "$work/program.log" && return 0
        echo "$script_name: the program could not connect to $DISPLAY (attempt $attempt)"
        wait "$program_pid" 2>/dev/null
        program_pid=
    done
}
root_windows() { xwininfo -root -children 2>/dev/null | sed -n 's/^ *\([0-9][0-9]*\) child.*/\1/p'; }
# An ended program that is not yet reaped still answers kill -0; its state tells.
program_running() { [ -n "$(awk '$3 != "Z"' "/proc/$program_pid/stat" 2>/dev/null)" ]; }
reached_server_or_ended() { ! program_running || [ "$(root_windows)" -gt "${1:-0}" ]; }
