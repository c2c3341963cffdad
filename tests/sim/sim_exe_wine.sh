#!/usr/bin/env bash
# minizv-sim.exe under Wine where it differs from the POSIX build: --version, --link refused,
# --device required, a port that does not exist, and Ctrl-C (SIGINT under Wine) ending it
# with status 0 after the line is closed.
#   sim_exe_wine.sh PREFIX MINIZV-SIM.EXE WORK VERSION
set -euo pipefail
prefix=$1 exe=$2 work=$3 version=$4
# shellcheck source=../wine/wine_env.sh
source "$(dirname "$0")/../wine/wine_env.sh"
rm -rf "$work" && mkdir -p "$work" && cd "$work"

fail=0
expect() {  # STATUS TEXT ARGS...: minizv-sim.exe ARGS exits with STATUS and prints TEXT
    local want=$1 text=$2 got=0
    shift 2
    "$wine" "$exe" "$@" </dev/null >out.txt 2>&1 || got=$?
    if [ "$got" = "$want" ] && grep -qF -- "$text" out.txt; then
        echo "ok   $*"
    else
        echo "FAIL $*: exit $got, want $want and '$text' in:"; cat out.txt; fail=1
    fi
}
expect 0 "minizv-sim $version" --version
expect 2 "--link needs a pseudo-terminal" --link COM1
expect 2 "name a serial port with --device COMn"
expect 2 "bad value for --version" --version=1
expect 1 "COM77: cannot be opened" --device COM77

echo "== Ctrl-C while serving COM2"
socat pty,raw,echo=0,link=cable-driver pty,raw,echo=0,link=cable-unit 2>socat.err &
cable=$!
trap 'kill "$cable" 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -e cable-unit ] && break; sleep 0.05; done
ln -sfn "$work/cable-unit" "$com2_link"
"$wine" "$exe" --device COM2 --trace </dev/null >sim.out 2>sim.err &
sim=$!
for _ in $(seq 200); do grep -q '^ready COM2' sim.out 2>/dev/null && break; sleep 0.05; done
kill -INT "$sim"
status=0
wait "$sim" || status=$?
if [ "$status" = 0 ] && grep -q 'stop requested' sim.err; then
    echo "ok   stopped by Ctrl-C"
else
    echo "FAIL Ctrl-C: exit $status"; cat sim.out sim.err; fail=1
fi
exit $fail
