#!/usr/bin/env bash
# The release: builds the program and its installer in build/release and leaves in out/release/
#   VelmoraSetup-<version>.exe        the installer (silent: /S, /INICIO=0|1, /D=folder)
#   Velmora-<version>-portable.zip    Velmora.exe and LEAME.txt, to run without installing
# The version is the one of CMakeLists.txt's project().
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/deps.sh

cmake --preset windows -B build/release -DVELMORA_BUILD_TESTS=OFF >/dev/null
cmake --build build/release --target installer
version=$(sed -n 's/^#define VELMORA_VERSION_TEXT "\(.*\)"$/\1/p' build/release/generated/version/version.h)
[ -n "$version" ] || { echo "release.sh: no version in build/release" >&2; exit 1; }

out=$root/out/release
rm -rf "$out"
mkdir -p "$out"
cp "build/release/bin/VelmoraSetup-$version.exe" "$out/"

# The zip holds the two files at its top, with fixed times, so the same build gives the same zip.
staging=$(mktemp -d)
trap 'rm -rf "$staging"' EXIT
cp build/release/bin/Velmora.exe installer/LEAME.txt "$staging/"
touch -d "@$(git log -1 --format=%ct 2>/dev/null || date +%s)" "$staging"/*
(cd "$staging" && zip -q -X "$out/Velmora-$version-portable.zip" Velmora.exe LEAME.txt)

echo "Release $version in $out:"
ls -l "$out"
