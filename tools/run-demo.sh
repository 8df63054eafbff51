#!/usr/bin/env bash
# The program's main job, end to end: builds what is missing, serves the demo package on
# 127.0.0.1 and runs ldsetup.exe under Wine.
#   With an X display: the program opens on it, for you to use.
#   Without one (or with --unattended): a whole installation runs on Xvfb, driven by the
#   harness, which prints each screen's texts and saves a screenshot of each in
#   build/demo/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash tools/install-deps.sh
# The shipped i686 program where this machine runs 32-bit code, else the x86_64 one.
if why=$(bash tools/i686-runs.sh); then
    build=mingw-i686
    echo "running the i686 build (the shipped 32-bit program) under Wine's 32-bit loader"
else
    build=mingw-x86_64
    echo "$why: running the x86_64 build instead of the shipped i686 one"
fi
cmake --preset "$build" >/dev/null
cmake --build --preset "$build" --target ldsetup_signed ldharness -j"$(nproc)" >/dev/null

demo="$root/build/demo"
mkdir -p "$demo/www/Ludra47"
# A package of the real size served at 8 MB/s, so the wait dialog is on screen for a few seconds.
python3 tools/make_demo_package.py "$demo/www/Ludra47/LD46DEMO.zip" --size 39057124
# Signed as the vendor signs, with the key made for this build tree; the program run is the build's
# ldsetup_signed.exe, which has that key built in and unpacks only a package it signed.
demo_key="$root/build/$build/test-signing/vendor/package-signing.key"
/usr/bin/python3 tools/sign-package.py "$demo_key" "$demo/www/Ludra47/LD46DEMO.zip"
echo "the demo package is signed with the demo's key ($demo_key); ldsetup_signed.exe trusts only that key"
program="$root/build/$build/ldsetup_signed.exe"

# Both test builds download from http://127.0.0.1:18047/Ludra47/LD46DEMO.zip.
python3 tools/package_server.py "$demo/www" 18047 --rate 8000000 >"$demo/http.log" 2>&1 &
server=$!

LUDRA_BUILD_DIR="$demo"
. cmake/wine-env.sh
cleanup() {
    kill "$server" 2>/dev/null || true
    ludra_wine_shutdown
}
trap cleanup EXIT

for i in $(seq 1 50); do
    curl -s -o /dev/null "http://127.0.0.1:18047/" && break
    sleep 0.1
done

if [ -n "${DISPLAY:-}" ] && [ "${1:-}" != "--unattended" ]; then
    export LUDRA_DISPLAY="$DISPLAY"
    ludra_wine_ready
    echo "ldsetup_signed.exe is running on $DISPLAY (the demo package is served on 127.0.0.1:18047)"
    "$WINE64" "$program" </dev/null
    echo "ldsetup_signed.exe ended with exit code $?"
    exit 0
fi

unset LUDRA_DISPLAY
ludra_wine_ready
shots="$demo/screenshots"
rm -rf "$shots"
mkdir -p "$shots"
winshots="Z:${shots//\//\\}"
set +e
"$WINE64" "$root/build/$build/tools/harness/ldharness.exe" demo "$winshots" "Z:${program//\//\\}" </dev/null 2>/dev/null
rc=$?
set -e
echo "== on disk after the installation:"
find "$WINEPREFIX/drive_c/LUDRA" -type f | sed "s|$WINEPREFIX/drive_c/|C:/|" | sort
ls "$WINEPREFIX"/drive_c/users/*/Desktop/ 2>/dev/null | sed 's/^/Desktop: /'
for bmp in "$shots"/*.bmp; do
    [ -f "$bmp" ] || continue
    convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
echo "screenshots (PNG): $shots"
ls "$shots"
exit $rc
