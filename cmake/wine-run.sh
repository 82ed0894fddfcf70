#!/usr/bin/env bash
# Runs a Windows program under Wine in the prefix PREFIX, which is made on
# first use. The cross build's CMAKE_CROSSCOMPILING_EMULATOR: ctest runs
# the .exe tests through it.
#
#   wine-run.sh PREFIX PROGRAM [ARG...]
#
# No display, WINEDEBUG=-all, no Mono or Gecko installer. The exit status
# is the program's.
set -u
export WINEPREFIX=$1
shift
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

mkdir -p "$(dirname "$WINEPREFIX")"
(
  # One test at a time makes the prefix and starts its server; what starts
  # here does not inherit the lock (9>&-).
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i < /dev/null > /dev/null 2>&1 9>&-
    wineserver -w 9>&-
    [ -f "$WINEPREFIX/system.reg" ] || { echo "wine-run.sh: wineboot made no prefix" >&2; exit 1; }
  fi
  # The server and the prefix's services start here, away from the
  # program's output: they inherit the output of the process that starts
  # them and would hold ctest's pipe open until the server ends. The server
  # stays for the next program, and ends 10 s after the last one; while it
  # runs (wineserver fails), so do the services.
  if wineserver -p10 < /dev/null > /dev/null 2>&1 9>&-; then
    wineboot < /dev/null > /dev/null 2>&1 9>&-
  fi
) 9> "$WINEPREFIX.lock" || exit 1
exec wine "$@"
