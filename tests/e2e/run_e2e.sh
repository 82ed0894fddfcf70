#!/usr/bin/env bash
# Runs end-to-end cases against one built program and compares bytes.
#
#   run_e2e.sh [--wine [COMMAND... --]] PROGRAM [CASE_DIR...]
#
# Without CASE_DIR, every case runs. --wine runs a Windows program through
# `wine`, or through COMMAND when one is given (the cross build's emulator:
# cmake/wine-run.sh and its prefix, as absolute paths). Exit status: 0 when
# every case that ran passed, 1 when one failed, 77 when all were skipped.
#
# A case is a folder under tests/e2e/cases/<group>/<case>/ holding:
#   args             the program's arguments, one per line (may be empty);
#                    @CASEDIR@ stands for the case's scratch folder (absolute)
#   args.wine        optional: the arguments under --wine instead
#   expected.stdout  the exact bytes of standard output
#   expected.rc      exit status (default 255, the orderly end)
#   expected.inf     optional: the exact bytes of out.inf after the run
#   expected.noinf   optional: out.inf must not exist after the run
#   expected.stderr  native runs only: the exact bytes of standard error,
#                    @CASEDIR@ standing for the scratch folder; without the
#                    file, standard error must be empty (Wine's is not checked)
#   env              optional: NAME=value lines added to the environment
#   skip-wine / skip-native   optional: the case runs on one build only
#   hives.reg, hives optional: hive files made before the run. Each line of
#                    `hives` is "<path>\t<registry prefix>[\t<options>]": the
#                    keys of hives.reg below the prefix become the hive file
#                    at <path> (tovrix_mkhive, options passed on). Under
#                    --wine with args.wine, hives.reg is also imported into
#                    the Wine registry, so the live registry holds the same
#                    tree.
#   setup.reg / teardown.reg  optional, --wine only: imported into the Wine
#                    registry (wine reg import) before / after the program
#   anything else    input files, copied with the case
# The case runs in a scratch copy of its folder, which is the current
# directory, so relative names in `args` refer to its files. A run may
# create no file other than out.inf there.
#
# tovrix_mkhive is taken from $TOVRIX_MKHIVE, else beside the program
# (tests/tovrix_mkhive in its build folder), else from build/tests.
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
wine=0 winecmd=(wine)
if [ "${1:-}" = "--wine" ]; then
  wine=1; shift
  for ((i = 1; i <= $#; i++)); do
    if [ "${!i}" = "--" ]; then winecmd=("${@:1:i-1}"); shift "$i"; break; fi
  done
fi
program=$(realpath "$1"); shift
mkhive=${TOVRIX_MKHIVE:-}
for candidate in "$(dirname "$program")/tests/tovrix_mkhive" "$root/build/tests/tovrix_mkhive"; do
  [ -n "$mkhive" ] && break
  [ -x "$candidate" ] && mkhive=$candidate
done
cases=("$@")
if [ ${#cases[@]} -eq 0 ]; then
  mapfile -t cases < <(find "$here/cases" -mindepth 2 -maxdepth 2 -type d | sort)
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# Reports name files by their real path, so @CASEDIR@ must be one too.
scratch=$(cd "$scratch" && pwd -P)

# Makes the hive files a case lists; false when it cannot.
make_hives() {
  local case=$1 work=$2 path prefix options
  while IFS=$'\t' read -r path prefix options || [ -n "$path" ]; do
    [ -z "$path" ] && continue
    # shellcheck disable=SC2086 # options are words
    "$mkhive" "$case/hives.reg" "$work/$path" "$prefix" $options || return 1
  done < "$case/hives"
}

# Imports a .reg file (UTF-8 or UTF-16LE) into the Wine registry.
wine_import() {
  local file=$1 work=$2
  if [ "$(head -c 2 "$file" | od -An -tx1 | tr -d ' ')" != "fffe" ]; then
    { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$file"; } > "$work/.import.reg"
    file="$work/.import.reg"
  fi
  (cd "$work" && WINEDEBUG=-all "${winecmd[@]}" reg import "$file" > /dev/null 2>&1)
  rm -f "$work/.import.reg"
}

passed=0 failed=0 skipped=0
for case in "${cases[@]}"; do
  case=$(cd "$case" && pwd)
  name=${case#"$here/cases/"}
  if { [ $wine = 1 ] && [ -e "$case/skip-wine" ]; } || { [ $wine = 0 ] && [ -e "$case/skip-native" ]; }; then
    echo "SKIP $name: not for this build"; skipped=$((skipped + 1)); continue
  fi
  work="$scratch/$(echo "$name" | tr / _)"
  rm -rf "$work"; cp -r "$case" "$work"
  if [ -f "$case/hives" ]; then
    if [ -z "$mkhive" ]; then
      echo "SKIP $name: tovrix_mkhive is not built"; skipped=$((skipped + 1)); continue
    fi
    if ! make_hives "$case" "$work"; then
      failed=$((failed + 1)); echo "FAIL $name: its hives cannot be made"; continue
    fi
  fi
  before=$(cd "$work" && find . | sort)
  argsfile="$case/args"
  [ $wine = 1 ] && [ -f "$case/args.wine" ] && argsfile="$case/args.wine"
  args=()
  if [ -f "$argsfile" ]; then mapfile -t args < "$argsfile"; fi
  args=("${args[@]//@CASEDIR@/$work}")
  envs=()
  if [ -f "$case/env" ]; then mapfile -t envs < "$case/env"; fi
  want_rc=255
  [ -f "$case/expected.rc" ] && want_rc=$(tr -d ' \r\n' < "$case/expected.rc")
  if [ $wine = 1 ]; then
    [ -f "$case/args.wine" ] && [ -f "$case/hives.reg" ] && wine_import "$case/hives.reg" "$work"
    [ -f "$case/setup.reg" ] && wine_import "$case/setup.reg" "$work"
  fi
  if [ $wine = 1 ]; then
    (cd "$work" && env "${envs[@]}" WINEDEBUG=-all "${winecmd[@]}" "$program" "${args[@]}" > "$work/.stdout" 2> "$work/.stderr")
  else
    (cd "$work" && env "${envs[@]}" "$program" "${args[@]}" > "$work/.stdout" 2> "$work/.stderr")
  fi
  rc=$?
  if [ $wine = 1 ] && [ -f "$case/teardown.reg" ]; then
    wine_import "$case/teardown.reg" "$work"
  fi
  problems=()
  [ "$rc" = "$want_rc" ] || problems+=("exit status $rc, expected $want_rc")
  cmp -s "$work/.stdout" "$case/expected.stdout" || problems+=("stdout differs")
  if [ $wine = 0 ]; then
    want_stderr=""
    [ -f "$case/expected.stderr" ] && IFS= read -rd '' want_stderr < "$case/expected.stderr"
    cmp -s "$work/.stderr" <(printf '%s' "${want_stderr//@CASEDIR@/$work}") || problems+=("stderr differs")
  fi
  if [ -f "$case/expected.inf" ]; then
    if [ ! -f "$work/out.inf" ]; then problems+=("out.inf missing")
    elif ! cmp -s "$work/out.inf" "$case/expected.inf"; then problems+=("out.inf differs"); fi
  fi
  if [ -f "$case/expected.noinf" ] && [ -e "$work/out.inf" ]; then problems+=("out.inf written"); fi
  created=$(comm -13 <(echo "$before") <(cd "$work" && find . -not -name .stdout -not -name .stderr | sort) | grep -vx './out.inf')
  [ -z "$created" ] || problems+=("files created: $(echo $created)")
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
[ $failed -eq 0 ] || exit 1
[ $passed -eq 0 ] && [ $skipped -gt 0 ] && exit 77
exit 0
