#!/usr/bin/env bash
# Runs one end-to-end case (tests/e2e/run_case.sh, which checks the driver's results) while
# title_watch.exe watches the status window from another process in the same prefix and on
# the same display, and checks what a user would have seen: a window of class "ZV_inf",
# minimised whenever it is shown, never the foreground window, never hidden in mid-run,
# showing the given titles in this order, and gone when the driver has ended.
# Usage: job_window.sh PREFIX WATCH_EXE CASE TITLE...
#   (with ZV_DRIVER, ZV_SIM and ZV_WORK set for run_case.sh)
set -euo pipefail
prefix=$1 watch_exe=$2 case_name=$3
shift 3
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine_env.sh"
: "${ZV_DRIVER:?}" "${ZV_SIM:?}" "${ZV_WORK:?}"
[ -f "$watch_exe" ] || { echo "FAIL: $watch_exe does not exist; build the windows preset"; exit 1; }
[ -d "$prefix/drive_c/windows" ] || { echo "FAIL: no Wine prefix at $prefix"; exit 1; }

mkdir -p "$ZV_WORK"
log="$ZV_WORK/$case_name.watch.log"
# Emptied here, not by the background job's redirection, which may come after the first look.
: >"$log"
"$wine" "$watch_exe" 60 </dev/null >"$log" 2>&1 &
watch_pid=$!
trap 'kill $watch_pid 2>/dev/null || true' EXIT
for _ in $(seq 200); do
    grep -q '^watching' "$log" && break
    sleep 0.05
done
grep -q '^watching' "$log" || { cat "$log"; echo "FAIL: title_watch did not start"; exit 1; }

failures=0
# The first title lasts from the window's creation to the first module, the restored one
# from the end of the job to the end of the process: a few milliseconds each. The case
# runs at a lower priority than the watcher, so that a busy machine delays the driver
# rather than the watcher's samples.
ZV_PREFIX=$prefix nice -n 10 "$here/../e2e/run_case.sh" wine "$case_name" || failures=$((failures + 1))
watch_status=0
wait $watch_pid || watch_status=$?
trap - EXIT
# The program's text-mode output ends its lines in CR LF.
watched=$(grep -v '^watching' "$log" | tr -d '\r')
echo "--- what title_watch saw (ms since it started)"
echo "$watched"

check() {
    if [ "$2" = "$3" ]; then
        echo "ok   $1"
    else
        echo "FAIL $1: '$2', expected '$3'"
        failures=$((failures + 1))
    fi
}
windows=$(grep -E '^ *[0-9.]+ window ' <<<"$watched" || true)
field() { sed -E "s/.* $1=([^ ]*).*/\1/" <<<"$windows" | sort -u | tr '\n' ' '; }
check "window seen and gone after the run" "$watch_status $(tail -n 2 <<<"$watched" | head -n 1 | awk '{print $2}')" "0 gone"
check "class" "$(field class)" "ZV_inf "
check "never the foreground window" "$(field foreground)" "0 "
# Shown means visible: hidden only before the first showing (the window is created, then
# shown minimised) and after the last one (the process ends).
check "minimised whenever shown" "$(grep 'visible=1' <<<"$windows" | sed -E 's/.* iconic=([01]).*/\1/' | sort -u | tr '\n' ' ')" "1 "
check "not hidden in mid-run" "$(sed -E 's/.*visible=//' <<<"$windows" | uniq | tr -d '\n' | sed -E 's/^0*//; s/0*$//')" "1"
# The titles in order, each change once; the empty title of a window being torn down at
# the end of the process is not a title the driver set.
titles=$(sed -nE "s/.* title='(.*)' iconic=.*/\1/p" <<<"$windows" | grep -v '^$' | uniq | paste -sd '|' -)
expected=$(printf '%s\n' "$@" | paste -sd '|' -)
# The title the window is created with lasts from its creation to the job's first title: a
# few milliseconds that the watcher, a process of its own, may not be given. When the
# window's first sighting already shows the job's first title, only the rest is compared;
# window_check.exe checks the title at creation inside the driver's own process.
if [ "$titles" != "$expected" ] && [ "$titles" = "${expected#*|}" ]; then
    echo "note the window was first seen after its first job title ('$1' not sampled)"
    expected=${expected#*|}
fi
check "titles in order" "$titles" "$expected"
exit $((failures > 0))
