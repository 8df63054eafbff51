#!/usr/bin/env bash
# tools/sign-release.sh with a stand-in for osslsigncode: it refuses a missing certificate, a key
# that is not the certificate's, and an output that is the input under any name, leaving the input
# as it was; otherwise it signs a copy with SHA-256, the description, the URL and the time stamp.
# usage: sign_release_test.sh SOURCE_DIR
set -u
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $1" && failures=$((failures + 1)); }

mkdir -p "$work/bin"
cat >"$work/bin/osslsigncode" <<'STUB'
#!/usr/bin/env bash
echo "$*" >"$STUB_ARGS"
while [ $# -gt 0 ]; do
    case $1 in -in) in=$2 ;; -out) out=$2 ;; esac
    shift
done
{ cat "$in"; echo signed; } >"$out"
STUB
chmod +x "$work/bin/osslsigncode"
export PATH="$work/bin:$PATH" STUB_ARGS="$work/args"
bash "$source_dir/tests/tls/make_test_pki.sh" "$work/pki" >/dev/null || exit 1
echo program >"$work/ldsetup.exe"
ln -s "$work/ldsetup.exe" "$work/link.exe"
sign() { bash "$source_dir/tools/sign-release.sh" "$@" >"$work/out" 2>&1; }

# Each refusal: exit code 1, a message that names the cause, nothing signed, the input unchanged.
refused() { # what needle args...
    local what=$1 needle=$2
    shift 2
    rm -f "$work/args"
    if sign "$@"; then
        fail "$what was signed"
    elif ! grep -q -- "$needle" "$work/out"; then
        fail "$what: the message does not say \"$needle\": $(cat "$work/out")"
    elif [ -e "$work/args" ] || [ "$(cat "$work/ldsetup.exe")" != program ]; then
        fail "$what: the signer ran or the input changed"
    fi
}
refused "a missing certificate" "does not exist" "$work/none.pem" "$work/pki/codesign.key" "$work/ldsetup.exe" "$work/s.exe"
refused "another certificate's key" "does not belong" "$work/pki/codesign.pem" "$work/pki/server.key" \
    "$work/ldsetup.exe" "$work/s.exe"
refused "a key that is no key" "not a PEM private key" "$work/pki/codesign.pem" "$work/ldsetup.exe" \
    "$work/ldsetup.exe" "$work/s.exe"
for same in "$work/ldsetup.exe" "$work/../$(basename "$work")/ldsetup.exe" "$work/link.exe"; do
    refused "the input as output ($same)" "must be another file" "$work/pki/codesign.pem" "$work/pki/codesign.key" \
        "$work/ldsetup.exe" "$same"
done
[ ! -e "$work/s.exe" ] || fail "a refused signing left an output"

if ! sign "$work/pki/codesign.pem" "$work/pki/codesign.key" http://127.0.0.1:9/tsa "$work/ldsetup.exe" "$work/s.exe"; then
    fail "a good certificate and key were refused: $(cat "$work/out")"
else
    args=$(cat "$work/args")
    for wanted in "-h sha256" "-n Ludra 4.7 Setup" "-i http://www.ludra.it/" "-ts http://127.0.0.1:9/tsa"; do
        [[ $args == *"$wanted"* ]] || fail "osslsigncode was not given $wanted: $args"
    done
    [ "$(cat "$work/s.exe")" = "program
signed" ] || fail "the output is not the signed copy"
    [ "$(cat "$work/ldsetup.exe")" = program ] || fail "the input changed"
    [ -z "$(ls -A "$work" | grep '^\.sign-release')" ] || fail "the temporary folder was left"
fi
exit $((failures > 0))
