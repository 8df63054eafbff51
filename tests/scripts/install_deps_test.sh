#!/usr/bin/env bash
# The install of the packages with stand-ins for apt-get, dpkg-query, dpkg and sudo: a failing
# `apt-get update` is tried three times and never decides alone; a 64-bit install that fails stops
# the command with one line; a 32-bit Wine that cannot be installed takes the 64-bit road, and the
# reason is told apart from a kernel that cannot run 32-bit code and from a road that was asked for.
# usage: install_deps_test.sh SOURCE_DIR
set -u
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $1" && failures=$((failures + 1)); }

mkdir -p "$work/bin" "$work/repo/tools"
cp "$source_dir/tools/install-deps.sh" "$source_dir/tools/i686-runs.sh" "$work/repo/tools/"
echo 'exit "${STUB_NO_32BIT:-0}"' >"$work/repo/tools/runs-32bit.sh"
# apt-get: its updates fail the first $STUB_UPDATE_FAILS times; an install naming a package that
# matches $STUB_INSTALL_FAILS fails, as apt does when the indexes disagree; others are recorded.
cat >"$work/bin/apt-get" <<'EOF2'
#!/usr/bin/env bash
case "$1" in
update)
    echo x >>"$STUB/updates"
    if [ "$(wc -l <"$STUB/updates")" -le "${STUB_UPDATE_FAILS:-0}" ]; then
        echo "E: Failed to fetch Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2
        echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
        exit 100
    fi ;;
install)
    for p in "$@"; do
        [[ -n "${STUB_INSTALL_FAILS:-}" && "$p" == $STUB_INSTALL_FAILS ]] &&
            echo " libwine:i386 : Depends: libgstreamer1.0-0:i386 but it is not going to be installed" &&
            echo "E: Unable to correct problems, you have held broken packages." >&2 && exit 100
    done
    for p in "$@"; do [[ "$p" == -* ]] || echo "${p%%=*}" >>"$STUB/installed"; done ;;
esac
exit 0
EOF2
cat >"$work/bin/dpkg-query" <<'EOF2'
#!/usr/bin/env bash
[[ "$2" == *Version* ]] && echo "8.0~stub" && exit 0
grep -qxF "$3" "$STUB/installed" 2>/dev/null && printf 'install ok installed' && exit 0
exit 1
EOF2
printf '#!/usr/bin/env bash\n[ "$1" = --print-foreign-architectures ] && echo i386\nexit 0\n' >"$work/bin/dpkg"
printf '#!/usr/bin/env bash\nexec "$@"\n' >"$work/bin/sudo"
chmod +x "$work/bin/"*

# Runs the install in state folder $1 with the given settings; prints its output, its exit code
# and how often apt-get update ran.
deps() (
    export STUB="$work/state-$1" PATH="$work/bin:$PATH" LUDRA_APT_PAUSES="0 0"
    shift
    mkdir -p "$STUB" && touch "$STUB/updates"
    env "$@" bash "$work/repo/tools/install-deps.sh" 2>&1
    echo "exit $?, $(wc -l <"$STUB/updates") updates"
)
road() (export STUB="$work/state-$1" PATH="$work/bin:$PATH" && shift && env "$@" bash "$work/repo/tools/i686-runs.sh")

out=$(deps flaky STUB_NO_32BIT=1 STUB_UPDATE_FAILS=2)
[[ "$out" == *"try 2 of 3"*"exit 0, 3 updates" && "$out" != *"try 3"* ]] &&
    grep -qx wine64 "$work/state-flaky/installed" || fail "an update that failed twice, then passed: $out"

out=$(deps broken-index STUB_NO_32BIT=1 STUB_UPDATE_FAILS=99)
[[ "$out" == *"try 3 of 3): E: Some index files failed"*"exit 0, 3 updates" ]] &&
    grep -qx cmake "$work/state-broken-index/installed" || fail "updates that always failed stopped an install that worked: $out"

out=$(deps no-64bit STUB_NO_32BIT=1 STUB_UPDATE_FAILS=99 STUB_INSTALL_FAILS=wine64)
[[ "$out" == *"error: could not install cmake "*" wine64 "*": E: Unable to correct problems, you have held broken packages."* &&
    "$out" != *"exit 0,"* ]] || fail "a 64-bit install that failed was not one clear line and a failure: $out"

# The 32-bit road: the 64-bit packages are there; wine32 cannot come, then it can.
deps road STUB_NO_32BIT=1 >/dev/null
out=$(deps road STUB_UPDATE_FAILS=99 STUB_INSTALL_FAILS='wine32:i386*')
why=$(road road)
rc=$?
[[ "$out" == *"could not be installed: E: Unable to correct problems"*"exit 0, 4 updates" &&
    $rc -eq 1 && "$why" == *"could not be installed (E: Unable to correct problems"* ]] ||
    fail "a 32-bit Wine that could not be installed: $out / road: $rc $why"
[[ "$(road road LUDRA_NO_32BIT=1)" == *"asked for"* && "$(road road STUB_NO_32BIT=1)" == *"cannot run on this machine" ]] ||
    fail "the 64-bit road asked for, or a 64-bit kernel, was not told apart"
out=$(deps road)
why=$(road road)
rc=$?
[[ "$out" == *"exit 0, 5 updates" && $rc -eq 0 && -z "$why" && ! -e "$work/repo/build/wine32-install.log" ]] ||
    fail "a 32-bit Wine installed later did not bring the i686 road back: $out / road: $rc $why"
out=$(deps road)
[ "$out" = "exit 0, 5 updates" ] || fail "a second run with everything present did not return at once: $out"

[ $failures -eq 0 ] && echo "ok: updates tried three times, the 64-bit packages required, 32-bit Wine optional and its absence told"
exit $((failures > 0))
