#!/usr/bin/env bash
# Checks an installed Quorvel tree the way a desktop and a user meet it: the program and its engine where the
# program looks for it, a launcher named after the application id and a metainfo that validate without warnings,
# the launcher's icon in every size, the install's marker, no build-tree run paths, every shared library found,
# and the installed program starting headless, running its event loop, keeping its history in the user's data
# folder and stopping on SIGTERM.
# Usage: check-installed.sh PREFIX   (PREFIX holds bin/, lib/ and share/: ~/.local, or a scratch root's usr/)
# Exit status: 0 all checks passed, 1 a check failed, 77 a tool the checks need is missing.
# pass only prints, so "condition && pass || fail" never runs both.
# shellcheck disable=SC2015
set -uo pipefail
prefix=$(realpath "${1:?installed prefix}")

for tool in desktop-file-validate appstreamcli readelf ldd; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"
        exit 77
    fi
done

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
pass() { echo "ok: $*"; }

program=$prefix/bin/qorvix
# The application id the launcher and the metainfo are named after (QUORVEL_APPSTREAM_ID in CMakeLists.txt).
app_id=com.velmarsoftware.Quorvel
# The program opens its engine relative to its own folder; this is the path it computes.
engine=$(dirname "$program")/../lib/quorvel/libquorvel_netclock.so

check_binaries() {
    [ -x "$program" ] && readelf -h "$program" >/dev/null 2>&1 || { fail "no executable program at $program"; return; }
    pass "program at bin/qorvix"
    if ! readelf -h "$engine" 2>/dev/null | grep -q 'Type:.*DYN'; then
        fail "no shared library at $engine"
        return
    fi
    pass "engine at lib/quorvel/libquorvel_netclock.so"
    local exported missing=()
    exported=$(readelf --dyn-syms -W "$engine" | awk '$7 != "UND" {print $8}')
    for entry in NetClock_StaticInit NetClock_StaticDestroy NetClock_Create NetClock_Destroy NetClock_Get \
        NetClock_Set NetClock_Do NetClock_GetLastError NetClock_GetLastErrorCode NetClock_CheckIndex; do
        grep -qx "$entry" <<<"$exported" || missing+=("$entry")
    done
    [ ${#missing[@]} -eq 0 ] && pass "engine exports its entry points" || fail "engine does not export ${missing[*]}"
    for binary in "$program" "$engine"; do
        local unresolved run_path
        unresolved=$(ldd "$binary" 2>&1 | grep 'not found')
        [ -z "$unresolved" ] && pass "every library of ${binary#"$prefix"/} is found" ||
            fail "${binary#"$prefix"/} needs missing libraries: $unresolved"
        # An installed binary must not look for libraries in the folder it was built in.
        run_path=$(readelf -d "$binary" | grep -E '\((RPATH|RUNPATH)\)')
        [ -z "$run_path" ] && pass "${binary#"$prefix"/} carries no run path" ||
            fail "${binary#"$prefix"/} carries a run path: $run_path"
    done
}

# Value of KEY in the launcher's [Desktop Entry] group.
launcher_value() {
    awk -F= -v key="$1" '/^\[/ {group = $0} group == "[Desktop Entry]" && $1 == key {print substr($0, length(key) + 2); exit}' "$launcher"
}

# Width and height from a PNG's header: the IHDR chunk holds them big-endian at bytes 16 to 23.
png_size() {
    od -An -tu1 -j16 -N8 "$1" | awk '{print ($1 * 16777216 + $2 * 65536 + $3 * 256 + $4) "x" ($5 * 16777216 + $6 * 65536 + $7 * 256 + $8)}'
}

check_launcher() {
    launcher=$prefix/share/applications/$app_id.desktop
    [ -f "$launcher" ] || { fail "no launcher at share/applications/$app_id.desktop"; return; }
    [ ! -e "$prefix/share/applications/quorvel.desktop" ] && pass "no launcher under the old name quorvel.desktop" ||
        fail "a launcher under the old name share/applications/quorvel.desktop is installed too"
    local report
    report=$(desktop-file-validate "$launcher" 2>&1) && [ -z "$report" ] && pass "launcher validates" ||
        fail "desktop-file-validate: $report"
    [ "$(launcher_value Name)" = Quorvel ] && pass "launcher is named Quorvel" || fail "launcher Name=$(launcher_value Name)"
    local command
    command=$(launcher_value Exec | awk '{print $1}')
    [ -x "$prefix/bin/$command" ] && pass "launcher starts bin/$command" || fail "launcher Exec=$command is not in bin/"
    [[ ";$(launcher_value Categories)" == *";Network;"* && ";$(launcher_value Categories)" == *";Monitor;"* ]] &&
        pass "launcher categories Network and Monitor" || fail "launcher Categories=$(launcher_value Categories)"
    [ "$(launcher_value StartupNotify)" = false ] && pass "launcher without startup notification" ||
        fail "launcher StartupNotify=$(launcher_value StartupNotify)"

    local icon themed
    icon=$(launcher_value Icon)
    [ -n "$icon" ] || { fail "launcher names no icon"; return; }
    for size in 16 32 48 128; do
        themed=$prefix/share/icons/hicolor/${size}x${size}/apps/$icon.png
        if [ ! -f "$themed" ]; then
            fail "no ${size} px icon $icon.png in the hicolor theme"
        elif [ "$(png_size "$themed")" != "${size}x${size}" ]; then
            fail "the ${size} px icon is $(png_size "$themed") pixels"
        else
            pass "icon $icon at ${size}x${size}"
        fi
    done
    themed=$prefix/share/icons/hicolor/scalable/apps/$icon.svg
    grep -q '<svg' "$themed" 2>/dev/null && pass "scalable icon $icon.svg" || fail "no scalable icon $icon.svg"
}

check_metainfo() {
    local metainfo=$prefix/share/metainfo/$app_id.metainfo.xml
    [ -f "$metainfo" ] || { fail "no metainfo at share/metainfo/$app_id.metainfo.xml"; return; }
    # --strict fails on warnings and infos as well as on errors; pedantic hints are left to the developer.
    local report
    report=$(appstreamcli validate --no-net --strict "$metainfo" 2>&1) && ! grep -Eq '^[EWI]:' <<<"$report" &&
        pass "metainfo validates without warnings" || fail "appstreamcli validate: $report"
    # Validating the tree also checks that the launcher the metainfo names is installed.
    report=$(appstreamcli validate-tree --no-net "$prefix" 2>&1) && pass "metainfo validates with the launcher" ||
        fail "appstreamcli validate-tree: $report"
    grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" &&
        pass "metainfo names the launcher" || fail "metainfo does not name $app_id.desktop as launchable"
    grep -Eq '<image>https://[^<]+/docs/main-window\.png</image>' "$metainfo" &&
        pass "metainfo's screenshot is the repository's docs/main-window.png" ||
        fail "metainfo has no screenshot at a docs/main-window.png"
    grep -Eq '<release version="[0-9][0-9.]*" date="[0-9]{4}-[0-9]{2}-[0-9]{2}"' "$metainfo" &&
        pass "metainfo names a release with its date" || fail "metainfo has no release with version and date"
    ! grep -Eqi 'example\.(org|com|net)|lorem|placeholder|TODO' "$metainfo" && pass "metainfo holds no placeholder" ||
        fail "metainfo holds placeholder text: $(grep -Ei 'example\.(org|com|net)|lorem|placeholder|TODO' "$metainfo")"
}

# The program tells an installed copy by this marker (or by its launcher and metainfo) and then keeps its
# history in the user's data folder, even when its bin/ is writable like ~/.local/bin.
check_marker() {
    [ -f "$prefix/share/quorvel/installed" ] && pass "install marker at share/quorvel/installed" ||
        fail "no install marker at share/quorvel/installed"
}

check_binaries
check_launcher
check_metainfo
check_marker
if [ -x "$program" ]; then
    "$(dirname "$0")/run-headless.sh" "$program" "$engine" || failures=$((failures + 1))
fi

[ "$failures" -eq 0 ] && echo "installed tree $prefix: all checks passed" || echo "installed tree $prefix: $failures check(s) failed"
[ "$failures" -eq 0 ]
