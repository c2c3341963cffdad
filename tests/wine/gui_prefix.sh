#!/usr/bin/env bash
# The Wine prefix of one Windows build's `gui` rows: the prefix of prefix.sh on a 1920x1080
# screen of its own, with Wine's virtual desktop on that screen, so that windows are framed,
# stacked and minimised as on a Windows desktop (with no window manager on the display, the
# driver's minimised status window would stay mapped over the window under test).
# `create PREFIX` makes it afresh; `stop PREFIX` ends its display and wineserver.
set -euo pipefail
action=$1 prefix=$2
here=$(cd "$(dirname "$0")" && pwd)
ZV_SCREEN=1920x1080x24 bash "$here/prefix.sh" "$action" "$prefix"
[ "$action" = create ] || exit 0
source "$here/wine_env.sh"
echo "== Wine's virtual desktop on the whole screen"
run_logged "$prefix.reg.log" "$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop \
    /t REG_SZ /d Default /f
run_logged "$prefix.reg.log" "$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' \
    /v Default /t REG_SZ /d 1920x1080 /f
"$wineserver" -k 2>/dev/null || true
run_logged "$prefix.wineserver.log" "$wineserver" -p
# The desktop is a process of its own that would otherwise be started by the first program of
# a row, inheriting (and holding open) that program's output. Started here with its own, it
# lives until the wineserver stops.
setsid "$wine" explorer /desktop=Default,1920x1080 </dev/null >"$prefix.desktop.log" 2>&1 &
# A first program on the desktop, with its output in a file: whatever it starts holds no pipe.
run_logged "$prefix.desktop.log" "$wine" cmd /c exit
