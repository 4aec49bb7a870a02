#!/usr/bin/env bash
# Authenticode as make dist and make msi apply it (tools/sign, tools/build-msi), with a
# code-signing certificate made here: osslsigncode verify accepts the signed kelvaner.exe and MSI
# and refuses each after one byte of it changed; without a certificate nothing is signed and the
# build says so; half a certificate stops it.
#   signing.sh KELVANER_EXE
set -uo pipefail
kelvaner=$(readlink -f "$1")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
ok() { echo "ok: $*"; }
unset SIGN_CERT SIGN_KEY SIGN_PKCS12 SIGN_PASSWORD_FILE SIGN_TIMESTAMP

openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 -subj "/CN=Kelvane test signing" \
  -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" 2>/dev/null || { echo "FAIL: openssl"; exit 1; }
echo 'test password' >password.txt
openssl pkcs12 -export -inkey key.pem -in cert.pem -out cert.p12 -passout file:password.txt || { echo "FAIL: pkcs12"; exit 1; }
verifies() { osslsigncode verify -CAfile cert.pem -in "$1" >"$1.verify" 2>&1; }
# One byte in the middle of the file, in the program's code or the MSI's cabinet.
change_byte() {
  local at=$(($(stat -c %s "$1") / 2)) byte
  byte=$(od -An -tu1 -j "$at" -N1 "$1" | tr -d ' ')
  printf "$(printf '\\%03o' $(((byte + 1) % 256)))" | dd of="$1" bs=1 seek="$at" conv=notrunc status=none
}
check() {  # WHAT FILE
  verifies "$2" && ok "$1: osslsigncode verify accepts it" || { fail "$1 does not verify"; cat "$2.verify"; }
  cp "$2" "$2.changed"; change_byte "$2.changed"
  cmp -s "$2" "$2.changed" && fail "$1: the byte did not change"
  if verifies "$2.changed" || ! grep -q MISMATCH "$2.changed.verify"; then
    fail "$1: verify does not refuse it for its digest with one byte changed"
  else
    ok "$1: one byte changed, verify refuses it (digest mismatch)"
  fi
}

cp "$kelvaner" plain.exe
out=$("$here/tools/sign" plain.exe)
[[ $out == unsigned:* ]] && cmp -s "$kelvaner" plain.exe && ok "no certificate: unsigned, and said so" || fail "no certificate: '$out'"
verifies plain.exe && fail "an unsigned program verifies"

cp "$kelvaner" kelvaner.exe
SIGN_CERT=cert.pem SIGN_KEY=key.pem "$here/tools/sign" kelvaner.exe >/dev/null || fail "signing with SIGN_CERT and SIGN_KEY"
check "kelvaner.exe signed with SIGN_CERT and SIGN_KEY" kelvaner.exe
# The program inside the MSI is the signed one; the MSI is signed from a PKCS#12 file.
SIGN_PKCS12=cert.p12 SIGN_PASSWORD_FILE=password.txt "$here/tools/build-msi" kelvaner.exe kelvane.msi >/dev/null ||
  fail "build-msi with SIGN_PKCS12 and SIGN_PASSWORD_FILE"
check "kelvane.msi signed with SIGN_PKCS12 and SIGN_PASSWORD_FILE" kelvane.msi
msiextract -C inside kelvane.msi >/dev/null && cmp -s kelvaner.exe "$(find inside -name kelvaner.exe)" &&
  ok "the MSI holds the signed program" || fail "the MSI does not hold the signed program"

SIGN_CERT=cert.pem "$here/tools/sign" plain.exe >/dev/null 2>&1 && fail "a certificate without its key signed" ||
  ok "a certificate without its key stops the build"

if [ $failures -eq 0 ]; then echo "all checks passed"; exit 0; fi
echo "$failures check(s) failed"; exit 1
