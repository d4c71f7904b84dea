#!/usr/bin/env bash
# The release: builds the program and its installer in build/release and leaves in out/release/
#   VelmoraSetup-<version>.exe        the installer (silent: /S, /INICIO=0|1, /D=folder)
#   Velmora-<version>-portable.zip    Velmora.exe and LEAME.txt, to run without installing
# The version is the one of CMakeLists.txt's project().
#
# With a certificate in the environment (VELMORA_SIGN_PFX, a PKCS#12 file, VELMORA_SIGN_PASSWORD and
# VELMORA_SIGN_TIMESTAMP, the time-stamp server; see scripts/sign.sh) the release is signed: the
# installer, the uninstaller it writes and the two programs it carries, the one that asks for
# uiAccess (its touches reach elevated windows), installed under Program Files only, and the plain
# one for any other folder (Windows starts a uiAccess program only from a secure folder such as
# Program Files); the portable program is the plain one, signed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
# The uiAccess program is signed only with a time stamp (scripts/sign.sh): said before the build.
if [ -n "${VELMORA_SIGN_PFX:-}" ] && [ -z "${VELMORA_SIGN_TIMESTAMP:-}" ]; then
    echo "release.sh: a signed release needs VELMORA_SIGN_TIMESTAMP, the certificate authority's" \
        "time-stamp server: without a time stamp the installed program stops starting when the" \
        "certificate expires" >&2
    exit 2
fi
scripts/deps.sh

cmake --preset windows -B build/release -DVELMORA_BUILD_TESTS=OFF >/dev/null
cmake --build build/release --target installer VelmoraUiAccess
version=$(sed -n 's/^#define VELMORA_VERSION_TEXT "\(.*\)"$/\1/p' build/release/generated/version/version.h)
[ -n "$version" ] || { echo "release.sh: no version in build/release" >&2; exit 1; }

out=$root/out/release
rm -rf "$out"
mkdir -p "$out"
program=build/release/bin/Velmora.exe
if [ -n "${VELMORA_SIGN_PFX:-}" ]; then
    rm -rf build/release/signed
    scripts/signed-release.sh build/release/bin build/release/generated/resources/icon103.ico "$version" \
        build/release/signed
    cp "build/release/signed/VelmoraSetup-$version.exe" "$out/"
    program=build/release/signed/portable/Velmora.exe
else
    echo "release.sh: no VELMORA_SIGN_PFX: the release is not signed"
    cp "build/release/bin/VelmoraSetup-$version.exe" "$out/"
fi

# The zip holds the two files at its top, with fixed times, so the same build gives the same zip.
staging=$(mktemp -d)
trap 'rm -rf "$staging"' EXIT
cp "$program" installer/LEAME.txt "$staging/"
touch -d "@$(git log -1 --format=%ct 2>/dev/null || date +%s)" "$staging"/*
(cd "$staging" && zip -q -X "$out/Velmora-$version-portable.zip" Velmora.exe LEAME.txt)

echo "Release $version in $out:"
ls -l "$out"
