#!/usr/bin/env bash
# Runs every end-to-end case against one built program and compares bytes.
#
#   run_e2e.sh [--wine] PROGRAM [CASE_DIR...]
#
# A case is a folder under tests/e2e/cases/<group>/<case>/ holding:
#   args             the program's arguments, one per line (may be empty)
#   expected.stdout  the exact bytes of standard output
#   expected.rc      exit status (default 255, the orderly end)
#   expected.inf     optional: the exact bytes of out.inf after the run
#   expected.noinf   optional: out.inf must not exist after the run
#   env              optional: NAME=value lines added to the environment
#   skip-wine / skip-native   optional: the case runs on one build only
#   setup.reg / teardown.reg  optional, --wine only: imported into the Wine
#                    registry (wine reg import) before / after the program
#   anything else    input files, copied with the case
# The case runs in a scratch copy of its folder, which is the current
# directory, so relative names in `args` refer to its files.
set -u
here=$(cd "$(dirname "$0")" && pwd)
wine=0
if [ "${1:-}" = "--wine" ]; then wine=1; shift; fi
program=$(realpath "$1"); shift
cases=("$@")
if [ ${#cases[@]} -eq 0 ]; then
  mapfile -t cases < <(find "$here/cases" -mindepth 2 -maxdepth 2 -type d | sort)
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
passed=0 failed=0 skipped=0
for case in "${cases[@]}"; do
  name=${case#"$here/cases/"}
  if { [ $wine = 1 ] && [ -e "$case/skip-wine" ]; } || { [ $wine = 0 ] && [ -e "$case/skip-native" ]; }; then
    skipped=$((skipped + 1)); continue
  fi
  work="$scratch/$(echo "$name" | tr / _)"
  rm -rf "$work"; cp -r "$case" "$work"
  args=()
  if [ -f "$case/args" ]; then mapfile -t args < "$case/args"; fi
  envs=()
  if [ -f "$case/env" ]; then mapfile -t envs < "$case/env"; fi
  want_rc=255
  [ -f "$case/expected.rc" ] && want_rc=$(tr -d ' \r\n' < "$case/expected.rc")
  if [ $wine = 1 ] && [ -f "$case/setup.reg" ]; then
    (cd "$work" && WINEDEBUG=-all wine reg import setup.reg > /dev/null 2>&1)
  fi
  if [ $wine = 1 ]; then
    (cd "$work" && env "${envs[@]}" WINEDEBUG=-all wine "$program" "${args[@]}" > "$work/.stdout" 2> "$work/.stderr")
  else
    (cd "$work" && env "${envs[@]}" "$program" "${args[@]}" > "$work/.stdout" 2> "$work/.stderr")
  fi
  rc=$?
  if [ $wine = 1 ] && [ -f "$case/teardown.reg" ]; then
    (cd "$work" && WINEDEBUG=-all wine reg import teardown.reg > /dev/null 2>&1)
  fi
  problems=()
  [ "$rc" = "$want_rc" ] || problems+=("exit status $rc, expected $want_rc")
  cmp -s "$work/.stdout" "$case/expected.stdout" || problems+=("stdout differs")
  if [ -f "$case/expected.inf" ]; then
    if [ ! -f "$work/out.inf" ]; then problems+=("out.inf missing")
    elif ! cmp -s "$work/out.inf" "$case/expected.inf"; then problems+=("out.inf differs"); fi
  fi
  if [ -f "$case/expected.noinf" ] && [ -e "$work/out.inf" ]; then problems+=("out.inf written"); fi
  if [ ${#problems[@]} -eq 0 ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL $name: ${problems[*]}"
    if [ -n "${E2E_VERBOSE:-}" ]; then
      diff <(od -c "$case/expected.stdout") <(od -c "$work/.stdout") | head -20
      [ -f "$case/expected.inf" ] && [ -f "$work/out.inf" ] && diff "$case/expected.inf" "$work/out.inf" | head -20
      head -c 2000 "$work/.stderr"
    fi
  fi
done
echo "e2e: $passed passed, $failed failed, $skipped skipped"
[ $failed -eq 0 ]
