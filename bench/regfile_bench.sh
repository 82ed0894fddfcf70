#!/usr/bin/env bash
# Whole-process throughput of the registry-file converter, as ratios to
# yardsticks measured in the same run.
#
#   bench/regfile_bench.sh
#
#   SIZES     input sizes in MB, 10^6 bytes (default "200 1600")
#   RUNS      pairs per measurement (default 5; the median is reported)
#   BASE      a git revision to compare the small inputs and the key-list
#             path with (default: none, those rows are skipped)
#   BUILD_DIR build folder (default build-bench)
#
# For each size, an ANSI and a UTF-16LE export are generated
# (bench/gen_regfile.py, into bench/data/, git-ignored, kept between runs)
# and each conversion `tovrix /f <input> /o <out>` is paired, run by run
# and alternating (A B A B ...), with
#   - the copy floor: cat <input> > <out> (the same file, the same folder);
#   - the same copy made durable (sync <out>), as tovrix's output is before
#     it replaces the old one;
#   - for UTF-16LE, decoding only: iconv -c -f UTF-16LE -t CP1252.
# At the first size, an ANSI export of one hive (every key below
# HKEY_CURRENT_USER) is paired with its copy too.
# Each pair gives a ratio; the median of the ratios is printed, then the
# lowest and highest in brackets, with the peak resident memory as a
# multiple of the input's size. Pairing keeps the ratios meaningful on a
# machine that other work shares. Every run begins after a sync (not
# timed), so that none pays for the writing of the one before it.
#
# With BASE, the program built from that revision is paired with this one
# on a 1 KB and a 1 MB export and on the key-list path (a generated
# 20,000-key hive, /r with /l): the ratios this/BASE must not exceed 1.
#
# Targets: wall time at most 2.0x the copy floor for both encodings;
# UTF-16LE faster than iconv; peak memory at most 1.3x the input; the same
# ratios at every size.
set -euo pipefail
cd "$(dirname "$0")/.."
sizes=${SIZES:-"200 1600"}
runs=${RUNS:-5}
base=${BASE:-}
build=${BUILD_DIR:-build-bench}

missing=()
[ -x /usr/bin/time ] || missing+=(time)
command -v iconv > /dev/null || missing+=(libc-bin)
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" = 0 ] || sudo=sudo
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" > /dev/null
fi

build_program() {  # source folder, build folder
  local log
  log=$(mktemp)
  if ! { cmake -S "$1" -B "$2" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOVRIX_TESTS=OFF &&
         cmake --build "$2" --target tovrix -j2; } > "$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    exit 1
  fi
  rm -f "$log"
}
build_program . "$build"
program=$(realpath "$build/tovrix")
if [ -n "$base" ]; then
  base_src="$build-base/src"
  rm -rf "$base_src"
  git worktree prune
  git worktree add --detach -f "$base_src" "$base" > /dev/null 2>&1
  build_program "$base_src" "$build-base/build"
  base_program=$(realpath "$build-base/build/tovrix")
  git worktree remove --force "$base_src"
fi

data=bench/data
mkdir -p "$data"
scratch=$(mktemp -d "$data/run.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

generate() {  # file, size in MB, extra generator switches
  local file=$1 size=$2; shift 2
  if [ ! -f "$file" ] || [ "$(cat "$file.size" 2> /dev/null)" != "$size" ]; then
    python3 bench/gen_regfile.py "$size" "$file" "$@" > /dev/null
    echo "$size" > "$file.size"
  fi
}

# Runs a command (a shell string) once: sets `wall` (seconds) and `rss` (KB).
# The orderly end of tovrix is exit status 255. Each run starts with nothing
# left to write back: the copy leaves its output for the system to write
# to the disk, and without the sync the run after it (tovrix, which flushes
# its INF) would wait for that too.
measure() {
  local start end
  sync
  start=$EPOCHREALTIME
  /usr/bin/time -f %M -o "$scratch/rss" bash -c "$1" > /dev/null 2>&1 || true
  end=$EPOCHREALTIME
  wall=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f", b - a }')
  rss=$(tail -1 "$scratch/rss")
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Pairs command A with command B `runs` times; prints a line with the
# median times, the median ratio A/B, and A's peak memory over `bytes`.
pair() {  # label, bytes, A, B, B's name
  local label=$1 bytes=$2 a=$3 b=$4 name=$5
  local ratios=() walls_a=() walls_b=() peak=0
  for _ in $(seq "$runs"); do
    measure "$a"; local wa=$wall ra=$rss
    measure "$b"; local wb=$wall
    walls_a+=("$wa"); walls_b+=("$wb")
    ratios+=("$(awk -v a="$wa" -v b="$wb" 'BEGIN { printf "%.4f", a / b }')")
    [ "$ra" -gt "$peak" ] && peak=$ra
  done
  local ma mb mr lo hi
  ma=$(printf '%s\n' "${walls_a[@]}" | median)
  mb=$(printf '%s\n' "${walls_b[@]}" | median)
  mr=$(printf '%s\n' "${ratios[@]}" | median)
  lo=$(printf '%s\n' "${ratios[@]}" | sort -g | head -1)
  hi=$(printf '%s\n' "${ratios[@]}" | sort -g | tail -1)
  awk -v l="$label" -v ma="$ma" -v mb="$mb" -v mr="$mr" -v lo="$lo" -v hi="$hi" -v n="$name" \
    -v p="$peak" -v s="$bytes" \
    'BEGIN { printf "%-24s %8.3f s  %-7s %8.3f s  ratio %5.2fx (%.2f-%.2f)", l, ma, n, mb, mr, lo, hi;
             if (s > 0) printf "  peak %6.2fx input", p * 1024 / s; printf "\n" }'
}

echo "tovrix /f <input>: median of $runs pairs, each pair run back to back"
for size in $sizes; do
  ansi="$data/bench-ansi-$size.reg"
  wide="$data/bench-utf16-$size.reg"
  generate "$ansi" "$size"
  generate "$wide" "$size" --utf16
  out="$scratch/out.inf"
  for input in "$ansi" "$wide"; do
    bytes=$(stat -c %s "$input")
    kind=ANSI
    [[ $input == *utf16* ]] && kind=UTF-16LE
    pair "$kind $size MB vs copy" "$bytes" "'$program' /f '$input' /o '$out'" \
      "cat '$input' > '$scratch/copy'" cat
    pair "$kind $size MB vs synced" "$bytes" "'$program' /f '$input' /o '$out'" \
      "cat '$input' > '$scratch/copy' && sync '$scratch/copy'" cat+sync
    if [ "$kind" = UTF-16LE ]; then
      pair "$kind $size MB vs iconv" "$bytes" "'$program' /f '$input' /o '$out'" \
        "iconv -c -f UTF-16LE -t CP1252 '$input' > '$scratch/decoded'" iconv
    fi
    rm -f "$out" "$scratch/copy" "$scratch/decoded"
  done
done

# An export of one hive fills one section that is not [Software.AddReg].
size=${sizes%% *}
user="$data/bench-user-$size.reg"
generate "$user" "$size" --root 'HKEY_CURRENT_USER\Software'
pair "ANSI $size MB, one hive" "$(stat -c %s "$user")" "'$program' /f '$user' /o '$scratch/out.inf'" \
  "cat '$user' > '$scratch/copy'" cat
rm -f "$scratch/out.inf" "$scratch/copy"

if [ -n "$base" ]; then
  echo "against $base (ratio this/base; at most 1 wanted)"
  head -c 1000 "$data/bench-ansi-${sizes%% *}.reg" > "$scratch/small.reg"
  printf '\r\n' >> "$scratch/small.reg"
  head -c 1000000 "$data/bench-ansi-${sizes%% *}.reg" > "$scratch/medium.reg"
  printf '\r\n' >> "$scratch/medium.reg"
  saved_runs=$runs
  runs=$((runs * 4))
  pair "ANSI 1 KB" 0 "'$program' /f '$scratch/small.reg' /o '$scratch/a.inf'" \
    "'$base_program' /f '$scratch/small.reg' /o '$scratch/b.inf'" base
  runs=$saved_runs
  pair "ANSI 1 MB" 0 "'$program' /f '$scratch/medium.reg' /o '$scratch/a.inf'" \
    "'$base_program' /f '$scratch/medium.reg' /o '$scratch/b.inf'" base
  hive="$data/hive-20000-80000"
  if [ ! -f "$hive/SOFTWARE" ]; then
    mkdir -p "$hive"
    python3 bench/gen_hive.py "$hive/SOFTWARE" --keys 20000 --values 80000 > /dev/null
  fi
  printf 'HKEY_LOCAL_MACHINE\\SOFTWARE\\Bench\r\n' > "$scratch/keys.txt"
  pair "key list, 20,000 keys" 0 \
    "'$program' /r '$hive' /l '$scratch/keys.txt' /o '$scratch/a.inf'" \
    "'$base_program' /r '$hive' /l '$scratch/keys.txt' /o '$scratch/b.inf'" base
fi
