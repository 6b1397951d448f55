#!/usr/bin/env bash
# Starts the real program under a private Xvfb server and saves a picture of its main window.
# Usage: scripts/screenshot.sh PROGRAM OUTPUT.png
# Every failure says what went wrong on stdout, so a test runner that shows the output shows why.
set -uo pipefail
program=${1:?program path}
output=${2:?output png}

script_name=screenshot
source "$(dirname "$0")/xvfb-session.sh"

start_private_xvfb
start_program "$program"

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
