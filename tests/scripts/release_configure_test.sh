#!/usr/bin/env bash
# A build without tests configures only when it checks its package (a key or a digest) or is told
# in so many words that it must not.
set -uo pipefail
root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
configure() { cmake -S "$root" -B "$work/build" --preset mingw-i686-release "$@" >"$work/out" 2>&1; }

configure && fail "a release build configured with neither key nor digest"
grep -q "must check the package it downloads" "$work/out" || fail "the refusal does not say why: $(tail -5 "$work/out")"
rm -rf "$work/build"
bash "$root/tools/make-signing-key.sh" "$work/key" >/dev/null
for given in -DLUDRA_PACKAGE_KEYS="$work/key/package-signing.pub.pem" \
    -DLUDRA_PACKAGE_SHA256="$(printf 'a%.0s' $(seq 64))" -DLUDRA_UNVERIFIED_PACKAGE=ON; do
    configure "$given" || fail "a release build with $given did not configure: $(tail -5 "$work/out")"
    rm -rf "$work/build"
done
echo "release_configure: ok"
