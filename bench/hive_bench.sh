#!/usr/bin/env bash
# Whole-process benchmark of the offline-registry export (/r with /l).
#
#   bench/hive_bench.sh [RUNS]
#
#   RUNS      pairs of runs (default 5; also from the environment)
#   KEYS      keys of the generated tree (default 200000)
#   VALUES    values of the generated tree (default 800000)
#   BUILD_DIR build folder (default build-bench)
#   TOVRIX    a tovrix binary to measure instead of building one (a path
#             from the repository's top folder, or an absolute one)
#
# Builds tovrix (Release), generates a SOFTWARE hive with KEYS keys and
# VALUES values, all below \Bench (bench/gen_hive.py; kept in
# bench/data/hive-KEYS-VALUES/, git-ignored, and made again when the
# generator changes), writes a key list naming HKEY_LOCAL_MACHINE\SOFTWARE\Bench
# and runs, alternating,
#
#   A: tovrix /r DIR /l keys.txt /o out.inf
#   B: hivexregedit --export DIR/SOFTWARE '\Bench' > out.reg
#
# RUNS times each, measuring wall-clock time, CPU time (user + system) and
# peak resident memory (/usr/bin/time). The CPU times are printed beside
# the wall-clock times because they suffer less when other work shares
# the machine. The first pair's outputs are checked: the INF file
# holds one key line (0x0,...) per key, one value line per value and one
# "; Replaced" comment per value of a type the INF form carries only as
# bytes; the registry export holds one [key] header per key.
# Prints each pair, the medians and a summary of the ratios against the
# targets: tovrix at least 10x as fast as hivexregedit, and a peak of at
# most the hive's size plus twice the INF file's size.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-${RUNS:-5}}
keys=${KEYS:-200000}
values=${VALUES:-800000}
build=${BUILD_DIR:-build-bench}

missing=()
[ -x /usr/bin/time ] || missing+=(time)
command -v hivexregedit > /dev/null || missing+=(libwin-hivex-perl)
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" = 0 ] || sudo=sudo
  $sudo apt-get install -y -qq "${missing[@]}" > /dev/null
fi

log=$(mktemp)
trap 'rm -f "$log"' EXIT
if [ -n "${TOVRIX:-}" ]; then
  program=$TOVRIX
else
  if ! { cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOVRIX_TESTS=OFF &&
         cmake --build "$build" --target tovrix -j2; } > "$log" 2>&1; then
    cat "$log" >&2
    exit 1
  fi
  program="$build/tovrix"
fi

# The hive: SOFTWARE in its own folder, which /r takes as it is.
dir="bench/data/hive-$keys-$values"
hive="$dir/SOFTWARE"
stamp="$dir/stamp"
want="$keys $values $(md5sum < bench/gen_hive.py | cut -d' ' -f1)"
mkdir -p "$dir"
if [ ! -f "$hive" ] || [ ! -f "$hive.meta" ] || [ "$(cat "$stamp" 2>/dev/null)" != "$want" ]; then
  echo "generating $hive ($keys keys, $values values) ..."
  python3 bench/gen_hive.py "$hive" --keys "$keys" --values "$values"
  echo "$want" > "$stamp"
fi
meta() { awk -v k="$1" '$1 == k { print $2 }' "$hive.meta"; }
commented=$(meta commented_values)

list="$dir/keys.txt"
printf 'HKEY_LOCAL_MACHINE\\SOFTWARE\\Bench\r\n' > "$list"
inf="$dir/out.inf"
reg="$dir/out.reg"

# Runs a command under /usr/bin/time; prints "wall_s peak_KiB cpu_s". The
# orderly end of tovrix is exit status 255, of hivexregedit 0.
timed() {  # expected status, output file for stdout, command...
  local want_rc=$1 out=$2 rc=0
  shift 2
  /usr/bin/time -o "$log" -f '%e %M %U %S' "$@" > "$out" || rc=$?
  if [ "$rc" != "$want_rc" ]; then
    echo "$* ended with status $rc" >&2
    cat "$log" >&2
    exit 1
  fi
  tail -n 1 "$log" | awk '{ printf "%s %s %.2f\n", $1, $2, $3 + $4 }'
}

check() {  # what, found, expected
  if [ "$2" != "$3" ]; then
    echo "check failed: $1: $2, expected $3" >&2
    exit 1
  fi
}

printf 'A: %s /r %s /l %s /o %s\n' "$program" "$dir" "$list" "$inf"
printf 'B: hivexregedit --export %s '"'"'\\Bench'"'"' > %s\n' "$hive" "$reg"
printf '%d keys, %d values; %d pairs, A B alternating\n\n' "$keys" "$values" "$runs"
printf '%4s  %8s %8s %9s  %8s %8s %9s  %8s %8s\n' pair "A wall" "A cpu" "A peak" \
  "B wall" "B cpu" "B peak" "B/A wall" "B/A cpu"

results=()
for i in $(seq "$runs"); do
  a=$(timed 255 /dev/null "$program" /r "$dir" /l "$list" /o "$inf")
  b=$(timed 0 "$reg" hivexregedit --export "$hive" '\Bench')
  read -r at am ac <<< "$a"
  read -r bt bm bc <<< "$b"
  if [ "$i" = 1 ]; then
    check "key lines (0x0,) in the INF file" "$(grep -c '^0x0,' "$inf")" "$keys"
    check "value lines (0x1 .. 0x7) in the INF file" "$(grep -c '^0x[1-9]' "$inf")" "$values"
    check "type comments in the INF file" "$(grep -c '^; Replaced ' "$inf")" "$commented"
    check "key headers in the registry export" "$(grep -c '^\[' "$reg")" "$keys"
  fi
  awk -v i="$i" -v at="$at" -v am="$am" -v ac="$ac" -v bt="$bt" -v bm="$bm" -v bc="$bc" 'BEGIN {
    printf "%4d  %6.2f s %6.2f s %6.1f MB  %6.2f s %6.2f s %6.1f MB  %7.2fx %7.2fx\n",
      i, at, ac, am * 1024 / 1e6, bt, bc, bm * 1024 / 1e6,
      (at > 0 ? bt / at : 0), (ac > 0 ? bc / ac : 0)
  }'
  results+=("$at $am $bt $bm $ac $bc")
done

hive_bytes=$(stat -c %s "$hive")
inf_bytes=$(stat -c %s "$inf")
reg_bytes=$(stat -c %s "$reg")
printf '%s\n' "${results[@]}" | awk -v hive="$hive_bytes" -v inf="$inf_bytes" -v reg="$reg_bytes" '
  function median(a, n,   i, j, t) {
    for (i = 2; i <= n; i++) for (j = i; j > 1 && a[j - 1] > a[j]; j--) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
  }
  { n++; at[n] = $1; am[n] = $2; bt[n] = $3; bm[n] = $4; ac[n] = $5; bc[n] = $6
    r[n] = ($1 > 0 ? $3 / $1 : 0) }
  END {
    mat = median(at, n); mam = median(am, n); mbt = median(bt, n); mbm = median(bm, n)
    mr = median(r, n); mac = median(ac, n); mbc = median(bc, n)
    mb = 1e6
    rss = mam * 1024
    budget = hive + 2 * inf
    printf "\nmedians of %d pairs\n", n
    printf "  %-36s %10.2f s\n", "tovrix wall time", mat
    printf "  %-36s %10.2f s\n", "hivexregedit wall time", mbt
    printf "  %-36s %10.2f s\n", "tovrix CPU time (user + system)", mac
    printf "  %-36s %10.2f s\n", "hivexregedit CPU time", mbc
    printf "  %-36s %10.2fx   (median of the per-pair ratios %.2fx; target >= 10x: %s)\n",
      "speed ratio hivexregedit / tovrix", (mat > 0 ? mbt / mat : 0), mr,
      (mat > 0 && mbt / mat >= 10 ? "met" : "MISSED")
    printf "  %-36s %10.2fx\n", "CPU time ratio hivexregedit / tovrix", (mac > 0 ? mbc / mac : 0)
    printf "  %-36s %10.1f MB\n", "tovrix peak RSS", rss / mb
    printf "  %-36s %10.1f MB\n", "hivexregedit peak RSS", mbm * 1024 / mb
    printf "  %-36s %10.1f MB\n", "hive size", hive / mb
    printf "  %-36s %10.1f MB   (registry export: %.1f MB)\n", "INF size", inf / mb, reg / mb
    printf "  %-36s %10.1f MB\n", "memory budget: hive + 2 x INF", budget / mb
    printf "  %-36s %10.2f    (target <= 1: %s)\n", "tovrix peak RSS / budget", rss / budget,
      (rss <= budget ? "met" : "MISSED")
    printf "  %-36s %10.2fx hive, %.2fx INF\n", "tovrix peak RSS against the sizes", rss / hive, rss / inf
  }'
