#!/usr/bin/env bash
# Cross-builds the Windows programs with mingw-w64 (the mingw preset):
# tovrix.exe and every unit-test program (tests/*_tests.exe), statically
# linked, in build-win/.
#
#   scripts/build-windows.sh          (JOBS=n to change the parallel jobs)
#
# Afterwards checks that tovrix.exe and the test programs import only DLLs
# that come with Windows.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-win"

cd "$root"
cmake --preset mingw > /dev/null
cmake --build --preset mingw ${JOBS:+-j "$JOBS"}

# DLLs every Windows system has; anything else (libstdc++-6.dll,
# libgcc_s_seh-1.dll, libwinpthread-1.dll, ...) would have to ship beside
# the program.
system_dlls='^(kernel32|advapi32|user32|msvcrt|ntdll|shell32|gdi32|ole32|oleaut32|ws2_32|bcrypt|ucrtbase|api-ms-win-.*)\.dll$'
status=0
for exe in "$build"/tovrix.exe "$build"/tests/*_tests.exe; do
  [ -f "$exe" ] || continue
  while read -r dll; do
    if ! echo "$dll" | tr 'A-Z' 'a-z' | grep -Eq "$system_dlls"; then
      echo "error: $(basename "$exe") needs $dll, which is not a system DLL" >&2
      status=1
    fi
  done < <(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
done
[ -f "$build/tovrix.exe" ] || { echo "error: tovrix.exe was not built" >&2; exit 1; }
echo "tovrix.exe imports: $(x86_64-w64-mingw32-objdump -p "$build/tovrix.exe" |
  sed -n 's/^[[:space:]]*DLL Name: //p' | tr '\n' ' ')"
exit $status
