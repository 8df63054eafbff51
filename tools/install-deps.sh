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
fi

# 32-bit Wine cannot run on this kernel and would make /usr/bin/wine pick it.
if dpkg-query -W -f='${Status}' wine32 2>/dev/null | grep -q "install ok installed"; then
    echo "warning: wine32 is installed; the tests call /usr/lib/wine/wine64 directly" >&2
fi
