#!/usr/bin/env bash
# The layering check: every area includes only itself and the areas below it. The order is written
# here once (the README draws it); a violation prints file:line and the rule, and fails.
set -euo pipefail
cd "$(dirname "$0")/.."

# Each area and what it may include, bottom first.
declare -A may_include=(
    [base]="base"
    [resources]="resources"
    [skin]="skin base"
    [progress]="progress skin base resources"
    [markup]="markup skin base"
    [install]="install progress skin base"
    [app]="app install progress markup skin base resources"
)
areas="${!may_include[*]}"

status=0
for area in $areas; do
    while IFS= read -r hit; do
        file=${hit%%:*}
        rest=${hit#*:}
        line=${rest%%:*}
        included=$(sed -E 's/.*#include "([^"/]+)\/.*/\1/' <<<"$rest")
        # Only the project's own folders are layered; other quoted includes are the unit's neighbours.
        [[ " $areas " == *" $included "* ]] || continue
        if [[ " ${may_include[$area]} " != *" $included "* ]]; then
            echo "$file:$line: $area/ must not include $included/ ($area/ may include: ${may_include[$area]})"
            status=1
        fi
    done < <(grep -n -E '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[^"/]+/' -r "$area" --include='*.h' --include='*.cpp' --include='*.in' || true)
done

if [ $status -eq 0 ]; then
    echo "layering: every include points down ($areas)"
fi
exit $status
