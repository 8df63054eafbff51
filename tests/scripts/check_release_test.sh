#!/usr/bin/env bash
# The check of the shipped program must pass the program as built and catch each fault it is
# there for: a loopback URL, a size over the budget, symbols left in, a resource changed.
# usage: check_release_test.sh SOURCE_DIR path/to/ldsetup.exe path/to/unstripped-program.exe
set -u
source_dir=$1
ldsetup=$2
unstripped=$3
check="$source_dir/tools/check-release.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

expect() { # expect pass|fail "what" "text the output must hold" command...
    local want=$1 what=$2 needle=$3
    shift 3
    local out rc
    out=$("$@" 2>&1)
    rc=$?
    if { [ "$want" = pass ] && [ $rc -ne 0 ]; } || { [ "$want" = fail ] && [ $rc -eq 0 ]; }; then
        echo "FAILED: $what: expected the check to $want, it returned $rc"
        echo "$out"
        failures=$((failures + 1))
    elif [ -n "$needle" ] && ! grep -qF -- "$needle" <<<"$out"; then
        echo "FAILED: $what: the output does not say \"$needle\""
        echo "$out"
        failures=$((failures + 1))
    else
        echo "ok: $what"
    fi
}

size=$(stat -c %s "$ldsetup")
expect pass "the test build's program passes with its loopback URL allowed" "resources of resources/ldsetup.rc, byte for byte" \
    bash "$check" --loopback-ok "$ldsetup" "$size"
expect fail "a loopback URL is refused in a program to ship" "loopback package URL: http://127.0.0.1" \
    bash "$check" "$ldsetup"
expect fail "one byte over the budget is refused" "$size bytes, more than $((size - 1))" \
    bash "$check" --loopback-ok "$ldsetup" $((size - 1))
expect fail "a program with symbols is refused" "carries a symbol table" \
    bash "$check" --loopback-ok "$unstripped"

# One pixel of the IMG1 frame changed inside the executable (a bitmap resource is the .bmp file
# without its 14-byte file header).
python3 - "$source_dir/resources/img1.bmp" "$ldsetup" "$work/changed.exe" <<'PY'
import sys
bitmap = open(sys.argv[1], "rb").read()[14:]
program = bytearray(open(sys.argv[2], "rb").read())
at = program.find(bitmap)
if at < 0 or program.find(bitmap, at + 1) >= 0:
    sys.exit("IMG1 is not in the program exactly once")
program[at + len(bitmap) - 1] ^= 0xFF
open(sys.argv[3], "wb").write(program)
PY
[ $? -eq 0 ] || failures=$((failures + 1))
expect fail "a changed bitmap resource is found" "differ from resources/ldsetup.rc" \
    bash "$check" --loopback-ok "$work/changed.exe"

exit $((failures > 0))
