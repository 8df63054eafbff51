#!/usr/bin/env bash
# Answers whether the i686 program runs here: the kernel runs 32-bit code and 32-bit Wine is
# installed. Exit status 0, silently, if it does; else 1 and one line on standard output that
# says why, told apart: asked for (LUDRA_NO_32BIT=1), the kernel, or Wine not installable.
set -u
cd "$(dirname "$0")/.."
if [ "${LUDRA_NO_32BIT:-0}" = "1" ]; then
    echo "the 64-bit road was asked for (LUDRA_NO_32BIT=1)"
elif ! bash tools/runs-32bit.sh; then
    echo "32-bit code cannot run on this machine"
elif ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
    reason="not installed"
    [ -s build/wine32-install.log ] && reason=$(head -n 1 build/wine32-install.log)
    echo "32-bit Wine (wine32:i386) could not be installed ($reason)"
else
    exit 0
fi
exit 1
