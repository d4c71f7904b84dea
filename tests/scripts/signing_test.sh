#!/usr/bin/env bash
# The signed release with a throwaway certificate made here: scripts/signed-release.sh signs the
# uiAccess program, the portable program, the installer and the uninstaller inside it, and each
# signature verifies against that certificate and carries a time stamp of a local time-stamp server
# (tests/scripts/time_stamp_server.py, with a time-stamping certificate of its own); the installed
# program asks for uiAccess, the portable one and the unsigned build's do not; a wrong password
# signs nothing and leaves the file; without a time-stamp server the uiAccess program is refused and
# nothing of the release is signed, while the plain program is signed with a warning.
#   signing_test.sh BIN_DIR ICON VERSION
set -uo pipefail
bin=$1 icon=$2 version=$3
root=$(dirname "$(realpath "$0")")/../..
work=$(mktemp -d)
server=
trap '[ -z "$server" ] || kill "$server"; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The manifest's request, as windres wrote it into the program.
ui_access() { grep -ao 'uiAccess="[a-z]*"' "$1" | head -1; }

verified() { # file: its Authenticode signature and its time stamp verify against the test certificates
    local report
    report=$(osslsigncode verify -CAfile "$work/cert.pem" -TSA-CAfile "$work/tsa-cert.pem" -in "$1" 2>&1) &&
        grep -q "Timestamp Server Signature verification: ok" <<<"$report" && return 0
    echo "$report" | tail -4
    return 1
}

openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
    -subj "/CN=Velmora test signing" -addext "extendedKeyUsage=codeSigning" 2>/dev/null ||
    { echo "no test certificate"; exit 1; }
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/test.pfx" \
    -passout pass:clave-de-prueba || { echo "no PKCS#12 file"; exit 1; }

# The time-stamp server: its certificate may only stamp (critical timeStamping), as a real one.
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/tsa-key.pem" -out "$work/tsa-cert.pem" -days 2 \
    -subj "/CN=Velmora test time stamps" -addext "extendedKeyUsage=critical,timeStamping" 2>/dev/null ||
    { echo "no time-stamping certificate"; exit 1; }
echo 01 >"$work/tsa-serial"
cat >"$work/tsa.cnf" <<EOF
[ tsa ]
default_tsa = test_tsa
[ test_tsa ]
serial = $work/tsa-serial
crypto_device = builtin
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256, sha384, sha512, sha1
accuracy = secs:1
ess_cert_id_alg = sha256
EOF
python3 "$root/tests/scripts/time_stamp_server.py" "$work/tsa.cnf" "$work/tsa-cert.pem" "$work/tsa-key.pem" \
    "$work/tsa-port" &
server=$!
for _ in $(seq 50); do [ -s "$work/tsa-port" ] && break; sleep 0.1; done
[ -s "$work/tsa-port" ] || { echo "no time-stamp server"; exit 1; }

# The build as CI makes it: unsigned, without uiAccess; its second link asks for it.
[ "$(ui_access "$bin/Velmora.exe")" = 'uiAccess="false"' ] ||
    fail "Velmora.exe's manifest: $(ui_access "$bin/Velmora.exe")"
[ "$(ui_access "$bin/VelmoraUiAccess.exe")" = 'uiAccess="true"' ] ||
    fail "VelmoraUiAccess.exe's manifest: $(ui_access "$bin/VelmoraUiAccess.exe")"
osslsigncode verify -in "$bin/Velmora.exe" >/dev/null 2>&1 && fail "the unsigned build carries a signature"

export VELMORA_SIGN_PFX=$work/test.pfx VELMORA_SIGN_COPIES=$work/copies
mkdir -p "$VELMORA_SIGN_COPIES"

# A wrong password: the signing fails and the file is as it was.
cp "$bin/Velmora.exe" "$work/wrong.exe"
VELMORA_SIGN_PASSWORD=otra "$root/scripts/sign.sh" "$work/wrong.exe" >/dev/null 2>&1 &&
    fail "signed with a wrong password"
cmp -s "$bin/Velmora.exe" "$work/wrong.exe" || fail "a failed signing changed the file"
rm -f "$VELMORA_SIGN_COPIES"/*

export VELMORA_SIGN_PASSWORD=clave-de-prueba

# No time-stamp server: the release is refused before anything is signed, and says why; the plain
# program alone is signed, with a warning.
"$root/scripts/signed-release.sh" "$bin" "$icon" "$version" "$work/refused" >"$work/refused.log" 2>&1 &&
    fail "the uiAccess program was signed without a time stamp"
grep -q "VELMORA_SIGN_TIMESTAMP" "$work/refused.log" || { cat "$work/refused.log"; fail "the refusal does not say why"; }
osslsigncode verify -in "$work/refused/program/Velmora.exe" >/dev/null 2>&1 &&
    fail "the refused uiAccess program carries a signature"
[ -z "$(ls -A "$VELMORA_SIGN_COPIES")" ] || fail "files signed on a refused release: $(ls "$VELMORA_SIGN_COPIES")"
cp "$bin/Velmora.exe" "$work/plain.exe"
"$root/scripts/sign.sh" "$work/plain.exe" >/dev/null 2>"$work/plain.log" || fail "the plain program was not signed"
grep -q "warning" "$work/plain.log" || fail "no warning for a signature without a time stamp"
rm -f "$VELMORA_SIGN_COPIES"/*

export VELMORA_SIGN_TIMESTAMP=http://127.0.0.1:$(cat "$work/tsa-port")
start=$(date +%s%N)
"$root/scripts/signed-release.sh" "$bin" "$icon" "$version" "$work/out" >"$work/release.log" 2>&1 ||
    { cat "$work/release.log"; fail "signed-release.sh failed"; }
echo "[ figures  ] the signed release took $((($(date +%s%N) - start) / 1000000)) ms"

setup=$work/out/VelmoraSetup-$version.exe
for f in "$work/out/program/Velmora.exe" "$work/out/portable/Velmora.exe" "$setup"; do
    [ -f "$f" ] || { fail "missing ${f#$work/}"; continue; }
    verified "$f" || fail "${f#$work/}: the signature does not verify"
done
[ "$(ui_access "$work/out/program/Velmora.exe")" = 'uiAccess="true"' ] ||
    fail "the installed program does not ask for uiAccess"
[ "$(ui_access "$work/out/portable/Velmora.exe")" = 'uiAccess="false"' ] ||
    fail "the portable program asks for uiAccess"

# The uninstaller makensis signed: a file signed by the script that is neither the installer nor
# the program.
uninstallers=0
for f in "$VELMORA_SIGN_COPIES"/*; do
    case $(basename "$f") in Velmora.exe | VelmoraSetup-*) continue ;; esac
    uninstallers=$((uninstallers + 1))
    verified "$f" || fail "the uninstaller's signature does not verify"
done
[ "$uninstallers" -eq 1 ] || fail "$uninstallers uninstallers signed, not 1"

[ "$failures" -eq 0 ] && echo "signed release: all checks passed"
exit $((failures > 0))
