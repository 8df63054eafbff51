#!/usr/bin/env bash
# Installs, from Debian packages only, everything the builds and the tests need.
# Idempotent: a second run finds everything present and returns at once.
# A mirror caught mid-update must not stop the command: `apt-get update` is tried three times
# (pauses LUDRA_APT_PAUSES, in seconds), and what decides is whether the install that follows
# succeeds with the indexes apt has. Without the 64-bit packages nothing builds: one line and a
# non-zero exit. Without 32-bit Wine the i686 tests cannot run: one line, the reason kept in
# build/wine32-install.log for the test command's summary, and the command goes on.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
    cmake ninja-build make g++ python3
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64
    libz-mingw-w64-dev zlib1g-dev
    wine64 wine fonts-wine
    xvfb xauth x11-apps imagemagick
    googletest
    clang-format clang-tidy
    clang libclang-rt-14-dev
    zip unzip curl openssl osslsigncode
    python3-pil python3-cryptography fonts-dejavu-core
)
read -r -a apt_pauses <<<"${LUDRA_APT_PAUSES:-10 30}"
wine32_log=build/wine32-install.log

export DEBIAN_FRONTEND=noninteractive
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
apt_log=$(mktemp)
trap 'rm -f "$apt_log"' EXIT

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

# apt's last error line of the last call (its last line if none starts with "E:").
apt_error() {
    local line
    line=$(grep '^E: ' "$apt_log" | tail -n 1) || true
    [ -n "$line" ] || line=$(grep -v '^[[:space:]]*$' "$apt_log" | tail -n 1) || true
    echo "${line:-apt-get said nothing}"
}

# Never fatal: a failed update leaves apt with the indexes it had.
apt_update() {
    local try
    for try in 1 2 3; do
        "${sudo_cmd[@]}" apt-get update -qq >"$apt_log" 2>&1 && return 0
        echo "apt-get update failed (try $try of 3): $(apt_error)" >&2
        [ "$try" -lt 3 ] && sleep "${apt_pauses[$((try - 1))]:-0}"
    done
    return 0
}

apt_install() {
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "$@" >"$apt_log" 2>&1 || return 1
    # The downloaded packages are not kept: the builds and Wine's prefixes need the disk.
    "${sudo_cmd[@]}" apt-get clean >/dev/null 2>&1 || true
}

missing=()
for p in "${packages[@]}"; do
    installed "$p" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    apt_update
    if ! apt_install "${missing[@]}"; then
        echo "error: could not install ${missing[*]}: $(apt_error)" >&2
        exit 1
    fi
fi

# 32-bit Wine, only where the kernel runs 32-bit code (a tiny 32-bit program is run to find out).
# Elsewhere wine32 must stay away: /usr/bin/wine would pick it and fail.
if bash tools/runs-32bit.sh; then
    if ! installed wine32:i386; then
        echo "this machine runs 32-bit code: installing wine32:i386"
        if ! dpkg --print-foreign-architectures | grep -qx i386; then
            "${sudo_cmd[@]}" dpkg --add-architecture i386
        fi
        apt_update
        # The same Wine version as wine64, so nothing installed is replaced.
        version=$(dpkg-query -W -f='${Version}' wine64)
        if apt_install "wine32:i386=$version"; then
            rm -f "$wine32_log"
        else
            mkdir -p build
            apt_error >"$wine32_log"
            echo "32-bit Wine (wine32:i386) could not be installed: $(cat "$wine32_log");" \
                "going on without it: the i686 build is compiled and linked, not tested"
        fi
    else
        rm -f "$wine32_log"
    fi
elif installed wine32; then
    echo "warning: wine32 is installed but this kernel cannot run 32-bit code;" \
        "the tests call /usr/lib/wine/wine64 directly" >&2
fi
