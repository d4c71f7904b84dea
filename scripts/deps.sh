#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
set -euo pipefail
packages=(cmake ninja-build g++ libgtest-dev googletest libbenchmark-dev
          g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
          wine wine64 xvfb xserver-xephyr x11-utils xauth fonts-liberation imagemagick nsis zip
          poppler-utils osslsigncode openssl python3 clang-format)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
run=()
[ "$(id -u)" -ne 0 ] && run=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${run[@]}" apt-get update -q || true
"${run[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
