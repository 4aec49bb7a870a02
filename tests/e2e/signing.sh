#!/usr/bin/env bash
# Authenticode as make dist and make msi apply it (tools/sign, tools/build-msi), with a
# code-signing certificate made here: osslsigncode verify accepts the signed kelvaner.exe and MSI
# and refuses each with one byte changed; without a certificate nothing is signed, and said so.
#   signing.sh KELVANER_EXE
set -uo pipefail
kelvaner=$(readlink -f "$1") tools=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../tools" && pwd) work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT; cd "$work" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
unset SIGN_CERT SIGN_KEY SIGN_PKCS12 SIGN_PASSWORD_FILE SIGN_TIMESTAMP
openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 -subj "/CN=Kelvane test" \
  -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" 2>/dev/null &&
  echo 'test password' >password.txt &&
  openssl pkcs12 -export -inkey key.pem -in cert.pem -out cert.p12 -passout file:password.txt || exit 1
verifies() { osslsigncode verify -CAfile cert.pem -in "$1" >"$1.verify" 2>&1; }
check() {  # FILE: verified; with its middle byte changed, refused for its digest
  verifies "$1" && echo "ok: $1 verifies" || fail "$1 does not verify: $(tail -3 "$1.verify")"
  python3 -c 'import sys; d = bytearray(open(sys.argv[1], "rb").read()); d[len(d) // 2] ^= 1; open(sys.argv[2], "wb").write(d)' "$1" "changed-$1"
  ! verifies "changed-$1" && grep -q MISMATCH "changed-$1.verify" && echo "ok: $1 with one byte changed is refused" ||
    fail "$1 with one byte changed is not refused for its digest"
}
cp "$kelvaner" plain.exe
[[ $("$tools/sign" plain.exe) == unsigned:* ]] && cmp -s "$kelvaner" plain.exe || fail "without a certificate"
cp "$kelvaner" kelvaner.exe
SIGN_CERT=cert.pem SIGN_KEY=key.pem "$tools/sign" kelvaner.exe >/dev/null && check kelvaner.exe || fail "SIGN_CERT, SIGN_KEY"
# The MSI, signed from the PKCS#12 file, holds the signed program.
SIGN_PKCS12=cert.p12 SIGN_PASSWORD_FILE=password.txt "$tools/build-msi" kelvaner.exe kelvane.msi >/dev/null &&
  check kelvane.msi || fail "SIGN_PKCS12, SIGN_PASSWORD_FILE"
msiextract -C inside kelvane.msi >/dev/null && cmp -s kelvaner.exe "$(find inside -name kelvaner.exe)" || fail "the MSI's program"
SIGN_CERT=cert.pem "$tools/sign" plain.exe >/dev/null 2>&1 && fail "a certificate without its key signed"
SIGN_TIMESTAMP=http://127.0.0.1:9 "$tools/sign" kelvaner.exe >/dev/null && ! verifies kelvaner.exe &&
  grep -q "Unable to extract existing signature" kelvaner.exe.verify || fail "an unsigned build left the last build's signature"
[ $failures = 0 ] && echo "all checks passed"
exit $((failures > 0))
