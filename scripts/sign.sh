#!/usr/bin/env bash
# Signs Windows programs in place with Authenticode (osslsigncode), with the certificate given in
# the environment:
#   VELMORA_SIGN_PFX        the certificate and its private key, a PKCS#12 (.pfx/.p12) file
#   VELMORA_SIGN_PASSWORD   its password (may be empty)
#   VELMORA_SIGN_TIMESTAMP  an RFC 3161 time-stamp server (its URL); a signature stamped there stays
#                           valid after the certificate expires. Required for a program that asks
#                           for uiAccess; any other file is signed without one, with a warning
#   VELMORA_SIGN_COPIES     optional: a folder that gets a copy of every file signed, to check the
#                           signatures afterwards (makensis deletes the uninstaller it signed)
# Used by scripts/release.sh for Velmora.exe and, through makensis's !finalize and
# !uninstfinalize, for the installer and the uninstaller it carries.
#   scripts/sign.sh FILE...
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: sign.sh FILE..." >&2; exit 2; }
[ -n "${VELMORA_SIGN_PFX:-}" ] || { echo "sign.sh: VELMORA_SIGN_PFX is not set" >&2; exit 2; }
[ -r "$VELMORA_SIGN_PFX" ] || { echo "sign.sh: cannot read $VELMORA_SIGN_PFX" >&2; exit 2; }

# Windows starts a program that asks for uiAccess only while its signature is valid, and checks it at
# every start. "A time stamp extends the validity of a certificate by verifying that the executable
# file was signed at the time that it was time stamped": without one the signature ends with the
# certificate, and from that day the installed program (started at every log-on) no longer starts.
# So such a program is never signed without a time stamp, and nothing is signed when one of the
# files is refused.
asks_for_ui_access() { grep -aq 'uiAccess="true"' "$1"; }
if [ -z "${VELMORA_SIGN_TIMESTAMP:-}" ]; then
    for file in "$@"; do
        if asks_for_ui_access "$file"; then
            echo "sign.sh: $file asks for uiAccess and is signed only with a time stamp:" \
                "set VELMORA_SIGN_TIMESTAMP to the certificate authority's time-stamp server" >&2
            exit 2
        fi
    done
    echo "sign.sh: warning: no VELMORA_SIGN_TIMESTAMP: these signatures end when the certificate expires" >&2
fi

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
