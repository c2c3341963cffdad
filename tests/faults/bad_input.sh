#!/usr/bin/env bash
# The real driver on files and ports that are not what they should be. Each run must end
# by itself with a defined result, as its exit status and (where it can be written) in
# "zordOUT.INI", with the running flag cleared. A failed run names its cause in one line on
# stderr; --help and --version answer and touch nothing.
#   bad_input.sh CASE
set -euo pipefail
source "$(dirname "$0")/e2e_env.sh"

name=$1
enter_case "bad-$name"
fetch_moduls=(TestMiniZvConnection=0 GetData=1 ToZorvek=1 GetFromModulNumber=3 GetToModulNumber=5)
fetch_central=(TestMiniZvConnection=0 GetData=1 ToZorvek=0)
send_central=(TestMiniZvConnection=0 GetData=0 ToZorvek=0)
want_now=-
want_from=absent
want_err=  # a pattern for the one line on stderr; empty: stderr stays empty
args=()

case $name in
    # COM1 that is no terminal: the port fails, no job runs, no data file appears.
    com1-regular-file) : >COM1 ;;
    com1-directory) mkdir COM1 ;;
    com1-dangling-link) ln -s /nonexistent/ttyUSB0 COM1 ;;
    com1-fifo) mkfifo COM1 ;;
    com1-dev-null) ln -s /dev/null COM1 ;;
    fromzv-directory) mkdir fromZv.dat; start_sim ;;
    fromzv-full-device) ln -s /dev/full fromZv.dat; start_sim ;;
    status-directory) mkdir zordOUT.INI; start_sim ;;
    settings-fifo) start_sim ;;
    tozv-directory) mkdir ToZv.dat; start_sim ;;
    tozv-huge-tail) start_sim --store "$PWD/store.txt" ;;
    readonly-dir-port) ;;
    readonly-dir-*) start_sim ;;
    help | version | other-argument | tozv-missing) start_sim ;;
    silent-unit) start_sim --silent ;;
    tozv-empty) : >ToZv.dat; start_sim ;;
    fetch-refused | stderr-*) start_sim --status 7:3:1 ;;
    trace-fifo) mkfifo driver.trace; start_sim ;;
    comport-zero) ;;
    *) echo "no case $name"; exit 2 ;;
esac

case $name in
    com1-*) write_settings "${fetch_moduls[@]}"; want=5
        want_err="^zordrive: result 5: cannot open the port COM1( -> [^ ]+)?: .+" ;;
    fromzv-directory) write_settings "${fetch_moduls[@]}"; want=10
        want_err="^zordrive: result 10: cannot write $PWD/fromZv.dat: Is a directory$" ;;
    fromzv-full-device) write_settings "${fetch_central[@]}"; want=10
        want_err="^zordrive: result 10: cannot write $PWD/fromZv.dat: No space left on device$" ;;
    status-directory) write_settings "${fetch_central[@]}"; want=3; want_from=central ;;
    # A settings file that would block a reader: it is passed over, the defaults run.
    settings-fifo) mkfifo zordrive.INI; want=0 ;;
    tozv-directory) write_settings "${send_central[@]}"; want=8
        want_err="^zordrive: result 8: cannot open $PWD/ToZv.dat: Is a directory$" ;;
    tozv-missing) write_settings "${send_central[@]}"; want=8
        want_err="^zordrive: result 8: cannot open $PWD/ToZv.dat: No such file or directory$" ;;
    comport-zero) write_settings Comport=0 "${fetch_central[@]}"; want=5
        want_err="^zordrive: result 5: COM0 does not exist \\(Comport=0; ports are 1 to 255\\)$" ;;
    silent-unit) write_settings TestMiniZvConnection=1; want=2
        want_err="^zordrive: result 2: the unit did not acknowledge a request, or refused a record \\(port COM1 -> /dev/pts/[0-9]+\\)$" ;;
    tozv-empty) write_settings "${send_central[@]}"; want=9
        want_err="^zordrive: result 9: $PWD/ToZv.dat ended before a whole record was read" ;;
    fetch-refused) write_settings "${fetch_moduls[@]}"; want=4 want_now=3 want_from=-
        want_err="^zordrive: result 4: no valid reply from the unit, or it refused the record asked for \\(port COM1 -> /dev/pts/[0-9]+\\)$" ;;
    # Started with stderr closed, a pipe whose reader has gone, or a full pipe nobody reads:
    # the result still reaches the exit status and the status file, and no byte of the
    # stderr line reaches the unit.
    stderr-*) write_settings "${fetch_moduls[@]}"; want=4 want_now=3 want_from=- ;;
    # A trace named by a FIFO that nobody reads is passed over, not waited for.
    trace-fifo) write_settings "${fetch_central[@]}"; want=3 want_from=central
        export ZORDRIVE_TRACE=driver.trace ;;
    # Asked for help or the version, the driver answers and touches no file, not even the port.
    help | version) write_settings "${fetch_central[@]}"; args=("--$name"); want=0 ;;
    # Anything else on the command line is ignored: the job runs.
    other-argument) write_settings "${fetch_central[@]}"; args=(--verbose); want=3 want_from=central ;;
    # Two records, then forty megabytes of digits that the job never needs.
    tozv-huge-tail)
        write_settings TestMiniZvConnection=0 GetData=0 ToZorvek=1 SendNumberOfModuls=2
        { { test_record 7; test_record 8; } | awk -f "$e2e_dir/expect_datafile.awk"
          printf ',\r\n'
          head -c 40000000 < <(yes 1234567890,); } >ToZv.dat
        want=1 want_now=2 ;;
    # A directory the user cannot write, holding a status file the user can: the status is
    # rewritten in place, every line of the host kept. So is a fetch, into a "fromZv.dat"
    # that the host has made.
    readonly-dir-connection) write_settings TestMiniZvConnection=1; want=0 ;;
    readonly-dir-port) write_settings Comport=0; want=5
        want_err="^zordrive: result 5: COM0 does not exist" ;;
    readonly-dir-fetch)
        write_settings "${fetch_moduls[@]}"; want=3 want_now=5 want_from=modules-3-5
        : >fromZv.dat ;;
esac
run_as=()
case $name in readonly-dir-*)
    host_status() {  # RUNNING NOW [RESULT]: the host's file with the driver's keys as given
        printf '; the host'"'"'s own lines\r\n[Host]\r\nKeep=1\r\n\r\n'
        printf '[Zorvek PC interface driver]\r\nZorVekDriverRunning=%s\r\n' "$1"
        printf 'NowTransferingNo=%s\r\nOther=x\r\n' "$2"
        [ -z "${3:-}" ] || printf 'ComStatus=%s\r\n' "$3"
    }
    host_status 0 17 >zordOUT.INI
    if [ "$want_now" = - ]; then want_now=17; fi
    ordinary_user "$PWD" zordOUT.INI fromZv.dat ;;
esac

# Where the driver's stderr goes: driver.err, or as the case starts it.
exec 7>driver.err
err=7
case $name in
    stderr-closed) err=- ;;
    stderr-closed-pipe) exec 7> >(:); sleep 0.2 ;;
    stderr-full-pipe) mkfifo driver.fifo; exec 7<>driver.fifo; : >driver.err
        timeout 0.5 cat /dev/zero >&7 || true ;;
esac
TIMEFORMAT='%R'
set +e
listing() { find . -mindepth 1 -maxdepth 1 ! -name 'driver.*' ! -name 'sim.*' ! -name '*.txt' -printf '%p %s %T@\n' | sort; }
listing >before.txt
{ time timeout 30 ${run_as[@]+"${run_as[@]}"} "$ZV_DRIVER" "${args[@]}" >driver.out 2>&$err; } 2>times.txt
status=$?
set -e
exec 7>&-
echo "case $name: exit $status after $(cat times.txt) s"

check "exit status" "$status" "$want"
if [ -n "$want_err" ]; then
    check "stderr" "$(wc -l <driver.err) $(grep -cE "$want_err" driver.err)" "1 1"
else
    check_that "nothing on stderr" ! -s driver.err
fi
if [ "$name" = help ] || [ "$name" = version ]; then
    check "files after the run" "$(listing)" "$(cat before.txt)"
    check "bytes at the port" "$(grep -c ' rx ' sim.err || true)" 0
    want_from=-
    case $name in
        help) check "help" "$(grep -c -e '^Usage: zordrive' -e "^Here: the files in $PWD;" driver.out)" 2 ;;
        version) check "version" "$(cat driver.out)" "zordrive 1.0.0" ;;
    esac
    check "time under a second" "$(awk '{ print ($1 < 1) }' times.txt)" 1
elif [ "$name" = status-directory ]; then
    check_that "zordOUT.INI is still an empty directory" -d zordOUT.INI -a -z "$(ls -A zordOUT.INI)"
else
    check_run "$status" "$want" "$want_now"
fi
case $want_from in
    absent) check_that "no fromZv.dat" ! -f fromZv.dat ;;
    central) sim_records 0 0 | cmp -s - fromZv.dat || { echo "FAIL fromZv.dat"; fail=1; } ;;
    modules-3-5) sim_records 3 5 | cmp -s - fromZv.dat || { echo "FAIL fromZv.dat"; fail=1; } ;;
esac
case $name in readonly-dir-*)
    host_status 0 "$want_now" "$want" | cmp -s - zordOUT.INI ||
        { echo "FAIL zordOUT.INI:"; cat -A zordOUT.INI; fail=1; }
    ;;
esac
if [ "$name" = stderr-closed ]; then
    # "zordriv" in the bytes the unit received
    check "stderr bytes at the unit" "$(sed -n 's/^ *[0-9]* ms rx//p' sim.err | tr -d ' \n' |
        grep -c 7A6F7264726976 || true)" 0
fi
if [ "$name" = tozv-huge-tail ]; then
    for n in 7 8; do
        check "module $n as stored" "$("$ZV_SIM" --store store.txt --print-record "$n" || true)" \
            "$(test_record "$n")"
    done
fi
finish_case "$name"
