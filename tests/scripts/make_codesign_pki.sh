#!/usr/bin/env bash
# Makes a throwaway certificate authority and a code-signing certificate it issued, with openssl,
# into FOLDER (made afresh): ca.pem, signer.pem and signer.key. For the test command's signed copy
# of the shipped program only.
# usage: make_codesign_pki.sh FOLDER
set -euo pipefail
out=$1
rm -rf "$out"
mkdir -p "$out"
cd "$out"
cat >ext.cnf <<'CNF'
[ca]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[signer]
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
CNF
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 30 -subj "/CN=Ludra Test Root" \
    -extensions ca -config <(printf '[req]\ndistinguished_name=dn\n[dn]\n'; cat ext.cnf) 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr -subj "/CN=Ludra Test Signer/O=Ludra" \
    -config <(printf '[req]\ndistinguished_name=dn\n[dn]\n') 2>/dev/null
openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 30 -out signer.pem \
    -extfile ext.cnf -extensions signer 2>/dev/null
rm -f signer.csr ca.srl
