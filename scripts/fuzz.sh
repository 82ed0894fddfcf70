#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs the
# registry-file target for SECONDS seconds (default 30), starting from the
# seeds in fuzz/seeds. New inputs it finds go to fuzz/corpus-run
# (git-ignored); a crash leaves its input in build-fuzz/ and fails the run.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DTOVRIX_FUZZ=ON -DTOVRIX_TESTS=OFF > /dev/null
cmake --build build-fuzz --target regfile_fuzz -j2
mkdir -p fuzz/corpus-run
cd build-fuzz
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ./fuzz/regfile_fuzz -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
  -max_len=65536 -print_final_stats=1 ../fuzz/corpus-run ../fuzz/seeds
