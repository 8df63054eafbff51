#!/usr/bin/env bash
# The test command: installs what is missing, checks the layering, builds the three presets and
# runs every test (native under the sanitizers, Windows under wine64 on Xvfb). Exit code 0 only if
# all pass.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash tools/install-deps.sh

status=0
echo "== layering"
bash tools/check-layers.sh || status=1

jobs=$(nproc)
for preset in native mingw-x86_64 mingw-i686; do
    echo "== configure and build: $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j"$jobs"
done

# clang-format and clang-tidy (over the native build's compile_commands.json); the warnings are the builds' own.
echo "== static checks"
bash tools/static-checks.sh build/native || status=1

echo "== native tests (AddressSanitizer, UndefinedBehaviorSanitizer)"
ctest --test-dir build/native --output-on-failure -j"$jobs" || status=1

echo "== Windows tests (wine64 on Xvfb)"
ctest --test-dir build/mingw-x86_64 --output-on-failure --timeout 900 || status=1

# Leave no Wine server or Xvfb behind.
LUDRA_BUILD_DIR="$root/build/mingw-x86_64"
. cmake/wine-env.sh
ludra_wine_shutdown

exit $status
