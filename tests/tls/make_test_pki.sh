#!/usr/bin/env bash
# Makes the tests' certificates with openssl, fresh for every run, into FOLDER:
#   ca.pem ca.der       a test certificate authority, trusted by the tests in their Wine prefix only
#   good.pem            127.0.0.1, signed by the test authority
#   wrong-name.pem      another host's name, signed by the test authority
#   expired.pem         127.0.0.1, signed by the test authority, valid only in 2020
#   untrusted.pem       127.0.0.1, signed by an authority nobody trusts
#   codesign.pem        a code-signing certificate from the test authority, with codesign.key
#                       (the signed copy of the shipped program)
# Every server certificate shares server.key.
# usage: make_test_pki.sh FOLDER
set -euo pipefail
out=$1
rm -rf "$out"
mkdir -p "$out"
cd "$out"

cat >ext.cnf <<'CNF'
[req]
distinguished_name = dn
[dn]
[ca]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[local]
subjectAltName = DNS:127.0.0.1, IP:127.0.0.1
basicConstraints = CA:FALSE
extendedKeyUsage = serverAuth
[codesign]
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
[other]
subjectAltName = DNS:ludra-other-host.invalid
basicConstraints = CA:FALSE
extendedKeyUsage = serverAuth
CNF
cat >ca.cnf <<'CNF'
[ca]
default_ca = test
[test]
database = index.txt
new_certs_dir = .
serial = serial
default_md = sha256
policy = any
unique_subject = no
[any]
commonName = supplied
CNF
: >index.txt
echo 1000 >serial

authority() { # NAME SUBJECT
    openssl req -x509 -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.pem" -days 2 -subj "/CN=$2" \
        -config ext.cnf -extensions ca 2>/dev/null
}
authority ca "Ludra Test Authority"
authority stranger "Ludra Unknown Authority"
openssl x509 -in ca.pem -outform der -out ca.der
openssl req -newkey rsa:2048 -nodes -keyout server.key -out server.csr -subj "/CN=127.0.0.1" 2>/dev/null

sign() { # AUTHORITY EXTENSIONS OUTPUT [openssl ca date options...]; the request is $csr
    local authority=$1 extensions=$2 output=$3
    shift 3
    openssl ca -batch -notext -config ca.cnf -cert "$authority.pem" -keyfile "$authority.key" -in "${csr:-server.csr}" \
        -out "$output" -extfile ext.cnf -extensions "$extensions" "$@" 2>/dev/null
}
sign ca local good.pem -days 2
sign ca other wrong-name.pem -days 2
sign ca local expired.pem -startdate 20200101000000Z -enddate 20200102000000Z
sign stranger local untrusted.pem -days 2
openssl req -newkey rsa:2048 -nodes -keyout codesign.key -out codesign.csr -subj "/CN=Ludra Test Signer" 2>/dev/null
csr=codesign.csr sign ca codesign codesign.pem -days 2
rm -f stranger.key ca.key
echo "test certificates in $out"
