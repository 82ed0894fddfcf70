#!/usr/bin/env bash
# Whole-process benchmark of the key-list input (/l).
#
#   bench/keylist_bench.sh [RUNS]
#
# Builds tovrix (Release) in $BUILD_DIR (default build-bench), writes key
# lists of 2,000 and of 20,000 keys into bench/data/ (git-ignored), and
# runs `tovrix /f small.reg /l keys.txt`, RUNS times each (default 5). The
# small registry file runs first and leaves multi-line items (wrapped
# binary values) in each section the keys go to, so every append of the
# key list meets a section that must be cut into lines. The keys are read
# from an offline folder (/r) holding a small generated SOFTWARE hive
# (bench/gen_hive.py) and no other hive: none of the listed keys exists
# there, so each yields its key line, the case that appends the most lines
# per key read.
# Prints the best wall-clock time of each size and their ratio.
# Target: 20,000 keys take at most about 12x as long as 2,000 keys (the
# appends are linear in the size of the section).
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
build=${BUILD_DIR:-build-bench}

log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! { cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOVRIX_TESTS=OFF &&
       cmake --build "$build" --target tovrix -j2; } > "$log" 2>&1; then
  cat "$log" >&2
  exit 1
fi
program="$build/tovrix"

mkdir -p bench/data
python3 - bench/data <<'PY'
import sys
out = sys.argv[1]
crlf = "\r\n"
binary = ",".join("%02x" % (i % 256) for i in range(60))
reg = ["Windows Registry Editor Version 5.00", ""]
for header in ("HKEY_LOCAL_MACHINE\\SOFTWARE\\TovrixBench\\Reg",
               "HKEY_CURRENT_USER\\Software\\TovrixBench\\Reg",
               "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\TovrixBenchReg"):
    reg += ["[%s]" % header]
    reg += ['"Bin%d"=hex:%s' % (i, binary) for i in range(20)]
    reg += ['"Str"="text"', ""]
with open(out + "/keylist-small.reg", "w", newline="") as f:
    f.write(crlf.join(reg) + crlf)
roots = ["HKEY_LOCAL_MACHINE\\SOFTWARE\\TovrixBench\\Key%05d",
         "HKEY_CURRENT_USER\\Software\\TovrixBench\\Key%05d",
         "HKEY_CLASSES_ROOT\\.tovrixbench%05d",
         "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\TovrixBench%05d"]
for count in (2000, 20000):
    with open("%s/keylist-%d.txt" % (out, count), "w", newline="") as f:
        for i in range(count):
            f.write(roots[i % len(roots)] % i + crlf)
PY
if [ ! -f bench/data/keylist-hives/SOFTWARE ]; then
  mkdir -p bench/data/keylist-hives
  python3 bench/gen_hive.py bench/data/keylist-hives/SOFTWARE --keys 100 --values 400 > /dev/null 2>&1
fi

best_time() {  # key list -> best wall-clock seconds over the runs
  local list=$1 best="" start end t
  for _ in $(seq "$runs"); do
    start=$(date +%s.%N)
    "$program" /f bench/data/keylist-small.reg /r bench/data/keylist-hives /l "$list" /o bench/data/keylist-out.inf > /dev/null
    end=$(date +%s.%N)
    t=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }')
    if [ -z "$best" ] || awk -v a="$t" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$t; fi
  done
  echo "$best"
}

small=$(best_time bench/data/keylist-2000.txt)
large=$(best_time bench/data/keylist-20000.txt)
lines=$(wc -l < bench/data/keylist-out.inf)
echo "tovrix /f keylist-small.reg /r keylist-hives /l <list> (best of $runs runs; last output $lines lines)"
awk -v s="$small" -v l="$large" 'BEGIN {
  printf " 2,000 keys: %7.3f s\n20,000 keys: %7.3f s\nratio:       %7.1fx (target: at most about 12x)\n",
    s, l, (s > 0 ? l / s : 0)
}'
