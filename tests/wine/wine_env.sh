# Sourced by the wine test scripts after setting `prefix`: the Wine programs and the
# environment that every run in a build's prefix uses, its virtual display included.
# ZV_WINE: the loader for the build under test (the 32-bit rows set /usr/lib/wine/wine).
wine=${ZV_WINE:-/usr/lib/wine/wine64}
wineserver=/usr/lib/wine/wineserver
export WINEPREFIX=$prefix WINEDEBUG=-all
# What Wine's COM1 and COM2 are: links that each test points at the line it uses (COM2: the
# far end of a null-modem cable, for minizv-sim.exe).
com1_link=$prefix.COM1
com2_link=$prefix.COM2
# No Mono or Gecko: their installers would look for a download on every fresh prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ -s "$prefix.display" ]; then
    DISPLAY=:$(cat "$prefix.display")
    export DISPLAY
fi

# Runs a Wine command with its output in LOG, then prints the log; returns its status.
# Wine processes that outlive the command must not hold the test's output open: ctest
# would wait for them.
run_logged() {
    local log=$1 status=0
    shift
    "$@" </dev/null >"$log" 2>&1 || status=$?
    grep -v '^X connection to .* broken' "$log" || true
    return $status
}
