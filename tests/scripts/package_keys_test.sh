#!/usr/bin/env bash
# tools/package_keys.py: a P-256 public key becomes its id (the first 8 bytes of the SHA-256 of
# 04 || X || Y) and its point; anything else stops it with the file's name. tools/trusted_keys.py
# finds such a key, and a pinned digest, among a program's bytes.
set -euo pipefail
root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tool=$root/tools/package_keys.py
fail() { echo "FAIL: $*" >&2; exit 1; }

openssl ecparam -name prime256v1 -genkey -noout -out "$work/key.pem" 2>/dev/null
openssl ec -in "$work/key.pem" -pubout -out "$work/pub.pem" 2>/dev/null
/usr/bin/python3 "$tool" "$work/keys.h" "$work/pub.pem"
point=$(openssl ec -pubin -in "$work/pub.pem" -outform DER 2>/dev/null | tail -c 65 | od -An -v -tx1 | tr -d ' \n')
id=$(openssl ec -pubin -in "$work/pub.pem" -outform DER 2>/dev/null | tail -c 65 | sha256sum | cut -c1-16)
as_c() { printf '%s' "$1" | sed 's/\(..\)/0x\1, /g; s/, $//'; }
grep -q "PackageKeyCount = 1;" "$work/keys.h" || fail "one key is not counted"
grep -qF "{{$(as_c "$id")}, {$(as_c "${point:2}")}}" "$work/keys.h" || fail "the id or the point is wrong"

/usr/bin/python3 "$tool" "$work/none.h"
grep -q "PackageKeyCount = 0;" "$work/none.h" || fail "no key is not an empty list"

openssl ecparam -name secp384r1 -genkey -noout 2>/dev/null | openssl ec -pubout -out "$work/p384.pem" 2>/dev/null
echo "not a key" >"$work/text.pem"
for bad in "$work/p384.pem" "$work/text.pem" "$work/missing.pem" "$work/key.pem"; do
    if message=$(/usr/bin/python3 "$tool" "$work/bad.h" "$work/pub.pem" "$bad" 2>&1); then
        fail "$bad was taken"
    fi
    [[ $message == *"$bad"* ]] || fail "the refusal does not name $bad: $message"
    [ ! -e "$work/bad.h" ] || fail "a header was written for $bad"
done
# A program's bytes: the key's id before its point, a digest string, and a point after another id.
trusted=$root/tools/trusted_keys.py
unhex() { /usr/bin/python3 -c 'import sys; sys.stdout.buffer.write(bytes.fromhex(sys.argv[1]))' "$1"; }
unhex "$id${point:2}" >"$work/table"
head -c 5000 /dev/urandom >"$work/program.exe"
cat "$work/table" >>"$work/program.exe"
printf '\0' >>"$work/program.exe"
printf 'AB%.0s' $(seq 32) >>"$work/program.exe"
printf '\0' >>"$work/program.exe"
unhex "0000000000000000${point:2}" >>"$work/program.exe"
head -c 5000 /dev/urandom >>"$work/program.exe"
[ "$(/usr/bin/python3 "$trusted" "$work/program.exe")" = "key $id
digest $(printf 'ab%.0s' $(seq 32))" ] || fail "trusted_keys: $(/usr/bin/python3 "$trusted" "$work/program.exe")"
head -c 5000 /dev/urandom >"$work/plain.exe"
[ "$(/usr/bin/python3 "$trusted" "$work/plain.exe")" = UNVERIFIED ] || fail "a program with no key is not UNVERIFIED"
echo "package_keys: ok"
