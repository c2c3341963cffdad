#!/usr/bin/env bash
# Runs about_box_check.exe on the prefix's virtual display and photographs the About box
# while it is open: the whole screen to WORKDIR/screen.png, the box alone (cut out at the
# place the program reports) to WORKDIR/about-box.png. The program prints its own checks;
# this script adds that the picture is the box's size and not an empty patch of screen.
# Usage: about_box.sh PREFIX EXE WORKDIR
set -euo pipefail
prefix=$1 exe=$2 workdir=$3
source "$(dirname "$0")/wine_env.sh"
[ -f "$exe" ] || { echo "FAIL: $exe does not exist; build the windows preset"; exit 1; }
[ -d "$prefix/drive_c/windows" ] || { echo "FAIL: no Wine prefix at $prefix"; exit 1; }
[ -n "${DISPLAY:-}" ] || { echo "FAIL: the prefix has no display"; exit 1; }

# With no window manager on the display, Wine leaves the caption to one that is not there
# and waits two seconds for it whenever a window is hidden. Unmanaged, this program's windows
# get the frame and caption that Wine draws itself, as Windows would draw them.
"$wine" reg add 'HKCU\Software\Wine\AppDefaults\about_box_check.exe\X11 Driver' \
    /v Managed /t REG_SZ /d N /f >/dev/null 2>&1

rm -rf "$workdir"
mkdir -p "$workdir"
cd "$workdir"
log=about_box_check.log
"$wine" "$exe" </dev/null >"$log" 2>&1 &
check_pid=$!
trap 'kill $check_pid 2>/dev/null || true' EXIT
for _ in $(seq 200); do
    grep -q '^about box at' "$log" && break
    kill -0 $check_pid 2>/dev/null || break
    sleep 0.05
done

failures=0
read -r left top right bottom < <(sed -nE 's/^about box at ([-0-9]+) ([-0-9]+) ([-0-9]+) ([-0-9]+).*/\1 \2 \3 \4/p' "$log") ||
    true
if [ -n "${bottom:-}" ]; then
    echo "== screenshot of $DISPLAY, About box at ($left,$top)-($right,$bottom)"
    import -window root -display "$DISPLAY" screen.png
    size=$((right - left))x$((bottom - top))
    convert screen.png -crop "$size+$left+$top" +repage about-box.png
else
    echo "FAIL the program never reported an open About box"
    failures=$((failures + 1))
fi
# Lets the program go on to Esc and Enter.
touch about_box.shot
status=0
wait $check_pid || status=$?
trap - EXIT
tr -d '\r' <"$log"

if [ -f about-box.png ]; then
    # A box that was not drawn would leave a plain patch: the desktop's one colour.
    read -r shot_size colours < <(convert about-box.png -format '%wx%h %k\n' info:)
    if [ "$shot_size" = "$size" ] && [ "$colours" -ge 8 ]; then
        echo "ok   picture of the box: $workdir/about-box.png ($shot_size, $colours colours)"
    else
        echo "FAIL picture of the box is $shot_size with $colours colours, expected $size and 8 or more"
        failures=$((failures + 1))
    fi
fi
[ "$status" -eq 0 ] || echo "FAIL about_box_check.exe: $status failed"
exit $((status != 0 || failures > 0))
