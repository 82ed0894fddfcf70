#!/usr/bin/env bash
# Builds and runs every test: the unit and end-to-end tests of the Linux
# build (Release, then again with AddressSanitizer and UBSan), a short
# fuzzing run, and the Windows build's unit and end-to-end tests under Wine.
# Installs the Debian packages it lacks.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$(date +%s)
scripts/install-deps.sh native windows fuzz

echo "== Linux build (Release)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build build -j2
ctest --test-dir build --output-on-failure

echo "== Linux build with sanitizers"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTOVRIX_SANITIZE=ON > /dev/null
cmake --build build-asan -j2
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir build-asan --output-on-failure

echo "== Fuzzing (short run)"
scripts/fuzz.sh "${TOVRIX_FUZZ_SECONDS:-30}"

echo "== Windows build under Wine"
scripts/test-windows.sh

echo "All tests passed in $(( $(date +%s) - start )) s."
