#!/usr/bin/env bash
# The signed programs of a release, from a built windows tree, with the certificate scripts/sign.sh
# takes from the environment (VELMORA_SIGN_PFX, VELMORA_SIGN_PASSWORD):
#   OUT/VelmoraSetup-VERSION.exe  the installer, signed, carrying a signed uninstaller and the
#                                 signed uiAccess program (VelmoraUiAccess.exe as Velmora.exe):
#                                 installed under Program Files, its touches reach elevated windows
#   OUT/portable/Velmora.exe      the program without uiAccess, signed: it runs from any folder,
#                                 where Windows refuses to start a uiAccess program
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
    makensis -V2 -WX -DVERSION="$version" -DPROGRAM="$out/program/Velmora.exe" -DICON="$icon" \
        -DOUT_FILE="$out/VelmoraSetup-$version.exe" -DSIGN="bash $scripts/sign.sh" velmora.nsi)
