#!/usr/bin/env bash
# A signing key pair of this build tree, for the builds that the test command, the tests and the
# benchmark make: made once in DIR (default build/build-signing; never committed), then kept.
# Prints the public key's path, for LUDRA_PACKAGE_KEYS.
# usage: tools/build-signing-key.sh [DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build/build-signing}
[ -f "$dir/package-signing.pub.pem" ] || bash "$root/tools/make-signing-key.sh" "$dir" >/dev/null
echo "$dir/package-signing.pub.pem"
