#!/usr/bin/env bash
# Installs the Debian packages Quorvel needs to build, run and test; does nothing when all are there.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    qt6-base-dev libxcb1-dev libjpeg-dev libsqlite3-dev sqlite3
    libgtest-dev libgmock-dev libbenchmark-dev
    clang clang-format libclang-rt-14-dev
    iproute2 procps
    xvfb x11-utils imagemagick fonts-dejavu-core
    librsvg2-bin desktop-file-utils appstream dpkg-dev
    trayer xdotool openbox dunst dbus-bin python3-dbus python3-gi
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo)
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
