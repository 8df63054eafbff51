#!/usr/bin/env bash
# The signing key pair of this build tree, for the release builds that the test command and the
# benchmark make: made once under build/build-signing (never committed), then kept. Prints the
# public key's path, for LUDRA_PACKAGE_KEYS.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$root/build/build-signing
[ -f "$dir/package-signing.pub.pem" ] || bash "$root/tools/make-signing-key.sh" "$dir" >/dev/null
echo "$dir/package-signing.pub.pem"
