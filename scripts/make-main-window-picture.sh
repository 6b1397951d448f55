#!/usr/bin/env bash
# Makes the README's and the metainfo's picture of the main window: the real program under a private Xvfb
# server, started on a settings file written here, so the last connection and the totals show figures as
# large as months of use bring (a 15-digit total), beside the live values of this computer's connection.
# Usage: scripts/make-main-window-picture.sh PROGRAM [OUTPUT.png]   (default: docs/main-window.png)
# The picture is kept in the source tree; run this after changing the window and look at the result.
set -uo pipefail
program=${1:?program path}
here=$(cd "$(dirname "$0")" && pwd)
output=$(realpath -m "${2:-$here/../docs/main-window.png}")

script_name=make-main-window-picture
source "$here/xvfb-session.sh"
for tool in Xvfb xwininfo import; do
    command -v "$tool" >/dev/null || fail "needs $tool (scripts/install-deps.sh installs it)"
done

start_private_xvfb

# The monitor stays hidden: only the main window is pictured.
mkdir -p "$work/config/quorvel"
printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
    '[HKEY_CURRENT_USER\Software\Velmar Software\Quorvel\Stats]' \
    '"LastOnLine"="Mon 07 Dec 2026 08:12:40"' '"LastOffLine"="Mon 07 Dec 2026 20:47:36"' \
    '"LastConn"="eth0"' '"LastSpeed"="10000000000"' '"LastSent"="3862145887"' '"LastRecv"="48731906512"' \
    '"LastDuration"="45296"' '"TotalSent"="9876543210987"' '"TotalRecv"="123456789012345"' \
    '"TotalDuration"="31536000"' '' \
    '[HKEY_CURRENT_USER\Software\Velmar Software\Quorvel\Option]' \
    '"ShowMonitor"=dword:00000000' >"$work/config/quorvel/registry.reg"

start_program "$program" ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
window=
for _ in $(seq 150); do
    window=$(xwininfo -root -tree 2>/dev/null | awk '/^ *0x[0-9a-f]+ "Quorvel":/ && !/ 1x1+/ && !/ 3x3+/ {print $1; exit}')
    [ -n "$window" ] && break
    kill -0 "$program_pid" 2>/dev/null || fail "the program ended before its window appeared"
    sleep 0.1
done
[ -n "$window" ] || fail "the window \"Quorvel\" did not appear on $DISPLAY within 15 s"
sleep 2.5 # two ticks of the status timer, so the picture shows live values and rates
import -window "$window" "$output" || fail "import could not save $output"
echo "saved $output"
