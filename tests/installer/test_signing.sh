#!/usr/bin/env bash
# scripts/sign with a throw-away self-signed certificate, as a release signs with a real one:
# the program, the setup program and the MSI package signed and verified against it; a signed
# file changed afterwards, and an unsigned one, fail the verification.
# Usage: test_signing.sh SOURCE_DIR FILE...
set -uo pipefail
source_dir=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
check() {
    local what=$1
    shift
    if "$@"; then passed=$((passed + 1)); echo "ok: $what"; else failed=$((failed + 1)); echo "FAIL: $what"; fi
}
verify() { osslsigncode verify -CAfile "$work/cert.pem" -in "$1" >>"$work/verify.log" 2>&1; }
fails_verification() { ! verify "$1"; }

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=VELT Imager Support test signing" \
    -addext extendedKeyUsage=codeSigning -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -passout pass:test -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/cert.p12"

check "signing without a certificate is refused" \
    test "$(env -u VIMAGER_SIGN_PKCS12 -u VIMAGER_SIGN_CERT "$source_dir/scripts/sign" "$1" 2>/dev/null; echo $?)" = 2
for file in "$@"; do
    name=$(basename "$file")
    cp "$file" "$work/$name"
    check "$name: unsigned as built" fails_verification "$work/$name"
    VIMAGER_SIGN_PKCS12=$work/cert.p12 VIMAGER_SIGN_PASSWORD=test "$source_dir/scripts/sign" "$work/$name" >/dev/null
    check "$name: signed with the certificate of the environment (PKCS#12)" verify "$work/$name"
    cp "$file" "$work/pem-$name"
    VIMAGER_SIGN_CERT=$work/cert.pem VIMAGER_SIGN_KEY=$work/key.pem "$source_dir/scripts/sign" "$work/pem-$name" >/dev/null
    check "$name: signed with the certificate of the environment (PEM)" verify "$work/pem-$name"
    # One byte in the middle of the file changed after signing.
    size=$(stat -c %s "$work/$name")
    byte=$(od -An -tu1 -j $((size / 2)) -N1 "$work/$name")
    printf "\\$(printf %o $(((byte + 1) % 256)))" | dd of="$work/$name" bs=1 seek=$((size / 2)) conv=notrunc status=none
    check "$name: a change after signing fails the verification" fails_verification "$work/$name"
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
