#!/usr/bin/env bash
# Starts an installed program with no display and checks that it ran: it falls back to the offscreen
# platform, creates its window (the version line of its status log), and on SIGTERM ends cleanly with
# "Quorvel stops.". As root it runs in a network namespace of its own with a veth pair up, so it must also
# print status lines for a connection; elsewhere that part is skipped and said so.
# When the program opens its engine, the engine it maps must be the one beside it in lib/quorvel/.
# With "Save Log" on and a connection a crash left behind in its settings, it must write that connection to the
# history in the user's data folder, never beside itself (an installed bin/ may well be writable: ~/.local/bin).
# Usage: run-headless.sh PROGRAM ENGINE
set -uo pipefail
program=${1:?program}
engine=$(realpath "${2:?engine}")

work=$(mktemp -d)
pid=
cleanup() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    rm -rf "$work"
    return 0
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    echo "--- program output"
    cat "$work/out"
    exit 1
}
# Waits up to 30 s for a line matching the pattern in the program's output while the program runs.
wait_for_line() {
    for _ in $(seq 300); do
        grep -Eq "$1" "$work/out" && return 0
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

# Settings, data, lock and home of its own: the run never touches the user's files and never meets the lock
# of a Quorvel already running.
mkdir -p "$work/home" "$work/config/quorvel" "$work/data" "$work/runtime"
chmod 700 "$work/runtime"
printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
    '[HKEY_CURRENT_USER\Software\Velmar Software\Quorvel\Option]' '"SaveLog"=dword:00000001' '' \
    '[HKEY_CURRENT_USER\Software\Velmar Software\Quorvel\Stats]' \
    '"RunningOnLine"="Mon 07 Dec 2026 08:00:00"' '"RunningCheckpoint"="Mon 07 Dec 2026 09:00:00"' \
    '"RunningConn"="eth0"' '"RunningSent"="1200"' '"RunningRecv"="3400"' '"RunningDuration"="3600"' \
    '"RunningClientIP"="10.77.0.2"' >"$work/config/quorvel/registry.reg"
run=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$work/home" XDG_CONFIG_HOME="$work/config"
    XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/runtime")

with_connection=false
if [ "$(id -u)" -eq 0 ] && command -v ip >/dev/null &&
    unshare -n -m sh -c 'mount -t sysfs sysfs /sys && ip link add q0 type veth peer name q1' 2>/dev/null; then
    with_connection=true
    # The program reads links from sysfs too, so the new namespace gets a sysfs of its own (in a mount
    # namespace of its own, private to this run). Both ends get an address: a connection counts as up only
    # once it has one. unshare runs the shell without forking and the shell execs the program, so the
    # process id below is the program's own.
    run=(unshare -n -m sh -c 'mount -t sysfs sysfs /sys && ip link add q0 type veth peer name q1 &&
        ip addr add 10.77.0.1/24 dev q0 && ip addr add 10.77.0.2/24 dev q1 &&
        ip link set q0 up && ip link set q1 up && exec "$@"' sh "${run[@]}")
fi
"${run[@]}" "$program" >"$work/out" 2>&1 &
pid=$!

wait_for_line '^Quorvel runs without a display' || fail "the program did not say it runs without a display"
wait_for_line '^Quorvel v[0-9]' || fail "the program did not write its version line"
echo "ok: the installed program runs headless"
wait_for_line '^Connection ended unseen: ' || fail "the program did not end the connection its settings left behind"
history=$work/data/quorvel/$(basename "$program").log
if ! grep -q '^Online,Offline,' "$history" 2>/dev/null ||
    ! grep -q '^Mon 07 Dec 2026 08:00:00,Mon 07 Dec 2026 09:00:00,eth0,' "$history"; then
    fail "no history with that connection at \$XDG_DATA_HOME/quorvel/$(basename "$history")"
fi
[ ! -e "$program.log" ] || fail "a history file beside the installed program: $program.log"
echo "ok: the installed program keeps its history under \$XDG_DATA_HOME/quorvel"
if $with_connection; then
    wait_for_line '^Up .* bytes/s, down .* duration ' || fail "no status line for the namespace's connection"
    echo "ok: the installed program prints status lines for a connection"
else
    echo "note: not root, or no network namespace with its own sysfs and a veth pair here, so no connection was made for status lines"
fi

# The program names its engine once it opens it; until then only the dynamic linker's view is checked.
if grep -aq 'libquorvel_netclock\.so' "$program"; then
    mapped=$(awk '{print $6}' "/proc/$pid/maps" 2>/dev/null | grep 'libquorvel_netclock\.so' | sort -u)
    [ "$mapped" = "$engine" ] || fail "the program maps '${mapped:-no engine}' instead of $engine"
    echo "ok: the program opened its engine from $engine"
else
    echo "note: this program does not open its engine yet; its libraries were checked with ldd only"
fi

kill -TERM "$pid"
for _ in $(seq 300); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the program was still running 30 s after SIGTERM"
wait "$pid"
status=$?
pid=
[ "$status" -eq 0 ] || fail "the program ended with status $status after SIGTERM"
grep -q '^Quorvel stops\.$' "$work/out" || fail "the program did not say \"Quorvel stops.\""
echo "ok: the installed program stops on SIGTERM"
