#!/usr/bin/env bash
# Whole-process benchmark of the registry-file converter.
#
#   bench/regfile_bench.sh [SIZE_MB] [RUNS] [-- extra tovrix switches]
#
# Builds tovrix (Release) in build-bench, generates an ANSI and a UTF-16LE
# input of SIZE_MB megabytes (default 200) into bench/data/ (git-ignored;
# kept between runs), converts each RUNS times (default 3) and reports the
# best wall-clock time as MB/s of input, and the peak resident memory of
# the process as a multiple of the input file's size.
# Targets: at least 150 MB/s and a peak of at most 3x the input.
set -euo pipefail
cd "$(dirname "$0")/.."
size_mb=${1:-200}
runs=${2:-3}
shift $(( $# < 2 ? $# : 2 ))
[ "${1:-}" = "--" ] && shift
extra=("$@")

if [ ! -x /usr/bin/time ]; then
  sudo=""
  [ "$(id -u)" = 0 ] || sudo=sudo
  $sudo apt-get install -y -qq time > /dev/null
fi

cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOVRIX_TESTS=OFF > /dev/null
cmake --build build-bench --target tovrix -j2 > /dev/null
program=build-bench/tovrix

mkdir -p bench/data
generate() {  # file, extra generator switches
  local file=$1; shift
  local stamp="$file.size"
  if [ ! -f "$file" ] || [ "$(cat "$stamp" 2>/dev/null)" != "$size_mb" ]; then
    python3 bench/gen_regfile.py "$size_mb" "$file" "$@"
    echo "$size_mb" > "$stamp"
  fi
}
generate bench/data/bench-ansi.reg
generate bench/data/bench-utf16.reg --utf16

measure() {  # label, input file
  local label=$1 input=$2
  local bytes best="" peak=0
  bytes=$(stat -c %s "$input")
  for _ in $(seq "$runs"); do
    local log
    log=$(mktemp)
    # The orderly end of tovrix is exit status -1 (255).
    local rc=0
    /usr/bin/time -v "$program" /f "$input" /o bench/data/out.inf "${extra[@]}" \
      > /dev/null 2> "$log" || rc=$?
    if [ "$rc" != 255 ]; then cat "$log"; rm -f "$log"; return 1; fi
    local wall rss
    wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$log")
    rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$log")
    rm -f "$log"
    # m:ss.ss or h:mm:ss to seconds
    wall=$(echo "$wall" | awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; print s }')
    if [ -z "$best" ] || awk -v a="$wall" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$wall; fi
    [ "$rss" -gt "$peak" ] && peak=$rss
  done
  awk -v label="$label" -v bytes="$bytes" -v t="$best" -v rss="$peak" 'BEGIN {
    mb = bytes / 1e6
    printf "%-6s %8.1f MB in %6.2f s: %7.1f MB/s, peak RSS %7.1f MB = %.2fx input\n",
      label, mb, t, (t > 0 ? mb / t : 0), rss * 1024 / 1e6, rss * 1024 / bytes
  }'
}

echo "tovrix /f <input> ${extra[*]} (best of $runs runs)"
measure ANSI bench/data/bench-ansi.reg
measure UTF-16 bench/data/bench-utf16.reg
