#!/usr/bin/env bash
# The adapter choice of the real program on real interfaces, in network namespaces of the test's own. The
# near namespace has two veth adapters, each to a far namespace of its own, with the default route on the
# second; then an IPv6-only veth, a tun device with a process behind it, and an adapter made after start.
#   1. --info --adapter default-route shows the second adapter; --info on the IPv6-only one shows its address;
#      --info on the tun device chosen by name shows it; --list-adapters lists them with their kinds;
#   2. a run with --adapter default-route counts only the second adapter's traffic; moving the default
#      route makes one transition, after which the first adapter's traffic counts;
#   3. a run watching an adapter that is not there says so once and picks it up when it appears.
# Usage: adapter-choice-e2e.sh PROGRAM. Exits 77 (skipped) without root, iproute2 or python3.
set -uo pipefail
program=${1:?program path}

skip() { echo "skipped: $*"; exit 77; }
[ "$(id -u)" -eq 0 ] || skip "needs root to make network namespaces"
command -v ip >/dev/null 2>&1 || skip "needs iproute2"
command -v python3 >/dev/null 2>&1 || skip "needs python3"
ip netns add "qvprobe$$" 2>/dev/null || skip "cannot make network namespaces here"
ip netns del "qvprobe$$"

# The work folder, failures that show the logs, waiting for conditions; no X server is started here.
script_name=adapter-choice
source "$(dirname "$0")/../../scripts/xvfb-session.sh"
near="qvan$$"
far1="qvaf$$"
far2="qvag$$"
run_pid=
tun_pid=
extra_cleanup() {
    stop_process "$run_pid"
    stop_process "$tun_pid"
    for ns in "$near" "$far1" "$far2"; do ip netns del "$ns" 2>/dev/null; done
}

in_near() { ip netns exec "$near" "$@"; }
ip netns add "$near" && ip netns add "$far1" && ip netns add "$far2" &&
    ip link add qva0 netns "$near" type veth peer name qvx0 netns "$far1" &&
    ip link add qvb0 netns "$near" type veth peer name qvx0 netns "$far2" &&
    ip -n "$near" addr add 10.31.1.1/24 dev qva0 && ip -n "$near" addr add 10.31.2.1/24 dev qvb0 &&
    ip -n "$far1" addr add 10.31.1.2/24 dev qvx0 && ip -n "$far2" addr add 10.31.2.2/24 dev qvx0 &&
    for ns in "$near" "$far1" "$far2"; do ip -n "$ns" link set lo up || exit 1; done &&
    ip -n "$far1" link set qvx0 up && ip -n "$far2" link set qvx0 up &&
    ip -n "$near" link set qva0 up && ip -n "$near" link set qvb0 up &&
    ip -n "$near" route add default via 10.31.2.2 dev qvb0 metric 100 || fail "could not make the namespaces"

# The program inside the near namespace, headless, with settings and lock folders of its own.
quorvel_command=(ip netns exec "$near" env -u DISPLAY -u WAYLAND_DISPLAY XDG_CONFIG_HOME="$work/config"
    XDG_RUNTIME_DIR="$work" XDG_DATA_HOME="$work/data" ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
    "$program")
quorvel() { "${quorvel_command[@]}" "$@"; }
mkdir -p "$work/config"

# 1. The information of the chosen adapter, without a display or a running instance.
carrier() { grep -q 'state UP' <<<"$(ip -n "$near" link show "$1")"; }
wait_for 10 carrier qva0 || fail "the first veth got no carrier"
wait_for 10 carrier qvb0 || fail "the second veth got no carrier"
info=$(quorvel --info --adapter default-route) || fail "--info --adapter default-route failed: $info"
grep -q '10\.31\.2\.1' <<<"$info" || fail "--info --adapter default-route does not show the second adapter: $info"
grep -q '10\.31\.1\.1' <<<"$info" && fail "--info --adapter default-route shows the first adapter: $info"
echo "default route: $(tr '\n' '|' <<<"$info")"

ip link add qvc0 netns "$near" type veth peer name qvy0 netns "$far1" &&
    ip -n "$near" addr add 2001:db8:31::1/64 dev qvc0 nodad && ip -n "$far1" addr add 2001:db8:31::2/64 dev qvy0 nodad &&
    ip -n "$far1" link set qvy0 up && ip -n "$near" link set qvc0 up || fail "could not make the IPv6 adapter"
wait_for 10 carrier qvc0 || fail "the IPv6 veth got no carrier"
info6=$(quorvel --info --adapter qvc0) || fail "--info on the IPv6-only adapter failed: $info6"
grep -q '2001:db8:31::1' <<<"$info6" || fail "--info does not show the IPv6 address: $info6"
echo "IPv6 only: $(tr '\n' '|' <<<"$info6")"

# A tun device carries traffic only while a process holds it open.
ip -n "$near" tuntap add dev qvtun0 mode tun && ip -n "$near" addr add 10.31.9.1/24 dev qvtun0 &&
    ip -n "$near" link set qvtun0 up || fail "could not make the tun device"
(exec ip netns exec "$near" python3 -c '
import fcntl, os, struct, time
fd = os.open("/dev/net/tun", os.O_RDWR)
fcntl.ioctl(fd, 0x400454ca, struct.pack("16sH", b"qvtun0", 0x0001 | 0x1000))
time.sleep(300)
') >/dev/null 2>&1 &
tun_pid=$!
wait_for 10 carrier qvtun0 || grep -q 'LOWER_UP' <<<"$(ip -n "$near" link show qvtun0)" ||
    fail "the tun device did not come up: $(ip -n "$near" link show qvtun0)"
infotun=$(quorvel --info --adapter qvtun0) || fail "--info on the tun device failed: $infotun"
grep -q '10\.31\.9\.1' <<<"$infotun" || fail "--info does not show the tun device: $infotun"
echo "tun: $(tr '\n' '|' <<<"$infotun")"

list=$(quorvel --list-adapters) || fail "--list-adapters failed"
grep -qP "^qva0\tVirtual\tup\t10\.31\.1\.1" <<<"$list" || fail "--list-adapters lacks the first veth: $list"
grep -qP '^qvtun0\tTunnel\t' <<<"$list" || fail "--list-adapters does not call the tun device a tunnel: $list"
grep -qP '^lo\tLoopback\t' <<<"$list" || fail "--list-adapters lacks loopback: $list"
echo "listed: $(wc -l <<<"$list") adapters"

# 2. A run following the default route.
# ip netns exec and env replace themselves with the program, so the pid is the program's own.
start_run() {
    (exec "${quorvel_command[@]}" "$@") >"$work/run.log" 2>&1 &
    run_pid=$!
}
lines() { grep -c "$1" "$work/run.log"; }
has_line() { [ "$(lines "$1")" -ge "${2:-1}" ]; }
# The bytes sent of the running connection's last status line (after the last "Online:"), digits only.
last_sent() {
    awk '/^Online: / {line = ""} /^Up / {line = $0} END {print line}' "$work/run.log" |
        sed -n 's/.* sent \([0-9,.]*\) bytes.*/\1/p' | tr -d ',.'
}
sent_at_least() { local sent; sent=$(last_sent); [ -n "$sent" ] && [ "$sent" -ge "$1" ]; }
send() { in_near python3 -c "
import socket
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
for _ in range($2): s.sendto(b'x' * 1000, ('$1', 9))
"; }

start_run --adapter default-route
wait_for 20 has_line '^Online: ' || fail "the run did not go online on the default route"
wait_for 10 has_line '^Up ' || fail "the run printed no status line"
send 10.31.1.2 300
send 10.31.2.2 300
wait_for 10 sent_at_least 300000 || fail "the traffic over the default route was not counted (sent $(last_sent))"
sent=$(last_sent)
[ "$sent" -lt 600000 ] || fail "the other adapter's traffic was counted as well (sent $sent)"
echo "default route: sent $sent, the other adapter's 300,000 bytes left out"

ip -n "$near" route replace default via 10.31.1.2 dev qva0 metric 100 || fail "could not move the default route"
wait_for 20 has_line '^Online: ' 2 || fail "moving the default route made no new connection"
has_line '^Offline: ' 1 || fail "the old connection did not end"
has_line '^Offline: ' 2 && fail "moving the default route ended more than one connection"
send 10.31.1.2 200
wait_for 10 sent_at_least 200000 || fail "the first adapter's traffic was not counted after the move (sent $(last_sent))"
sent=$(last_sent)
[ "$sent" -lt 300000 ] || fail "the new connection counted the old adapter's bytes (sent $sent)"
echo "route moved: one transition, then sent $sent on the first adapter"
kill "$run_pid" && wait "$run_pid" 2>/dev/null
run_pid=

# 3. An adapter that appears after the start.
start_run --adapter qvlate0
wait_for 20 has_line 'Adapter qvlate0 not present\.' || fail "the absent adapter was not reported"
ip link add qvlate0 netns "$near" type veth peer name qvz0 netns "$far2" &&
    ip -n "$near" addr add 10.31.5.1/24 dev qvlate0 && ip -n "$far2" link set qvz0 up &&
    ip -n "$near" link set qvlate0 up || fail "could not make the late adapter"
wait_for 20 has_line '^Online: ' || fail "the adapter that appeared was not picked up"
[ "$(lines 'not present')" -eq 1 ] || fail "the absence was reported $(lines 'not present') times"
echo "late adapter: reported absent once, then online"
echo "adapter choice end-to-end: passed"
