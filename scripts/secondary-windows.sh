#!/usr/bin/env bash
# Starts the real program under a private Xvfb server with fresh settings, reports where the monitor
# window appears, opens the about window through the popup menu (right press on the monitor, then the
# keyboard) and reports where that appears. Pictures of both windows go to OUTPUT_DIR when given.
# Usage: scripts/secondary-windows.sh PROGRAM [OUTPUT_DIR]
# Prints "monitor: X,Y WxH", "monitor type: ...", "about: X,Y WxH" and "screen: WxH"; every failure
# says what went wrong.
set -uo pipefail
program=${1:?program path}
pictures=${2:-}

script_name=secondary-windows
source "$(dirname "$0")/xvfb-session.sh"
# Without these tools there is nothing to run on; the test runner reports the reason as a skip.
for tool in Xvfb xwininfo xprop xdotool import; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"; exit 0; }
done

start_private_xvfb
# A first run: no settings at all.
start_program "$program"

# The id of the viewable window with this exact title, once it is there (15 s at most).
wait_for_window() {
    local title=$1 id
    for _ in $(seq 150); do
        for id in $(xwininfo -root -tree 2>/dev/null | awk -v t="\"$title\":" 'index($0, t) {print $1}'); do
            xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable' && { echo "$id"; return 0; }
        done
        kill -0 "$program_pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}
geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
                             /Width:/ {w=$2} /Height:/ {h=$2} END {printf "%s,%s %sx%s\n", x, y, w, h}'
}

monitor=$(wait_for_window "Quorvel - Monitor") || fail "the monitor window did not appear within 15 s"
echo "monitor: $(geometry "$monitor")"
echo "monitor type: $(xprop -id "$monitor" _NET_WM_WINDOW_TYPE | sed 's/.*= //'), transient for: $(xprop -id "$monitor" WM_TRANSIENT_FOR | sed 's/.*: //')"
xwininfo -root | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {printf "screen: %sx%s\n", w, h}'
[ -n "$pictures" ] && import -window "$monitor" "$pictures/monitor-window.png"

# The popup menu opens at the pointer on a right press; Up twice from the bottom reaches "About Quorvel",
# skipping the separator.
read -r mx my < <(xwininfo -id "$monitor" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x + 57, y + 20}')
xdotool mousemove "$mx" "$my" click 3 || fail "xdotool could not press the right button"
menu_open=
for _ in $(seq 100); do
    # The menu is a window of its own whose top left corner is the pointer.
    xwininfo -root -children | grep -q "[0-9]+$mx+$my " && { menu_open=yes; break; }
    sleep 0.1
done
[ -n "$menu_open" ] || fail "the popup menu did not open on a right press on the monitor window"
xdotool key Up Up Return || fail "xdotool could not type"
about=$(wait_for_window "Quorvel - About") || fail "the about window did not appear after choosing About Quorvel"
echo "about: $(geometry "$about")"
[ -n "$pictures" ] && import -window "$about" "$pictures/about-window.png"
exit 0
