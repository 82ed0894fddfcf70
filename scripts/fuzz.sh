#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz (the fuzz preset)
# and runs each for SECONDS seconds (default 30):
#   regfile_fuzz  the registry-file converter, seeds in fuzz/seeds;
#   hive_fuzz     the hive-file store and the key export, seeded with hives
#                 made here from fuzz/seeds-hive/*.reg and from the hives of
#                 the end-to-end cases, plus a dirty and two truncated ones;
#   keylist_fuzz  key-list files, seeds in fuzz/seeds-keylist;
#   cmdline_fuzz  the command line, seeds in fuzz/seeds-cmdline.
# New inputs go to fuzz/corpus-run/<target> (git-ignored); a crash leaves
# its input in build-fuzz/ and fails the run.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
cmake --preset fuzz > /dev/null
cmake --build --preset fuzz   # the four targets and the hive maker

# Seed hives, made anew each run.
seeds=build-fuzz/seeds-hive
rm -rf "$seeds"; mkdir -p "$seeds"
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkhive() { build-fuzz/tests/tovrix_mkhive "$@" > /dev/null; }
software='HKEY_LOCAL_MACHINE\SOFTWARE'
for reg in fuzz/seeds-hive/*.reg; do
  mkhive "$reg" "$seeds/$(basename "$reg" .reg)" "$software"
done
mkhive fuzz/seeds-hive/types.reg "$seeds/types-dirty" "$software" --dirty
mkhive fuzz/seeds-hive/many.reg "$seeds/many-cut-hbin" "$software" --truncate 8192
mkhive fuzz/seeds-hive/many.reg "$seeds/many-cut-cell" "$software" --truncate 8292
# A value of 20000 bytes and a string of 16402 bytes, in big-data records.
{ printf '[%s\\Big]\n"Blob"=hex:' "$software"; seq 20000 | awk '{printf "%02x,", $1 % 251}'
  printf '00\n"Text"=hex(1):'; seq 8200 | awk '{printf "%02x,00,", 65 + $1 % 26}'; printf '00,00\n'
} > "$seeds/big.reg"
mkhive "$seeds/big.reg" "$seeds/big-data" "$software" --big-data
rm "$seeds/big.reg"
for list in tests/e2e/cases/*/*/hives; do
  dir=$(dirname "$list") n=0
  name=$(basename "$(dirname "$dir")")-$(basename "$dir")
  while IFS=$'\t' read -r _ prefix options || [ -n "${prefix:-}" ]; do
    [ -z "${prefix:-}" ] && continue
    n=$((n + 1))
    # shellcheck disable=SC2086 # options are words
    mkhive "$dir/hives.reg" "$seeds/e2e-$name-$n" "$prefix" $options
  done < "$list"
done

# run TARGET SEEDS OPTION...
run() {
  local target=$1 seeds=$2; shift 2
  mkdir -p "fuzz/corpus-run/$target"
  (cd build-fuzz && "./fuzz/$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
    -print_final_stats=1 "$@" "../fuzz/corpus-run/$target" "../$seeds")
}
run regfile_fuzz fuzz/seeds -max_len=65536
run hive_fuzz "$seeds" -max_len=131072 -dict=../fuzz/hive.dict
run keylist_fuzz fuzz/seeds-keylist -max_len=16384
run cmdline_fuzz fuzz/seeds-cmdline -max_len=4096
