#!/usr/bin/env bash
# Runs the program and a bare Qt window (bench/BareWindow.cpp) side by side and reports each one's
# processor time per second of wall time and its peak resident memory.
#
# Usage: scripts/measure-process.sh PROGRAM BARE_WINDOW [SECONDS] [offscreen|xvfb|xvfb-tray] [netns]
#   SECONDS    measured time after a warm-up of 15 s (WARMUP=seconds to change it; default 40)
#   offscreen  Qt's offscreen platform for both (default); xvfb: both on one Xvfb display; xvfb-tray: the
#              same with an X11 system tray (trayer) on it, so the program's icon is docked
#   netns      (root) both run online inside a network namespace of the script's own: a veth pair to a
#              second namespace, an address and a default route, so the program's first Ethernet adapter
#              is up. Nothing leaves the two namespaces.
#
# Every thread of both processes is sampled once a second (schedstat: nanoseconds on the processor, exact
# unlike clock ticks), and each thread's last value is kept, so a thread that ends during the run keeps
# the time it used.
set -euo pipefail
program=${1:?program path}
bare=${2:?bare window path}
seconds=${3:-40}
mode=${4:-offscreen}
netns=${5:-}
# Start-up is not part of the steady state: the program's first go online, the first show of the monitor
# window (fonts loaded, backing store made) and, in a namespace without a resolver, the time server's
# name lookup waiting out the resolver's timeout (about 10 s) all come before it. WARMUP overrides.
warmup=${WARMUP:-15}

cleanup() {
    for pid in ${program_pid:-} ${bare_pid:-} ${tray_pid:-} ${xvfb_pid:-}; do kill "$pid" 2>/dev/null || true; done
    for pid in ${program_pid:-} ${bare_pid:-} ${tray_pid:-} ${xvfb_pid:-}; do wait "$pid" 2>/dev/null || true; done
    if [ -n "$netns" ]; then
        ip netns del "$near" 2>/dev/null || true
        ip netns del "$far" 2>/dev/null || true
    fi
    [ -n "${config:-}" ] && rm -rf "$config"
}
trap cleanup EXIT
trap 'exit 130' INT TERM # so that an interrupted run still removes its namespaces and processes

run=()
if [ -n "$netns" ]; then
    [ "$(id -u)" = 0 ] || { echo "netns needs root" >&2; exit 2; }
    near=qvmeasure$$n far=qvmeasure$$f
    ip netns add "$near"; ip netns add "$far"
    ip link add qvnear netns "$near" type veth peer name qvfar netns "$far"
    ip -n "$near" addr add 10.203.0.1/24 dev qvnear; ip -n "$far" addr add 10.203.0.2/24 dev qvfar
    ip -n "$near" link set lo up; ip -n "$far" link set qvfar up; ip -n "$near" link set qvnear up
    ip -n "$near" route add default via 10.203.0.2
    run=(ip netns exec "$near")
fi

config=$(mktemp -d)
if [ "$mode" = xvfb ] || [ "$mode" = xvfb-tray ]; then
    # -displayfd lets Xvfb take a free display number and say which.
    mkfifo "$config/display"
    exec {displayfd}<>"$config/display"
    Xvfb -displayfd "$displayfd" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    read -r -t 10 display_number <&"$displayfd" || { echo "Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$display_number"
    unset QT_QPA_PLATFORM WAYLAND_DISPLAY
    if [ "$mode" = xvfb-tray ]; then
        trayer --edge top --align right --widthtype pixel --width 120 --heighttype pixel --height 24 >/dev/null 2>&1 &
        tray_pid=$!
    fi
else
    unset DISPLAY WAYLAND_DISPLAY
    export QT_QPA_PLATFORM=offscreen
fi

XDG_RUNTIME_DIR=$config XDG_CONFIG_HOME=$config/program "${run[@]}" "$program" >/dev/null 2>&1 &
program_pid=$!
XDG_CONFIG_HOME=$config/bare "${run[@]}" "$bare" >/dev/null 2>&1 &
bare_pid=$!
# With "ip netns exec" the pid above is the exec'ing ip, which becomes the program itself.

declare -A last
# Records each live thread's processor nanoseconds; threads that ended keep their last record.
sample() {
    local pid=$1 stat tid value
    for stat in /proc/"$pid"/task/*/schedstat; do
        read -r value _ < "$stat" 2>/dev/null || continue
        tid=${stat%/schedstat}; tid=${tid##*/}
        last["$pid:$tid"]=$value
    done
}
total() {
    local pid=$1 key sum=0
    for key in "${!last[@]}"; do [[ $key == "$pid:"* ]] && sum=$((sum + last[$key])); done
    echo "$sum"
}

sleep "$warmup"
for pid in "$program_pid" "$bare_pid"; do
    kill -0 "$pid" 2>/dev/null || { echo "process $pid ended during the warm-up" >&2; exit 1; }
    sample "$pid"
done
program_start=$(total "$program_pid")
bare_start=$(total "$bare_pid")
for _ in $(seq "$seconds"); do
    sleep 1
    sample "$program_pid"
    sample "$bare_pid"
done
program_used=$(($(total "$program_pid") - program_start))
bare_used=$(($(total "$bare_pid") - bare_start))
program_kb=$(awk '/VmHWM/ {print $2}' "/proc/$program_pid/status")
bare_kb=$(awk '/VmHWM/ {print $2}' "/proc/$bare_pid/status")

awk -v p="$program_used" -v b="$bare_used" -v s="$seconds" -v pk="$program_kb" -v bk="$bare_kb" \
    -v mode="$mode${netns:+, online in a namespace}" 'BEGIN {
    printf "%s, %d s:\n", mode, s
    printf "  program      %.3f ms of processor time per second, peak resident memory %.1f MB\n", p / 1e6 / s, pk / 1024
    printf "  bare window  %.3f ms of processor time per second, peak resident memory %.1f MB\n", b / 1e6 / s, bk / 1024
    printf "  ratio        %.2f\n", (b > 0 ? p / b : 0)
}'
