#!/usr/bin/env bash
# The signed programs of a release, from a built windows tree, with the certificate and the time-stamp
# server scripts/sign.sh takes from the environment (VELMORA_SIGN_PFX, VELMORA_SIGN_PASSWORD,
# VELMORA_SIGN_TIMESTAMP: required, since the uiAccess program is signed only with a time stamp):
#   OUT/VelmoraSetup-VERSION.exe  the installer, signed, carrying a signed uninstaller and both
#                                 signed programs: the uiAccess one (VelmoraUiAccess.exe as
#                                 Velmora.exe) for a folder under Program Files, where its touches
#                                 reach elevated windows, and the plain one for any other folder,
#                                 where Windows would refuse to start a uiAccess program
#   OUT/portable/Velmora.exe      the program without uiAccess, signed: it runs from any folder
# Used by scripts/release.sh and by the signing test.
#   scripts/signed-release.sh BIN_DIR ICON VERSION OUT
set -euo pipefail
[ $# -eq 4 ] || { echo "usage: signed-release.sh BIN_DIR ICON VERSION OUT" >&2; exit 2; }
bin=$(realpath "$1") icon=$(realpath "$2") version=$3 out=$4
scripts=$(dirname "$(realpath "$0")")
mkdir -p "$out/program" "$out/portable"
out=$(realpath "$out")

cp "$bin/VelmoraUiAccess.exe" "$out/program/Velmora.exe"
cp "$bin/Velmora.exe" "$out/portable/Velmora.exe"
"$scripts/sign.sh" "$out/program/Velmora.exe" "$out/portable/Velmora.exe"

# makensis signs the uninstaller and the installer itself with the same script.
(cd "$scripts/../installer" &&
    makensis -V2 -WX -DVERSION="$version" -DPROGRAM="$out/portable/Velmora.exe" \
        -DUIACCESS_PROGRAM="$out/program/Velmora.exe" -DICON="$icon" \
        -DOUT_FILE="$out/VelmoraSetup-$version.exe" -DSIGN="bash $scripts/sign.sh" velmora.nsi)
