#!/usr/bin/env bash
# Makes the vendor's package-signing key pair in DIR: package-signing.key (the private key, PEM,
# readable by its owner only; keep it off the build machine) and package-signing.pub.pem (the
# public key, for LUDRA_PACKAGE_KEYS). An existing pair is never replaced.
# Usage: tools/make-signing-key.sh DIR
set -euo pipefail
if [ $# -ne 1 ]; then
    echo "usage: tools/make-signing-key.sh DIR" >&2
    exit 2
fi
dir=$1
private=$dir/package-signing.key
public=$dir/package-signing.pub.pem
for file in "$private" "$public"; do
    if [ -e "$file" ]; then
        echo "make-signing-key: $file exists; an existing key is never replaced" >&2
        exit 1
    fi
done
mkdir -p "$dir"
(umask 077 && openssl ecparam -name prime256v1 -genkey -noout -out "$private")
openssl ec -in "$private" -pubout -out "$public" 2>/dev/null
echo "private key: $private (owner only)"
echo "public key:  $public"
