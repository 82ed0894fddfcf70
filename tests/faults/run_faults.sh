#!/usr/bin/env bash
# Failure paths of the Linux build: each case makes a fault happen and checks
# that nothing is lost: the exit status, the report, the previous INF, and
# no temporary file left behind.
#
#   run_faults.sh PROGRAM FAULT_SHIM
#
# FAULT_SHIM is the LD_PRELOAD library of fault_shim.c. A case that needs
# what the machine may not allow (mounting a small tmpfs) is skipped.
set -u
program=$(realpath "$1")
shim=$(realpath "$2")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
set -m  # background runs keep SIGINT, as from a terminal
passed=0 failed=0 skipped=0
old=$'[Software.AddReg]\r\n0x0,"Previous"\r\n\r\n'

# A .reg file whose INF is larger than 1 KiB (the file-size limit below).
make_input() {
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor]\r\n'
  for i in $(seq 1 60); do printf '"Value%02d"="C:\\\\Program Files\\\\Vendor\\\\%02d"\r\n' "$i" "$i"; done
}

# Fresh folder with in.reg and the previous out.inf; echoes its path.
setup() {
  local dir="$scratch/$1"
  rm -rf "$dir"; mkdir -p "$dir"
  make_input > "$dir/in.reg"
  printf '%s' "$old" > "$dir/out.inf"
  echo "$dir"
}

problems=()
expect() { eval "$1" || problems+=("$2"); }
finish() {
  if [ ${#problems[@]} -eq 0 ]; then passed=$((passed + 1)); else
    failed=$((failed + 1)); echo "FAIL $1: ${problems[*]}"; fi
  problems=()
}
old_kept() { [ "$(cat "$1/out.inf")" = "$(printf '%s' "$old")" ]; }
no_temporary() { [ -z "$(find "$1" -name '.*.tmp*')" ]; }
new_written() { grep -q '"Value60"' "$1/out.inf"; }

run() {  # dir, then environment assignments and arguments
  local dir=$1; shift
  (cd "$dir" && env "$@" > .stdout 2> .stderr)
}

# The input shrinks while it is read: a read failure, not half an INF.
dir=$(setup shrink)
run "$dir" LD_PRELOAD="$shim" TOVRIX_FAULT=shrink "$program" /f in.reg /o out.inf; rc=$?
expect '[ $rc = 1 ]' "exit status $rc"
expect 'grep -q "^EReadError: " "$dir/.stderr"' "no EReadError report"
expect 'old_kept "$dir"' "previous INF changed"
finish shrink

# The same for an input large enough to be read ahead on a thread of its
# own: the lines before the cut are converted and shown, then the failure.
# (The cut falls inside a key line, which is not shown.)
dir=$(setup shrink-large)
{ make_input; for i in $(seq 1 60000); do printf '[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\K%05d]\r\n"V"="%084d"\r\n' "$i" "$i"; done; } > "$dir/in.reg"
run "$dir" LD_PRELOAD="$shim" TOVRIX_FAULT=shrink "$program" /f in.reg /o out.inf /v; rc=$?
expect '[ $rc = 1 ]' "exit status $rc"
expect 'grep -q "^EReadError: " "$dir/.stderr"' "no EReadError report"
expect 'grep -q "^Processing - .*K0100" "$dir/.stdout"' "no progress before the cut"
expect '! grep -q "K60000" "$dir/.stdout"' "progress past the cut"
expect '! grep -a "^Processing - " "$dir/.stdout" | grep -avq "\(Vendor\|K[0-9]\{5\}\).\?$"' "a line cut short by the failure shown"
expect 'old_kept "$dir"' "previous INF changed"
expect 'no_temporary "$dir"' "temporary file left"
finish shrink-large

# No temporary file for lack of space, quota or an I/O error: a failure
# with the previous INF intact. A folder that refuses new files (EACCES)
# still gets the INF, written in place.
for errno_case in 28:ENOSPC 122:EDQUOT 5:EIO; do
  dir=$(setup "temp-${errno_case#*:}")
  run "$dir" LD_PRELOAD="$shim" TOVRIX_FAULT=temp=${errno_case%%:*} "$program" /f in.reg /o out.inf; rc=$?
  expect '[ $rc = 1 ]' "exit status $rc"
  expect 'grep -q "^EFCreateError: " "$dir/.stderr"' "no EFCreateError report"
  expect 'old_kept "$dir"' "previous INF changed"
  finish "temp-${errno_case#*:}"
done
dir=$(setup temp-EACCES)
run "$dir" LD_PRELOAD="$shim" TOVRIX_FAULT=temp=13 "$program" /f in.reg /o out.inf; rc=$?
expect '[ $rc = 255 ]' "exit status $rc"
expect 'new_written "$dir"' "INF not written in place"
finish temp-EACCES

# A real file system out of inodes, where one may be mounted.
dir=$(setup inodes)
if unshare -m true 2> /dev/null; then
  unshare -m bash -c '
    dir=$1 program=$2 old=$3
    mkdir -p "$dir/fs" && mount -t tmpfs -o size=1m,nr_inodes=3 tmpfs "$dir/fs" || exit 77
    cp "$dir/in.reg" "$dir/fs/"; printf "%s" "$old" > "$dir/fs/out.inf"
    (cd "$dir/fs" && "$program" /f in.reg /o out.inf > /dev/null 2> ../.stderr); echo $? > "$dir/rc"
    cp "$dir/fs/out.inf" "$dir/out.inf"; ls -a "$dir/fs" > "$dir/listing"' _ "$dir" "$program" "$old"
  if [ $? = 77 ]; then skipped=$((skipped + 1)); echo "SKIP inodes: no tmpfs can be mounted"; else
    expect '[ "$(cat "$dir/rc")" = 1 ]' "exit status $(cat "$dir/rc")"
    expect 'grep -q "^EFCreateError: " "$dir/.stderr"' "no EFCreateError report"
    expect 'old_kept "$dir"' "previous INF changed"
    finish inodes
  fi
else
  skipped=$((skipped + 1)); echo "SKIP inodes: no mount namespace"
fi

# The section written first straight into the file (a user's keys, 1.6 MB
# of INF) is moved behind [Software.AddReg], which comes later in the input:
# on a small file system where it fits, the INF is whole; on one where its
# first megabyte fits but not the whole INF, the write fails while the
# section is moved, and the previous INF stays with no temporary file.
dir=$(setup moved)
{
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Vendor]\r\n'
  seq 1 12000 | awk '{ printf "\"Value%05d\"=\"%0100d\"\r\n", $1, $1 }'
  printf '\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor]\r\n"Last"="x"\r\n'
} > "$dir/in.reg"
(cd "$dir" && "$program" /f in.reg /o whole.inf > /dev/null 2>&1)
if unshare -m true 2> /dev/null; then
  unshare -m bash -c '
    dir=$1 program=$2 old=$3
    for size in 4m 1600k; do
      mkdir -p "$dir/$size" && mount -t tmpfs -o size=$size tmpfs "$dir/$size" || exit 77
      printf "%s" "$old" > "$dir/$size/out.inf"
      (cd "$dir/$size" && "$program" /f ../in.reg /o out.inf > /dev/null 2> ../$size.stderr)
      echo $? > "$dir/$size.rc"
      cp "$dir/$size/out.inf" "$dir/$size.inf"; ls -A "$dir/$size" > "$dir/$size.listing"
    done' _ "$dir" "$program" "$old"
  if [ $? = 77 ]; then skipped=$((skipped + 1)); echo "SKIP moved: no tmpfs can be mounted"; else
    expect '[ "$(cat "$dir/4m.rc")" = 255 ] && cmp -s "$dir/4m.inf" "$dir/whole.inf"' "not whole where it fits"
    expect 'head -1 "$dir/whole.inf" | grep -q "^\[Software.AddReg\]" && grep -q "Value12000" "$dir/whole.inf"' \
      "sections not in order"
    expect '[ "$(cat "$dir/1600k.rc")" = 1 ] && grep -q "^EWriteError: " "$dir/1600k.stderr"' \
      "no write failure"
    expect '[ "$(cat "$dir/1600k.inf")" = "$(printf "%s" "$old")" ]' "previous INF changed"
    expect '[ "$(cat "$dir/1600k.listing")" = out.inf ] && [ "$(cat "$dir/4m.listing")" = out.inf ]' \
      "temporary file left"
    finish moved
  fi
else
  skipped=$((skipped + 1)); echo "SKIP moved: no mount namespace"
fi

# A signal while the INF is written removes the temporary file and ends the
# process as the signal would.
for signal in INT TERM HUP; do
  dir=$(setup "signal-$signal")
  (cd "$dir" && exec env LD_PRELOAD="$shim" TOVRIX_FAULT=stall TOVRIX_FAULT_MARK="$dir/mark" \
     "$program" /f in.reg /o out.inf > .stdout 2> .stderr) &
  pid=$!
  for _ in $(seq 200); do [ -e "$dir/mark" ] && break; sleep 0.1; done
  had_temporary=$(find "$dir" -name '.*.tmp*' | wc -l)
  kill -s "$signal" "$pid"; wait "$pid"; rc=$?
  expect '[ -e "$dir/mark" ] && [ "$had_temporary" = 1 ]' "never reached the write"
  expect '[ $rc = $((128 + $(kill -l "$signal"))) ]' "exit status $rc"
  expect 'no_temporary "$dir"' "temporary file left"
  expect 'old_kept "$dir"' "previous INF changed"
  finish "signal-$signal"
done

# An exceeded file-size limit is an ordinary write failure.
dir=$(setup file-size)
(cd "$dir" && ulimit -f 1 && "$program" /f in.reg /o out.inf > .stdout 2> .stderr); rc=$?
expect '[ $rc = 1 ]' "exit status $rc"
expect 'grep -q "^EWriteError: " "$dir/.stderr"' "no EWriteError report"
expect 'no_temporary "$dir"' "temporary file left"
expect 'old_kept "$dir"' "previous INF changed"
finish file-size

# The file is flushed before the rename, the folder after it.
dir=$(setup fsync)
run "$dir" LD_PRELOAD="$shim" TOVRIX_FAULT=trace TOVRIX_FAULT_LOG="$dir/log" "$program" /f in.reg /o out.inf; rc=$?
real=$(cd "$dir" && pwd -P)
expect '[ $rc = 255 ]' "exit status $rc"
order=$(sed "s|$real/||g; s|$real|D|g; s|\.tmp[A-Za-z0-9]*|.tmp|g" "$dir/log" | tr '\n' ';')
expect '[ "$order" = "fsync .out.inf.tmp;rename .out.inf.tmp out.inf;fsync D;" ]' "flush order: $order"
finish fsync

# A write-back that fails while a large INF is written (a flush, or a write
# past the system's cache) fails the write, though the flush before the
# rename would find nothing left to report.
dir=$(setup datasync)
{ make_input; awk 'BEGIN { for (i = 1; i <= 400000; i++) printf "\"V%06d\"=\"%040d\"\r\n", i, i }'; } \
  > "$dir/in.reg"
run "$dir" LD_PRELOAD="$shim" TOVRIX_FAULT=datasync=5 "$program" /f in.reg /o out.inf; rc=$?
expect '[ $rc = 1 ]' "exit status $rc"
expect 'grep -q "^EWriteError: " "$dir/.stderr"' "no EWriteError report"
expect 'no_temporary "$dir"' "temporary file left"
expect 'old_kept "$dir"' "previous INF changed"
finish datasync

# A file system that takes no writes past its cache gets them through it.
dir=$(setup nodirect)
{ make_input; awk 'BEGIN { for (i = 1; i <= 40000; i++) printf "\"V%06d\"=\"%040d\"\r\n", i, i }'; } \
  > "$dir/in.reg"
(cd "$dir" && "$program" /f in.reg /o plain.inf > /dev/null 2>&1)
run "$dir" LD_PRELOAD="$shim" TOVRIX_FAULT=nodirect "$program" /f in.reg /o out.inf; rc=$?
expect '[ $rc = 255 ]' "exit status $rc"
expect 'cmp -s "$dir/out.inf" "$dir/plain.inf"' "INF differs"
finish nodirect

# A closed pipe on standard output: the console output is dropped, the INF
# is still written and the status is the usual one.
dir=$(setup closed-pipe)
mkfifo "$dir/pipe"
exec 4<> "$dir/pipe" 5> "$dir/pipe" 4<&-
(cd "$dir" && "$program" /v /f in.reg /o out.inf >&5 2> .stderr); rc=$?
exec 5>&-
expect '[ $rc = 255 ]' "exit status $rc"
expect 'new_written "$dir"' "INF not written"
finish closed-pipe

# An output FIFO without a reader: a create failure, not a hang.
dir=$(setup fifo-out)
rm "$dir/out.inf"; mkfifo "$dir/out.inf"
(cd "$dir" && timeout 20 "$program" /f in.reg /o out.inf > .stdout 2> .stderr); rc=$?
expect '[ $rc = 1 ]' "exit status $rc"
expect 'grep -q "^EFCreateError: " "$dir/.stderr"' "no EFCreateError report"
finish fifo-out

# Symbolic links are written through, a dangling one too.
dir=$(setup links)
mkdir "$dir/sub"
ln -s ../made.inf "$dir/sub/dangling.inf"
ln -s out.inf "$dir/existing.inf"
(cd "$dir" && "$program" /f in.reg /o sub/dangling.inf > /dev/null 2>&1); rc=$?
(cd "$dir" && "$program" /f in.reg /o existing.inf > /dev/null 2>&1); rc2=$?
expect '[ $rc = 255 ] && [ $rc2 = 255 ]' "exit status $rc, $rc2"
expect '[ -L "$dir/sub/dangling.inf" ] && [ -L "$dir/existing.inf" ]' "a link was replaced"
expect 'grep -q "\"Value60\"" "$dir/made.inf" && new_written "$dir"' "not written through"
finish links

echo "faults: $passed passed, $failed failed, $skipped skipped"
[ $failed = 0 ]
