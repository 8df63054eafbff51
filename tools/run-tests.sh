#!/usr/bin/env bash
# The test command: installs what is missing, checks the layering, builds every preset, runs the
# static checks and every test (native under the sanitizers, then each fuzz target for a bounded
# time; the Windows tests under Wine on Xvfb for the x86_64 build and, where this machine runs
# 32-bit code, for the i686 build too), then checks the shipped program. Exit code 0 only if all pass.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash tools/install-deps.sh

# A whole run writes about 2 GB under build/ (four builds, two Wine prefixes sharing their DLLs).
free_mib=$(($(df -Pk . | awk 'NR == 2 { print $4 }') / 1024))
echo "== disk: $free_mib MiB free"
if [ "$free_mib" -lt 3072 ]; then
    echo "warning: less than 3 GiB free; the Windows tests may fail for want of space" >&2
fi

rm -f build/*/wine-restarts.log
status=0
echo "== layering"
bash tools/check-layers.sh || status=1

jobs=$(nproc)
# The release build trusts a key made for this build tree, as the vendor's would be given.
release_key=$(bash tools/build-signing-key.sh)
for preset in native mingw-x86_64 mingw-i686 mingw-i686-release; do
    echo "== configure and build: $preset"
    if [ "$preset" = mingw-i686-release ]; then
        cmake --preset "$preset" -DLUDRA_PACKAGE_KEYS="$release_key" >/dev/null
    else
        cmake --preset "$preset" >/dev/null
    fi
    cmake --build --preset "$preset" -j"$jobs"
done

# Leave no Wine server or Xvfb behind.
shutdown_wine() {
    local build
    for build in mingw-x86_64 mingw-i686; do
        (
            LUDRA_BUILD_DIR="$root/build/$build"
            . cmake/wine-env.sh
            ludra_wine_shutdown
        )
    done
}
trap shutdown_wine EXIT

# clang-format, and clang-tidy over the native units and every program unit of the Windows build;
# the warnings are the builds' own.
echo "== static checks"
bash tools/static-checks.sh build/native build/mingw-x86_64 || status=1

echo "== native tests (AddressSanitizer, UndefinedBehaviorSanitizer)"
ctest --test-dir build/native --output-on-failure -j"$jobs" || status=1

# Each fuzz target for its bounded time (LUDRA_FUZZ_SECONDS in tests/fuzz/CMakeLists.txt) from a
# scratch copy of its corpus; a failure names the input that shows it.
echo "== fuzzing (libFuzzer with AddressSanitizer and UndefinedBehaviorSanitizer)"
fuzz_start=$SECONDS
if cmake --preset fuzz >/dev/null && cmake --build --preset fuzz -j"$jobs"; then
    ctest --test-dir build/fuzz -L fuzz --output-on-failure || status=1
    cat build/fuzz/runs/*/summary.txt 2>/dev/null || true
else
    echo "the fuzz preset did not build" >&2
    status=1
fi
echo "fuzzing took $((SECONDS - fuzz_start)) s"

echo "== Windows tests, x86_64 build (wine64 on Xvfb)"
ctest --test-dir build/mingw-x86_64 --output-on-failure --timeout 900 || status=1

# Why the i686 tests did not run, if they did not: said here and again as the last line.
not_tested=""
if why=$(bash tools/i686-runs.sh); then
    echo "== Windows tests, i686 build (Wine's 32-bit loader on Xvfb)"
    ctest --test-dir build/mingw-i686 --output-on-failure --timeout 900 || status=1
else
    not_tested="$why: the i686 build was compiled and linked, not tested"
    echo "$not_tested"
fi

for log in build/*/wine-restarts.log; do
    [ -f "$log" ] || continue
    echo "== Wine ended at once without starting a program, started again ($log):"
    cat "$log"
done

echo "== the shipped program: build/mingw-i686-release/ldsetup.exe, and the same built again elsewhere"
bash tools/check-release.sh --reproduce mingw-i686-release build/mingw-i686-release/ldsetup.exe 1900000 || status=1
echo "== the shipped program signed with a throwaway code-signing certificate"
bash tests/scripts/signed_release_check.sh build/mingw-i686-release/ldsetup.exe 1900000 || status=1

[ -z "$not_tested" ] || echo "note: not a whole run: $not_tested"
exit $status
