#!/usr/bin/env bash
# Builds tovrix.exe and packs it with README.md into
# build-win/tovrix-<version>-win64.zip.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-win"

if ! command -v zip >/dev/null; then
  if [ "$(id -u)" = 0 ]; then sudo=(); elif command -v sudo >/dev/null; then sudo=(sudo); else
    echo "error: zip is missing; run as root or install it" >&2
    exit 1
  fi
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q zip
fi

"$root/scripts/build-windows.sh"

version=$(sed -n 's/^project(tovrix VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || { echo "error: no version in CMakeLists.txt" >&2; exit 1; }
[ -f "$root/README.md" ] || { echo "error: README.md is missing" >&2; exit 1; }

stage="$build/package"
rm -rf "$stage"
mkdir -p "$stage"
x86_64-w64-mingw32-strip -o "$stage/tovrix.exe" "$build/tovrix.exe"
cp "$root/README.md" "$stage/README.md"
archive="$build/tovrix-$version-win64.zip"
rm -f "$archive"
(cd "$stage" && zip -q -X "$archive" tovrix.exe README.md)
echo "$archive"
unzip -l "$archive"
