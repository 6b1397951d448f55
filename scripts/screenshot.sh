#!/usr/bin/env bash
# Starts the real program under a private Xvfb server and saves a picture of its main window.
# Usage: scripts/screenshot.sh PROGRAM OUTPUT.png
# Every failure says what went wrong on stdout, so a test runner that shows the output shows why.
set -uo pipefail
program=${1:?program path}
output=${2:?output png}

work=$(mktemp -d)
xvfb_pid=
program_pid=
cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
    [ -n "$program_pid" ] && wait "$program_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
    return 0
}
trap cleanup EXIT
fail() {
    echo "screenshot: $*"
    for log in "$work"/*.log; do
        [ -s "$log" ] && { echo "--- $(basename "$log")"; tail -n 20 "$log"; }
    done
    exit 1
}

# The server picks a free display itself and writes its number once it accepts clients, so two
# runs at once, or a server left by someone else, can never share a display.
unset QT_QPA_PLATFORM WAYLAND_DISPLAY DISPLAY
start_xvfb() {
    : >"$work/display"
    Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        grep -q '^[0-9]' "$work/display" && return 0
        kill -0 "$xvfb_pid" 2>/dev/null || { xvfb_pid=; return 1; }
        sleep 0.1
    done
    return 1
}
# A server that ends at start (a display taken between its check and its bind) is tried again.
for attempt in 1 2 3; do
    start_xvfb && break
    echo "screenshot: Xvfb did not start (attempt $attempt)"
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    xvfb_pid=
done
[ -n "$xvfb_pid" ] || fail "Xvfb did not accept clients"
export DISPLAY=":$(head -n 1 "$work/display")"

# A settings folder of its own, so the picture never depends on (or changes) the user's settings.
mkdir "$work/config"
# A lock folder of its own too: another Quorvel of the same user (a test running beside this one) must not
# make this start the silent second instance.
XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work" "$program" >"$work/program.log" 2>&1 &
program_pid=$!

window=
for _ in $(seq 150); do
    window=$(xwininfo -root -tree 2>/dev/null | awk '/^ *0x[0-9a-f]+ "Quorvel":/ && !/ 1x1+/ && !/ 3x3+/ {print $1; exit}')
    [ -n "$window" ] && break
    kill -0 "$program_pid" 2>/dev/null || fail "the program ended before its window appeared"
    sleep 0.1
done
[ -n "$window" ] || fail "the window \"Quorvel\" did not appear on $DISPLAY within 15 s"
sleep 2.5 # two ticks of the status timer, so the picture shows live values and rates
xwininfo -id "$window" | awk '/Width:|Height:/ {print}'
import -window "$window" "$output" || fail "import could not save $output"
echo "saved $output"
