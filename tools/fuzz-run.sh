#!/usr/bin/env bash
# One bounded run of a fuzz target, as ctest and the test command run it: from a scratch copy of
# its committed corpus (which is never written), for SECONDS. Prints the run's executions and final
# coverage; a failure prints libFuzzer's report and the path of the input that shows it.
# Usage: tools/fuzz-run.sh [--keep] EXECUTABLE CORPUS WORK SECONDS
#   --keep: go on from the scratch corpus of an earlier run in WORK (tools/fuzz.sh's long runs)
set -euo pipefail
keep=0
if [ "${1:-}" = --keep ]; then
    keep=1
    shift
fi
if [ $# -ne 4 ]; then
    echo "usage: tools/fuzz-run.sh [--keep] EXECUTABLE CORPUS WORK SECONDS" >&2
    exit 2
fi
exe=$1 corpus=$2 work=$3 seconds=$4
name=$(basename "$exe")

[ $keep -eq 1 ] || rm -rf "$work"
mkdir -p "$work/corpus" "$work/artifacts"
# New seeds of the committed corpus join a kept scratch corpus; nothing is copied back.
cp -n "$corpus"/* "$work/corpus/" 2>/dev/null || true

log=$work/fuzz.log
status=0
"$exe" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 -artifact_prefix="$work/artifacts/" \
    "$work/corpus" >"$log" 2>&1 || status=$?

if [ $status -ne 0 ]; then
    tail -n 40 "$log" >&2
    reproducer=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -n 1)
    echo "$name: FAILED (exit $status); log: $log" >&2
    echo "$name: reproducer: ${reproducer:-none written}; to rerun: $exe ${reproducer:-}" >&2
    exit 1
fi
# "#N DONE cov: C ft: F corp: ..." and "Done N runs in S second(s)".
done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1)
runs_line=$(grep -E '^Done [0-9]+ runs' "$log" | tail -n 1)
echo "$name: ${runs_line:-no runs line}; ${done_line:-no coverage line}" | tee "$work/summary.txt"
