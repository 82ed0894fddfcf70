#!/usr/bin/env bash
# Builds and runs every test: the unit and end-to-end tests of the Linux
# build (Release, then again with AddressSanitizer and UBSan), the Debian
# package installed into a scratch folder, the format check, a short
# fuzzing run, and the Windows build's unit and end-to-end tests under Wine.
# Installs the Debian packages it lacks.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$(date +%s)
scripts/install-deps.sh native package windows fuzz lint

echo "== Linux build (Release)"
cmake --preset release > /dev/null
cmake --build --preset release
ctest --preset release

echo "== Debian package"
# The installed program must write the INF the build's program writes.
deb=$(cpack --preset release | sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p')
dpkg-deb -f "$deb" Package Version Depends
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg-deb -x "$deb" "$scratch/root"
convert() {  # PROGRAM INF: the sample into INF; an orderly end is -1, shown as 255
  local status=0
  "$1" /f samples/app.reg /o "$2" > /dev/null || status=$?
  [ "$status" = 255 ] || { echo "error: $1 ended with status $status" >&2; exit 1; }
}
convert build/tovrix "$scratch/build.inf"
convert "$scratch/root/usr/bin/tovrix" "$scratch/installed.inf"
cmp "$scratch/build.inf" "$scratch/installed.inf"
[ -f "$scratch/root/usr/share/man/man1/tovrix.1.gz" ] && [ -f "$scratch/root/usr/share/doc/tovrix/README.md" ]
echo "$(basename "$deb"): the installed program writes the same INF"

echo "== Format"
scripts/lint.sh format

echo "== Linux build with sanitizers"
cmake --preset asan > /dev/null
cmake --build --preset asan
ctest --preset asan

echo "== Fuzzing (short run)"
scripts/fuzz.sh "${TOVRIX_FUZZ_SECONDS:-30}"

echo "== Windows build under Wine"
scripts/test-windows.sh

echo "All tests passed in $(( $(date +%s) - start )) s."
