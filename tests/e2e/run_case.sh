#!/usr/bin/env bash
# Runs one case of cases.txt (or of the table that ZV_CASES names) against minizv-sim on a
# pseudo-terminal and checks what a host would see: exit status, "zordOUT.INI" keys and
# "fromZv.dat" byte for byte.
#   run_case.sh native CASE   (needs ZV_DRIVER=path/to/zordrive, ZV_SIM, ZV_WORK)
#   run_case.sh wine CASE     (needs ZV_DRIVER=path/to/zordrive.exe, ZV_SIM, ZV_WORK, ZV_PREFIX:
#                              the shared prefix of tests/wine, with its display and wineserver)
set -euo pipefail

mode=$1
name=$2
here=$(cd "$(dirname "$0")" && pwd)
: "${ZV_DRIVER:?}" "${ZV_SIM:?}" "${ZV_WORK:?}"

row=$(grep -E "^${name}[[:space:]]*\|" "${ZV_CASES:-$here/cases.txt}" || true)
[ -n "$row" ] || { echo "no case named $name"; exit 2; }
IFS='|' read -r _ settings simopts tozv want_result want_now want_from traced <<<"$row"
trim() { local s=$1; s=${s#"${s%%[![:space:]]*}"}; echo "${s%"${s##*[![:space:]]}"}"; }
settings=$(trim "$settings"); simopts=$(trim "$simopts"); tozv=$(trim "$tozv")
want_result=$(trim "$want_result"); want_now=$(trim "$want_now"); want_from=$(trim "$want_from")
traced=$(trim "$traced")

dir="$ZV_WORK/$mode-$name"
rm -rf "$dir"
mkdir -p "$dir"
cd "$dir"

# The test records that the send cases put into "ToZv.dat": record number n, byte k of
# the setup bytes (n * 13 + k * 5 + 7) mod 256 – unlike anything the simulator holds.
test_record() { awk -v n="$1" 'BEGIN { printf "%d", n; for (k = 0; k < 130; k++) printf " %d", (n * 13 + k * 5 + 7) % 256; print "" }'; }
# What the simulator holds when it starts without a store file.
sim_record() { "$ZV_SIM" --print-record "$1"; }

records_for() {  # store:A-B | modules:N,N | central -> one record per line
    case $1 in
        store:*) local r=${1#store:}; for ((n = ${r%-*}; n <= ${r#*-}; n++)); do sim_record "$n"; done ;;
        modules:*) local IFS=,; for n in ${1#modules:}; do test_record "$n"; done ;;
        central) sim_record 0 ;;
    esac
}

case $tozv in
    -) ;;
    empty) : >ToZv.dat ;;
    central) test_record 0 | awk -f "$here/expect_datafile.awk" >ToZv.dat ;;
    *) records_for "$tozv" | awk -f "$here/expect_datafile.awk" >ToZv.dat ;;
esac

if [ "$mode" = wine ]; then
    : "${ZV_PREFIX:?}"
    prefix=$ZV_PREFIX
    # shellcheck source=../wine/wine_env.sh
    source "$here/../wine/wine_env.sh"
    profile_dir="$prefix/drive_c/windows"
    line_link=$com1_link
else
    profile_dir=$dir
    line_link="$dir/COM1"
fi
rm -f "$profile_dir/zordrive.INI" "$profile_dir/zordOUT.INI"
if [ "$settings" != - ]; then
    { printf '[Zorvek PC interface driver]\r\n'; for kv in $settings; do printf '%s\r\n' "$kv"; done; } \
        >"$profile_dir/zordrive.INI"
fi

# A traced case runs the driver with ZORDRIVE_TRACE and the simulator with --trace.
if [ "$traced" = trace ]; then
    simopts="$simopts --trace"
    export ZORDRIVE_TRACE=driver.trace
fi
# shellcheck disable=SC2086
"$ZV_SIM" --link "$line_link" --store "$dir/store.txt" $simopts >sim.out 2>sim.err &
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null || true; wait $sim_pid 2>/dev/null || true' EXIT
for _ in $(seq 100); do grep -q '^ready' sim.out 2>/dev/null && break; sleep 0.05; done
grep -q '^ready' sim.out || { echo "simulator did not start"; cat sim.err; exit 1; }

start=$(date +%s.%N)
set +e
if [ "$mode" = wine ]; then
    timeout 300 "$wine" "$ZV_DRIVER" </dev/null >driver.out 2>&1
    status=$?
else
    timeout 300 "$ZV_DRIVER" >driver.out 2>&1
    status=$?
fi
set -e
end=$(date +%s.%N)
echo "case $name ($mode): exit $status after $(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", b - a }') s"

key() {  # the value of a key in the status file, "-" when it is missing
    local v
    v=$(tr -d '\r' <"$profile_dir/zordOUT.INI" 2>/dev/null | grep -i -E "^[[:space:]]*$1[[:space:]]*=" | head -n1 | cut -d= -f2- | tr -d '[:space:]' || true)
    echo "${v:--}"
}

fail=0
check() { if [ "$2" != "$3" ]; then echo "FAIL $1: got '$2', want '$3'"; fail=1; fi; }
check "exit status" "$status" "$want_result"
check ComStatus "$(key ComStatus)" "$want_result"
check ZorVekDriverRunning "$(key ZorVekDriverRunning)" 0
check NowTransferingNo "$(key NowTransferingNo)" "$want_now"

case $want_from in
    -) [ ! -e fromZv.dat ] || { echo "FAIL fromZv.dat exists"; fail=1; } ;;
    empty) [ -f fromZv.dat ] && [ ! -s fromZv.dat ] || { echo "FAIL fromZv.dat not empty"; fail=1; } ;;
    *)
        records_for "$want_from" | awk -f "$here/expect_datafile.awk" >expected.dat
        cmp expected.dat fromZv.dat || { echo "FAIL fromZv.dat differs from expected.dat"; fail=1; }
        ;;
esac

# A send case must leave its records in the simulator's store.
if [ "$want_result" = 1 ]; then
    case $tozv in
        modules:*) local_ifs=$IFS; IFS=,; for n in ${tozv#modules:}; do
                IFS=$local_ifs
                check "stored module $n" "$("$ZV_SIM" --store "$dir/store.txt" --print-record "$n" | cut -d' ' -f2-)" \
                    "$(test_record "$n" | cut -d' ' -f2-)"
            done ;;
        central) check "stored central" "$("$ZV_SIM" --store "$dir/store.txt" --print-record 0 | cut -d' ' -f2-)" \
                "$(test_record 0 | cut -d' ' -f2-)" ;;
    esac
fi

# The two sides of the traced run must tell the same bytes in the same order: what the
# driver wrote is what the simulator received, and the other way round.
if [ "$traced" = trace ]; then
    hex() { awk -v kind="$1" '$3 == kind { for (i = 4; i <= NF && $i ~ /^[0-9A-F][0-9A-F]$/; i++) printf "%s ", $i }' "$2"; }
    check "driver tx vs simulator rx" "$(hex tx driver.trace)" "$(hex rx sim.err)"
    check "driver rx vs simulator tx" "$(hex rx driver.trace)" "$(hex tx sim.err)"
    grep -q -- "-- result $want_result: " driver.trace || { echo "FAIL no result line in driver.trace"; fail=1; }
fi

if [ $fail -ne 0 ]; then
    echo "--- simulator trace"; tail -n 40 sim.err
    exit 1
fi
echo "PASS $name ($mode)"
