#!/usr/bin/env bash
# Runs the program for a while and reports its processor time per second of wall time and its peak
# resident memory. Usage: scripts/measure-process.sh PROGRAM [SECONDS] [headless|xvfb|xvfb-tray]
# xvfb-tray also runs an X11 system tray (trayer) on the server, so the program's icon is docked.
set -euo pipefail
program=${1:?program path}
seconds=${2:-60}
mode=${3:-headless}

xvfb_pid=
tray_pid=
if [ "$mode" = xvfb ] || [ "$mode" = xvfb-tray ]; then
    display_number=$((500 + RANDOM % 400))
    export DISPLAY=":$display_number"
    Xvfb "$DISPLAY" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    if [ "$mode" = xvfb-tray ]; then
        trayer --edge top --align right --widthtype pixel --width 120 --heighttype pixel --height 24 >/dev/null 2>&1 &
        tray_pid=$!
    fi
else
    unset DISPLAY WAYLAND_DISPLAY
fi
unset QT_QPA_PLATFORM

XDG_CONFIG_HOME=$(mktemp -d) "$program" >/dev/null 2>&1 &
pid=$!
sleep 2 # start-up is not part of the steady state
# Nanoseconds on the processor, summed over the program's threads (schedstat is exact, unlike clock ticks).
cpu() { cat /proc/"$pid"/task/*/schedstat | awk '{sum += $1} END {printf "%d", sum}'; }
start=$(cpu)
sleep "$seconds"
end=$(cpu)
peak_kb=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")
kill "$pid"; wait "$pid" 2>/dev/null || true
[ -n "$tray_pid" ] && kill "$tray_pid"
[ -n "$xvfb_pid" ] && kill "$xvfb_pid"
awk -v used=$((end - start)) -v s="$seconds" -v kb="$peak_kb" -v mode="$mode" \
    'BEGIN { printf "%s: %.3f ms of processor time per second, peak resident memory %.1f MB\n", mode, used / 1e6 / s, kb / 1024 }'
