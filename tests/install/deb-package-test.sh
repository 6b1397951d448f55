#!/usr/bin/env bash
# Builds the Debian package with scripts/build-deb.sh in a release build of its own, checks its control
# fields and contents, unpacks it into a scratch root with dpkg -x and checks the installed tree there.
# Usage: deb-package-test.sh SOURCE_DIR WORK_DIR VERSION   (VERSION: the project's version)
# pass only prints, so "condition && pass || fail" never runs both.
# shellcheck disable=SC2015
set -uo pipefail
source=${1:?source folder}
work=$(realpath -m "${2:?work folder}")
version=${3:?project version}

for tool in cpack dpkg-deb dpkg-shlibdeps; do
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

# The release build is kept between runs; with ccache a rebuild after a small change takes seconds.
if [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ] && command -v ccache >/dev/null; then
    export CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
mkdir -p "$work"
rm -rf "$work/root" "$work"/build/quorvel_*.deb
if ! "$source/scripts/build-deb.sh" "$work/build" >"$work/build.log" 2>&1; then
    echo "FAIL: scripts/build-deb.sh did not build the package"
    tail -n 60 "$work/build.log"
    exit 1
fi
packages=("$work"/build/quorvel_*.deb)
[ ${#packages[@]} -eq 1 ] && [ -f "${packages[0]}" ] || { echo "FAIL: no single quorvel_*.deb in $work/build"; exit 1; }
deb=${packages[0]}
pass "built $(basename "$deb")"

field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = quorvel ] && pass "package name quorvel" || fail "package name $(field Package)"
[ "$(field Version)" = "$version" ] && pass "version $version" || fail "version $(field Version), not $version"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] && pass "architecture $(field Architecture)" ||
    fail "architecture $(field Architecture)"
[[ "$(field Maintainer)" =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] && pass "maintainer $(field Maintainer)" ||
    fail "maintainer field '$(field Maintainer)' is not 'Name <address>'"
# Computed from the shared libraries, so the window toolkit and the C library must both be there.
depends=$(field Depends)
depended=$(tr ',' '\n' <<<"$depends" | awk '{print $1}')
for needed in libc6 libstdc++6 libqt6widgets6 libqt6gui6 libqt6core6; do
    grep -qxF "$needed" <<<"$depended" && pass "depends on $needed" || fail "Depends lacks $needed: $depends"
done

# Every file under /usr, owned by root.
contents=$(dpkg-deb --contents "$deb")
outside=$(awk '{print $6}' <<<"$contents" | grep -Ev '^\./$|^\./usr(/|$)')
[ -z "$outside" ] && pass "every file under /usr" || fail "files outside /usr: $outside"
not_root=$(awk '$2 != "root/root"' <<<"$contents")
[ -z "$not_root" ] && pass "every file owned by root" || fail "files not owned by root: $not_root"
# The launcher and the metainfo are named after the application id (QUORVEL_APPSTREAM_ID in CMakeLists.txt).
app_id=com.velmarsoftware.Quorvel
for file in "./usr/share/applications/$app_id.desktop" "./usr/share/metainfo/$app_id.metainfo.xml" \
    ./usr/share/quorvel/installed; do
    awk '{print $6}' <<<"$contents" | grep -qxF "$file" && pass "package holds $file" || fail "package lacks $file"
done

if ! dpkg -x "$deb" "$work/root"; then
    echo "FAIL: dpkg -x could not unpack the package"
    exit 1
fi
# check-installed.sh validates the metainfo (appstreamcli validate --no-net, failing on warnings); its release is
# this version's.
grep -q "<release version=\"$version\" date=" "$work/root/usr/share/metainfo/$app_id.metainfo.xml" &&
    pass "metainfo's release is $version" || fail "metainfo names no release $version"
"$(dirname "$0")/check-installed.sh" "$work/root/usr"
status=$?
[ "$status" -eq 77 ] && exit 77
[ "$status" -eq 0 ] || failures=$((failures + 1))
[ "$failures" -eq 0 ]
