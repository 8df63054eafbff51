#!/usr/bin/env bash
# Runs one Windows executable under wine64 for ctest (a 32-bit one goes to Wine's 32-bit loader,
# which needs no WINEPATH: the programs are static): build-local prefix, Xvfb display.
# usage: wine-run.sh BUILD_DIR program.exe [arguments...]
set -u
LUDRA_BUILD_DIR=$1
shift
. "$(dirname "$0")/wine-env.sh"
ludra_wine_ready || exit 1

# LUDRA_FILE_SIZE_LIMIT (KiB) stands in for a full disk: the program's writes past that size
# fail (EFBIG, its signal ignored). Set only now, so the prefix's server is not limited.
if [ -n "${LUDRA_FILE_SIZE_LIMIT:-}" ]; then
    ulimit -f "$LUDRA_FILE_SIZE_LIMIT"
    trap '' XFSZ
fi

ludra_run_program "$@"
