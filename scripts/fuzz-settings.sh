#!/usr/bin/env bash
# Builds the settings file parser's libFuzzer target with clang and runs it for a bounded time.
# Usage: scripts/fuzz-settings.sh [SECONDS] [BUILD_FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=${2:-build-fuzz}
mkdir -p "$build/corpus"
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I. \
    tests/settings/RegFileFuzz.cpp platform/linux/RegFile.cpp -o "$build/regfile_fuzz"
# Seeds: a file as the program writes it.
printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Velmar Software\\Quorvel\\Stats]\n"LastConn"="eth0"\n"N"=dword:00000001\n"H"=hex(1):41,00\n' \
    > "$build/corpus/seed.reg"
status=0
"$build/regfile_fuzz" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
    -artifact_prefix="$build/" "$build/corpus" >"$build/fuzz.out" 2>&1 || status=$?
grep -E 'stat::number_of_executed_units|^Done|ERROR|SUMMARY|Test unit written' "$build/fuzz.out" || true
exit "$status"
