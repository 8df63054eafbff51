#!/usr/bin/env bash
# The static checks of the test command: clang-format on every C++ file we own, and clang-tidy
# (.clang-tidy) over our own units of the native build (the Win32-free units and their tests) and
# of the Windows build (every program unit, read for the MinGW target with MinGW's own headers).
# The compiler warnings (-Wshadow -Wconversion -Wformat=2 -Werror) are the builds' own. Exits
# non-zero naming file:line.
# Usage: tools/static-checks.sh [native build, default build/native] [Windows build, default build/mingw-x86_64]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd -P)
native=${1:-build/native}
windows=${2:-build/mingw-x86_64}
jobs=$(nproc)
areas='base|app|install|progress|skin|markup|tests|tools|resources'
program_areas='base|app|install|progress|skin|markup'
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

for build in "$native" "$windows"; do
    if [ ! -f "$build/compile_commands.json" ]; then
        echo "clang-tidy: $build/compile_commands.json is missing; configure it first (cmake --preset ...)" >&2
        exit 1
    fi
done

# Our own translation units in a build (not GoogleTest), under the folders the pattern names.
units_of() { # BUILD AREAS
    python3 -c '
import json, os, re, sys
root = os.path.realpath(sys.argv[2]) + os.sep
ours = re.compile("(" + sys.argv[3] + ")/")
seen = set()
for entry in json.load(open(sys.argv[1])):
    path = os.path.realpath(os.path.join(entry["directory"], entry["file"]))
    if path.startswith(root) and ours.match(path[len(root):]):
        seen.add(path)
print("\n".join(sorted(seen)))
' "$1/compile_commands.json" "$root" "$2"
}

# The MinGW compiler of a Windows build, its target and its library's include folders: clang reads
# the units as that compiler does, with its own built-in headers in place of GCC's (the
# intrinsics of GCC's own include folders are GCC's builtins, which clang does not have).
mingw_arguments() { # BUILD
    local compiler folder
    compiler=$(python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))[0]["command"].split()[0])' \
        "$1/compile_commands.json")
    echo "--extra-arg=--target=$("$compiler" -dumpmachine)"
    echo "--extra-arg=-nostdinc++"
    echo | "$compiler" -E -x c++ - -v 2>&1 | sed -n '/#include <...> search starts here/,/End of search list/p' |
        grep '^ /' | while read -r folder; do
        folder=$(realpath -m "$folder")
        [[ "$folder" =~ /lib/gcc/[^/]+/[^/]+/include(-fixed)?$ ]] && continue
        echo "--extra-arg=-isystem$folder"
    done
}

header_filter="^$(printf '%s' "$root" | sed 's/[.[\*^$()+?{|]/\\&/g')/($areas)/"
tidy_status=0
runner=$(command -v run-clang-tidy-14 || command -v run-clang-tidy || true)
tidy() { # BUILD [--extra-arg=...]... -- UNIT...
    local build=$1 extra=() unit
    shift
    while [ "$1" != "--" ]; do
        extra+=("$1")
        shift
    done
    shift
    if [ -n "$runner" ]; then
        "$runner" -p "$build" -j "$jobs" -quiet -header-filter "$header_filter" "${extra[@]/#--extra-arg=/-extra-arg=}" \
            "$@" >>"$tidy_log" 2>&1 || tidy_status=1
    else
        for unit in "$@"; do
            clang-tidy -p "$build" --quiet --header-filter="$header_filter" "${extra[@]}" "$unit" >>"$tidy_log" 2>&1 ||
                tidy_status=1
        done
    fi
}

mapfile -t native_units < <(units_of "$native" "$areas")
echo "== clang-tidy: ${#native_units[@]} units of $native, -j$jobs"
tidy "$native" -- "${native_units[@]}"
mapfile -t windows_units < <(units_of "$windows" "$program_areas")
mapfile -t windows_arguments < <(mingw_arguments "$windows")
echo "== clang-tidy: ${#windows_units[@]} program units of $windows (for $(sed 's/.*=//' <<<"${windows_arguments[0]}")), -j$jobs"
tidy "$windows" "${windows_arguments[@]}" -- "${windows_units[@]}"
if [ $tidy_status -ne 0 ]; then
    # The diagnostics with their notes, without colours and without the runner's command echo.
    sed -i 's/\x1b\[[0-9;]*m//g' "$tidy_log"
    grep -vE '^(clang-tidy|[0-9]+ warnings? (generated|treated))' "$tidy_log" >&2 || true
    echo "clang-tidy: failed at:" >&2
    grep -E '^[^ ].*:[0-9]+:[0-9]+: (error|warning):' "$tidy_log" | sort -u >&2 || true
    status=1
fi

if [ $status -eq 0 ]; then
    echo "static checks passed"
fi
exit $status
