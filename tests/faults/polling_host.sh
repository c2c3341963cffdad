#!/usr/bin/env bash
# A host that reads "zordOUT.INI" in a tight loop while the driver fetches modules 1 to 5:
# every read must be a whole status file, and once the running flag reads "0" the result
# must be in place.
#   polling_host.sh POLLER   (the status_poller program)
set -euo pipefail
source "$(dirname "$0")/e2e_env.sh"
poller=$1

enter_case polling-host
write_settings TestMiniZvConnection=0 GetData=1 ToZorvek=1 GetFromModulNumber=1 GetToModulNumber=5
start_sim

"$poller" zordOUT.INI 3 5 30000 >poller.out &
poller_pid=$!
set +e
timeout 60 "$ZV_DRIVER" >driver.out 2>&1
status=$?
wait "$poller_pid"
poller_status=$?
set -e
cat poller.out

check_run "$status" 3 5
check "poller" "$poller_status" 0
sim_records 1 5 | cmp -s - fromZv.dat || { echo "FAIL fromZv.dat"; fail=1; }
finish_case polling-host
