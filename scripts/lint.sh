#!/usr/bin/env bash
# Checks the C and C++ sources of src/ and tests/ against .clang-format and
# .clang-tidy (clang 14), reports what it finds and exits 1 when it finds
# anything. Changes no file.
#
#   scripts/lint.sh [format|tidy]      (both without an argument; JOBS=n
#                                       clang-tidy runs at once, default 2)
#
# clang-tidy reads the compile database of the release preset
# (build/compile_commands.json, made here): it sees the files the Linux
# build compiles, so src/platform/win32 is checked for format only.
# Reports go to build/lint-format.txt and build/lint-tidy.txt.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
what=${1:-all}
jobs=${JOBS:-2}
scripts/install-deps.sh native lint || exit 2
format=$(command -v clang-format-14 || command -v clang-format)
tidy=$(command -v clang-tidy-14 || command -v clang-tidy)
cmake --preset release > /dev/null || exit 2
status=0

if [ "$what" != tidy ]; then
  report=build/lint-format.txt
  find src tests -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -print0 | sort -z |
    xargs -0 "$format" --dry-run --Werror 2> "$report" > /dev/null
  places=$(grep -c ': error: code should be clang-formatted' "$report")
  files=$(grep ': error: code should be clang-formatted' "$report" | cut -d: -f1 | sort -u)
  echo "clang-format: $places places in $(echo -n "$files" | grep -c '^') files"
  [ -n "$files" ] && echo "$files" | sed 's/^/  /'
  [ "$places" = 0 ] || status=1
fi

if [ "$what" != format ]; then
  report=build/lint-tidy.txt
  # Each translation unit of src/ and tests/ once; a finding in a header
  # shared by several is counted once.
  python3 -c '
import json, sys
root = sys.argv[1]
for entry in json.load(open("build/compile_commands.json")):
    if entry["file"].startswith((root + "/src/", root + "/tests/")):
        print(entry["file"])' "$root" | sort -u |
    xargs -P "$jobs" -n 1 "$tidy" -p build --quiet --header-filter="^$root/(src|tests)/" \
      --extra-arg=-Wno-unknown-warning-option 2> /dev/null |
    grep -E "^$root/(src|tests)/[^:]+:[0-9]+:[0-9]+: (warning|error): .* \[[^]]+\]$" |
    sed "s|^$root/||" | sort -u > "$report"
  findings=$(grep -c '' "$report")
  echo "clang-tidy: $findings findings"
  cat "$report" | sed 's/^/  /'
  if [ "$findings" != 0 ]; then
    echo "by check:"
    grep -oE '\[[^]]+\]$' "$report" | sort | uniq -c | sort -rn | sed 's/^ */  /'
    status=1
  fi
fi
exit $status
