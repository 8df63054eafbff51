#!/usr/bin/env bash
# Checks a built ldsetup.exe as it would ship:
#   - stripped: no symbol table and no debugging sections;
#   - every resource of resources/ldsetup.rc in it, unchanged (the executable's resources, dumped
#     by windres, equal those of the .rc compiled on its own, byte for byte);
#   - its package URL is not a loopback one (unless --loopback-ok: a test build's program);
#   - with MAX_BYTES, at most that size;
#   - with --reproduce PRESET: built again from the same sources with that preset and the build's
#     settings, in another folder (build/reproduce/PRESET), it is the same, byte for byte;
# and it prints what the program trusts (its package keys' ids, its pinned digest, or UNVERIFIED)
# and its SHA-256.
# usage: check-release.sh [--loopback-ok] [--reproduce PRESET] path/to/ldsetup.exe [MAX_BYTES]
# Prints one line per check and the resources it found; exit code 0 only if every check passes.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
loopback_ok=0
reproduce=""
while [ $# -gt 0 ]; do
    case $1 in
    --loopback-ok) loopback_ok=1 ;;
    --reproduce) reproduce=${2:?--reproduce needs a preset} && shift ;;
    *) break ;;
    esac
    shift
done
exe=${1:?usage: check-release.sh [--loopback-ok] [--reproduce PRESET] path/to/ldsetup.exe [MAX_BYTES]}
max_bytes=${2:-}
[ -f "$exe" ] || { echo "FAIL: $exe does not exist"; exit 1; }

failures=0
pass() { echo "ok:   $*"; }
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# The tools of the executable's own architecture.
if x86_64-w64-mingw32-objdump -f "$exe" 2>/dev/null | grep -q "file format pei-i386"; then
    triple=i686-w64-mingw32
else
    triple=x86_64-w64-mingw32
fi

size=$(stat -c %s "$exe")
if [ -n "$max_bytes" ]; then
    if [ "$size" -le "$max_bytes" ]; then
        pass "$size bytes, at most $max_bytes"
    else
        fail "$size bytes, more than $max_bytes"
    fi
fi

if "$triple-objdump" -t "$exe" 2>/dev/null | grep -qx "no symbols"; then
    pass "no symbol table"
else
    fail "the executable carries a symbol table (not stripped)"
fi
if "$triple-objdump" -h "$exe" | grep -q "\.debug"; then
    fail "the executable carries debugging sections"
else
    pass "no debugging sections"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if ! "$triple-windres" -i "$exe" -J coff -O rc -o "$work/shipped.rc" 2>"$work/windres.err"; then
    fail "windres cannot read the executable's resources: $(head -1 "$work/windres.err")"
elif ! (cd "$root/resources" && "$triple-windres" -I . -i ldsetup.rc -O coff -o "$work/source.o" &&
    "$triple-windres" -i "$work/source.o" -J coff -O rc -o "$work/source.rc"); then
    fail "resources/ldsetup.rc does not compile"
else
    # One line per resource: its name and type as windres writes them.
    list() {
        grep -E '/\* RT_[A-Z_]+ \*/$|^[^ /]+ (DIALOG|DIALOGEX|VERSIONINFO|MENU)( |$)|^STRINGTABLE' "$1" |
            sed -E 's|^"?([^" ]+)"? [0-9]+ /\* RT_([A-Z_]+) \*/$|\2 \1|; t; s| [0-9, ]*$||; s|^([^ ]+) ([A-Z]+)$|\2 \1|'
    }
    list "$work/shipped.rc" >"$work/shipped.list"
    list "$work/source.rc" >"$work/source.list"
    echo "      resources: $(tr '\n' ',' <"$work/shipped.list" | sed 's/,$//; s/,/, /g')"
    if ! diff -q "$work/source.list" "$work/shipped.list" >/dev/null; then
        fail "resources missing or added: $(diff "$work/source.list" "$work/shipped.list" | grep '^[<>]' | tr '\n' ' ')"
    elif ! cmp -s "$work/source.rc" "$work/shipped.rc"; then
        fail "the executable's resources differ from resources/ldsetup.rc"
    else
        pass "all $(wc -l <"$work/shipped.list") resources of resources/ldsetup.rc, byte for byte"
    fi
fi

# The package URL: the one string of the program that names a .zip over HTTP.
urls=$(strings -a "$exe" | grep -Eo 'https?://[^ ]+\.zip' | sort -u | tr '\n' ' ')
if [ -z "$urls" ]; then
    fail "no package URL found in the executable"
elif echo "$urls" | grep -Eq '://(127\.|localhost|\[::1\])'; then
    if [ $loopback_ok -eq 1 ]; then
        pass "package URL (a test build's): $urls"
    else
        fail "loopback package URL: $urls"
    fi
else
    pass "package URL: $urls"
fi

# What a downloaded package is checked against, read from the program's own bytes.
trusted=$(/usr/bin/python3 "$root/tools/trusted_keys.py" "$exe" | tr '\n' ',' | sed 's/,$//; s/,/, /g')
echo "      trusts: $trusted"

# The same sources built again elsewhere, with the settings the program was built with.
if [ -n "$reproduce" ]; then
    cache=$(dirname "$exe")/CMakeCache.txt
    cached() { sed -n "s/^$1:[A-Z]*=//p" "$cache" 2>/dev/null; }
    again=$root/build/reproduce/$reproduce
    if [ ! -f "$cache" ]; then
        fail "no CMakeCache.txt beside $exe: its settings are unknown"
    elif cmake --preset "$reproduce" -S "$root" -B "$again" -DLUDRA_PACKAGE_URL="$(cached LUDRA_PACKAGE_URL)" \
        -DLUDRA_PACKAGE_KEYS="$(cached LUDRA_PACKAGE_KEYS)" -DLUDRA_PACKAGE_SHA256="$(cached LUDRA_PACKAGE_SHA256)" \
        -DLUDRA_UNVERIFIED_PACKAGE="$(cached LUDRA_UNVERIFIED_PACKAGE)" >"$work/again.log" 2>&1 &&
        cmake --build "$again" --target ldsetup >>"$work/again.log" 2>&1; then
        if cmp -s "$exe" "$again/ldsetup.exe"; then
            pass "built again in $again: the same, byte for byte"
        else
            fail "built again in $again, it differs in $(cmp -l "$exe" "$again/ldsetup.exe" 2>/dev/null | wc -l) bytes" \
                "(the first: $(cmp "$exe" "$again/ldsetup.exe" | sed 's/.*differ: //'))"
        fi
    else
        fail "could not be built again in $again: $(tail -1 "$work/again.log")"
    fi
fi
echo "      SHA-256: $(sha256sum "$exe" | cut -d' ' -f1)"

exit $((failures > 0))
