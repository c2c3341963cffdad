#!/usr/bin/env bash
# The real driver on files and ports that are not what they should be. Each run must end
# by itself with a defined result, as its exit status and (where it can be written) in
# "zordOUT.INI", with the running flag cleared.
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
    *) echo "no case $name"; exit 2 ;;
esac

case $name in
    com1-*) write_settings "${fetch_moduls[@]}"; want=5 ;;
    fromzv-directory) write_settings "${fetch_moduls[@]}"; want=10 ;;
    fromzv-full-device) write_settings "${fetch_central[@]}"; want=10 ;;
    status-directory) write_settings "${fetch_central[@]}"; want=3; want_from=central ;;
    # A settings file that would block a reader: it is passed over, the defaults run.
    settings-fifo) mkfifo zordrive.INI; want=0 ;;
    tozv-directory) write_settings "${send_central[@]}"; want=8 ;;
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
    readonly-dir-port) write_settings Comport=0; want=5 ;;
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

TIMEFORMAT='%R'
set +e
{ time timeout 30 ${run_as[@]+"${run_as[@]}"} "$ZV_DRIVER" >driver.out 2>&1; } 2>times.txt
status=$?
set -e
echo "case $name: exit $status after $(cat times.txt) s"

check "exit status" "$status" "$want"
if [ "$name" = status-directory ]; then
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
if [ "$name" = tozv-huge-tail ]; then
    for n in 7 8; do
        check "module $n as stored" "$("$ZV_SIM" --store store.txt --print-record "$n" || true)" \
            "$(test_record "$n")"
    done
fi
finish_case "$name"
