#!/usr/bin/env bash
# Signs a copy of the shipped program with the vendor's Authenticode certificate (osslsigncode,
# SHA-256, with the program's description and URL), and a time stamp when a time-stamping
# server's URL is given (give one for a real release: without it the signature holds only while
# the certificate is valid). The build's own file is never signed, so that it stays the same
# bytes as every other build of the same commit.
# usage: tools/sign-release.sh CERT.pem KEY.pem [TIMESTAMP-URL] IN.exe OUT.exe
#   CERT.pem  the code-signing certificate, PEM, followed by any intermediate certificates
#   KEY.pem   its private key, PEM
set -euo pipefail
description="Ludra 4.7 Setup"
url="http://www.ludra.it/"

usage() {
    echo "usage: tools/sign-release.sh CERT.pem KEY.pem [TIMESTAMP-URL] IN.exe OUT.exe" >&2
    exit 2
}
refuse() {
    echo "sign-release: $*" >&2
    exit 1
}
case $# in
4) cert=$1 key=$2 stamp="" in=$3 out=$4 ;;
5) cert=$1 key=$2 stamp=$3 in=$4 out=$5 ;;
*) usage ;;
esac

[ -f "$cert" ] || refuse "the certificate $cert does not exist"
[ -f "$key" ] || refuse "the private key $key does not exist"
[ -f "$in" ] || refuse "the program $in does not exist"
cert_public=$(openssl x509 -in "$cert" -noout -pubkey 2>/dev/null) || refuse "$cert is not a PEM certificate"
key_public=$(openssl pkey -in "$key" -pubout 2>/dev/null) || refuse "$key is not a PEM private key"
[ "$cert_public" = "$key_public" ] || refuse "the private key $key does not belong to the certificate $cert"
# The same file under another name too (a link, a path through another folder).
if [ "$(realpath -m "$out")" = "$(realpath "$in")" ] || { [ -e "$out" ] && [ "$out" -ef "$in" ]; }; then
    refuse "$out is the program to sign: the signed copy must be another file"
fi

# Written beside the output and renamed into place: never half a signed program under its name.
work=$(mktemp -d "$(dirname "$out")/.sign-release.XXXXXX")
trap 'rm -rf "$work"' EXIT
osslsigncode sign -certs "$cert" -key "$key" -h sha256 -n "$description" -i "$url" \
    ${stamp:+-ts "$stamp"} -in "$in" -out "$work/signed.exe" >"$work/log" 2>&1 ||
    refuse "osslsigncode could not sign $in: $(grep -v '^$' "$work/log" | tail -1)"
mv "$work/signed.exe" "$out"
echo "signed $out ($(sha256sum "$out" | cut -d' ' -f1))"
