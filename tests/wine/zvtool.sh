#!/usr/bin/env bash
# zvtool.exe under Wine driving zordrive.exe beside it against minizv-sim: a module fetch with
# its progress lines, a send, and a failure, with the INI files in the Windows directory.
# Usage: zvtool.sh PREFIX ZVTOOL_EXE SIM WORKDIR
set -euo pipefail
prefix=$1 exe=$2 sim=$3 workdir=$4
source "$(dirname "$0")/wine_env.sh"
windir=$prefix/drive_c/windows
[ -f "$exe" ] || { echo "FAIL: $exe does not exist; build it: cmake --build --preset windows"; exit 1; }

rm -rf "$workdir"
mkdir -p "$workdir"
cd "$workdir"
rm -f "$windir/zordOUT.INI" "$windir/zordrive.INI"
"$sim" --link "$com1_link" --store "$workdir/store.txt" >sim.out 2>sim.err &
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null || true; wait $sim_pid 2>/dev/null || true' EXIT
for _ in $(seq 100); do grep -q '^ready' sim.out 2>/dev/null && break; sleep 0.05; done

failures=0
check() {
    if [ "$2" = "$3" ]; then echo "ok   $1 = '$2'"; else echo "FAIL $1 = '$2', expected '$3'"; failures=$((failures + 1)); fi
}
zvtool() {  # stdout in out.txt, stderr in err.txt, the exit status in $status
    status=0
    timeout 60 "$wine" "$exe" "$@" </dev/null >out.txt 2>err.txt || status=$?
    echo "== zvtool.exe $*: exit $status"
    sed 's/^/  | /' out.txt err.txt
}
records() {  # the simulator's records A..B, one line each
    for ((n = $1; n <= $2; n++)); do "$sim" --store "$workdir/store.txt" --print-record "$n"; done
}
numbers() { tr -d '\r\n' <"$1" | tr ',' ' ' | tr -s ' '; echo; }

zvtool fetch modules 3-5 -o m.dat
check "fetch: exit status" "$status" 0
check "fetch: progress lines" "$(tr -d '\r' <err.txt | grep -c '^module [345] ([123] of 3) at ')" 3
check "fetch: records (checksum)" "$(numbers m.dat | cksum)" "$({ records 3 5 | tr '\n' ' ' | sed 's/ $//'; echo; } | cksum)"
check "fetch: keys in the Windows directory" \
    "$(tr -d '\r' <"$windir/zordrive.INI" | grep -c '^GetToModulNumber=5$')" 1

# One job at a time: on Windows the INI files serve every folder, so the lock is the user's.
timeout 60 "$wine" "$exe" fetch modules 1-6 </dev/null >first.out 2>first.err &
first=$!
sleep 3
zvtool --json test
check "second job: exit status" "$status" 75
check "second job: json" "$(tr -d '\r' <out.txt | python3 -c 'import json, sys; o = json.load(sys.stdin); print(o["exit"], "fetch modules 1-6" in o["error"])')" "75 True"
first_status=0
wait "$first" || first_status=$?
check "first job: exit status" "$first_status" 0

# Module 3 back with other bytes, as module 7.
awk 'BEGIN { printf "7"; for (k = 0; k < 130; k++) printf ", %d", (k * 5 + 1) % 256; print "" }' >s.dat
zvtool send modules s.dat
check "send: exit status" "$status" 0
check "send: stored" "$(records 7 7 | cut -d' ' -f2- | cut -d' ' -f1-3)" "1 6 11"

zvtool --json test --port 77
check "failure: exit status" "$status" 5
check "failure: json" "$(tr -d '\r' <out.txt | python3 -c 'import json, sys; o = json.load(sys.stdin); print(o["version"], o["exit"], o["job"], o["result"], o["meaning"], o["port"], o["port_from"])')" \
    '2 5 test 5 the serial port cannot be opened or configured; no job ran 77 --port'

# The registry's serial ports; COM1 is Wine's. A bench is refused, with the reason.
zvtool --json ports
check "ports: COM1 listed" "$(tr -d '\r' <out.txt | python3 -c 'import json, sys; o = json.load(sys.stdin); print(o["exit"], [p["name"] for p in o["ports"]][:1])')" "0 ['COM1']"
zvtool --ports 1,2 test
check "bench: exit status" "$status" 84
check "bench: the reason" "$(grep -c 'INI files live in the Windows directory' err.txt)" 1
exit $((failures > 0))
