#!/usr/bin/env bash
# The real program's tray icon in a real X11 system tray (trayer) under a private Xvfb server. The program
# runs in a network namespace of the test's own whose only adapter is one end of a veth pair, so the test
# decides when the connection comes up.
#   1. the icon docks into a tray started after the program; 2. the tray is killed and started again and the icon docks again;
#   3. the docked icon's pixels change when the connection comes up (offline image, then an online one).
# Usage: tray-e2e.sh PROGRAM OUTPUT-FOLDER. Exits 77 (skipped) without root, Xvfb, trayer or iproute2.
set -uo pipefail
program=${1:?program path}
output=${2:?output folder}

skip() { echo "skipped: $*"; exit 77; }
[ "$(id -u)" -eq 0 ] || skip "needs root to make network namespaces"
for tool in Xvfb trayer ip xwininfo import convert; do
    command -v "$tool" >/dev/null 2>&1 || skip "needs $tool"
done

script_name=tray
source "$(dirname "$0")/../../scripts/xvfb-session.sh"
near="qvtn$$"
far="qvtf$$"
tray_pid=
extra_cleanup() {
    stop_process "$tray_pid"
    ip netns del "$near" 2>/dev/null
    ip netns del "$far" 2>/dev/null
}

# The X11 tray only: no session bus, so Qt does not take the D-Bus path.
unset DBUS_SESSION_BUS_ADDRESS
start_private_xvfb

subnet=$(($$ % 250))
ip netns add "$near" && ip netns add "$far" &&
    ip link add qvnear netns "$near" type veth peer name qvfar netns "$far" &&
    ip -n "$near" addr add "10.202.$subnet.1/24" dev qvnear &&
    ip -n "$far" addr add "10.202.$subnet.2/24" dev qvfar &&
    ip -n "$far" link set qvfar up && ip -n "$near" link set lo up || fail "could not make the namespaces"

start_tray() {
    trayer --edge top --align right --widthtype pixel --width 120 --heighttype pixel --height 24 \
        --transparent false >>"$work/trayer.log" 2>&1 &
    tray_pid=$!
}
panel() { xwininfo -root -tree 2>/dev/null | awk '/\("panel" "trayer"\)/ {print $1; exit}'; }
# The program's window inside the tray's panel, if it is docked there.
docked_icon() {
    local id
    id=$(panel)
    [ -n "$id" ] || return 1
    xwininfo -tree -id "$id" 2>/dev/null | awk '/\("qorvix" / {print $1; exit}'
}
is_docked() { [ -n "$(docked_icon)" ]; }
panel_up() { [ -n "$(panel)" ]; }
panel_gone() { [ -z "$(panel)" ]; }
pixels() { import -window "$1" rgba:- 2>/dev/null | md5sum | cut -d' ' -f1; }

# The program comes first, as at a login where it starts before the panel: there is no tray to add the
# icon to until the tray announces itself.
mkdir "$work/config"
ip netns exec "$near" env DISPLAY="$DISPLAY" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work" "$program" >"$work/program.log" 2>&1 &
program_pid=$!
main_window() { xwininfo -root -tree 2>/dev/null | grep -q '"Quorvel": ("qorvix" "Quorvel")  528x354'; }
wait_for 20 main_window || fail "the program's main window did not appear"

start_tray
wait_for 15 panel_up || fail "trayer did not map its panel"
wait_for 20 is_docked || fail "the icon did not dock into the tray"
echo "docked: icon window $(docked_icon) in panel $(panel)"
offline=$(pixels "$(docked_icon)")
import -window "$(docked_icon)" "$output/tray-icon-offline.png"

kill "$tray_pid" && wait "$tray_pid" 2>/dev/null
tray_pid=
wait_for 10 panel_gone || fail "the killed tray's panel stayed"
start_tray
wait_for 20 is_docked || fail "the icon did not dock again into the restarted tray"
echo "docked again: icon window $(docked_icon) in panel $(panel)"
[ "$(pixels "$(docked_icon)")" = "$offline" ] || fail "the restarted tray shows another image while offline"

ip -n "$near" link set qvnear up || fail "could not bring the adapter up"
changed() { [ "$(pixels "$(docked_icon)")" != "$offline" ]; }
wait_for 20 changed || fail "the icon kept its offline pixels after the connection came up"
import -window "$(docked_icon)" "$output/tray-icon-online.png"
import -window "$(panel)" "$output/tray-panel.png"
echo "pixels differ between the offline and the online image"
kill -0 "$program_pid" 2>/dev/null || fail "the program ended"
echo "tray end-to-end: passed"
