#!/usr/bin/env bash
# The `gui` row of the window's dialogs at 96 and at 144 DPI (Wine's LogPixels, set before
# each program starts): gui_dpi_check.exe makes each dialog in a process of its own and
# measures every control's text against its rectangle; this script adds that each dialog
# grows with the DPI, photographs the dialogs at 144 DPI and zvtoolw.exe's own window there.
# Usage: gui_dpi.sh PREFIX CHECK_EXE WORKDIR   (with ZV_WINDOW, ZV_PROBE, ZV_WINE)
set -euo pipefail
prefix=$1 check_exe=$(realpath "$2") workdir=$3
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine_env.sh"
: "${ZV_WINDOW:?}" "${ZV_PROBE:?}"
[ -f "$check_exe" ] || { echo "FAIL: $check_exe does not exist; build the Windows preset"; exit 1; }
[ -n "${DISPLAY:-}" ] || { echo "FAIL: the prefix has no display"; exit 1; }
source "$here/gui_steps.sh"
rm -rf "$workdir" "$state"
mkdir -p "$workdir"
cd "$workdir"

set_dpi() {
    "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}
trap 'set_dpi 96; cleanup' EXIT

# check DIALOG DPI [shot]: the dialog measured; with `shot`, photographed while it is open.
check() {
    local log=$1-$2.log status=0
    rm -f gui_dpi.shot
    "$wine" "$check_exe" "$@" </dev/null >"$log" 2>&1 &
    local pid=$!
    if [ "${3:-}" = shot ]; then
        for _ in $(seq 300); do grep -q '^dialog at' "$log" && break; sleep 0.05; done
        local l t r b
        read -r _ _ l t r b < <(tr -d '\r' <"$log" | grep '^dialog at') || true
        if [ -n "${b:-}" ]; then
            sleep 0.3
            import -window root -display "$DISPLAY" "$1-$2.screen.png"
            convert "$1-$2.screen.png" -crop "$((r - l))x$((b - t))+$l+$t" +repage "$1-$2.png"
            echo "== shot $workdir/$1-$2.png"
        else
            bad "$1 at $2 dpi was never shown"
        fi
        touch gui_dpi.shot
    fi
    wait $pid || status=$?
    tr -d '\r' <"$log" | grep -v '^ok' | sed "s/^/  $1 at $2: /"
    [ $status -eq 0 ] && ok "$1 at $2 dpi: every control fits, every input is named" ||
        bad "$1 at $2 dpi: $status checks failed"
}
width() { tr -d '\r' <"$1-$2.log" | sed -nE 's/^dialog .* dpi: ([0-9]+) x ([0-9]+) px$/\1 \2/p'; }

for dpi in 96 144; do
    set_dpi $dpi
    for dialog in main restore plan history; do
        check $dialog $dpi $([ $dpi = 144 ] && echo shot)
    done
done
for dialog in main restore plan history; do
    read -r w96 h96 < <(width $dialog 96) || true
    read -r w144 h144 < <(width $dialog 144) || true
    grows=$(awk -v a="${w96:-0}" -v b="${w144:-0}" -v c="${h96:-0}" -v d="${h144:-0}" \
        'BEGIN { print (a > 0 && c > 0 && b / a >= 1.35 && b / a <= 1.6 && d / c >= 1.35 && d / c <= 1.6) }')
    expect "$dialog grows with the DPI (${w96:-?}x${h96:-?} -> ${w144:-?}x${h144:-?})" "$grows" 1
done

# zvtoolw.exe itself at 144 DPI.
set_dpi 144
start_window
shot main-144dpi
close_window
exit $((failures > 0))
