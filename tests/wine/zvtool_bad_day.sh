#!/usr/bin/env bash
# zvtool.exe on a technician's bad day under Wine, against minizv-sim on COM1, one case a row:
#   lock-outlives-zvtool  zvtool.exe ended (as Task Manager ends it) while its driver sends: the
#                         next job is refused with 75, naming the driver, until the driver ends
#   ctrl-c-backup         Ctrl-C in the console during a backup: 130, what is kept, the command
#   ctrl-c-restore        that continues; that command then completes the job
#   refused-bench         a bench is refused with 84, and its JSON object says so
#   unit-names            the unit-name rule on Windows: its table, and through zvtool.exe
#   crlf-files            the ledger's log, the session trace and a stopped job's note end their
#                         lines with CR LF and read back; local times; the result line's file
#   help-and-paths        /?, the help of a double-click, relative paths with --dir, a port
#                         that is not there
# Usage: zvtool_bad_day.sh CASE PREFIX ZVTOOL_EXE SIM WORKDIR UNIT_NAMES_CHECK_EXE
set -euo pipefail
case_name=$1 prefix=$2 exe=$3 sim=$4 workdir=$5 names_check=$6
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine_env.sh"
windir=$prefix/drive_c/windows
ledger=$prefix/drive_c/users/$(id -un)/AppData/Local/zvtool/ledger
lock=$prefix/drive_c/ProgramData/zvtool/settings.lock
[ -f "$exe" ] || { echo "FAIL: $exe does not exist; build it: cmake --build --preset windows"; exit 1; }

rm -rf "$workdir"
mkdir -p "$workdir"
cd "$workdir"
rm -f "$windir/zordOUT.INI" "$windir/zordrive.INI"
sim_pid=
start_sim() {  # the simulator on COM1, with the store of this case
    stop_sim
    "$sim" --link "$com1_link" --store "$workdir/store.txt" "$@" >sim.out 2>sim.err &
    sim_pid=$!
    for _ in $(seq 100); do grep -q '^ready' sim.out 2>/dev/null && break; sleep 0.05; done
}
stop_sim() {
    if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; fi
    sim_pid=
}
trap stop_sim EXIT

failures=0
check() {
    if [ "$2" = "$3" ]; then echo "ok   $1 = '$2'"; else echo "FAIL $1 = '$2', expected '$3'"; failures=$((failures + 1)); fi
}
has() {  # has WHAT FILE TEXT: FILE holds TEXT (grep reads it all: no SIGPIPE for tr)
    if tr -d '\r' <"$2" | grep -F -- "$3" >/dev/null; then echo "ok   $1"; else echo "FAIL $1: no '$3' in $2"; failures=$((failures + 1)); fi
}
zvtool() {  # stdout in out.txt, stderr in err.txt, the exit status in $status
    status=0
    timeout 60 "$wine" "$exe" "$@" </dev/null >out.txt 2>err.txt || status=$?
    echo "== zvtool.exe $*: exit $status"
    sed 's/^/  | /' out.txt err.txt
}
json() {  # json EXPRESSION: of the object in out.txt, parsed by Python's json module
    tr -d '\r' <out.txt | python3 -c "import json, sys; o = json.load(sys.stdin); print($1)"
}
windows_path() { echo "Z:$(echo "$1" | tr / '\\')"; }
crlf_lines() {  # how many lines of FILE do not end with CR LF
    python3 -c "import sys; d = open(sys.argv[1], 'rb').read(); print(sum(1 for l in d.split(b'\n')[:-1] if not l.endswith(b'\r')) + (0 if d.endswith(b'\n') else 1))" "$1"
}
modules_file() {  # modules_file FILE A B: module records A..B, each of its own bytes
    for ((n = $2; n <= $3; n++)); do
        awk -v n="$n" -v last="$3" 'BEGIN { printf "%d", n; for (k = 0; k < 130; k++) printf ", %d", (n * 11 + k * 3 + 5) % 256; printf "%s\r\n", n < last ? "," : "" }'
    done >"$1"
}
stored() { "$sim" --store "$workdir/store.txt" --print-record "$1" | cut -d' ' -f2-; }
in_file() {  # in_file FILE N: the 130 bytes of record N in a record file
    python3 -c "import re, sys; v = [int(x) for x in re.findall(r'\d+', open(sys.argv[1]).read())]
r = [v[i:i + 131] for i in range(0, len(v), 131)]
print(' '.join(map(str, [x for x in r if x[0] == int(sys.argv[2])][0][1:])))" "$1" "$2"
}
# The command a stopped job says to run next, from its messages, without "zvtool".
finishing_words() { tr -d '\r' <err.txt | grep -A1 -E 'Finish with:$|lacks:$' | tail -1 | sed 's/^  zvtool //'; }

case $case_name in
lock-outlives-zvtool)
    start_sim
    modules_file mods.dat 1 8
    timeout 60 "$wine" "$exe" send modules mods.dat </dev/null >send.out 2>send.err &
    sender=$!
    for _ in $(seq 200); do grep -q '^module 3 ' send.err 2>/dev/null && break; sleep 0.05; done
    process=$(tr -d '\r' <"$lock" | sed -n 's/^process=//p')
    driver=$(tr -d '\r' <"$lock" | sed -n 's/^driver=//p')
    echo "== the lock names zvtool.exe $process and its driver $driver"
    check "the lock's text ends its lines with CR LF" "$(crlf_lines "$lock")" 0
    # As Task Manager's End task: TerminateProcess, from outside.
    "$wine" taskkill /F /PID "$process" </dev/null >taskkill.out 2>&1 || true
    wait "$sender" || true
    zvtool --json test
    check "a job while the driver runs on: exit status" "$status" 75
    check "the refusal names the driver, and that its zvtool has ended" \
        "$(json '"process '"$driver"'" in o["error"], "which has ended" in o["error"], "every account" in o["error"]')" \
        "True True True"
    check "the refused job left the send's keys alone" \
        "$(tr -d '\r' <"$windir/zordrive.INI" | grep -cE '^(SendNumberOfModuls=8|TestMiniZvConnection=0)$')" 2
    refusals=0
    for _ in $(seq 60); do
        zvtool test >/dev/null
        [ "$status" = 75 ] || break
        refusals=$((refusals + 1))
        sleep 0.5
    done
    check "once the driver has ended, the next job runs" "$status" 0
    echo "== refused $refusals more times while the driver ran"
    for n in 1 4 8; do check "the orphaned driver's send, module $n" "$(stored "$n")" "$(in_file mods.dat "$n")"; done
    ;;
ctrl-c-backup)
    start_sim
    code=0
    python3 "$here/console_ctrl_c.py" out.txt err.txt 'module 3 ' -- "$wine" "$exe" backup -o b.dat \
        --modules 1-8 --unit wine-ctrl-c || code=$?
    sed 's/^/  | /' out.txt err.txt
    check "Ctrl-C during a backup: exit status" "$code" 130
    has "stopped by Ctrl-C, said" err.txt "zvtool: interrupted: stopping the driver"
    has "what the partial file holds" err.txt "the backup is incomplete: $(windows_path "$workdir")\\b.dat.partial holds the "
    check "not the wrong-settings case" "$(tr -d '\r' <err.txt | grep -c 'did not run the job asked for' || true)" 0
    check "the note beside the partial file ends its lines with CR LF" "$(crlf_lines b.dat.partial.note)" 0
    words=$(finishing_words)
    check "the finishing command" "$words" "backup -o $(windows_path "$workdir")\\b.dat --modules 1-8 --unit wine-ctrl-c --resume"
    read -r -a finishing <<<"$words"
    zvtool "${finishing[@]}"
    check "the finishing command completes the backup" "$status" 0
    check "the backup's records" "$(python3 -c "import re, sys; print(len(re.findall(r'\d+', open(sys.argv[1]).read())) // 131)" b.dat)" 9
    has "the result line names the backup's file" out.txt "every requested record was fetched and written to $(windows_path "$workdir")\\b.dat ("
    ;;
ctrl-c-restore)
    start_sim
    zvtool backup -o full.dat --modules 1-8 --unit wine-restore
    check "the backup to restore from" "$status" 0
    zvtool set full.dat -o new.dat module 2 0 1 module 3 0 2 module 4 0 3 module 5 0 4 module 6 0 5 module 7 0 6
    code=0
    python3 "$here/console_ctrl_c.py" out.txt err.txt 'sending 6 module records' -- "$wine" "$exe" \
        restore new.dat --unit wine-restore || code=$?
    sed 's/^/  | /' out.txt err.txt
    check "Ctrl-C during a restore: exit status" "$code" 130
    has "stopped by Ctrl-C, said" err.txt "zvtool: interrupted: stopping the driver"
    has "what the unit holds" err.txt "zvtool: the restore stopped: "
    check "the restore's note ends its lines with CR LF" "$(crlf_lines zvtool-restore.todo)" 0
    words=$(finishing_words)
    check "the finishing command" "$words" "restore $(windows_path "$workdir")\\new.dat --unit wine-restore --resume"
    read -r -a finishing <<<"$words"
    zvtool "${finishing[@]}"
    check "the finishing command completes the restore" "$status" 0
    has "every record read back" out.txt "records written and read back the same"
    for n in 2 7; do check "module $n restored" "$(stored "$n")" "$(in_file new.dat "$n")"; done
    ;;
refused-bench)
    printf 'bay1 COM1\r\nbay2 COM2\r\n' >bench.txt
    for line in "--json --ports COM1,COM2 test" "--json --units bench.txt backup -o b.dat"; do
        read -r -a words <<<"$line"
        zvtool "${words[@]}"
        check "$line: exit status" "$status" 84
        check "$line: its JSON object" "$(json 'o["exit"], o["command"] in ("test", "backup"), "INI files live in the Windows directory" in o["error"]')" \
            "84 True True"
    done
    zvtool --help
    has "--help lists 84" out.txt "  84     not possible on Windows: a bench (--ports, --units)"
    ;;
unit-names)
    mkdir names
    code=0
    timeout 60 "$wine" "$names_check" "$(windows_path "$workdir/names")" </dev/null >names.txt 2>&1 || code=$?
    grep -v '^ok' names.txt || true
    check "unit_names_check.exe: failed checks" "$code" 0
    start_sim
    for name in CON nul.dat Com1 LPT9; do
        zvtool backup -o x.dat --modules 1 --unit "$name"
        check "--unit $name: exit status" "$status" 64
        has "--unit $name: the reason" err.txt "is not a unit name: Windows keeps it for a device"
    done
    check "no driver ran for them" "$(test -e x.dat && echo written || echo none)" none
    # A name of its own for this run: the ledger of the prefix is shared by every row.
    unit=wine-Case-$$
    for name in "$unit" "${unit^^}"; do
        zvtool backup -o "$name.dat" --modules 1 --unit "$name" --force
        check "--unit $name: exit status" "$status" 0
    done
    has "the second is kept under the ledger's spelling" err.txt "kept in the ledger as $unit@1"
    zvtool --json units
    check "units: one unit, two copies" \
        "$(json '[(u["unit"], u["kept"]) for u in o["units"] if u["unit"].lower() == "'"${unit,,}"'"]')" \
        "[('$unit', 2)]"
    zvtool --json history "${unit,,}"
    check "history of any spelling" "$(json '[e["name"] for e in o["entries"]]')" "['$unit@1', '$unit@2']"
    check "one folder" "$(find "$ledger" -maxdepth 1 -iname "$unit" | wc -l)" 1
    ;;
crlf-files)
    start_sim
    zvtool --json backup -o c.dat --modules 1-2 --unit wine-crlf
    check "backup: exit status" "$status" 0
    trace=$(json 'o["trace"]')
    # Lines an older zvtool wrote keep their LF; the line of this backup ends with CR LF.
    tail -c 2000 "$ledger/ledger.log" | python3 -c "import sys; sys.stdout.buffer.write(sys.stdin.buffer.read().split(b'\n')[-2] + b'\n')" >last-line.txt
    check "the ledger's new line ends with CR LF" "$(crlf_lines last-line.txt)" 0
    has "the log names the file with a backslash" last-line.txt " file=wine-crlf\\"
    has "and the run folder as Windows names it" last-line.txt " folder=$(windows_path "$workdir")"
    unix_trace=$prefix/drive_c/${trace#C:\\}
    unix_trace=${unix_trace//\\//}
    check "the session trace ends every line with CR LF" "$(crlf_lines "$unix_trace")" 0
    has "the trace holds the run's result" "$unix_trace" "-- result 3: "
    zvtool history wine-crlf
    check "history reads the log back" "$status" 0
    check "history: local time with its offset from UTC" \
        "$(tr -d '\r' <out.txt | grep -cE '^wine-crlf@1 +[0-9-]{10} [0-9:]{8} [+-][0-9]{2}:[0-9]{2}  backup')" 1
    zvtool diff wine-crlf@1 c.dat
    check "diff reads the copy the log names" "$status" 0
    # A failed job explained from a trace with CR LF line ends.
    start_sim --silent
    zvtool test
    check "a silent unit: exit status" "$status" 2
    has "the account is read from the trace" err.txt "the driver's trace ("
    has "and its advice" err.txt "the line is silent"
    ;;
help-and-paths)
    zvtool '/?'
    check "/?: exit status" "$status" 0
    has "/? is --help" out.txt "Usage: zvtool [OPTIONS] COMMAND [ARGUMENTS]"
    for word in XDG_ /dev/ POSIX '~/'; do
        check "the help names no $word" "$(tr -d '\r' <out.txt | grep -cF -- "$word" || true)" 0
    done
    has "the help names the ledger's folder on Windows" out.txt "%LOCALAPPDATA%\\zvtool\\logs"
    zvtool backup '/?'
    has "COMMAND /? is its help" out.txt "Usage: zvtool backup -o FILE"
    # Double-clicked, in a console window of its own, zvtool waits for Enter; from a console
    # that another program shares it ends at once.
    timeout 20 "$wine" start /wait cmd /c "$(windows_path "$exe")" </dev/null >start.out 2>&1 &
    shared=$!
    timeout 30 "$wine" start /wait "$(windows_path "$exe")" </dev/null >start.out 2>&1 &
    own=$!
    for _ in $(seq 150); do kill -0 "$shared" 2>/dev/null || break; sleep 0.1; done
    check "in a shared console: ended" "$(kill -0 "$shared" 2>/dev/null && echo running || echo ended)" ended
    sleep 1
    check "in its own console: waits for Enter" "$(kill -0 "$own" 2>/dev/null && echo waiting || echo ended)" waiting
    "$wine" taskkill /F /IM zvtool.exe </dev/null >/dev/null 2>&1 || true
    wait "$own" || true
    wait "$shared" || true
    start_sim
    mkdir -p "My Jobs/pump 3"
    zvtool --dir "$(windows_path "$workdir/My Jobs/pump 3")" backup -o p2.dat --modules 1 --unit wine-paths
    check "backup with --dir: exit status" "$status" 0
    has "where the relative -o is, said" err.txt "zvtool: -o p2.dat is $(windows_path "$workdir")\\p2.dat: a relative path is taken from the folder zvtool was started in, not from --dir"
    check "p2.dat where it was said" "$(test -s p2.dat && echo there || echo missing)" there
    zvtool test --port 7
    check "a port that is not there: result" "$status" 5
    has "the port is said not to be there, with those that are" err.txt "COM7 is not one of this PC's serial ports: they are COM1"
    check "no POSIX path in the message" "$(tr -d '\r' <err.txt | grep -c 'ttyS' || true)" 0
    ;;
*)
    echo "FAIL: no case $case_name"
    exit 2
    ;;
esac
exit $((failures > 0))
