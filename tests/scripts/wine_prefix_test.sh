#!/usr/bin/env bash
# The boot of a build's Wine prefix and the start of a program, with a stand-in for Wine: a
# half-made prefix is never marked ready (every later run would fail on it), DLLs are shared only
# with identical files, and only a start Wine ended at once is tried again.
# usage: wine_prefix_test.sh SOURCE_DIR
set -u
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $1" && failures=$((failures + 1)); }

# Its wineboot makes a 100 KB kernel32.dll of STUB_DLL_BYTE in both folders, unless told to fail.
# A program it runs counts its starts in $STUB_STARTS and ends as its name says.
stub="$work/wine-stub"
cat >"$stub" <<'EOF'
#!/usr/bin/env bash
if [ "$1" != wineboot ]; then
    echo x >>"$STUB_STARTS"
    case "$1:$(wc -l <"$STUB_STARTS")" in
    silent-once:1 | silent-always:*) exit 3 ;;
    silent-after-2s:*) sleep 2.1 && exit 3 ;;
    prints-and-fails:*) echo FAILED && exit 1 ;;
    *) echo PASSED && exit 0 ;;
    esac
fi
[ -z "${STUB_BOOT_FAILS:-}" ] || exit 0
for dir in system32 syswow64; do
    mkdir -p "$WINEPREFIX/drive_c/windows/$dir"
    head -c 100000 /dev/zero | tr '\0' "${STUB_DLL_BYTE:-a}" >"$WINEPREFIX/drive_c/windows/$dir/kernel32.dll"
done
EOF
chmod +x "$stub"

# Boots the prefix of build folder $1 in a subshell; prints ready/not ready and its messages.
boot() (
    LUDRA_BUILD_DIR="$work/$1"
    . "$source_dir/cmake/wine-env.sh"
    WINE64=$stub WINESERVER64=true
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts" && touch "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf"
    ludra_boot_prefix 2>&1 && [ -f "$WINEPREFIX/.ludra-ready" ] && echo ready || echo "not ready"
)
dll() { echo "$work/$1/wineprefix/drive_c/windows/$2/kernel32.dll"; }

out=$(STUB_BOOT_FAILS=1 boot one)
[[ "$out" == *"did not make a whole prefix"*"try 2 of 2"*"not ready" ]] ||
    fail "a boot that made nothing was marked ready, or not tried again and told: $out"
[ -e "$work/one/wineprefix" ] && fail "the half-made prefix was left behind"

[ "$(boot one)" = ready ] || fail "a boot that made the prefix was not marked ready"
rm "$(dll one system32)"
[ "$(boot one)" = ready ] && [ -f "$(dll one system32)" ] || fail "a ready prefix without kernel32.dll was not booted again"

[ "$(boot two)" = ready ] || fail "the second build's prefix was not booted"
[ "$(dll two system32)" -ef "$(dll one system32)" ] && [ "$(dll two syswow64)" -ef "$(dll one syswow64)" ] ||
    fail "identical DLLs of the other prefix were not shared"
[ "$(STUB_DLL_BYTE=b boot three)" = ready ] && [ ! "$(dll three system32)" -ef "$(dll one system32)" ] ||
    fail "a DLL was linked to a different file"

# A start that ended at once with nothing printed is tried once more; a program that ran, never.
while IFS='|' read -r program expected; do
    got=$(
        LUDRA_BUILD_DIR="$work/run-$program" && export STUB_STARTS="$work/run-$program.starts"
        mkdir -p "$LUDRA_BUILD_DIR" && . "$source_dir/cmake/wine-env.sh" && WINE64=$stub
        ludra_run_program "$program"
        echo "exit $?, $(wc -l <"$STUB_STARTS") starts, $(cat "$LUDRA_BUILD_DIR/wine-restarts.log" 2>/dev/null |
            grep -c "exit code 3 after [0-9]* ms, nothing printed: $program") noted"
    )
    [ "$got" = "$(printf '%b' "$expected")" ] || fail "$program: $got"
done <<'EOF'
silent-once|PASSED\nexit 0, 2 starts, 1 noted
silent-always|exit 3, 2 starts, 1 noted
prints-and-fails|FAILED\nexit 1, 1 starts, 0 noted
silent-after-2s|exit 3, 1 starts, 0 noted
EOF

[ $failures -eq 0 ] && echo "ok: half-made prefixes are booted again, identical DLLs shared, a silent start tried again"
exit $((failures > 0))
