#!/usr/bin/env bash
# Starts the real program under a private Xvfb server and saves a picture of its main window.
# Usage: scripts/screenshot.sh PROGRAM OUTPUT.png
set -euo pipefail
program=${1:?program path}
output=${2:?output png}

display_number=$((90 + RANDOM % 400))
while [ -e "/tmp/.X11-unix/X$display_number" ] || [ -e "/tmp/.X$display_number-lock" ]; do
    display_number=$((display_number + 1))
done
export DISPLAY=":$display_number"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

Xvfb "$DISPLAY" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
program_pid=
cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null && wait "$program_pid" 2>/dev/null
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# A settings folder of its own, so the picture never depends on (or changes) the user's settings.
XDG_CONFIG_HOME=$(mktemp -d) "$program" >/dev/null 2>&1 &
program_pid=$!

window=
for _ in $(seq 100); do
    window=$(xwininfo -root -tree 2>/dev/null | awk '/"Quorvel"/ && !/ 1x1+/ && !/ 3x3+/ {print $1; exit}')
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "the window \"Quorvel\" did not appear" >&2; exit 1; }
sleep 2.5   # two ticks of the status timer, so the picture shows live values and rates
xwininfo -id "$window" | awk '/Width:|Height:/ {print}'
import -window "$window" "$output"
echo "saved $output"
