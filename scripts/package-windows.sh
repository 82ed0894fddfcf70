#!/usr/bin/env bash
# Builds the Windows programs and packs tovrix.exe (stripped) and README.md
# into build-win/tovrix-<version>-win64.zip with CPack (the mingw preset).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build-windows.sh
cpack --preset mingw | sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p'
