#!/usr/bin/env bash
# Builds the benchmarks with optimisation (no sanitizers) and prints their figures.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORVEL_TESTS=OFF -DQUORVEL_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null
export QT_QPA_PLATFORM=offscreen
for bench in "$build"/bench/bench_*; do
    [ -f "$bench" ] && [ -x "$bench" ] && "$bench" --benchmark_min_time=0.5 "$@"
done
