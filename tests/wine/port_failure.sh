#!/usr/bin/env bash
# Runs zordrive.exe under Wine with a port that cannot be opened and checks what the host
# sees: exit status 5, "ComStatus" = 5 and "ZorVekDriverRunning" = 0 in zordOUT.INI, no job
# progress, and no data file created in the driver's working directory.
# Usage: port_failure.sh PREFIX EXE WORKDIR [SETTINGS_LINE...]
set -euo pipefail
prefix=$1 exe=$2 workdir=$3
shift 3
source "$(dirname "$0")/wine_env.sh"
windir=$prefix/drive_c/windows
expected=5

if [ ! -f "$exe" ]; then
    echo "FAIL: $exe does not exist; build it first:"
    echo "      cmake --preset windows && cmake --build --preset windows"
    echo "      (or point the cache variable ZV_WINDOWS_EXE at another zordrive.exe)"
    exit 1
fi
[ -d "$windir" ] || { echo "FAIL: no Wine prefix at $prefix"; exit 1; }

# The value of `key` in a profile file. Wine writes CR LF and may space the '=', so only
# the values are compared.
ini_value() {
    sed -n "s/\r\$//; s/^[[:space:]]*$2[[:space:]]*=[[:space:]]*//Ip" "$1" | head -n 1
}

rm -rf "$workdir"
mkdir -p "$workdir"
rm -f "$windir/zordOUT.INI" "$windir/zordrive.INI"
{
    printf '[Zorvek PC interface driver]\r\n'
    for line in "$@"; do printf '%s\r\n' "$line"; done
} >"$windir/zordrive.INI"
echo "== zordrive.INI: $*"

cd "$workdir"
status=0
run_logged "$workdir.log" timeout 60 "$wine" "$exe" || status=$?

failures=0
check() {
    if [ "$2" = "$3" ]; then
        echo "ok   $1 = '$2'"
    else
        echo "FAIL $1 = '$2', expected '$3'"
        failures=$((failures + 1))
    fi
}
check "exit status" "$status" "$expected"
if [ -f "$windir/zordOUT.INI" ]; then
    check "ComStatus" "$(ini_value "$windir/zordOUT.INI" ComStatus)" "$expected"
    check "ZorVekDriverRunning" "$(ini_value "$windir/zordOUT.INI" ZorVekDriverRunning)" 0
    check "NowTransferingNo" "$(ini_value "$windir/zordOUT.INI" NowTransferingNo)" ""
else
    check "zordOUT.INI" "missing" "present"
fi
check "files in the working directory" "$(ls -A)" ""
exit $((failures > 0))
