# Sourced by the scripts that run Windows programs: a build-local Wine prefix and Xvfb display.
# Needs LUDRA_BUILD_DIR. Provides ludra_wine_ready (boots once) and the variables below.

WINE64=/usr/lib/wine/wine64
WINESERVER64=/usr/lib/wine/wineserver64

export WINEPREFIX="$LUDRA_BUILD_DIR/wineprefix"
export WINEDEBUG=-all
# No Mono/Gecko prompts; no .desktop files written onto the host for our shortcuts.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# The ANSI code page follows the locale: C.UTF-8 gives 1252, as on an Italian Windows.
export LANG=C.UTF-8 LC_ALL=C.UTF-8
# A private home: the prefix's Desktop would otherwise be a link to the user's own.
export HOME="$LUDRA_BUILD_DIR/winehome"
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY no_proxy NO_PROXY
# The programs are static and need no WINEPATH; one naming a folder of 64-bit DLLs can make
# a 32-bit program fail at start (c0000135, kernel32.dll not loaded).
unset WINEPATH
# Where the test harness notes a program start it had to try again (Wine's Z: is the host's root).
export LUDRA_RESTART_LOG="Z:$LUDRA_BUILD_DIR/wine-restarts.log"

ludra_lock="$LUDRA_BUILD_DIR/.wine.lock"
ludra_tools="$(cd "$(dirname "${BASH_SOURCE[0]}")/../tools" && pwd)"

# Starts the build's Xvfb (1024x768x24 unless LUDRA_SCREEN says otherwise) unless it runs.
ludra_start_xvfb() {
    local screen="${LUDRA_SCREEN:-1024x768x24}"
    local tag="${screen//x/_}"
    local pidfile="$LUDRA_BUILD_DIR/xvfb-$tag.pid" numfile="$LUDRA_BUILD_DIR/xvfb-$tag.display"
    if [ -f "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null && [ -s "$numfile" ]; then
        echo ":$(cat "$numfile")"
        return 0
    fi
    rm -f "$numfile"
    local fifo="$LUDRA_BUILD_DIR/xvfb-$tag.fd"
    rm -f "$fifo"
    setsid Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -nolisten unix_abstract >/dev/null 2>&1 3>"$numfile" </dev/null &
    echo $! >"$pidfile"
    local i
    for i in $(seq 1 100); do
        [ -s "$numfile" ] && break
        sleep 0.1
    done
    [ -s "$numfile" ] || { echo "Xvfb did not start" >&2; return 1; }
    echo ":$(tr -d '\n' <"$numfile")"
}

# Chooses the display: LUDRA_DISPLAY if given, else the build's own Xvfb.
# A wineserver that serves another display is stopped first, or its windows never appear.
ludra_select_display() {
    local display
    if [ -n "${LUDRA_DISPLAY:-}" ]; then
        display="$LUDRA_DISPLAY"
    else
        display=$(ludra_start_xvfb) || return 1
    fi
    export DISPLAY="$display"
    local last="$LUDRA_BUILD_DIR/wineserver.display"
    if [ -f "$last" ] && [ "$(cat "$last")" != "$DISPLAY" ]; then
        "$WINESERVER64" -k >/dev/null 2>&1 </dev/null || true
        "$WINESERVER64" -w >/dev/null 2>&1 </dev/null || true
    fi
    # Written only when it changes: every test passes here, and a write can fail on a full disk.
    [ -f "$last" ] && [ "$(cat "$last")" = "$DISPLAY" ] || echo "$DISPLAY" >"$last"
}

# Wine's own fonts ("MS Sans Serif", Marlett, ...) from fonts-wine: this Wine build does not find
# them in its data folder, and without them dialogs lay out in DejaVu Sans.
ludra_install_fonts() {
    local fonts="$WINEPREFIX/drive_c/windows/Fonts"
    [ -f "$fonts/marlett.ttf" ] && return 0
    mkdir -p "$fonts"
    cp /usr/share/wine/fonts/* "$fonts/"
}

# A prefix is whole when the loader finds its kernel32.dll: for 64-bit programs, and for 32-bit
# ones where wine32 is installed and the kernel runs them.
ludra_prefix_is_whole() {
    local windows="$WINEPREFIX/drive_c/windows"
    [ -f "$windows/system32/kernel32.dll" ] || return 1
    [ -f "$windows/syswow64/kernel32.dll" ] && return 0
    ! { [ -x /usr/lib/wine/wine ] && bash "$ludra_tools/runs-32bit.sh"; }
}

# Wine copies its DLLs into every prefix (over 1 GB). A copy identical to the same file of
# another build's prefix becomes a hard link to it: both come from the same Wine, which changes
# them only to write the same files again when it updates a prefix.
ludra_share_wine_files() {
    local other dir file twin
    for other in "$LUDRA_BUILD_DIR"/../*/wineprefix; do
        [ -f "$other/.ludra-ready" ] && [ ! "$other" -ef "$WINEPREFIX" ] || continue
        for dir in system32 syswow64; do
            [ -d "$WINEPREFIX/drive_c/windows/$dir" ] || continue
            while IFS= read -r -d '' file; do
                twin="$other/drive_c/windows/$dir/${file#"$WINEPREFIX/drive_c/windows/$dir/"}"
                [ -f "$twin" ] && [ ! "$file" -ef "$twin" ] && cmp -s "$file" "$twin" &&
                    ln -f "$twin" "$file" 2>/dev/null
            done < <(find "$WINEPREFIX/drive_c/windows/$dir" -type f -size +64k -print0)
        done
        return 0
    done
}

ludra_boot_prefix() {
    # 32-bit programs need the prefix's syswow64, which only a boot with wine32 installed fills:
    # a prefix booted before wine32 came (or left half-made) is booted again.
    if [ -f "$WINEPREFIX/.ludra-ready" ] && ! ludra_prefix_is_whole; then
        "$WINESERVER64" -k >/dev/null 2>&1 </dev/null || true
        rm -rf "$WINEPREFIX"
    fi
    [ -f "$WINEPREFIX/.ludra-ready" ] && return 0
    local log="$LUDRA_BUILD_DIR/wineboot.log" try
    for try in 1 2; do
        ludra_install_fonts
        mkdir -p "$HOME"
        "$WINE64" wineboot -i >"$log" 2>&1 </dev/null
        # Without a window manager each top-level window otherwise takes ~2 s to go away.
        "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$log" 2>&1 </dev/null
        "$WINESERVER64" -w >/dev/null 2>&1 </dev/null
        ludra_prefix_is_whole && break
        # A half-made prefix is never marked ready: the next caller would fail on it for good.
        echo "Wine did not make a whole prefix in $WINEPREFIX (try $try of 2); wineboot said:" >&2
        tail -n 20 "$log" >&2
        df -h "$LUDRA_BUILD_DIR" >&2
        "$WINESERVER64" -k >/dev/null 2>&1 </dev/null || true
        rm -rf "$WINEPREFIX"
    done
    [ -d "$WINEPREFIX" ] || return 1
    local users="$WINEPREFIX/drive_c/users" d
    for d in "$users"/*/Desktop; do
        [ -L "$d" ] && rm -f "$d"
        mkdir -p "$d"
    done
    ludra_share_wine_files
    touch "$WINEPREFIX/.ludra-ready"
}

# Xvfb, display and prefix, once per build folder; safe for parallel callers.
ludra_wine_ready() {
    mkdir -p "$LUDRA_BUILD_DIR"
    exec 9>"$ludra_lock"
    flock 9
    ludra_select_display && ludra_boot_prefix
    local rc=$?
    # The server must not inherit a caller's pipes (ctest would wait on them forever).
    "$WINESERVER64" -p30 >/dev/null 2>&1 </dev/null || true
    flock -u 9
    exec 9>&-
    return $rc
}

# Runs a Windows program, its output through a file (Wine's background processes must not hold a
# caller's pipe). Every program the tests run prints before it can fail (GoogleTest's header at
# least); Wine that ends within 2 s with an error and nothing printed never started it. About one
# start in a thousand, here and in CI: that start is tried once more, and noted in the build's
# wine-restarts.log, which the test command prints (the harness notes its own starts there too).
ludra_run_program() {
    local out rc try started elapsed_ms
    out=$(mktemp) || return 1
    for try in 1 2; do
        started=$(date +%s%N)
        "$WINE64" "$@" >"$out" 2>&1 </dev/null
        rc=$?
        elapsed_ms=$((($(date +%s%N) - started) / 1000000))
        [ $try -eq 1 ] && [ $rc -ne 0 ] && [ ! -s "$out" ] && [ $elapsed_ms -lt 2000 ] || break
        {
            echo "$(date '+%F %T') exit code $rc after $elapsed_ms ms, nothing printed: $*"
            echo "  wineservers (pid, seconds running): $(ps -o pid=,etimes= -C wineserver64 | tr -s ' \n' ' ')"
        } >>"$LUDRA_BUILD_DIR/wine-restarts.log"
        sleep 1
    done
    cat "$out"
    rm -f "$out"
    return $rc
}

# Stops the prefix's wineserver and the build's Xvfb displays.
ludra_wine_shutdown() {
    "$WINESERVER64" -k >/dev/null 2>&1 </dev/null || true
    local pidfile
    for pidfile in "$LUDRA_BUILD_DIR"/xvfb-*.pid; do
        [ -f "$pidfile" ] || continue
        kill "$(cat "$pidfile")" 2>/dev/null || true
        rm -f "$pidfile"
    done
    rm -f "$LUDRA_BUILD_DIR"/xvfb-*.display "$LUDRA_BUILD_DIR/wineserver.display"
}
