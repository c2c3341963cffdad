# Sourced by the zvtool end-to-end scripts with `name` set to the case: the case's folder,
# zvtool run with its output captured, and the checks on what it and the simulator did.
source "$(dirname "${BASH_SOURCE[0]}")/../faults/e2e_env.sh"
: "${ZV_TOOL:?}"

enter_case "zvtool-$name"
# zvtool's session traces go into the case's folder, not the user's.
export XDG_STATE_HOME="$PWD/state"
# The ledger too: every backup is kept in the case's folder.
export XDG_DATA_HOME="$PWD/data"
ledger="$PWD/data/zvtool"

skip() {  # a case that cannot run here: said why, and ctest's 77 (SKIP_RETURN_CODE)
    echo "SKIP zvtool-$name: $*"
    exit 77
}
zvtool() {  # runs zvtool, stdout in out.txt, stderr in err.txt, its exit status in $status
    status=0
    timeout 120 "$ZV_TOOL" "$@" >out.txt 2>err.txt || status=$?
    echo "zvtool $*: exit $status"
    sed 's/^/  | /' out.txt err.txt
}
as_user() {  # zvtool as the user that ordinary_user chose, like zvtool
    status=0
    timeout 120 "${run_as[@]}" "$ZV_TOOL" "$@" >out.txt 2>err.txt || status=$?
    echo "zvtool $* (as $(${run_as[@]} id -un)): exit $status"
    sed 's/^/  | /' out.txt err.txt
}
json() {  # json FILE EXPR: EXPR of the one JSON object o that FILE holds, as Python prints it
    python3 -c 'import json, sys; o = json.loads(open(sys.argv[1]).read()); print(eval(sys.argv[2]))' "$1" "$2" ||
        echo "not one JSON object: $(head -c 300 "$1")"
}
has() {  # has FILE TEXT: the file holds the text
    grep -qF -- "$2" "$1" || { echo "FAIL $1 lacks: $2"; fail=1; }
}
# The records the simulator has sent or stored since it started (or since line FROM of its
# trace), in order: "fetch module 3 send module 4 ".
sim_did() {
    tail -n +"${1:-1}" sim.err |
        grep -o 'fetch central\|fetch module [0-9]*\|send central\|send module [0-9]*' |
        tr '\n' ' ' || true
}
# Byte K (0 to 129) of record N as the unit in store file FILE holds it.
store_byte() {
    "$ZV_SIM" --store "$1" --print-record "$2" | cut -d' ' -f$(($3 + 2))
}
# A unit whose modules 1 to 4 and central record are the test records, not the defaults.
other_unit() {
    for n in 0 1 2 3 4; do test_record "$n"; done >"$1"
}

# A bench: minizv-sim serving units on ./l1, ./l2, ... (start_bench N [OPTIONS]); a second
# bench process is for a unit with faults of its own.
bench_pids=()
start_bench() {
    local count=$1 out=bench$((${#bench_pids[@]} + 1)).out
    shift
    local links=() n
    for ((n = 1; n <= count; n++)); do links+=(--link "$PWD/l$((n + ${#bench_pids[@]} * 10))"); done
    "$ZV_SIM" "${links[@]}" "$@" >"$out" 2>/dev/null &
    bench_pids+=($!)
    until [ "$(grep -c '^ready' "$out" 2>/dev/null)" = "$count" ]; do sleep 0.05; done
}
stop_bench() {
    local pid
    for pid in "${bench_pids[@]}"; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
    stop_sim
}
trap stop_bench EXIT
# Whether a driver still runs with its folder under this case's.
no_driver_left() {
    local proc
    for proc in /proc/[0-9]*; do
        case "$(readlink "$proc/cwd" 2>/dev/null)" in "$PWD"*)
            if [ "$(readlink "$proc/exe" 2>/dev/null)" = "$(readlink -f "$ZV_DRIVER")" ]; then
                echo "FAIL a driver still runs: $proc"
                fail=1
            fi ;;
        esac
    done
}

