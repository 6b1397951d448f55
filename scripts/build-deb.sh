#!/usr/bin/env bash
# Builds the Debian package quorvel_<version>_<architecture>.deb from a release build without tests.
# Usage: scripts/build-deb.sh [BUILD_FOLDER]   (default: build-deb; the package is written there)
# Install it with: sudo apt install ./build-deb/quorvel_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-deb}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORVEL_TESTS=OFF -DQUORVEL_BENCH=OFF -DQUORVEL_SANITIZE=OFF
cmake --build "$build" -j"${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}"
# cpack writes the package into the folder it runs in.
(cd "$build" && cpack -G DEB)
ls "$build"/quorvel_*.deb
