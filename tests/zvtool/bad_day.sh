#!/usr/bin/env bash
# zvtool on a technician's bad day, against the real driver and minizv-sim: a resume on
# another unit's line or from an edited partial file, a full disk, a clock set back, a ledger
# another account owns, a line that goes away in the middle of a restore. Each must keep every
# record it fetched, say what happened in the system's words, and never file one unit's
# records as another's.
#   bad_day.sh CASE   (needs ZV_TOOL as well: zvtool, built beside the driver)
# A case that cannot run here (no tmpfs to mount, not root) exits 77 with its reason.
set -euo pipefail
name=$1
source "$(dirname "$0")/zvtool_env.sh"
# The records of the simulator's default unit: central, then modules 1 to N.
default_unit() {
    { sim_records 0 0; printf ',\r\n'; sim_records 1 "$1"; }
}
# Starts zvtool in the background; interrupted() then waits for it after Ctrl-C.
start_zvtool() {
    "$ZV_TOOL" "$@" >out.txt 2>err.txt &
    tool=$!
}
stopped() {  # SIGNAL: sends it to zvtool, waits, shows what it said; $status is its exit
    [ -z "${1:-}" ] || kill "-$1" "$tool"
    status=0
    wait "$tool" || status=$?
    sed 's/^/  | /' out.txt err.txt
}

case $name in
    resume-not-the-same)
        # Two units with other records, on two lines; a backup of the first stopped by Ctrl-C.
        start_bench 1 --pace
        other_unit other.txt
        start_bench 1 --store "$PWD/other.txt"
        first=$(readlink -f l1) second=$(readlink -f l11)
        start_zvtool backup -o mix.dat --unit k9 --modules 1-6 --port "$PWD/l1"
        until [ "$(status_key NowTransferingNo)" = 3 ]; do sleep 0.05; done
        stopped INT
        check "stopped" "$status" 130
        cp mix.dat.partial kept.partial
        # On the other unit's line: refused before any driver runs.
        rm -f zordOUT.INI
        zvtool backup -o mix.dat --unit k9 --modules 1-6 --port "$PWD/l11" --resume
        check "another unit's line" "$status" 82
        has err.txt "cannot resume from $PWD/mix.dat.partial: it was taken on the port $first, and this job's port is $second"
        has err.txt "only the port tells them apart"
        check_that "no driver ran" ! -e zordOUT.INI
        # The folder's port is left as it was, for the next plain job there.
        check "COM1 led back" "$(readlink COM1)" "$PWD/l1"
        has err.txt "$PWD/COM1 links to $PWD/l1 again, as before this job"
        # A partial file changed by hand: refused, naming both hashes.
        python3 - mix.dat.partial <<'PY'
import sys
lines = open(sys.argv[1], newline="").read().split("\r\n")
fields = lines[1].split(", ")
fields[5] = str((int(fields[5]) + 1) % 256)
lines[1] = ", ".join(fields)
open(sys.argv[1], "w", newline="").write("\r\n".join(lines))
PY
        zvtool backup -o mix.dat --unit k9 --modules 1-6 --port "$PWD/l1" --resume
        check "an edited partial" "$status" 82
        has err.txt "$PWD/mix.dat.partial was changed since the backup stopped: its records' SHA-256 is "
        # As it was left, on its own line: the resume goes on, and the file is that unit's.
        cp kept.partial mix.dat.partial
        zvtool backup -o mix.dat --unit k9 --modules 1-6 --port "$PWD/l1" --resume
        check "the same unit" "$status" 0
        default_unit 6 | cmp -s - mix.dat || { echo "FAIL mix.dat is not the first unit's"; fail=1; }
        ;;
    full-disk)
        mkdir full
        why=$(mount -t tmpfs -o size=64k zvtool-full full 2>&1) || skip "cannot mount a small tmpfs here: $why"
        trap 'stop_bench; umount "$PWD/full"' EXIT
        start_sim
        mkdir full/run
        ln -s "$PWD/COM1" full/run/COM1
        zvtool --dir "$PWD/full/run" test && check "test" "$status" 0
        dd if=/dev/zero of=full/fill bs=4k 2>/dev/null || true
        # The output file cannot be written: the records fetched go to the ledger, and the
        # message names the cause and where they are.
        zvtool backup -o "$PWD/full/out.dat" --unit k9 --modules 1-3
        check "output on a full disk" "$status" 74
        has err.txt "cannot write $PWD/full/out.dat.partial: No space left on device; the 4 records are kept in the ledger as k9/"
        kept=$(ls "$ledger"/k9/*.dat)
        default_unit 3 | cmp -s - "$kept" || { echo "FAIL the ledger's copy"; fail=1; }
        # Room for zvtool's files but not the driver's "fromZv.dat": the cause, for a fetch.
        truncate -s -4k full/fill
        zvtool --dir "$PWD/full/run" backup -o "$PWD/run.dat" --unit k9 --modules 1-3
        check "run folder on a full disk" "$status" 10
        has err.txt "the driver could not write $PWD/full/run/fromZv.dat: No space left on device; make room in the run folder, or give --dir another one"
        if grep -q "correct fromZv.dat" err.txt; then echo "FAIL advice for a send"; fail=1; fi
        ;;
    clock-back)
        command -v faketime >/dev/null || skip "no faketime (package faketime)"
        start_sim
        export FAKETIME_DONT_FAKE_MONOTONIC=1
        at() {  # at TIME zvtool ARGS...: zvtool (and its driver) with the clock at TIME
            local time=$1
            shift
            status=0
            timeout 120 faketime -f "@$time" "$ZV_TOOL" "$@" >out.txt 2>err.txt || status=$?
            echo "at $time: zvtool $*: exit $status"
            sed 's/^/  | /' out.txt err.txt
        }
        at "2026-12-09 10:00:00" backup -o a.dat --unit k9 --modules 1-2
        check "first backup" "$status" 0
        # The clock set back a day: the backup made last is still the newest, with a warning.
        at "2026-12-08 10:00:00" backup -o b.dat --unit k9 --modules 1-2
        check "second backup" "$status" 0
        second=$(sed -n 's/.*kept in the ledger as k9@1 (\([^)]*\)).*/\1/p' err.txt)
        check_that "the second is k9@1 ($second)" -n "$second"
        zvtool --json history k9 && check "history" "$status" 0
        check "newest first" "$(json out.txt 'o["entries"][0]["id"], len(o["entries"])')" "('$second', 2)"
        has err.txt "k9@1 ($second) is dated before the entry its workstation made before it: that workstation's clock was behind"
        zvtool units && check "units" "$status" 0
        has out.txt "k9"
        ;;
    ledger-other-owner)
        [ "$(id -u)" -eq 0 ] || skip "needs root, to run zvtool as nobody against root's ledger"
        start_sim
        default_unit 2 >a.dat
        zvtool set a.dat -o b.dat module 1 0 9 module 2 0 9 >/dev/null
        zvtool backup -o root.dat --unit k9 --modules 1-2 && check "root's backup" "$status" 0
        zvtool backup -o root2.dat --unit k9 --modules 1-2 && check "root's second" "$status" 0
        chmod 0755 data "$ledger" "$ledger/k9" && chmod 0644 "$ledger"/ledger.log "$ledger"/k9/*
        # nobody's run folder, on root's line.
        mkdir -m 0777 job state-nobody
        chmod o+rw "$(readlink -f COM1)"
        ln -s "$PWD/COM1" job/COM1
        cp a.dat b.dat job/ && chmod 0644 job/*.dat
        cd job
        export XDG_STATE_HOME="$PWD/../state-nobody"
        run_as=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
        # A ledger nobody may not write: each restore keeps what the unit held before it
        # beside the run folder's files, under a name of its own.
        as_user restore b.dat --unit k9 && check "restore b" "$status" 0
        has err.txt "the unit's records as they were are kept in $PWD/zvtool-before.dat"
        has err.txt "Permission denied"
        as_user restore a.dat --unit k9 && check "restore a" "$status" 0
        has err.txt "the unit's records as they were are kept in $PWD/zvtool-before-2.dat"
        cmp -s a.dat zvtool-before.dat || { echo "FAIL zvtool-before.dat is not the unit before"; fail=1; }
        cmp -s b.dat zvtool-before-2.dat || { echo "FAIL zvtool-before-2.dat"; fail=1; }
        # A ledger nobody may not read is an error with the system's words, never "empty".
        chmod 0700 "$ledger"
        for command in "history k9" units "diff k9@1 k9@2"; do
            as_user $command
            check "$command, unreadable" "$status" "$([ "$command" = units ] || [ "$command" = "history k9" ] && echo 66 || echo 2)"
            has err.txt "Permission denied"
        done
        ;;
    port-gone)
        # The line goes away while a restore sends: the send's driver run ends on the device it
        # opened, and the read-back is never run on another.
        start_sim --pace --store "$PWD/unit.txt"
        pts=$(readlink COM1)
        zvtool backup -o u.dat --modules 1-4 && check "backup" "$status" 0
        zvtool set u.dat -o c.dat module 1 0 1 module 2 0 2 module 3 0 3 module 4 0 4 >/dev/null
        start_zvtool restore c.dat
        until tr -d '\r' <zordrive.INI | grep -q '^SendNumberOfModuls=4$' &&
            [ "$(status_key NowTransferingNo)" = 2 ]; do sleep 0.05; done
        rm COM1
        stopped
        check "the port went away" "$status" 83
        has err.txt "the port went away: COM1 was $pts when the job began"
        has err.txt "  zvtool restore $PWD/c.dat --resume"
        # The line back: the finishing command completes the restore.
        ln -s "$pts" COM1
        zvtool restore c.dat --resume && check "resumed" "$status" 0
        zvtool backup -o after.dat --modules 1-4 && check "backup after" "$status" 0
        cmp after.dat c.dat || { echo "FAIL the unit does not hold the file"; fail=1; }
        ;;
    *) echo "no case $name"; exit 2 ;;
esac
finish_case "zvtool-$name"
