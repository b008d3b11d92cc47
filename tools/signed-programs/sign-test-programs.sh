#!/bin/sh
# Makes the program files that the signature checks are tested and timed
# with, from one unsigned program: a test root and a code-signing
# certificate it issues, a certificate nobody issued, and
#   signed.exe     signed with the issued certificate, the root inside;
#   tampered.exe   that file with one byte of its code changed since;
#   untrusted.exe  signed with the certificate nobody issued;
#   unsigned.exe   the program as it is;
#   test-root.der and test-root.thumbprint (its SHA-1, upper-case hex), for
#   a Wine prefix that is to trust the root.
#
#   sign-test-programs.sh PROGRAM OUT_DIR TRUSTED_SIGNER UNTRUSTED_SIGNER
#
# Wine 8 checks no certificate signed with SHA-256 against its roots, so the
# certificates are signed with SHA-1 (the files' digests stay SHA-256); and
# it takes a chain that reaches no root for valid, so the root travels in
# the signature. Only options of osslsigncode 2.5 (Debian 12) are used.
set -eu
program=$1
out=$2
trusted=$3
untrusted=$4

work="$out/work"
rm -rf "$work"
mkdir -p "$work"
cd "$work"

cat >extensions.cnf <<'CNF'
[root]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[signer]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
CNF

# Says nothing unless the command fails.
quiet() {
  if ! "$@" >output.log 2>&1; then
    echo "failed: $*" >&2
    cat output.log >&2
    exit 1
  fi
}

quiet openssl req -x509 -sha1 -newkey rsa:2048 -nodes -days 3650 -utf8 \
  -subj "/CN=Runwarden Test Root" -config extensions.cnf -extensions root \
  -keyout root.key -out root.pem
quiet openssl req -new -newkey rsa:2048 -nodes -utf8 -subj "/CN=$trusted" \
  -keyout signer.key -out signer.csr
quiet openssl x509 -req -sha1 -days 3650 -in signer.csr -CA root.pem -CAkey root.key \
  -set_serial 2 -extfile extensions.cnf -extensions signer -out signer.pem
cat signer.pem root.pem >signer-and-root.pem
quiet openssl req -x509 -sha1 -newkey rsa:2048 -nodes -days 3650 -utf8 \
  -subj "/CN=$untrusted" -config extensions.cnf -extensions signer \
  -keyout untrusted.key -out untrusted.pem

quiet osslsigncode sign -certs signer-and-root.pem -key signer.key -h sha256 \
  -in "$program" -out signed.exe
quiet osslsigncode sign -certs untrusted.pem -key untrusted.key -h sha256 \
  -in "$program" -out untrusted.exe
cp signed.exe tampered.exe
# A byte of the DOS stub's message, which the digest covers like any other.
printf 'X' | dd of=tampered.exe bs=1 seek=80 conv=notrunc 2>/dev/null

openssl x509 -in root.pem -outform DER -out test-root.der
openssl x509 -in root.pem -noout -fingerprint -sha1 | sed 's/.*=//; s/://g' >test-root.thumbprint

for made in signed.exe tampered.exe untrusted.exe test-root.der test-root.thumbprint; do
  mv "$made" "$out/$made"
done
cp "$program" "$out/unsigned.exe"
