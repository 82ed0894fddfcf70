#!/usr/bin/env bash
# Peak memory of the registry-file converter on the worst input shapes.
#
#   bench/memory_bench.sh [LINES] [BIG_MB]
#
# Builds tovrix (Release) in build-bench, generates each shape into
# bench/data/ (git-ignored; kept between runs) and converts it once,
# reporting the peak resident memory of the process as a multiple of the
# input file's size. Shapes: LINES (default 10,000,000) tiny value lines of
# two kinds, comment lines, blank lines and UTF-16LE value lines; one byte
# list of BIG_MB (default 500) megabytes on one line, and the same spread
# over lines of 25 bytes. Target: no shape above 4x.
set -euo pipefail
cd "$(dirname "$0")/.."
lines=${1:-10000000}
big_mb=${2:-500}
if [ ! -x /usr/bin/time ]; then
  sudo=""
  [ "$(id -u)" = 0 ] || sudo=sudo
  $sudo apt-get install -y -qq time > /dev/null
fi
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOVRIX_TESTS=OFF > /dev/null
cmake --build build-bench --target tovrix -j2 > /dev/null
program=build-bench/tovrix
mkdir -p bench/data

python3 - "$lines" "$big_mb" bench/data <<'PY'
import os, sys
lines, big_mb, out = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
head = b'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\V]\r\n'
def make(name, write):
    path = os.path.join(out, f'mem-{name}.reg')
    stamp = f'{lines} {big_mb}'
    if os.path.exists(path) and open(path + '.size').read() == stamp:
        return
    with open(path, 'wb') as f:
        write(f)
    open(path + '.size', 'w').write(stamp)
def repeat(f, line, count):
    block = line * 100000
    for _ in range(count // 100000): f.write(block)
    f.write(line * (count % 100000))
make('values', lambda f: (f.write(head), repeat(f, b'"a"=""\r\n', lines)))
make('defaults', lambda f: (f.write(head), repeat(f, b'@=""\r\n', lines)))
make('comments', lambda f: (f.write(head), repeat(f, b';\r\n', lines)))
make('blank', lambda f: (f.write(head), repeat(f, b'\r\n', lines)))
make('utf16', lambda f: (f.write(b'\xff\xfe' + head.decode().encode('utf-16-le')),
                         repeat(f, '"a"=""\r\n'.encode('utf-16-le'), lines)))
items = big_mb * 1000000 // 3
make('one-line', lambda f: (f.write(head + b'"b"=hex:'), repeat(f, b'00,', items - 1), f.write(b'00\r\n')))
make('wrapped', lambda f: (f.write(head + b'"b"=hex:00,\\\r\n'),
                           repeat(f, b'  ' + b'00,' * 25 + b'\\\r\n', items // 25), f.write(b'  00\r\n')))
PY

printf '%-10s %10s %10s %10s %8s\n' shape input_MB inf_MB peak_MB ratio
worst=0
for shape in values defaults comments blank utf16 one-line wrapped; do
  input=bench/data/mem-$shape.reg
  log=$(mktemp)
  rc=0
  /usr/bin/time -f '%M' -o "$log" "$program" /f "$input" /o bench/data/mem-out.inf > /dev/null || rc=$?
  [ "$rc" = 255 ] || { echo "tovrix failed on $shape (exit status $rc)" >&2; exit 1; }
  peak_kb=$(tail -1 "$log"); rm -f "$log"
  bytes=$(stat -c %s "$input"); out=$(stat -c %s bench/data/mem-out.inf)
  ratio=$(awk -v p="$peak_kb" -v b="$bytes" 'BEGIN { printf "%.2f", p * 1024 / b }')
  worst=$(awk -v a="$worst" -v b="$ratio" 'BEGIN { print (b > a ? b : a) }')
  printf '%-10s %10.1f %10.1f %10.1f %7sx\n' "$shape" "$(awk -v b="$bytes" 'BEGIN{print b/1e6}')" \
    "$(awk -v b="$out" 'BEGIN{print b/1e6}')" "$(awk -v p="$peak_kb" 'BEGIN{print p*1024/1e6}')" "$ratio"
done
rm -f bench/data/mem-out.inf
echo "worst shape: ${worst}x the input (target: at most 4x)"
awk -v w="$worst" 'BEGIN { exit !(w <= 4) }'
