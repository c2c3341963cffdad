#!/usr/bin/env bash
# The Wine prefix that one Windows build's wine tests share, with a virtual X display and a
# persistent wineserver, so that the status window really exists and a run of the driver
# takes a fraction of a second instead of starting Wine's services each time.
# `create PREFIX` makes all three afresh (a few seconds); `stop PREFIX` ends them. ZV_SCREEN
# sets the display's size (default 1024x768x24; the window rows use 1920x1080x24).
set -euo pipefail
action=$1 prefix=$2
cd "$(dirname "$0")"
source ./wine_env.sh

stop() {
    "$wineserver" -k 2>/dev/null || true
    if [ -s "$prefix.xvfb" ]; then
        kill "$(cat "$prefix.xvfb")" 2>/dev/null || true
    fi
    rm -f "$prefix.xvfb" "$prefix.display"
}

case $action in
    create)
        for program in "$wine" "$wineserver" "$(command -v Xvfb || echo Xvfb)"; do
            [ -x "$program" ] || { echo "FAIL: $program not found (packages wine64, xvfb)"; exit 1; }
        done
        stop
        echo "== making Wine prefix $prefix"
        rm -rf "$prefix"
        mkdir -p "$prefix"
        # Xvfb picks a free display and writes its number to descriptor 3.
        setsid Xvfb -displayfd 3 -nolisten tcp -screen 0 "${ZV_SCREEN:-1024x768x24}" 3>"$prefix.display" \
            </dev/null >"$prefix.xvfb.log" 2>&1 &
        echo $! >"$prefix.xvfb"
        for _ in $(seq 100); do
            [ -s "$prefix.display" ] && break
            sleep 0.1
        done
        [ -s "$prefix.display" ] || { cat "$prefix.xvfb.log"; echo "FAIL: Xvfb did not start"; exit 1; }
        source ./wine_env.sh
        echo "== display $DISPLAY"
        run_logged "$prefix.wineserver.log" "$wineserver" -p
        run_logged "$prefix.wineboot.log" "$wine" wineboot -i
        [ -d "$prefix/drive_c/windows" ] || { echo "FAIL: wineboot made no prefix"; exit 1; }
        # Wine's COM1 is a Unix path in the registry, read when the wineserver starts. It
        # points at a fixed link, which each test points at its simulator's line.
        echo "== mapping COM1 to $com1_link"
        run_logged "$prefix.reg.log" "$wine" reg add 'HKLM\Software\Wine\Ports' /v COM1 \
            /t REG_SZ /d "$com1_link" /f
        # COM2: the far end of the null-modem tests' cable, for minizv-sim.exe.
        echo "== mapping COM2 to $com2_link"
        run_logged "$prefix.reg.log" "$wine" reg add 'HKLM\Software\Wine\Ports' /v COM2 \
            /t REG_SZ /d "$com2_link" /f
        "$wineserver" -k 2>/dev/null || true
        run_logged "$prefix.wineserver.log" "$wineserver" -p
        ;;
    stop)
        echo "== stopping the wineserver and the display of $prefix"
        stop
        ;;
    *)
        echo "usage: $0 create|stop PREFIX" >&2
        exit 2
        ;;
esac
