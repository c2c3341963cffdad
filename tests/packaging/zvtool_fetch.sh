#!/usr/bin/env bash
# The demo's module fetch run by a packaged zvtool, which starts the driver beside it:
# exit status 0 and "fromZv.dat" byte for byte as the simulator holds modules 1 to 5.
#   zvtool_fetch.sh native|wine ZVTOOL SIM WORK   (wine: ZV_PREFIX is the prefix of tests/wine)
set -euo pipefail
mode=$1 zvtool=$2 sim=$3 work=$4
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
mkdir -p "$work"
cd "$work"
run=("$zvtool")
link=$work/COM1
if [ "$mode" = wine ]; then
    prefix=$ZV_PREFIX
    source "$here/../wine/wine_env.sh"
    run=("$wine" "$zvtool")
    link=$com1_link
fi
"$sim" --link "$link" >sim.out 2>sim.err &
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null || true; wait $sim_pid 2>/dev/null || true' EXIT
for _ in $(seq 100); do grep -q '^ready' sim.out 2>/dev/null && break; sleep 0.05; done
for n in 1 2 3 4 5; do "$sim" --print-record "$n"; done | awk -f "$here/../e2e/expect_datafile.awk" >expected.dat
status=0
timeout 120 "${run[@]}" fetch modules 1-5 </dev/null >zvtool.out 2>&1 || status=$?
cat zvtool.out
[ $status -eq 0 ] || { echo "FAIL zvtool exit $status, want 0"; exit 1; }
cmp expected.dat fromZv.dat || { echo "FAIL fromZv.dat differs from the simulator's modules 1 to 5"; exit 1; }
echo "PASS zvtool fetch modules 1-5 ($mode)"
