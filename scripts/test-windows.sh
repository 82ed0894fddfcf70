#!/usr/bin/env bash
# Builds the Windows programs and runs their tests under Wine through ctest
# (the mingw preset): every unit-test program (*_tests.exe) and every
# end-to-end case against tovrix.exe, with the same expected bytes as the
# Linux build; then packs the zip.
#
#   scripts/test-windows.sh           (as root on a fresh Debian 12: the
#                                      compiler and Wine are installed
#                                      when missing)
#
# Wine runs in a scratch prefix, build-win/wineprefix, made on first use
# (cmake/wine-run.sh), without a display, with WINEDEBUG=-all. The end-to-end
# cases that need hive files take the hive maker from the Linux build
# (build/tests/tovrix_mkhive), which is built here when missing. The time
# the Wine part takes is printed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh native windows

cmake --preset release > /dev/null
cmake --build --preset release --target tovrix_mkhive > /dev/null
scripts/build-windows.sh

wine_start=$(date +%s.%N)
ctest --preset mingw
wine_end=$(date +%s.%N)
awk -v a="$wine_start" -v b="$wine_end" 'BEGIN { printf "Wine part took %.1f s\n", b - a }'

zip=$(cpack --preset mingw | sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p')
echo "$zip: $(cmake -E tar tf "$zip" | tr '\n' ' ')"
