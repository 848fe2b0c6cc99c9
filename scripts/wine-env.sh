# Sourced by the scripts that run the program or its tests under Wine: architecture, prefix, locale, display, font.
# Usage: [CORVANE_WINE_ARCH=win32|win64] . scripts/wine-env.sh && corvane_wine_ready
CORVANE_ROOT=${CORVANE_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]:-$0}")/.." && pwd)}
# The architecture is always named: /usr/bin/wine takes the 32-bit loader whenever it is installed, whatever the
# program or the prefix, and that loader cannot run where the machine has no 32-bit mode.
export CORVANE_WINE_ARCH=${CORVANE_WINE_ARCH:-win32}
case $CORVANE_WINE_ARCH in
    win32) CORVANE_WINE_LOADER=/usr/lib/wine/wine ;;
    win64) CORVANE_WINE_LOADER=/usr/lib/wine/wine64 ;;
    *) echo "CORVANE_WINE_ARCH must be win32 or win64, not $CORVANE_WINE_ARCH" >&2; return 1 2>/dev/null || exit 1 ;;
esac
export WINEARCH=$CORVANE_WINE_ARCH
# One prefix per architecture: a win64 prefix is made without its 32-bit half where 32-bit code cannot run.
export WINEPREFIX=${WINEPREFIX:-$CORVANE_ROOT/build/wineprefix-$CORVANE_WINE_ARCH}
# `wine` and the tools that go through it (wineboot, winepath, regedit) find this folder's loader first. The
# loader is reached through a script: under a link named wine, the 64-bit loader cannot find itself again.
CORVANE_WINE_BIN=$CORVANE_ROOT/build/wine-$CORVANE_WINE_ARCH
if [ ! -x "$CORVANE_WINE_BIN/wine-stable" ] || ! grep -qF "$CORVANE_WINE_LOADER" "$CORVANE_WINE_BIN/wine-stable"; then
    mkdir -p "$CORVANE_WINE_BIN"
    for name in wine wine-stable; do
        printf '#!/bin/sh\nexec %s "$@"\n' "$CORVANE_WINE_LOADER" > "$CORVANE_WINE_BIN/$name.tmp"
        chmod +x "$CORVANE_WINE_BIN/$name.tmp"
        mv "$CORVANE_WINE_BIN/$name.tmp" "$CORVANE_WINE_BIN/$name"
    done
fi
case ":$PATH:" in *":$CORVANE_WINE_BIN:"*) ;; *) export PATH=$CORVANE_WINE_BIN:$PATH ;; esac
export WINELOADER=$CORVANE_WINE_LOADER
export WINEDEBUG=${WINEDEBUG:--all}
# Code page 936 (GBK) comes from the locale Wine starts in; tests of other code pages name another locale.
export LANG=${CORVANE_WINE_LOCALE:-zh_CN.UTF-8} LC_ALL=${CORVANE_WINE_LOCALE:-zh_CN.UTF-8}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
CORVANE_XVFB_DISPLAY=${CORVANE_XVFB_DISPLAY:-:93}

corvane_display_ready() {
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
        return 0
    fi
    export DISPLAY=$CORVANE_XVFB_DISPLAY
    if ! xdpyinfo >/dev/null 2>&1; then
        # The server outlives the command that starts it: it must not keep that command's descriptors, the
        # shared test lock among them, or the lock stays taken until the display goes.
        (
            for fd in /proc/$BASHPID/fd/*; do
                fd=${fd##*/}
                [ "$fd" -gt 2 ] && eval "exec $fd>&-"
            done 2>/dev/null
            exec nohup Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1
        ) &
        # Kept so that corvane_wine_stop ends the server this project started, and no other.
        mkdir -p "$CORVANE_ROOT/build"
        echo $! > "$CORVANE_ROOT/build/xvfb.pid"
        # A loaded machine may take seconds to bring the server up.
        for _ in $(seq 300); do
            xdpyinfo >/dev/null 2>&1 && break
            sleep 0.1
        done
    fi
    xdpyinfo >/dev/null 2>&1
}

corvane_prefix_ready() {
    if [ ! -f "$WINEPREFIX/.corvane-ready-v3" ]; then
        mkdir -p "$WINEPREFIX"
        wineboot -i >/dev/null 2>&1
        wineserver -w
        # The dialog font of every template is the GBK name of SimSun; map it and its Latin name to the
        # CJK font Debian ships, so that GBK texts render.
        reg=$(mktemp --suffix=.reg)
        printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
            '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
            '"宋体"="WenQuanYi Micro Hei"' '"SimSun"="WenQuanYi Micro Hei"' '"NSimSun"="WenQuanYi Micro Hei"' \
            '"新宋体"="WenQuanYi Micro Hei"' '"MS Shell Dlg"="WenQuanYi Micro Hei"' '' \
            '[HKEY_CURRENT_USER\Software\Wine\WineDbg]' '"ShowCrashDialog"=dword:00000000' '' \
            '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\AeDebug]' '"Auto"="0"' '"Debugger"=""' '' \
            | iconv -f UTF-8 -t UTF-16 > "$reg"
        wine regedit /S "$reg" >/dev/null 2>&1
        wineserver -w
        rm -f "$reg"
        touch "$WINEPREFIX/.corvane-ready-v3"
    fi
}

# Without a window manager, Wine waits two seconds for one to acknowledge every top-level window it
# hides or destroys; on our own virtual display the windows are therefore left unmanaged.
corvane_window_mode() {
    local managed=Y
    [ "$DISPLAY" = "$CORVANE_XVFB_DISPLAY" ] && managed=N
    if [ "$(cat "$WINEPREFIX/.corvane-managed" 2>/dev/null)" != "$managed" ]; then
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$managed" /f >/dev/null 2>&1
        echo "$managed" > "$WINEPREFIX/.corvane-managed"
    fi
}

corvane_wine_ready() {
    corvane_display_ready || { echo "no X display available" >&2; return 1; }
    corvane_prefix_ready
    corvane_window_mode
    # A persistent wineserver saves its start-up on every program of the test run. When it is new, the
    # first program also starts Wine's background services, which keep that program's output open: start
    # them here with nothing to inherit, or a test runner waits on their pipe after its test has ended.
    if wineserver -p >/dev/null 2>&1; then
        wine cmd /c exit >/dev/null 2>&1 </dev/null || true
    fi
}

# Ends what corvane_wine_ready left running: the prefix's wineserver (with the programs it serves) and the
# virtual display, if this project started it.
corvane_wine_stop() {
    [ -d "$WINEPREFIX" ] && wineserver -k >/dev/null 2>&1
    local pidfile="$CORVANE_ROOT/build/xvfb.pid" pid
    if [ -f "$pidfile" ]; then
        pid=$(cat "$pidfile")
        if tr '\0' ' ' < "/proc/$pid/cmdline" 2>/dev/null | grep -q '^Xvfb '; then
            kill "$pid"
        fi
        rm -f "$pidfile"
    fi
    return 0
}
