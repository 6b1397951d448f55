#!/usr/bin/env bash
# The real program under a real window manager (openbox) on a private Xvfb server, driven by xdotool as a
# user would drive it:
#   1. the monitor is off the taskbar and the pager and on every desktop;
#   2. "Always On Top" puts the same window above the others and takes it off again, where it was;
#   3. with no notification area, Minimize to Tray leaves the main window iconic, and a second start brings
#      it back viewable and ends at once;
#   4. with a tray (trayer) the icon docks and Minimize to Tray withdraws the window; unchecking the option
#      then brings the window back to the taskbar, still iconic;
#   5. a double click on the monitor's graph hides the monitor, one on the about window closes it, although
#      the window manager is there to take a move; the about window is off the taskbar and the pager.
# Usage: window-manager-e2e.sh PROGRAM. Exits 77 (skipped) without Xvfb, openbox, trayer, xdotool or xprop.
set -uo pipefail
program=${1:?program path}

skip() { echo "skipped: $*"; exit 77; }
for tool in Xvfb openbox trayer xdotool xprop xwininfo; do
    command -v "$tool" >/dev/null 2>&1 || skip "needs $tool"
done

script_name=window-manager
source "$(dirname "$0")/../../scripts/xvfb-session.sh"
wm_pid=
tray_pid=
extra_cleanup() {
    stop_process "$tray_pid"
    stop_process "$wm_pid"
}

# The X11 tray only: no session bus, so Qt takes neither the D-Bus tray nor any desktop service.
unset DBUS_SESSION_BUS_ADDRESS
start_private_xvfb
# Output is read whole before it is searched: grep -q ending early would fail the pipe (pipefail).
wm_running() { grep -q 'window id' <<<"$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null)"; }
wm_up_or_ended() { wm_running || ! kill -0 "$wm_pid" 2>/dev/null; }
# A window manager that could not open a display which had just answered was seen once: it is started
# again then.
for attempt in 1 2 3; do
    openbox --sm-disable >>"$work/openbox.log" 2>&1 &
    wm_pid=$!
    wait_for 20 wm_up_or_ended
    wm_running && break
    stop_process "$wm_pid"
done
wm_running || fail "openbox did not take the screen"

mkdir -p "$work/config/quorvel"
printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
    '[HKEY_CURRENT_USER\Software\Velmar Software\Quorvel\Option]' \
    '"MinimizeToTray"=dword:00000001' >"$work/config/quorvel/registry.reg"
start_program "$program" ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

# The program's own window with this exact title (not the window manager's frame around it).
window_id() {
    xwininfo -root -tree 2>/dev/null | awk -v t="\"$1\": (\"qorvix\"" 'index($0, t) && !id {id = $1} END {print id}'
}
viewable() { grep -q 'Map State: IsViewable' <<<"$(xwininfo -id "$1" 2>/dev/null)"; }
not_viewable() { ! viewable "$1"; }
wm_state() { xprop -id "$1" WM_STATE 2>/dev/null | awk '/window state:/ {print $3}'; }
iconic() { [ "$(wm_state "$1")" = Iconic ]; }
withdrawn() { not_viewable "$1" && [ "$(wm_state "$1")" != Iconic ]; }
net_wm_state() { xprop -id "$1" _NET_WM_STATE 2>/dev/null; }
has_state() { grep -q "$2" <<<"$(net_wm_state "$1")"; }
lacks_state() { ! has_state "$1" "$2"; }
origin() { xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x "," y}'; }
centre() { xwininfo -id "$1" | awk -v dx="$2" -v dy="$3" '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x + dx, y + dy}'; }
found() { [ -n "$(window_id "$1")" ] && viewable "$(window_id "$1")"; }
# The main window by its size: the tray icon's window bears the same title. Qt makes a new native window
# when one whose stacking hint changed is next hidden, so the id is read again after every hide.
main_id() { xwininfo -root -tree 2>/dev/null | awk '/"Quorvel": \("qorvix"/ && / 528x354\+/ && !id {id = $1} END {print id}'; }

wait_for 20 found "Quorvel - Monitor" || fail "the monitor did not appear"
wait_for 20 found "Quorvel" || fail "the main window did not appear"
monitor=$(window_id "Quorvel - Monitor")
main=$(main_id)

# 1. Off the taskbar and the pager, on all desktops.
for state in _NET_WM_STATE_SKIP_TASKBAR _NET_WM_STATE_SKIP_PAGER; do
    wait_for 10 has_state "$monitor" "$state" || fail "the monitor lacks $state: $(net_wm_state "$monitor")"
done
desktop=$(xprop -id "$monitor" _NET_WM_DESKTOP | sed 's/.*= //')
[ "$desktop" = 4294967295 ] || fail "the monitor is on desktop $desktop, not on all of them"
lacks_state "$main" _NET_WM_STATE_SKIP_TASKBAR || fail "the main window lost its taskbar button"
echo "monitor: $(net_wm_state "$monitor" | sed 's/.*= //'), desktop $desktop"

# A popup menu at the pointer: a window of its own whose top left corner is the pointer.
menu_at() { grep -q "[0-9]+$1+$2 " <<<"$(xwininfo -root -children)"; }
menu_gone() { ! menu_at "$1" "$2"; }
# Opens the menu with a right press on the window at the offset and types the keys into it. A press made
# right after a menu closed was seen to reach no window (the window manager still busy with the focus going
# back), so an unanswered press is made again.
choose() {
    local id=$1 dx=$2 dy=$3 x y attempt
    shift 3
    read -r x y < <(centre "$id" "$dx" "$dy")
    for attempt in 1 2 3; do
        xdotool mousemove "$x" "$y" click 3
        wait_for 3 menu_at "$x" "$y" && break
        [ "$attempt" -eq 3 ] && fail "the menu did not open on a right press at $x,$y"
    done
    # The pointer leaves the menu, so that no item it rests on is the one the keys start from.
    xdotool mousemove 0 599
    xdotool key "$@"
    wait_for 10 menu_gone "$x" "$y" || fail "the menu did not close after $*"
}

second_start() {
    env XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work" \
        ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$program" >>"$work/second.log" 2>&1
}

# 2. Always On Top: the same window, above and back, where it was.
before=$(origin "$main")
choose "$main" 264 20 Down Down Return
wait_for 10 has_state "$main" _NET_WM_STATE_ABOVE || fail "Always On Top did not reach the window manager"
[ "$(main_id)" = "$main" ] || fail "Always On Top made a new window"
choose "$main" 264 20 Down Down Return
wait_for 10 lacks_state "$main" _NET_WM_STATE_ABOVE || fail "unchecking Always On Top left the window above"
[ "$(main_id)" = "$main" ] && viewable "$main" || fail "unchecking Always On Top lost the window"
[ "$(origin "$main")" = "$before" ] || fail "the window moved from $before to $(origin "$main")"
echo "always on top: same window $main at $before"
always_on_top_window=$main

# 3. No notification area: the window stays on the taskbar, iconic. The monitor's menu opened and closed
# afterwards is a round trip through the program's event loop, after which a withdrawal would have happened.
xdotool windowminimize "$main"
wait_for 10 iconic "$main" || fail "the window manager did not iconify the main window"
choose "$monitor" 57 20 Escape
iconic "$main" || fail "Minimize to Tray hid the window into a missing tray (WM_STATE $(wm_state "$main"))"
echo "no tray: main window iconic"
second_start
status=$?
[ "$status" -eq 0 ] || fail "the second start ended with status $status"
wait_for 10 viewable "$main" || fail "the second start did not bring the main window back"
echo "second start: main window viewable"

# 4. With a tray: the icon docks, Minimize to Tray withdraws, and unchecking the option in the monitor's
# menu brings the window back to the taskbar, minimised.
trayer --edge top --align right --widthtype pixel --width 120 --heighttype pixel --height 24 \
    --transparent false >"$work/trayer.log" 2>&1 &
tray_pid=$!
docked() {
    local panel
    panel=$(xwininfo -root -tree 2>/dev/null | awk '/\("panel" "trayer"\)/ && !id {id = $1} END {print id}')
    [ -n "$panel" ] && grep -q '("qorvix" ' <<<"$(xwininfo -tree -id "$panel" 2>/dev/null)"
}
wait_for 20 docked || fail "the icon did not dock into the tray"
xdotool windowminimize "$main"
main_withdrawn() { main=$(main_id) && [ -n "$main" ] && withdrawn "$main"; }
wait_for 10 main_withdrawn || fail "Minimize to Tray did not withdraw the window (WM_STATE $(wm_state "$main"))"
# Always On Top was changed through the window manager, so hiding the window made no new one.
[ "$main" = "$always_on_top_window" ] || fail "the window hidden into the tray is a new one ($main, was $always_on_top_window)"
echo "tray: main window withdrawn"
choose "$monitor" 57 20 Down Down Down Return
main_iconic() { main=$(main_id) && [ -n "$main" ] && iconic "$main"; }
wait_for 10 main_iconic || 
    fail "unchecking Minimize to Tray did not bring the window back iconic (WM_STATE $(wm_state "$main"))"
not_viewable "$main" || fail "unchecking Minimize to Tray restored the window instead of leaving it minimised"
echo "tray: option unchecked, main window back on the taskbar, iconic"
second_start || fail "the third start failed"
main_viewable() { main=$(main_id) && [ -n "$main" ] && viewable "$main"; }
wait_for 10 main_viewable || fail "a second start did not bring the window back from the taskbar"
# The window manager may animate the way back; the window comes to rest where it was.
at_rest_where_it_was() { [ "$(origin "$main")" = "$before" ]; }
wait_for 10 at_rest_where_it_was || fail "the window came back at $(origin "$main"), not at $before"

# 5. Double clicks reach the windows: the move starts only once the pointer travels with the button held.
read -r x y < <(centre "$monitor" 57 20)
xdotool mousemove "$x" "$y" click --repeat 2 --delay 60 1
wait_for 10 not_viewable "$monitor" || fail "a double click on the monitor's graph did not hide the monitor"
echo "monitor hidden by a double click"
choose "$main" 264 20 Up Up Return
wait_for 15 found "Quorvel - About" || fail "the about window did not appear"
about=$(window_id "Quorvel - About")
for state in _NET_WM_STATE_SKIP_TASKBAR _NET_WM_STATE_SKIP_PAGER; do
    wait_for 10 has_state "$about" "$state" || fail "the about window lacks $state: $(net_wm_state "$about")"
done
read -r x y < <(centre "$about" 250 175)
xdotool mousemove "$x" "$y" click --repeat 2 --delay 60 1
wait_for 10 not_viewable "$about" || fail "a double click on the about window did not close it"
echo "about window closed by a double click"

kill -0 "$program_pid" 2>/dev/null || fail "the program ended"
echo "window manager end-to-end: passed"
