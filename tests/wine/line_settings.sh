#!/usr/bin/env bash
# Runs line_settings_check.exe under Wine with COM1 on a pseudo-terminal that minizv-sim
# holds open, so settings made through one handle are still there for the next. The
# program prints its own checks. No settings file: the driver's port is COM1.
# Usage: line_settings.sh PREFIX EXE SIM WORKDIR
set -euo pipefail
prefix=$1 exe=$2 sim=$3 workdir=$4
source "$(dirname "$0")/wine_env.sh"
[ -f "$exe" ] || { echo "FAIL: $exe does not exist; build the windows preset"; exit 1; }
[ -d "$prefix/drive_c/windows" ] || { echo "FAIL: no Wine prefix at $prefix"; exit 1; }
rm -rf "$workdir"
mkdir -p "$workdir"
cd "$workdir"
rm -f "$prefix/drive_c/windows/zordrive.INI"

echo "== minizv-sim on $com1_link"
"$sim" --link "$com1_link" >sim.out 2>sim.err &
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null || true; wait $sim_pid 2>/dev/null || true' EXIT
for _ in $(seq 100); do grep -q '^ready' sim.out 2>/dev/null && break; sleep 0.05; done
grep -q '^ready' sim.out || { echo "FAIL: simulator did not start"; cat sim.err; exit 1; }
run_logged "$workdir.log" timeout 60 "$wine" "$exe"
