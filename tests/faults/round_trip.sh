#!/usr/bin/env bash
# Records fetched from one unit, sent to another that holds something else in their places,
# and fetched back from it, come back byte for byte: fetch and send agree on every byte.
set -euo pipefail
source "$(dirname "$0")/e2e_env.sh"

run_driver() {  # RESULT NOW: runs the driver and checks its result and status keys
    local status=0
    timeout 60 "$ZV_DRIVER" >driver.out 2>&1 || status=$?
    check_run "$status" "$1" "$2"
}
fetch_settings="TestMiniZvConnection=0 GetData=1 ToZorvek=1 GetFromModulNumber=1 GetToModulNumber=3"

enter_case round-trip
# shellcheck disable=SC2086
write_settings $fetch_settings
start_sim
run_driver 3 3
sim_records 1 3 | cmp -s - fromZv.dat || { echo "FAIL first fetch"; fail=1; }
mv fromZv.dat ToZv.dat
stop_sim

# The second unit holds zeros in modules 1 to 3.
for n in 1 2 3; do
    awk -v n="$n" 'BEGIN { printf "%d", n; for (k = 0; k < 130; k++) printf " 0"; print "" }'
done >second-unit.txt
start_sim --store second-unit.txt
write_settings TestMiniZvConnection=0 GetData=0 ToZorvek=1 SendNumberOfModuls=3
run_driver 1 3

# shellcheck disable=SC2086
write_settings $fetch_settings
run_driver 3 3
cmp ToZv.dat fromZv.dat || { echo "FAIL the records fetched back differ from those sent"; fail=1; }
finish_case round-trip
