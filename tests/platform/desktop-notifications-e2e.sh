#!/usr/bin/env bash
# The desktop notifications against a real notification server: a private session bus that starts no
# service on demand (no notification server of the user's can answer in dunst's place), a private Xvfb
# server for dunst to draw on, and the test program, which starts and stops dunst itself.
# Usage: desktop-notifications-e2e.sh TEST-PROGRAM. Exits 77 (skipped) without dbus-run-session, Xvfb or dunst.
set -uo pipefail
program=${1:?test program path}
here=$(cd "$(dirname "$0")" && pwd)

skip() { echo "skipped: $*"; exit 77; }
for tool in dbus-run-session Xvfb xwininfo dunst; do
    command -v "$tool" >/dev/null 2>&1 || skip "needs $tool"
done

if [ -z "${QUORVEL_NOTIFICATION_BUS:-}" ]; then
    bus_config=$(mktemp)
    trap 'rm -f "$bus_config"' EXIT
    # The usual session bus without its service folders.
    cat >"$bus_config" <<'CONFIG'
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONFIG
    QUORVEL_NOTIFICATION_BUS=1 dbus-run-session --config-file="$bus_config" -- "$0" "$@"
    exit $?
fi

script_name=desktop-notifications
source "$here/../../scripts/xvfb-session.sh"
start_private_xvfb
HOME="$work" XDG_CONFIG_HOME="$work/config" "$program" || fail "the notification tests failed"
echo "desktop notifications end-to-end: passed"
