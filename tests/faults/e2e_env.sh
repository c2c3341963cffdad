# Sourced by the end-to-end fault scripts: a fresh directory for one case, minizv-sim on its
# COM1, and what a host would look at afterwards.
# Needs ZV_DRIVER (zordrive), ZV_SIM (minizv-sim) and ZV_WORK (a directory for the cases).
: "${ZV_DRIVER:?}" "${ZV_SIM:?}" "${ZV_WORK:?}"
faults_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
e2e_dir="$faults_dir/../e2e"
fail=0
sim_pid=

# A fresh directory $ZV_WORK/faults-NAME as the current directory.
enter_case() {
    case_dir="$ZV_WORK/faults-$1"
    rm -rf "$case_dir"
    mkdir -p "$case_dir"
    cd "$case_dir"
}

# "zordrive.INI" with the given key=value pairs, lines ending in CR LF.
write_settings() {
    { printf '[Zorvek PC interface driver]\r\n'; printf '%s\r\n' "$@"; } >zordrive.INI
}

stop_sim() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
        sim_pid=
    fi
}
trap stop_sim EXIT

# Starts the simulator on ./COM1 with the given options and waits until it is ready.
start_sim() {
    "$ZV_SIM" --link "$PWD/COM1" --trace "$@" >sim.out 2>sim.err &
    sim_pid=$!
    for _ in $(seq 100); do
        grep -q '^ready' sim.out 2>/dev/null && return 0
        sleep 0.05
    done
    echo "simulator did not start"
    cat sim.err
    exit 1
}

# ordinary_user DIR FILE...: the next driver run (through the array run_as) runs as a user
# who may write the given files, and the line on COM1, but not DIR itself. Under root that
# is "nobody"; an ordinary user running the tests is that user.
ordinary_user() {
    local dir=$1
    shift
    if [ -e COM1 ]; then chmod o+rw "$(readlink -f COM1)"; fi
    if [ "$(id -u)" -eq 0 ]; then
        local file
        for file; do [ ! -e "$file" ] || chmod 0666 "$file"; done
        chmod 0755 "$dir"
        run_as=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
    else
        chmod a-w "$dir"
        trap "chmod u+w '$dir'; stop_sim" EXIT
    fi
    if "${run_as[@]}" sh -c ': >"$1/.probe"' sh "$dir" 2>/dev/null; then
        echo "the directory $dir is writable to the test user"
        exit 1
    fi
}

# The value of a key in "zordOUT.INI", "-" when it is missing.
status_key() {
    local v
    v=$(tr -d '\r' <zordOUT.INI 2>/dev/null | grep -E "^$1=" | head -n1 | cut -d= -f2- || true)
    echo "${v:--}"
}

check() {
    if [ "$2" != "$3" ]; then
        echo "FAIL $1: got '$2', want '$3'"
        fail=1
    fi
}

# check_that NAME CONDITION...: the condition is a test(1) expression.
check_that() {
    local name=$1
    shift
    if ! test "$@"; then
        echo "FAIL $name"
        fail=1
    fi
}

# The setup-file text of the simulator's module records A..B (0..0: the central record).
sim_records() {
    local n
    for ((n = $1; n <= $2; n++)); do "$ZV_SIM" --print-record "$n"; done |
        awk -f "$e2e_dir/expect_datafile.awk"
}

# A host's test record for module N, one line of 131 numbers: (N * 13 + k * 5 + 7) mod 256 for
# byte k of the setup bytes, unlike anything the simulator holds.
test_record() {
    awk -v n="$1" 'BEGIN { printf "%d", n; for (k = 0; k < 130; k++) printf " %d", (n * 13 + k * 5 + 7) % 256; print "" }'
}

# Checks the run's exit status and the final status keys.
check_run() {  # STATUS RESULT NOW
    check "exit status" "$1" "$2"
    check ComStatus "$(status_key ComStatus)" "$2"
    check ZorVekDriverRunning "$(status_key ZorVekDriverRunning)" 0
    check NowTransferingNo "$(status_key NowTransferingNo)" "$3"
}

finish_case() {
    if [ "$fail" -ne 0 ]; then
        if [ -f sim.err ]; then
            echo "--- simulator trace"
            tail -n 30 sim.err
        fi
        exit 1
    fi
    echo "PASS $1"
}
