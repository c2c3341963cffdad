#!/usr/bin/env bash
# Runs one row of catalogue.txt (or of the table that ZV_CASES names, in the same columns)
# against minizv-sim on a pseudo-terminal and checks what a host would see: exit status,
# "zordOUT.INI" keys and "fromZv.dat" byte for byte.
#   run_case.sh native CASE   (needs ZV_DRIVER=path/to/zordrive, ZV_SIM, ZV_WORK)
#   run_case.sh wine CASE     (needs ZV_DRIVER=path/to/zordrive.exe, ZV_SIM, ZV_WORK, ZV_PREFIX:
#                              the build's prefix of tests/wine, with its display and wineserver)
# With ZV_NULL_MODEM=1 the line is a null-modem cable instead: two pseudo-terminals joined by
# socat, the driver's COM1 at one end and the simulator serving the other by --device; in wine
# mode with ZV_SIM_EXE=path/to/minizv-sim.exe, that simulator runs under Wine on COM2.
# With ZV_HOST set (a command: a host example of docs/hosts), the host writes the case's
# settings and starts the driver: it is run as ZV_HOST DRIVER DIR KEY=VALUE..., and its exit
# status is checked as the driver's would be.
# A number in the ninth column is the row's worst-case time in seconds, and the run must not
# take longer (plus start-up); rows without one (the other tables' rows end at the seventh
# column) are not timed. The eighth (where the row runs) is for CMake.
set -euo pipefail

mode=$1
name=$2
here=$(cd "$(dirname "$0")" && pwd)
: "${ZV_DRIVER:?}" "${ZV_SIM:?}" "${ZV_WORK:?}"

row=$(grep -E "^${name}[[:space:]]*\|" "${ZV_CASES:-$here/catalogue.txt}" || true)
[ -n "$row" ] || { echo "no case named $name"; exit 2; }
# The ninth column is the last one read: the last variable of `read` takes the rest of the
# row, the documentation columns with it, and would hide the number.
IFS='|' read -r _ settings simopts tozv want_result want_now want_from _ worst _ <<<"$row"
trim() { local s=$1; s=${s#"${s%%[![:space:]]*}"}; echo "${s%"${s##*[![:space:]]}"}"; }
settings=$(trim "$settings"); simopts=$(trim "$simopts"); tozv=$(trim "$tozv")
worst=$(trim "$worst")
want_result=$(trim "$want_result"); want_now=$(trim "$want_now"); want_from=$(trim "$want_from")
# Words "stty:FLAG" of the simulator column are line flags, set with stty once the line is up.
# Words "host:WHAT" are what the host does around the run: "stale" leaves the status file of
# an earlier module job in place, "busy" has another driver hold the port, "kill" kills the
# driver once "NowTransferingNo" reads 2 (SIGKILL; under Wine "taskkill /F"; the result
# column then reads "none"), "trace" traces the driver and the simulator and compares them.
line_flags=() sim_args=() host_acts=()
for word in $simopts; do
    case $word in
        stty:*) line_flags+=("${word#stty:}") ;;
        host:*) host_acts+=("${word#host:}") ;;
        *) sim_args+=("$word") ;;
    esac
done
acts=" ${host_acts[*]-} "
# Words of the settings column that are not KEY=VALUE say how the file is written: "utf16"
# in UTF-16 with a byte order mark, "in-cwd" in the driver's directory, not where it looks
# on Windows; "[NAME]" starts a section of that name.
ini_utf16='' ini_in_cwd='' ini_lines=()
for word in $settings; do
    case $word in
        utf16) ini_utf16=1 ;;
        in-cwd) ini_in_cwd=1 ;;
        *) ini_lines+=("$word") ;;
    esac
done
traced=''
[[ $acts != *" trace "* ]] || traced=trace

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
    # One record a line and no comma at the line end, as a CSV writer makes them.
    lines:*) records_for "modules:${tozv#lines:}" | tr ' ' , >ToZv.dat ;;
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
ini_dir=$profile_dir
[ -z "$ini_in_cwd" ] || ini_dir=$dir
if [ "$settings" != - ] && [ -z "${ZV_HOST:-}" ]; then
    { printf '[Zorvek PC interface driver]\r\n'; printf '%s\r\n' "${ini_lines[@]}"; } >"$ini_dir/zordrive.INI"
    if [ -n "$ini_utf16" ]; then
        { printf '\xff\xfe'; iconv -f ASCII -t UTF-16LE "$ini_dir/zordrive.INI"; } >zordrive.utf16
        mv zordrive.utf16 "$ini_dir/zordrive.INI"
    fi
fi
# The status file a killed module job leaves: running, the result of the run before it.
if [[ $acts == *" stale "* ]]; then
    printf '[Zorvek PC interface driver]\r\nZorVekDriverRunning=1\r\nNowTransferingNo=9\r\nComStatus=3\r\n' \
        >"$profile_dir/zordOUT.INI"
fi

# A traced case runs the driver with ZORDRIVE_TRACE and the simulator with --trace.
if [ "$traced" = trace ]; then
    sim_args+=(--trace)
    export ZORDRIVE_TRACE=driver.trace
fi
# A fetch of ctrl records fetches them from the unit: it holds them from the start.
case $want_from in ctrl:*) records_for "$want_from" >store.txt ;; esac

sim=("$ZV_SIM" --link "$line_link")
sim_pid='' cable_pid='' holder_pid=''
# The simulator goes first, so it does not see its line vanish under it.
stop() {
    [ -z "$holder_pid" ] || { kill "$holder_pid" 2>/dev/null || true; wait "$holder_pid" 2>/dev/null || true; }
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

key() {  # the value of a key in the status file, "-" when it is missing
    local v
    v=$(tr -d '\r' 2>/dev/null <"$profile_dir/zordOUT.INI" | grep -i -E "^[[:space:]]*$1[[:space:]]*=" | head -n1 | cut -d= -f2- | tr -d '[:space:]' || true)
    echo "${v:--}"
}

# Another driver holds the port: a module fetch of its own, in a directory of its own on the
# same line, under way before this case's driver starts.
if [[ $acts == *" busy "* ]]; then
    mkdir holder
    ln -s "$(readlink -f "$line_link")" holder/COM1
    printf '[Zorvek PC interface driver]\r\nTestMiniZvConnection=0\r\nGetData=1\r\nGetToModulNumber=2\r\n' \
        >holder/zordrive.INI
    (cd holder && exec timeout 60 "$ZV_DRIVER" >driver.out 2>&1) &
    holder_pid=$!
    for _ in $(seq 100); do grep -q NowTransferingNo holder/zordOUT.INI 2>/dev/null && break; sleep 0.05; done
fi

driver=("$ZV_DRIVER")
if [ -n "${ZV_HOST:-}" ]; then
    here_dir=$dir
    if [ "$mode" = wine ]; then
        winpath() { local p=${1//\//\\}; echo "Z:$p"; }
        driver=("$(winpath "$ZV_DRIVER")")
        here_dir=$(winpath "$dir")
    fi
    # shellcheck disable=SC2206 # ZV_HOST is a command with its arguments
    driver=($ZV_HOST "${driver[@]}" "$here_dir" "${ini_lines[@]}")
fi
[ "$mode" != wine ] || driver=("$wine" "${driver[@]}")

start=$(date +%s.%N)
set +e
timeout 300 "${driver[@]}" </dev/null >driver.out 2>&1 &
driver_pid=$!
# Killed the way of each platform: SIGKILL, or under Wine "taskkill /F".
if [[ $acts == *" kill "* ]]; then
    for _ in $(seq 200); do [ "$(key NowTransferingNo)" = 2 ] && break; sleep 0.02; done
    if [ "$mode" = wine ]; then
        # The build's prefix runs one case at a time: its only zordrive.exe is this case's.
        "$wine" taskkill /F /IM zordrive.exe </dev/null >taskkill.out 2>&1 || true
    else
        pkill -KILL -P "$driver_pid" || true
    fi
fi
wait "$driver_pid"
status=$?
set -e
end=$(date +%s.%N)
took=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", b - a }')
echo "case $name ($mode): exit $status after $took s"

fail=0
check() { if [ "$2" != "$3" ]; then echo "FAIL $1: got '$2', want '$3'"; fail=1; fi; }
if [ "$want_result" = none ]; then
    # Killed: the exit status is SIGKILL's, or what taskkill leaves under Wine (0, which
    # looks like a result), and the file holds no result.
    killed_status=137; [ "$mode" != wine ] || killed_status=0
    check "exit status" "$status" "$killed_status"
    # The kill lands in pass 2, or later where the killer is slow to start (taskkill under a
    # busy Wine): then the pass it left in "NowTransferingNo" is the one killed, and the
    # records of every pass before it must be whole in the file.
    killed_pass=$(key NowTransferingNo)
    if [[ $killed_pass =~ ^[0-9]+$ && $want_now =~ ^[0-9]+$ ]] && [ "$killed_pass" -gt "$want_now" ]; then
        echo "killed in pass $killed_pass"
        want_now=$killed_pass
        if [[ $want_from =~ ^store:([0-9]+)-[0-9]+$ ]]; then
            want_from=store:${BASH_REMATCH[1]}-$((BASH_REMATCH[1] + killed_pass - 2))
        fi
    fi
    check ComStatus "$(key ComStatus)" -
    check ZorVekDriverRunning "$(key ZorVekDriverRunning)" 1
else
    check "exit status" "$status" "$want_result"
    check ComStatus "$(key ComStatus)" "$want_result"
    check ZorVekDriverRunning "$(key ZorVekDriverRunning)" 0
fi
check NowTransferingNo "$(key NowTransferingNo)" "$want_now"
# A row's worst-case time holds for a paced line; start-up (Wine's above all) comes on top.
if [[ $worst =~ ^[0-9.]+$ ]]; then
    slack=1; [ "$mode" != wine ] || slack=4
    awk -v t="$took" -v w="$worst" -v s="$slack" 'BEGIN { exit !(t <= w + s) }' ||
        { echo "FAIL took $took s, more than the worst case of $worst s"; fail=1; }
fi

case $want_from in
    - | unit:*) [ ! -e fromZv.dat ] || { echo "FAIL fromZv.dat exists"; fail=1; } ;;
    empty) [ -f fromZv.dat ] && [ ! -s fromZv.dat ] || { echo "FAIL fromZv.dat not empty"; fail=1; } ;;
    *)
        records_for "$want_from" | awk -f "$here/expect_datafile.awk" >expected.dat
        cmp expected.dat fromZv.dat || { echo "FAIL fromZv.dat differs from expected.dat"; fail=1; }
        ;;
esac

# "unit:N,N" (0 the central record): the unit holds these records of "ToZv.dat", and no other.
stored() { "$ZV_SIM" --store "$dir/store.txt" --print-record "$1" | cut -d' ' -f2-; }
case $want_from in unit:*)
    for n in 0 $(tr ',' '\n' <<<"$tozv" | tr -dc '0-9\n'); do
        if [[ ,${want_from#unit:}, == *",$n,"* ]]; then
            check "stored record $n" "$(stored "$n")" "$(test_record "$n" | cut -d' ' -f2-)"
        elif [ -e store.txt ]; then
            check "record $n not stored" "$(stored "$n")" "$(sim_record "$n" | cut -d' ' -f2-)"
        fi
    done ;;
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
    # The driver's trace ends its lines with CR LF on Windows.
    hex() { tr -d '\r' <"$2" | awk -v kind="$1" '$3 == kind { for (i = 4; i <= NF && $i ~ /^[0-9A-F][0-9A-F]$/; i++) printf "%s ", $i }'; }
    check "driver tx vs simulator rx" "$(hex tx driver.trace)" "$(hex rx sim.err)"
    check "driver rx vs simulator tx" "$(hex rx driver.trace)" "$(hex tx sim.err)"
    grep -q -- "-- result $want_result: " driver.trace || { echo "FAIL no result line in driver.trace"; fail=1; }
fi

if [ $fail -ne 0 ]; then
    echo "--- simulator trace"; tail -n 40 sim.err
    exit 1
fi
echo "PASS $name ($mode)"
