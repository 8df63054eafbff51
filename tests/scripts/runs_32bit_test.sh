#!/usr/bin/env bash
# The 32-bit probe, on a machine whose Windows tests run the i686 build (so it runs 32-bit code):
# it must answer yes, silently, and no when told to act as a 64-bit-only machine.
# usage: runs_32bit_test.sh SOURCE_DIR
set -u
probe="$1/tools/runs-32bit.sh"
failures=0
out=$(env -u LUDRA_NO_32BIT bash "$probe" 2>&1)
rc=$?
if [ $rc -ne 0 ]; then
    echo "FAILED: the probe says this machine cannot run 32-bit code (exit $rc), yet the i686 tests run here"
    failures=$((failures + 1))
fi
if [ -n "$out" ]; then
    echo "FAILED: the probe printed: $out"
    failures=$((failures + 1))
fi
if LUDRA_NO_32BIT=1 bash "$probe"; then
    echo "FAILED: with LUDRA_NO_32BIT=1 the probe still answers yes"
    failures=$((failures + 1))
fi
# A noexec temporary folder must not make the answer no.
if ! TMPDIR=/proc/self bash "$probe" 2>/dev/null; then
    echo "FAILED: an unusable temporary folder turned the answer into no"
    failures=$((failures + 1))
fi
[ $failures -eq 0 ] && echo "ok: the probe answers yes here, and no when told to"
exit $((failures > 0))
