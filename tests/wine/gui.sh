#!/usr/bin/env bash
# One row of the `gui` label: zvtoolw.exe under Wine on the gui prefix's 1920x1080 Xvfb
# screen, against minizv-sim on Wine's COM1, worked from another process by gui_probe.exe
# (controls by ID, posted clicks, text and list-view cells read back), the screen photographed
# at each step: WORKDIR/NN-STEP.screen.png, and the window or dialog cut out as NN-STEP.png.
# Each row starts from an empty per-user folder (no ledger, nothing remembered).
# Usage: gui.sh PREFIX ROW WORKDIR
#   with ZV_WINDOW (zvtoolw.exe, zordrive.exe beside it), ZV_PROBE (gui_probe.exe), ZV_ZVTOOL
#   (zvtool.exe of the same build), ZV_SIM (minizv-sim of the POSIX build) and ZV_WINE.
set -euo pipefail
prefix=$1 row=$2 workdir=$3
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine_env.sh"
: "${ZV_WINDOW:?}" "${ZV_PROBE:?}" "${ZV_ZVTOOL:?}" "${ZV_SIM:?}"
for program in "$ZV_WINDOW" "$ZV_PROBE" "$ZV_ZVTOOL"; do
    [ -f "$program" ] || { echo "FAIL: $program does not exist; build the Windows preset"; exit 1; }
done
[ -d "$prefix/drive_c/windows" ] || { echo "FAIL: no Wine prefix at $prefix"; exit 1; }
[ -n "${DISPLAY:-}" ] || { echo "FAIL: the prefix has no display"; exit 1; }
source "$here/gui_steps.sh"

rm -rf "$workdir" "$state"
mkdir -p "$workdir"
rm -f "$windir/zordrive.INI" "$windir/zordOUT.INI"
trap cleanup EXIT
"row_${row//-/_}"
echo "$shots screenshots in $workdir"
exit $((failures > 0))
