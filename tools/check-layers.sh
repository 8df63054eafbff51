#!/usr/bin/env bash
# The layering check: every area includes only itself and the areas it links. The order is written
# once, in the areas' CMake link lines (an area may include what it links, and what those link
# publicly); the README draws it. A violation prints file:line and the rule, and fails.
set -euo pipefail
cd "$(dirname "$0")/.."

areas="base resources skin progress markup install app"

# "area: the areas it may include", one line per area, read from <area>/CMakeLists.txt.
rules=$(python3 - $areas <<'PY'
import re, sys
areas = sys.argv[1:]
links = {}  # target -> [(visibility, target)]
for area in areas:
    text = open(f"{area}/CMakeLists.txt").read()
    for call in re.findall(r"target_link_libraries\(([^)]*)\)", text):
        words = call.split()
        visibility = "PUBLIC"
        for word in words[1:]:
            if word in ("PUBLIC", "PRIVATE", "INTERFACE"):
                visibility = word
            else:
                links.setdefault(words[0], []).append((visibility, word))

def area_of(target):
    if target in ("ludra_resource_ids", "ludra_resources"):
        return "resources"
    name = re.sub(r"_portable$", "", target)
    return name[len("ludra_"):] if name.startswith("ludra_") and name[len("ludra_"):] in areas else None

def public_closure(target, seen):
    for visibility, linked in links.get(target, []):
        if visibility != "PRIVATE" and linked not in seen:
            seen.add(linked)
            public_closure(linked, seen)
    return seen

for area in areas:
    reach = set()
    for target in (f"ludra_{area}", f"ludra_{area}_portable"):
        for _, linked in links.get(target, []):
            reach |= public_closure(linked, {linked})
    allowed = [area] + [a for a in areas if a != area and a in {area_of(t) for t in reach}]
    print(area + ": " + " ".join(allowed))
PY
)
declare -A may_include=()
while IFS=': ' read -r area allowed; do
    may_include[$area]="$allowed"
done <<<"$(sed 's/: /:/' <<<"$rules" | tr ':' ' ')"

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
    echo "layering: every include points down, as the CMake link lines say:"
    sed 's/^/  /' <<<"$rules"
fi
exit $status
