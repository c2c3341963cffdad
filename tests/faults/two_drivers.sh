#!/usr/bin/env bash
# A second driver, started in the same directory while the first holds COM1, ends with 5 at
# once; the first goes on undisturbed and fetches every record.
set -euo pipefail
source "$(dirname "$0")/e2e_env.sh"

enter_case two-drivers
write_settings TestMiniZvConnection=0 GetData=1 ToZorvek=1 GetFromModulNumber=1 GetToModulNumber=5
start_sim

timeout 60 "$ZV_DRIVER" >first.out 2>&1 &
first_pid=$!
# The first has the port once its first pass shows.
for _ in $(seq 100); do
    [ "$(status_key NowTransferingNo)" != - ] && break
    sleep 0.05
done
check "first driver under way" "$(status_key NowTransferingNo)" 1

TIMEFORMAT='%R'
set +e
{ time timeout 30 "$ZV_DRIVER" >second.out 2>&1; } 2>second-time.txt
second=$?
wait "$first_pid"
first=$?
set -e
echo "second driver: exit $second after $(cat second-time.txt) s; first driver: exit $first"

check "second driver" "$second" 5
check "second driver's cause" "$(cat second.out)" \
    "zordrive: result 5: cannot open the port COM1 -> $(readlink COM1): in use by another program"
check_that "the second driver ends at once" "$(awk '{ print ($1 < 2) }' second-time.txt)" = 1
check_run "$first" 3 5
sim_records 1 5 | cmp -s - fromZv.dat || { echo "FAIL fromZv.dat"; fail=1; }
# The unit heard from the first driver only: five requests, one per module.
check "requests the unit received" "$(grep -c -- '-- frame' sim.err || true)" 5
finish_case two-drivers
