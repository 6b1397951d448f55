#!/usr/bin/env bash
# The real program under a private Xvfb server, started on a settings file written here: the main window
# appears where the file puts it, the time from the start to the mapped window is printed, and a stop
# request writes the position back unchanged.
# Usage: tests/app/stored-position-e2e.sh PROGRAM
# Prints "main window at X,Y", "mapped after N ms" and "position written back"; a failure says why.
set -uo pipefail
program=${1:?program path}

script_name=stored-position
source "$(dirname "$0")/../../scripts/xvfb-session.sh"
command -v Xvfb >/dev/null && command -v xwininfo >/dev/null || { echo "SKIP: needs Xvfb and xwininfo"; exit 0; }

start_private_xvfb

# Left 120, top 200: not the first run's 50, 50 nor the window's built-in place.
mkdir -p "$work/config/quorvel"
printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
    '[HKEY_CURRENT_USER\Software\Velmar Software\Quorvel\Position]' \
    '"MainTop"=dword:000000c8' '"MainLeft"=dword:00000078' '' \
    '[HKEY_CURRENT_USER\Software\Velmar Software\Quorvel\Option]' \
    '"ShowMonitor"=dword:00000000' >"$work/config/quorvel/registry.reg"

# The exit status is checked below, so the sanitizer's leak report must not decide it: under load the
# D-Bus library that Qt's X11 platform starts now and then keeps an allocation at exit that the report
# cannot attribute. The program's own code is leak-checked by the unit tests.
started=$(date +%s%N)
start_program "$program" ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

window=
for _ in $(seq 3000); do
    window=$(xwininfo -root -tree 2>/dev/null | awk '/^ *0x[0-9a-f]+ "Quorvel":/ && !/ 1x1+/ && !/ 3x3+/ {print $1; exit}')
    if [ -n "$window" ] && xwininfo -id "$window" 2>/dev/null | grep -q 'Map State: IsViewable'; then break; fi
    window=
    kill -0 "$program_pid" 2>/dev/null || fail "the program ended before its window appeared"
    sleep 0.01
done
mapped=$(date +%s%N)
[ -n "$window" ] || fail "the window \"Quorvel\" was not mapped on $DISPLAY within 30 s"
echo "mapped after $(((mapped - started) / 1000000)) ms"
x=$(xwininfo -id "$window" | awk '/Absolute upper-left X:/ {print $4}')
y=$(xwininfo -id "$window" | awk '/Absolute upper-left Y:/ {print $4}')
echo "main window at $x,$y"

kill -TERM "$program_pid"
wait "$program_pid"
status=$?
program_pid=
[ "$status" -eq 0 ] || fail "the program ended with status $status after a stop request"
grep -q '"MainTop"=dword:000000c8' "$work/config/quorvel/registry.reg" &&
    grep -q '"MainLeft"=dword:00000078' "$work/config/quorvel/registry.reg" ||
    fail "the position was not written back: $(cat "$work/config/quorvel/registry.reg")"
echo "position written back"
