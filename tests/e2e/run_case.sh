#!/usr/bin/env bash
# Runs one case of cases.txt (or of the table that ZV_CASES names) against minizv-sim on a
# pseudo-terminal and checks what a host would see: exit status, "zordOUT.INI" keys and
# "fromZv.dat" byte for byte.
#   run_case.sh native CASE   (needs ZV_DRIVER=path/to/zordrive, ZV_SIM, ZV_WORK)
#   run_case.sh wine CASE     (needs ZV_DRIVER=path/to/zordrive.exe, ZV_SIM, ZV_WORK, ZV_PREFIX:
#                              the shared prefix of tests/wine, with its display and wineserver)
# With ZV_NULL_MODEM=1 the line is a null-modem cable instead: two pseudo-terminals joined by
# socat, the driver's COM1 at one end and the simulator serving the other by --device; in wine
# mode with ZV_SIM_EXE=path/to/minizv-sim.exe, that simulator runs under Wine on COM2.
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
# Words "stty:FLAG" of the simulator column are line flags, set with stty once the line is up.
line_flags=() sim_args=()
for word in $simopts; do
    case $word in
        stty:*) line_flags+=("${word#stty:}") ;;
        *) sim_args+=("$word") ;;
    esac
done
traced=$(trim "$traced")

dir="$ZV_WORK/$mode${ZV_NULL_MODEM:+-null-modem}-$name"
rm -rf "$dir"
mkdir -p "$dir"
cd "$dir"

# The test records that the send cases put into "ToZv.dat": record number n, byte k of
# the setup bytes (n * 13 + k * 5 + 7) mod 256 – unlike anything the simulator holds.
test_record() { awk -v n="$1" 'BEGIN { printf "%d", n; for (k = 0; k < 130; k++) printf " %d", (n * 13 + k * 5 + 7) % 256; print "" }'; }
# Records of nothing but the bytes that flow control and NUL stripping take out of a line:
# record number n, byte k of the setup bytes 0x11, 0x13 or 0x00 in turn, starting at n mod 3.
ctrl_record() { awk -v n="$1" 'BEGIN { split("17 19 0", b); printf "%d", n; for (k = 0; k < 130; k++) printf " %d", b[(n + k) % 3 + 1]; print "" }'; }
# What the simulator holds when it starts without a store file.
sim_record() { "$ZV_SIM" --print-record "$1"; }

records_for() {  # store:A-B | modules:N,N | ctrl:N,N | central -> one record per line
    case $1 in
        store:*) local r=${1#store:}; for ((n = ${r%-*}; n <= ${r#*-}; n++)); do sim_record "$n"; done ;;
        modules:*) local IFS=,; for n in ${1#modules:}; do test_record "$n"; done ;;
        ctrl:*) local IFS=,; for n in ${1#ctrl:}; do ctrl_record "$n"; done ;;
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
    sim_args+=(--trace)
    export ZORDRIVE_TRACE=driver.trace
fi
# A fetch of ctrl records fetches them from the unit: it holds them from the start.
case $want_from in ctrl:*) records_for "$want_from" >store.txt ;; esac

sim=("$ZV_SIM" --link "$line_link")
sim_pid='' cable_pid=''
# The simulator goes first, so it does not see its line vanish under it.
stop() {
    for p in $sim_pid $cable_pid; do kill -INT "$p" 2>/dev/null || true; wait "$p" 2>/dev/null || true; done
}
trap stop EXIT
if [ -n "${ZV_NULL_MODEM:-}" ]; then
    echo "null-modem cable: $dir/cable-driver <-> $dir/cable-unit"
    socat pty,raw,echo=0,link="$dir/cable-driver" pty,raw,echo=0,link="$dir/cable-unit" \
        2>socat.err &
    cable_pid=$!
    for _ in $(seq 100); do [ -e cable-driver ] && [ -e cable-unit ] && break; sleep 0.05; done
    ln -sfn "$dir/cable-driver" "$line_link"
    if [ "$mode" = wine ] && [ -n "${ZV_SIM_EXE:-}" ]; then
        ln -sfn "$dir/cable-unit" "$com2_link"
        sim=("$wine" "$ZV_SIM_EXE" --device COM2)
    else
        sim=("$ZV_SIM" --device "$dir/cable-unit")
    fi
fi
"${sim[@]}" --store store.txt ${sim_args[@]+"${sim_args[@]}"} </dev/null >sim.out 2>sim.err &
sim_pid=$!
for _ in $(seq 200); do grep -q '^ready' sim.out 2>/dev/null && break; sleep 0.05; done
grep -q '^ready' sim.out || { echo "simulator did not start"; cat sim.err; exit 1; }
# The simulator keeps the line open, so flags set now are what the driver finds, as another
# program may have left them on a real port.
if [ ${#line_flags[@]} -gt 0 ]; then
    echo "line flags before the driver: ${line_flags[*]}"
    stty -F "$(readlink -f "$line_link")" "${line_flags[@]}"
fi

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
        modules:* | ctrl:*) local_ifs=$IFS; IFS=,; for n in ${tozv#*:}; do
                IFS=$local_ifs
                check "stored module $n" "$("$ZV_SIM" --store "$dir/store.txt" --print-record "$n" | cut -d' ' -f2-)" \
                    "$(records_for "${tozv%%:*}:$n" | cut -d' ' -f2-)"
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
