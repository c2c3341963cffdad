#!/usr/bin/env bash
# The unit is switched off in the middle of a module fetch: the simulator answers module 3
# and exits, so the line hangs up under the driver. The driver must keep module 3, give up on
# module 4 after its five attempts with 4, and sleep through the dead line instead of
# spinning on it.
set -euo pipefail
source "$(dirname "$0")/e2e_env.sh"

enter_case device-vanishes
write_settings TestMiniZvConnection=0 GetData=1 ToZorvek=1 GetFromModulNumber=3 GetToModulNumber=5
start_sim --exit-after 1

TIMEFORMAT='%R %U %S'
set +e
{ time timeout 120 "$ZV_DRIVER" >driver.out 2>&1; } 2>times.txt
status=$?
set -e
read -r real user sys <times.txt
echo "driver: exit $status after $real s, cpu user $user s, sys $sys s"

check_run "$status" 4 4
check "the driver's line" "$(grep -cxE "zordrive: result 4: the port COM1 -> /dev/pts/[0-9]+ went away during the job: the device was removed \((read|write|poll): [^)]+\)" driver.out)" 1
sim_records 3 3 >expected.dat
cmp -s expected.dat fromZv.dat || { echo "FAIL fromZv.dat is not module 3 alone"; fail=1; }
# Module 3 (50 ms and the 1100 ms pass pause), then five attempts of 50 ms, three empty
# reads of 1600 ms and the 5000 ms pause: 50.4 s.
check_that "wall time $real s is about 50.4 s" "$(awk -v t="$real" 'BEGIN { print (t > 49.5 && t < 56) }')" = 1
check_that "cpu time $user + $sys s is under 2% of the wall time" \
    "$(awk -v t="$real" -v u="$user" -v s="$sys" 'BEGIN { print ((u + s) < 0.02 * t) }')" = 1
finish_case device-vanishes
