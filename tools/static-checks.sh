#!/usr/bin/env bash
# The static checks of the test command: clang-format on every C++ file we own, clang-tidy (.clang-tidy)
# over the native build's compile_commands.json for our own units. The compiler warnings
# (-Wshadow -Wconversion -Wformat=2 -Werror) are the builds' own. Exits non-zero naming file:line.
# Usage: tools/static-checks.sh [build folder with compile_commands.json, default build/native]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd -P)
build=${1:-build/native}
jobs=$(nproc)
areas='base|app|install|progress|skin|markup|tests|tools|resources'
status=0

# Our C++ sources and headers: the tracked ones, or (outside a git checkout) those under our folders.
if git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t owned < <(git -C "$root" ls-files '*.cpp' '*.h')
else
    mapfile -t owned < <(find . -path ./build -prune -o -type f \( -name '*.cpp' -o -name '*.h' \) -print |
        sed 's|^\./||' | grep -E "^($areas)/" | sort)
fi

echo "== clang-format: ${#owned[@]} files"
format_log=$(mktemp)
tidy_log=$(mktemp)
trap 'rm -f "$format_log" "$tidy_log"' EXIT
if ! clang-format --dry-run -Werror "${owned[@]}" >"$format_log" 2>&1; then
    # One line per place: "file:line:col: error: code should be clang-formatted".
    grep -E '^[^ ].*:[0-9]+:[0-9]+: ' "$format_log" | sort -u -t: -k1,2 >&2 || cat "$format_log" >&2
    echo "clang-format: the files above need 'clang-format -i'" >&2
    status=1
fi

if [ ! -f "$build/compile_commands.json" ]; then
    echo "clang-tidy: $build/compile_commands.json is missing; configure it first (cmake --preset native)" >&2
    exit 1
fi
# Our own translation units in that build (not GoogleTest).
mapfile -t units < <(python3 - "$build/compile_commands.json" "$root" <<'EOF'
import json, os, sys
root = os.path.realpath(sys.argv[2]) + os.sep
seen = set()
for entry in json.load(open(sys.argv[1])):
    path = os.path.realpath(os.path.join(entry["directory"], entry["file"]))
    if path.startswith(root) and not path.startswith(root + "build" + os.sep):
        seen.add(path)
print("\n".join(sorted(seen)))
EOF
)
echo "== clang-tidy: ${#units[@]} units of $build, -j$jobs"
header_filter="^$(printf '%s' "$root" | sed 's/[.[\*^$()+?{|]/\\&/g')/($areas)/"
tidy_status=0
if command -v run-clang-tidy-14 >/dev/null 2>&1 || command -v run-clang-tidy >/dev/null 2>&1; then
    runner=$(command -v run-clang-tidy-14 || command -v run-clang-tidy)
    "$runner" -p "$build" -j "$jobs" -quiet -header-filter "$header_filter" "${units[@]}" >"$tidy_log" 2>&1 ||
        tidy_status=1
else
    for unit in "${units[@]}"; do
        clang-tidy -p "$build" --quiet --header-filter="$header_filter" "$unit" >>"$tidy_log" 2>&1 || tidy_status=1
    done
fi
if [ $tidy_status -ne 0 ]; then
    # The diagnostics with their notes, without colours and without the runner's command echo.
    sed 's/\x1b\[[0-9;]*m//g' "$tidy_log" | grep -vE '^(clang-tidy|[0-9]+ warnings? (generated|treated))' >&2 || true
    echo "clang-tidy: failed at:" >&2
    sed 's/\x1b\[[0-9;]*m//g' "$tidy_log" | grep -E '^[^ ].*:[0-9]+:[0-9]+: (error|warning):' | sort -u >&2 || true
    status=1
fi

if [ $status -eq 0 ]; then
    echo "static checks passed"
fi
exit $status
