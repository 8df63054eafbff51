#!/usr/bin/env bash
# The vendor's tools: a key pair made once and never replaced, a package signed in place so that
# its comment is the signature of every byte before it, signed again over an earlier signature,
# and a zip with a comment of its own refused untouched.
set -euo pipefail
root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python=/usr/bin/python3
fail() { echo "FAIL: $*" >&2; exit 1; }

bash "$root/tools/make-signing-key.sh" "$work/keys" >/dev/null
key=$work/keys/package-signing.key
[ "$(stat -c %a "$key")" = 600 ] || fail "the private key is readable by others"
if bash "$root/tools/make-signing-key.sh" "$work/keys" 2>/dev/null; then fail "an existing key was replaced"; fi

# Every byte before the comment verifies against the public key, and the id is the key's.
verify() {
    "$python" - "$1" "$work/keys/package-signing.pub.pem" <<'PY'
import hashlib, sys, zipfile
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import ec
from cryptography.hazmat.primitives.asymmetric.utils import encode_dss_signature
data = open(sys.argv[1], "rb").read()
public = serialization.load_pem_public_key(open(sys.argv[2], "rb").read())
comment = data[-78:]
assert data[-100:-96] == b"PK\x05\x06" and data[-80:-78] == b"\x4e\x00", "the comment is not the archive's"
assert comment[:6] == b"LDSIG1", "no marker"
point = public.public_bytes(serialization.Encoding.X962, serialization.PublicFormat.UncompressedPoint)
assert comment[6:14] == hashlib.sha256(point).digest()[:8], "another key id"
r, s = int.from_bytes(comment[14:46], "big"), int.from_bytes(comment[46:78], "big")
public.verify(encode_dss_signature(r, s), data[:-78], ec.ECDSA(hashes.SHA256()))
assert zipfile.ZipFile(sys.argv[1]).testzip() is None, "no longer a sound zip"
PY
}

"$python" -c "import zipfile, sys; z = zipfile.ZipFile(sys.argv[1], 'w'); z.writestr('SETUP.INF', '[CONFIG_INI_HIRES]\r\n'); z.close()" "$work/p.zip"
"$python" "$root/tools/sign-package.py" "$key" "$work/p.zip" >/dev/null
verify "$work/p.zip" || fail "the signature does not verify"
cp "$work/p.zip" "$work/first.zip"
"$python" "$root/tools/sign-package.py" "$key" "$work/p.zip" >/dev/null
verify "$work/p.zip" || fail "a signature made again does not verify"
[ "$(stat -c %s "$work/p.zip")" = "$(stat -c %s "$work/first.zip")" ] || fail "signing again added a signature"

"$python" -c "import zipfile, sys; z = zipfile.ZipFile(sys.argv[1], 'w'); z.comment = b'mine'; z.writestr('A', 'a'); z.close()" "$work/c.zip"
cp "$work/c.zip" "$work/c-before.zip"
if "$python" "$root/tools/sign-package.py" "$key" "$work/c.zip" 2>/dev/null; then fail "a zip with its own comment was signed"; fi
cmp -s "$work/c.zip" "$work/c-before.zip" || fail "a refused zip was changed"
openssl ecparam -name secp384r1 -genkey -noout -out "$work/p384.key" 2>/dev/null
if "$python" "$root/tools/sign-package.py" "$work/p384.key" "$work/first.zip" 2>/dev/null; then fail "a P-384 key signed"; fi
[ -z "$(find "$work" -name '.signing-*')" ] || fail "a temporary file was left"
echo "sign-package: ok"
