#!/usr/bin/env bash
# Signs Windows programs in place with Authenticode (osslsigncode), with the certificate given in
# the environment:
#   VELMORA_SIGN_PFX        the certificate and its private key, a PKCS#12 (.pfx/.p12) file
#   VELMORA_SIGN_PASSWORD   its password (may be empty)
#   VELMORA_SIGN_TIMESTAMP  optional: an RFC 3161 time-stamp server; a signature stamped there stays
#                           valid after the certificate expires
#   VELMORA_SIGN_COPIES     optional: a folder that gets a copy of every file signed, to check the
#                           signatures afterwards (makensis deletes the uninstaller it signed)
# Used by scripts/release.sh for Velmora.exe and, through makensis's !finalize and
# !uninstfinalize, for the installer and the uninstaller it carries.
#   scripts/sign.sh FILE...
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: sign.sh FILE..." >&2; exit 2; }
[ -n "${VELMORA_SIGN_PFX:-}" ] || { echo "sign.sh: VELMORA_SIGN_PFX is not set" >&2; exit 2; }
[ -r "$VELMORA_SIGN_PFX" ] || { echo "sign.sh: cannot read $VELMORA_SIGN_PFX" >&2; exit 2; }

# The password goes through a file of our own, never on a command line (ps shows those).
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(umask 077 && printf '%s' "${VELMORA_SIGN_PASSWORD:-}" >"$work/password")
stamp=()
[ -z "${VELMORA_SIGN_TIMESTAMP:-}" ] || stamp=(-ts "$VELMORA_SIGN_TIMESTAMP")

for file in "$@"; do
    osslsigncode sign -pkcs12 "$VELMORA_SIGN_PFX" -readpass "$work/password" -h sha256 \
        -n "Velmora" "${stamp[@]}" \
        -in "$file" -out "$work/signed" >/dev/null
    # Replaced whole, so a failed signature never leaves a half-written program.
    cat "$work/signed" >"$file.signing" && mv -f "$file.signing" "$file"
    rm -f "$work/signed"
    [ -z "${VELMORA_SIGN_COPIES:-}" ] || cp "$file" "$VELMORA_SIGN_COPIES/"
    echo "signed: $file"
done
