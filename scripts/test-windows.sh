#!/usr/bin/env bash
# Builds the Windows programs and runs them under Wine: every unit-test
# program (*_tests.exe, which must exit 0), then the end-to-end suite
# against tovrix.exe with the same expected bytes as the Linux build.
#
#   scripts/test-windows.sh           (as root on a fresh Debian 12: the
#                                      compiler and Wine are installed
#                                      when missing)
#
# Wine runs in a scratch prefix under build-win/, without a display, with
# WINEDEBUG=-all. The time the Wine part takes is printed at the end.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-win"

# --- tools -----------------------------------------------------------------
missing=()
command -v x86_64-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-x86-64)
command -v wine >/dev/null || missing+=(wine)
[ -x /usr/lib/wine/wine64 ] || [ -x /usr/lib/wine/wine ] || missing+=(wine64)
command -v cmake >/dev/null || missing+=(cmake)
command -v ninja >/dev/null || missing+=(ninja-build)
[ -f /usr/src/googletest/CMakeLists.txt ] || missing+=(googletest)
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" = 0 ]; then sudo=(); elif command -v sudo >/dev/null; then sudo=(sudo); else
    echo "error: missing packages ${missing[*]}; run as root or install them" >&2
    exit 1
  fi
  echo "installing ${missing[*]}"
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# --- build -----------------------------------------------------------------
"$root/scripts/build-windows.sh"

# --- Wine ------------------------------------------------------------------
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="   # no Mono or Gecko installer
unset DISPLAY WAYLAND_DISPLAY              # console programs need no window
wine_start=$(date +%s.%N)
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "creating the Wine prefix $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
  [ -f "$WINEPREFIX/system.reg" ] || { echo "error: wineboot made no prefix" >&2; exit 1; }
fi
# One server for all the runs below, rather than one per program start.
# The prefix's background services are started here, away from the
# script's output: they inherit the output of the process that starts
# them and would otherwise hold a pipe open until the server ends.
wineserver -p
wineboot </dev/null >/dev/null 2>&1 || true

failed=0
for exe in "$build"/tests/*_tests.exe; do
  [ -f "$exe" ] || continue
  log="$build/$(basename "$exe" .exe).wine.log"
  if (cd "$build" && wine "$exe" >"$log" 2>&1); then
    echo "PASS $(basename "$exe"): $(grep -E '^\[  PASSED  \]' "$log" | tail -1)"
  else
    echo "FAIL $(basename "$exe") (log: $log)"
    grep -E '^\[  FAILED  \]|Failure|error' "$log" | head -40 || true
    failed=1
  fi
done

if ! "$root/tests/e2e/run_e2e.sh" --wine "$build/tovrix.exe"; then
  failed=1
fi

wine_end=$(date +%s.%N)
awk -v a="$wine_start" -v b="$wine_end" 'BEGIN { printf "Wine part took %.1f s\n", b - a }'
exit $failed
