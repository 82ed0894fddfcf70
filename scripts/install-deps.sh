#!/usr/bin/env bash
# Installs the Debian packages a build needs, only those that are missing.
#   install-deps.sh native    compiler, CMake, Ninja, ICU, hivex, GoogleTest
#   install-deps.sh package   dpkg-shlibdeps, for the .deb's dependencies
#   install-deps.sh windows   the mingw-w64 cross compiler and Wine
#   install-deps.sh fuzz      clang with its sanitizer and fuzzer runtimes
#   install-deps.sh lint      clang-format and clang-tidy (version 14)
set -euo pipefail
want=()
for group in "$@"; do
  case "$group" in
    native) want+=(g++ cmake ninja-build libicu-dev libhivex-dev libgtest-dev googletest pkg-config) ;;
    package) want+=(dpkg-dev) ;;
    windows) want+=(g++-mingw-w64-x86-64 wine wine64) ;;
    fuzz) want+=(clang libclang-rt-14-dev) ;;
    lint) want+=(clang-format-14 clang-tidy-14) ;;
    *) echo "install-deps.sh: unknown group $group" >&2; exit 2 ;;
  esac
done
missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" = 0 ] || sudo=sudo
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" > /dev/null
