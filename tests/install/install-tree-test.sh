#!/usr/bin/env bash
# Installs this build with `cmake --install` into a scratch prefix, as a user installs into ~/.local, and
# checks the installed tree.
# Usage: install-tree-test.sh BUILD_DIR WORK_DIR
set -uo pipefail
build=${1:?build folder}
work=$(realpath -m "${2:?work folder}")

rm -rf "$work"
mkdir -p "$work"
if ! cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" 2>&1; then
    echo "FAIL: cmake --install did not complete"
    cat "$work/install.log"
    exit 1
fi
# A user uninstalls by the manifest; it must list every installed file and nothing else.
manifest=$build/install_manifest.txt
listed=$(sort "$manifest")
installed=$(find "$work/prefix" -type f | sort)
if [ "$listed" != "$installed" ]; then
    echo "FAIL: install_manifest.txt does not match the installed files"
    diff <(echo "$listed") <(echo "$installed")
    exit 1
fi
echo "ok: install_manifest.txt lists the $(wc -l <"$manifest") installed files"
exec "$(dirname "$0")/check-installed.sh" "$work/prefix"
