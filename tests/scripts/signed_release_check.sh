#!/usr/bin/env bash
# The shipped program signed as the vendor will sign it, with a throwaway certificate authority and
# code-signing certificate made under build/: the signature holds against that authority, a copy
# with one byte changed is refused, and the signed copy passes the release checks (its resources
# byte for byte, the size budget, the package URL).
# usage: signed_release_check.sh path/to/ldsetup.exe [MAX_BYTES]
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
exe=$1
max_bytes=${2:-}
out=$root/build/release-signed
pki=$out/pki
failures=0
fail() { echo "FAIL: $*" && failures=$((failures + 1)); }

rm -rf "$out"
mkdir -p "$out"
bash "$root/tests/tls/make_test_pki.sh" "$pki" >/dev/null || exit 1
bash "$root/tools/sign-release.sh" "$pki/codesign.pem" "$pki/codesign.key" "$exe" "$out/ldsetup.exe" || exit 1
if osslsigncode verify -CAfile "$pki/ca.pem" -in "$out/ldsetup.exe" >"$out/verify.log" 2>&1; then
    echo "ok:   the signature verifies against the test authority ($(grep -c '^Signer' "$out/verify.log") signer)"
else
    fail "the signed copy does not verify: $(grep -v '^$' "$out/verify.log" | tail -2 | tr '\n' ' ')"
fi
# One byte of the code changed, past the headers and before the signature.
/usr/bin/python3 - "$out/ldsetup.exe" "$out/changed.exe" <<'PY'
import sys
program = bytearray(open(sys.argv[1], "rb").read())
program[len(program) // 3] ^= 0x01
open(sys.argv[2], "wb").write(program)
PY
if osslsigncode verify -CAfile "$pki/ca.pem" -in "$out/changed.exe" >"$out/changed.log" 2>&1; then
    fail "a signed copy with one byte changed still verifies"
else
    echo "ok:   a signed copy with one byte changed is refused"
fi
echo "== the signed copy: $out/ldsetup.exe"
bash "$root/tools/check-release.sh" "$out/ldsetup.exe" $max_bytes || failures=$((failures + 1))
exit $((failures > 0))
