#!/usr/bin/env bash
# A long fuzzing run of one target: builds the fuzz preset, then runs fuzz_TARGET for SECONDS from
# the corpus it grew in earlier long runs (build/fuzz/long/TARGET), seeded from tests/fuzz/corpus/TARGET,
# which is never written. Prints the final coverage line; a failure names its reproducer. A new
# input worth keeping is copied into tests/fuzz/corpus/TARGET by hand.
# Usage: tools/fuzz.sh TARGET SECONDS
set -euo pipefail
cd "$(dirname "$0")/.."
targets=$(find tests/fuzz -maxdepth 1 -name '*_fuzz.cpp' | sed 's|.*/||; s|_fuzz\.cpp$||' | sort | tr '\n' ' ')
if [ $# -ne 2 ] || [ ! -f "tests/fuzz/$1_fuzz.cpp" ] || [[ ! $2 =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: tools/fuzz.sh TARGET SECONDS (targets: $targets)" >&2
    exit 2
fi
bash tools/install-deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "fuzz_$1"
exec bash tools/fuzz-run.sh --keep "build/fuzz/tests/fuzz/fuzz_$1" "tests/fuzz/corpus/$1" "build/fuzz/long/$1" "$2"
