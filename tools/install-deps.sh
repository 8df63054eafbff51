#!/usr/bin/env bash
# Installs, from Debian packages only, everything the builds and the tests need.
# Idempotent: a second run finds everything present and returns at once.
set -euo pipefail

packages=(
    cmake ninja-build make g++ python3
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64
    libz-mingw-w64-dev zlib1g-dev
    wine64 wine fonts-wine
    xvfb xauth x11-apps imagemagick
    googletest
    clang-format clang-tidy
    clang libclang-rt-14-dev
    zip unzip curl openssl
    python3-pil fonts-dejavu-core
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    # The downloaded packages are not kept: the builds and Wine's prefixes need the disk.
    "${sudo_cmd[@]}" apt-get clean
fi

# 32-bit Wine, only where the kernel runs 32-bit code (a tiny 32-bit program is run to find out).
# Elsewhere wine32 must stay away: /usr/bin/wine would pick it and fail.
if bash "$(dirname "$0")/runs-32bit.sh"; then
    if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
        echo "this machine runs 32-bit code: installing wine32:i386"
        export DEBIAN_FRONTEND=noninteractive
        sudo_cmd=()
        [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
        if ! dpkg --print-foreign-architectures | grep -qx i386; then
            "${sudo_cmd[@]}" dpkg --add-architecture i386
        fi
        "${sudo_cmd[@]}" apt-get update -qq
        # The same Wine version as wine64, so nothing installed is replaced.
        version=$(dpkg-query -W -f='${Version}' wine64)
        "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "wine32:i386=$version" >/dev/null
        "${sudo_cmd[@]}" apt-get clean
    fi
elif dpkg-query -W -f='${Status}' wine32 2>/dev/null | grep -q "install ok installed"; then
    echo "warning: wine32 is installed but this kernel cannot run 32-bit code;" \
        "the tests call /usr/lib/wine/wine64 directly" >&2
fi
