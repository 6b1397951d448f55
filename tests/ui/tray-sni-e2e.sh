#!/usr/bin/env bash
# The real program's tray icon over StatusNotifierItem: a private session bus (run this under
# dbus-run-session), a watcher of the test's own (sni-watcher.py) and a private Xvfb server without an
# X11 tray, so Qt takes the D-Bus path.
#   1. the program registers an item whose icon comes in the sizes it was drawn in and whose tooltip is
#      an address; 2. one activation of the item (a single click: such hosts report no double clicks) shows
#      the window that "Start Minimized" kept unshown; 3. the watcher goes away and comes back (a restarted
#      panel) and the item registers again.
# Usage: tray-sni-e2e.sh PROGRAM. Exits 77 (skipped) without a session bus, Xvfb, gdbus or python3-dbus.
set -uo pipefail
program=${1:?program path}
here=$(cd "$(dirname "$0")" && pwd)

skip() { echo "skipped: $*"; exit 77; }
[ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] || skip "needs a private session bus (dbus-run-session)"
for tool in Xvfb gdbus; do
    command -v "$tool" >/dev/null 2>&1 || skip "needs $tool"
done
/usr/bin/python3 -c 'import dbus, dbus.mainloop.glib; from gi.repository import GLib' 2>/dev/null ||
    skip "needs python3-dbus and python3-gi"

script_name=tray-sni
source "$here/../../scripts/xvfb-session.sh"
watcher_pid=
extra_cleanup() { stop_process "$watcher_pid"; }
start_watcher() {
    /usr/bin/python3 "$here/sni-watcher.py" >"$work/$1.log" 2>&1 &
    watcher_pid=$!
    wait_for 10 grep -q '^watching' "$work/$1.log" || fail "the watcher did not start"
}
registered() { grep -q '^registered' "$work/$1.log"; }
property() { gdbus call --session --dest "$1" --object-path "$2" --method org.freedesktop.DBus.Properties.Get \
    org.kde.StatusNotifierItem "$3" 2>/dev/null; }

start_watcher watcher
start_private_xvfb
mkdir -p "$work/config/quorvel"
printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
    '[HKEY_CURRENT_USER\Software\Velmar Software\Quorvel\Option]' \
    '"StartMinimized"=dword:00000001' >"$work/config/quorvel/registry.reg"
start_program "$program"

wait_for 20 registered watcher || fail "the program registered no item"
read -r _ service path < <(grep -m 1 '^registered' "$work/watcher.log")
echo "registered: $service $path"
pixmaps=$(property "$service" "$path" IconPixmap) || fail "the item has no icon"
for size in 16 32; do
    [[ "$pixmaps" == *"($size, $size, ["* ]] || fail "the icon lacks the $size x $size image: ${pixmaps:0:200}"
done
tip=$(property "$service" "$path" ToolTip) || fail "the item has no tooltip"
[[ "$tip" =~ \'[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+\' ]] || fail "the tooltip is not an address: $tip"
echo "tooltip: $tip"

main_window() { xwininfo -root -tree 2>/dev/null | awk '/"Quorvel": \("qorvix"/ && / 528x354\+/ && !id {id = $1} END {print id}'; }
main_viewable() {
    local id
    id=$(main_window)
    [ -n "$id" ] && grep -q 'Map State: IsViewable' <<<"$(xwininfo -id "$id" 2>/dev/null)"
}
main_viewable && fail "the main window is shown although Start Minimized is on"
gdbus call --session --dest "$service" --object-path "$path" --method org.kde.StatusNotifierItem.Activate 10 10 \
    >/dev/null || fail "the item did not take an activation"
wait_for 10 main_viewable || fail "a single activation of the item did not show the main window"
echo "activated: main window shown"

kill "$watcher_pid" && wait "$watcher_pid" 2>/dev/null
start_watcher watcher-again
wait_for 20 registered watcher-again || fail "the item did not register with the watcher that came back"
live=0
while read -r _ again_service again_path; do
    property "$again_service" "$again_path" IconPixmap >/dev/null && live=$((live + 1))
done < <(grep '^registered' "$work/watcher-again.log" | sort -u)
[ "$live" -ge 1 ] || fail "no registered item answers after the watcher came back"
echo "registered again: $live live item(s)"
kill -0 "$program_pid" 2>/dev/null || fail "the program ended"
echo "tray StatusNotifierItem end-to-end: passed"
