#!/usr/bin/env bash
# zvtool running the real driver against minizv-sim, as a person or a script would: every
# job, backup and restore, failures with their exit status and message, the progress on a
# pipe and on a pseudo-terminal, and Ctrl-C in the middle of a fetch.
#   zvtool_jobs.sh CASE   (needs ZV_TOOL as well: zvtool, built beside the driver)
set -euo pipefail
name=$1
source "$(dirname "$0")/zvtool_env.sh"

case $name in
    jobs)
        start_sim
        zvtool test && check "test" "$status" 0
        has out.txt "result 0: the unit answered the version query"
        zvtool fetch central -o central.dat && check "fetch central" "$status" 0
        sim_records 0 0 | cmp -s - central.dat || { echo "FAIL central.dat"; fail=1; }
        zvtool fetch modules 3-5 --driver "$ZV_DRIVER" -o modules.dat
        check "fetch modules" "$status" 0
        sim_records 3 5 | cmp -s - modules.dat || { echo "FAIL modules.dat"; fail=1; }
        has out.txt "modules.dat: 3 records"
        # Not a terminal: one plain line per module, in order.
        check "progress lines" "$(grep -c '^module [345] ([123] of 3) at ' err.txt)" 3
        zvtool --json send central central.dat --ignore-mut-block
        check "send central" "$status" 0
        check "json" "$(json out.txt 'o["version"], o["command"], o["exit"], o["job"], o["result"], o["meaning"], o["records"], o["file"], o["partial"]')" \
            "(2, 'send', 0, 'send central', 1, 'every record was sent and the unit accepted each one', 1, '$PWD/central.dat', False)"
        check "IgnoreMutBlock" "$(tr -d '\r' <zordrive.INI | grep -c '^IgnoreMutBlock=1$')" 1
        # Every other line of the settings file stays.
        printf '; kept\r\n[Other]\r\nKey=1\r\n' >>zordrive.INI
        zvtool send modules modules.dat --port 1 && check "send modules" "$status" 0
        has zordrive.INI "; kept"
        has zordrive.INI "Key=1"
        has zordrive.INI "SendNumberOfModuls=3"
        cmp -s modules.dat ToZv.dat || { echo "FAIL ToZv.dat is not the file sent"; fail=1; }
        ;;
    round-trip)
        # Records fetched from one unit, sent to another, come back byte for byte.
        start_sim
        zvtool fetch modules 1-3 -o first.dat && check "fetch" "$status" 0
        stop_sim
        other_unit other.txt
        start_sim --store "$PWD/other.txt"
        zvtool send modules first.dat && check "send" "$status" 0
        zvtool fetch modules 1-3 -o again.dat && check "fetch again" "$status" 0
        cmp first.dat again.dat || { echo "FAIL the records came back changed"; fail=1; }
        ;;
    backup-restore)
        start_sim
        zvtool backup -o unit1.dat --modules 1-4 && check "backup" "$status" 0
        { sim_records 0 0; printf ',\r\n'; sim_records 1 4; } | cmp -s - unit1.dat ||
            { echo "FAIL unit1.dat is not central then modules 1-4"; fail=1; }
        stop_sim
        other_unit other.txt
        start_sim --store "$PWD/other.txt"
        zvtool restore unit1.dat && check "restore" "$status" 0
        has out.txt "5 of 5 records written and read back the same"
        zvtool backup -o unit2.dat --modules 1-4 && check "second backup" "$status" 0
        cmp unit1.dat unit2.dat || { echo "FAIL the second unit's backup differs"; fail=1; }
        check_that "no partial file" ! -e unit2.dat.partial
        ;;
    silent-unit)
        start_sim --silent
        zvtool test && check "test" "$status" 2
        has out.txt "result 2: the unit did not acknowledge the version query"
        # The account comes from the session trace at once, without --trace.
        has err.txt "version query: 1 attempt, failed: 1 x no acknowledgement"
        has err.txt "the line is silent: check that COM1 is the port"
        grep -q "again with --trace" err.txt && { echo "FAIL asks for a second run"; fail=1; }
        # With --trace the driver's trace goes there instead.
        zvtool test --trace "$PWD/driver.trace" && check "traced test" "$status" 2
        has err.txt "the driver's trace ($PWD/driver.trace) tells:"
        has err.txt "version query: 1 attempt, failed: 1 x no acknowledgement"
        has err.txt "the line is silent: check that COM1 is the port"
        ;;
    service)
        # Back up, change two bytes, dry-run, restore: only the two records are sent and read
        # back; the ledger holds each copy with its SHA-256, and diff reads it as UNIT@N.
        other_unit unit.txt
        start_sim --store "$PWD/unit.txt" --unit-version 3,7
        zvtool backup -o u.dat --modules 1-4 --unit pump-3 && check "backup" "$status" 0
        has err.txt "the unit answered: version 3.7"
        # Kept under its permanent name, with the port the job really used.
        sha=$(sha256sum u.dat | cut -c1-64)
        id=$(sed -n 's/.* id=\([^ ]*\) .*/\1/p' "$ledger/ledger.log")
        check "permanent name" "$(echo "$id" | grep -c "^pump-3/[0-9]\{8\}-[0-9]\{6\}-${sha:0:8}-")" 1
        has err.txt "kept in the ledger as pump-3@1 ($id): $ledger/$id.dat"
        check "log lines" "$(wc -l <"$ledger/ledger.log")" 1
        has "$ledger/ledger.log" " backup unit=pump-3 port=$(readlink -f COM1) version=3.7 records=5 sha256=$sha file=$id.dat id=$id "
        has "$ledger/ledger.log" " seq=1 folder=$PWD"
        cmp u.dat "$ledger/$id.dat" || { echo "FAIL the ledger's copy differs"; fail=1; }
        zvtool set u.dat -o changed.dat module 2 0 7 module 4 129 0x09 && check "set" "$status" 0
        has out.txt "module 2: 1 of 130 bytes differ"
        check "bytes" "$(tr -d '\r' <changed.dat | tr '\n' ' ' | grep -c ', 7, ')" 1
        zvtool restore changed.dat --dry-run && check "dry run" "$status" 0
        has out.txt "plan: send modules 2, 4 (2 records), then read them back: about 7 s; 3 records already hold the file's values"
        has out.txt "dry run: nothing sent"
        check "sent by the dry run" "$(sim_did | grep -c send || true)" 0
        zvtool restore changed.dat --modules 3-4 --dry-run && check "dry run 3-4" "$status" 0
        has out.txt "plan: send module 4 (1 record), then read it back: about 4 s; 1 record already holds the file's values; 2 module records outside --modules left as they are"
        lines=$(wc -l <sim.err)
        zvtool restore changed.dat && check "restore" "$status" 0
        has out.txt "restore of $PWD/changed.dat: 2 of 2 records written and read back the same"
        check "the restore's exchanges" "$(sim_did $((lines + 1)))" \
            "fetch central fetch module 1 fetch module 2 fetch module 3 fetch module 4 send module 2 send module 4 fetch module 2 fetch module 4 "
        check "module 2 byte 0" "$(store_byte unit.txt 2 0)" 7
        check "module 4 byte 129" "$(store_byte unit.txt 4 129)" 9
        # A dry run's copy is a copy of the unit, not one before a restore; a verified restore
        # adds the unit's new state.
        check "log lines" "$(wc -l <"$ledger/ledger.log")" 5
        check "kinds" "$(cut -d' ' -f4 "$ledger/ledger.log" | tr '\n' ' ')" "backup copy copy pre-restore restored "
        zvtool history pump-3 && check "history" "$status" 0
        has out.txt "pump-3@5       "
        has out.txt "pre-restore   5 records  port $(readlink -f COM1)  version 3.7"
        has out.txt "  $id  $ledger/$id.dat"
        zvtool diff pump-3@5 changed.dat && check "diff backup and file" "$status" 1
        has out.txt "2 changed, 0 only in A, 0 only in B, 3 the same"
        zvtool diff pump-3@2 pump-3@5 && check "the unit before the restore" "$status" 0
        zvtool diff pump-3@1 changed.dat && check "the unit after the restore" "$status" 0
        zvtool diff "$id" u.dat && check "a permanent name" "$status" 0
        zvtool diff pump-3@9 u.dat && check "no such backup" "$status" 2
        has err.txt "the ledger holds 5 entries of unit pump-3, not 9"
        # The folder remembers the unit it last named.
        zvtool backup -o after.dat --modules 1-4 && check "second backup" "$status" 0
        has err.txt "kept in the ledger as pump-3@1"
        cmp after.dat changed.dat || { echo "FAIL the unit does not hold the file"; fail=1; }
        zvtool units && check "units" "$status" 0
        has out.txt "pump-3         last backup "
        has out.txt ", 5 records, 6 kept"
        zvtool --json history && check "json history" "$status" 0
        check "json" "$(json out.txt 'len(o["entries"]), o["entries"][0]["name"], o["entries"][0]["version"], o["entries"][-1]["id"], o["entries"][0]["state"]')" "(6, 'pump-3@1', '3.7', '$id', 'sound')"
        ;;
    resume-ctrl-c)
        # Ctrl-C in the middle of a backup: it says how to continue, and --resume does.
        start_sim --pace
        "$ZV_TOOL" backup -o u.dat --modules 1-6 >out.txt 2>err.txt &
        tool=$!
        until [ "$(status_key NowTransferingNo)" = 3 ]; do sleep 0.05; done
        kill -INT "$tool"
        status=0
        wait "$tool" || status=$?
        sed 's/^/  | /' out.txt err.txt
        check "exit status" "$status" 130
        has err.txt "zvtool backup -o $PWD/u.dat --modules 1-6 --resume"
        # The same unit on the same line: a simulator started anew would be another device.
        from=$(($(wc -l <sim.err) + 1))
        zvtool backup -o u.dat --modules 1-6 --resume && check "resumed" "$status" 0
        check "fetched no module before 2" "$(sim_did "$from" | grep -c 'fetch module 1 \|fetch central' || true)" 0
        { sim_records 0 0; printf ',\r\n'; sim_records 1 6; } | cmp -s - u.dat ||
            { echo "FAIL u.dat is not central then modules 1-6"; fail=1; }
        ;;
    restore-ctrl-c)
        # Ctrl-C while the differing modules are sent: zvtool says what the unit holds and
        # how to finish, and --resume finishes: the unit then holds the file.
        start_sim --pace --store "$PWD/unit.txt"
        zvtool backup -o u.dat --modules 1-4 && check "backup" "$status" 0
        zvtool set u.dat -o c.dat module 1 0 1 module 2 0 2 module 3 0 3 module 4 0 4
        "$ZV_TOOL" restore c.dat >out.txt 2>err.txt &
        tool=$!
        until tr -d '\r' <zordrive.INI | grep -q '^SendNumberOfModuls=4$' &&
            [ "$(status_key NowTransferingNo)" = 2 ]; do sleep 0.05; done
        kill -INT "$tool"
        status=0
        wait "$tool" || status=$?
        sed 's/^/  | /' out.txt err.txt
        check "exit status" "$status" 130
        has err.txt "the restore stopped: the unit holds the file's module 1; modules 2-4 are still as before (or, for the record under way, either way). Nothing was read back yet. Finish with:"
        has err.txt "  zvtool restore $PWD/c.dat --resume"
        check_that "a note of what is left" -e zvtool-restore.todo
        # The same unit on the same port: a simulator started anew would be another device.
        zvtool restore c.dat --resume && check "resumed" "$status" 0
        has err.txt "resuming the restore of $PWD/c.dat: modules 1-4 still to do"
        has out.txt "written and read back the same"
        check_that "no note left" ! -e zvtool-restore.todo
        zvtool backup -o after.dat --modules 1-4 && check "backup after" "$status" 0
        cmp after.dat c.dat || { echo "FAIL the unit does not hold the file"; fail=1; }
        ;;
    ledger-unwritable)
        # A ledger folder that cannot be made: the job runs all the same, and says so.
        start_sim
        : >notafolder
        XDG_DATA_HOME="$PWD/notafolder" zvtool backup -o u.dat --modules 1-2 &&
            check "backup" "$status" 0
        has err.txt "zvtool: warning: cannot read $PWD/notafolder/zvtool/ledger.log: Not a directory; this copy is not kept in the ledger ($PWD/u.dat is whole all the same)"
        { sim_records 0 0; printf ',\r\n'; sim_records 1 2; } | cmp -s - u.dat ||
            { echo "FAIL u.dat"; fail=1; }
        XDG_DATA_HOME="$PWD/notafolder" zvtool restore u.dat && check "restore" "$status" 0
        has err.txt "the unit's records as they were are kept in $PWD/zvtool-before.dat: cannot read $PWD/notafolder/zvtool/ledger.log: Not a directory"
        has out.txt "plan: nothing to send"
        cmp -s u.dat zvtool-before.dat || { echo "FAIL zvtool-before.dat"; fail=1; }
        # A second restore keeps its copy beside the first, never over it.
        XDG_DATA_HOME="$PWD/notafolder" zvtool restore u.dat && check "restore again" "$status" 0
        has err.txt "the unit's records as they were are kept in $PWD/zvtool-before-2.dat"
        cmp -s u.dat zvtool-before-2.dat || { echo "FAIL zvtool-before-2.dat"; fail=1; }
        ;;
    refused-record)
        start_sim --status 9:8:1
        for n in 7 8 9; do test_record "$n"; done | awk -f "$e2e_dir/expect_datafile.awk" >m.dat
        zvtool send modules m.dat && check "send" "$status" 2
        has err.txt "the send ended at record 2 of 3"
        ;;
    refused-file)
        # Records zvtool will not send, and command lines it will not run: nothing starts.
        sim_records 0 0 >central.dat
        zvtool send modules central.dat && check "central as modules" "$status" 65
        has err.txt "send the central record with"
        printf '1, 2, 3\r\n' >short.dat
        zvtool send central short.dat && check "short file" "$status" 65
        test_record 5 | awk -f "$e2e_dir/expect_datafile.awk" >m.dat
        zvtool restore m.dat && check "restore without central" "$status" 65
        has err.txt "is not a setup file"
        { sim_records 0 0; printf ',\r\n'; sim_records 1 4; } >unit.dat
        zvtool restore unit.dat --modules 30-40 && check "modules the file lacks" "$status" 64
        has err.txt "unit.dat holds no record in --modules 30-40 (it holds central, modules 1-4), so there is nothing to restore"
        zvtool restore nope@1 && check "no such ledger entry" "$status" 66
        has err.txt "the ledger holds no backup of unit nope"
        zvtool fetch modules 5-3 && check "range 5-3" "$status" 64
        has err.txt "'5-3' is not a module range"
        has err.txt "Try 'zvtool fetch --help'."
        zvtool backup -o no-such-dir/unit.dat && check "backup into nowhere" "$status" 73
        has err.txt "cannot create files beside $PWD/no-such-dir/unit.dat"
        check_that "no settings written" ! -e zordrive.INI
        ;;
    missing-driver)
        zvtool test --driver "$PWD/no-such-driver" && check "missing driver" "$status" 69
        has err.txt "no driver program at $PWD/no-such-driver; check --driver"
        ;;
    missing-port)
        zvtool fetch modules 1-2 --port 77 && check "missing port" "$status" 5
        has out.txt "result 5: the serial port cannot be opened"
        # What COM77 is here, and that no such device is there.
        has err.txt "the driver could not open COM77, the port from --port: COM77 is /dev/ttyS76 (there is no link $PWD/COM77), and no serial port is there: "
        # A port left in the settings by an earlier --port is named as such.
        zvtool fetch modules 1-2 && check "earlier port" "$status" 5
        has err.txt "the driver could not open COM77, the port from Comport=77 in $PWD/zordrive.INI, left by an earlier --port or another host"
        ;;
    terminal)
        # On a pseudo-terminal: one line redrawn with CR, cleared at the end.
        start_sim --pace
        status=0
        script -q -e -c "'$ZV_TOOL' fetch modules 1-2" /dev/null >tty.txt || status=$?
        check "exit status" "$status" 0
        tr '\r' '\n' <tty.txt | grep -q '^module 2 (2 of 2) \[##########\.\.\.\.\.\.\.\.\.\.\] 0:0[0-9], about 0:0[0-9] left' ||
            { echo "FAIL no redrawn bar line"; cat -A tty.txt | head -c 600; fail=1; }
        check "plain lines" "$(grep -c 'of 2) at' tty.txt || true)" 0
        grep -q $'\r *\r''result 3' tty.txt || { echo "FAIL the line is not cleared"; fail=1; }
        ;;
    ctrl-c)
        start_sim --pace
        "$ZV_TOOL" --json fetch modules 1-20 >out.txt 2>err.txt &
        tool=$!
        until [ "$(status_key NowTransferingNo)" = 3 ]; do sleep 0.05; done
        kill -INT "$tool"
        status=0
        wait "$tool" || status=$?
        sed 's/^/  | /' out.txt err.txt
        check "exit status" "$status" 130
        # Module 3 is under way: 2 records, or 3 on a machine slow enough to miss the pass.
        kept=$(sed -n 's/.*fromZv.dat holds the \([0-9]*\) records fetched before the job ended/\1/p' err.txt)
        check_that "records kept ($kept)" "${kept:-0}" -ge 2 -a "${kept:-0}" -le 3
        has err.txt "the driver left ZorVekDriverRunning=1"
        check "json" "$(json out.txt 'o["exit"], o["result"], o["partial"], o["records"] == '"${kept:-0}"', o["error"]')" \
            "(130, None, True, True, 'interrupted: stopping the driver')"
        sim_records 1 "${kept:-0}" | cmp -s - fromZv.dat || { echo "FAIL fromZv.dat"; fail=1; }
        no_driver_left
        ;;
    ports)
        # The driver's port here is a pseudo-terminal that the simulator holds open.
        start_sim
        pts=$(readlink COM1)
        zvtool ports && check "ports" "$status" 0
        has out.txt "the driver's ports in $PWD:"
        has out.txt "COM1 -> $pts pseudo-terminal"
        has out.txt "in use by minizv-sim (pid $sim_pid), you may open it"
        # A second holder is named too; --json is one object a parser reads.
        exec 3<>"$pts"
        zvtool ports --json --dir "$PWD" && check "ports --json" "$status" 0
        exec 3>&-
        python3 - out.txt "$pts" "$sim_pid" <<'PY' || { echo "FAIL ports --json"; fail=1; }
import json, sys
report = json.load(open(sys.argv[1]))
assert report["command"] == "ports" and report["exit"] == 0, report
here = report["folder"][0]
assert here["link"] == "COM1" and here["device"] == sys.argv[2], here
assert here["driver"] == "pseudo-terminal" and here["in_use"] is True, here
assert "minizv-sim (pid %s)" % sys.argv[3] in here["holders"], here
assert any(holder.startswith("bash (pid ") for holder in here["holders"]), here
for port in report["ports"]:
    assert port["device"].startswith("/dev/") and port["may_open"] in (True, False), port
PY
        zvtool ports --dir "$PWD/nowhere" && check "ports in no folder" "$status" 66
        ;;
    port-path)
        # --port by path: zvtool makes the COM1 link itself and says so.
        "$ZV_SIM" --link "$PWD/line" >sim.out 2>sim.err &
        sim_pid=$!
        until grep -q '^ready' sim.out 2>/dev/null; do sleep 0.05; done
        zvtool test --port "$PWD/line" && check "test by path" "$status" 0
        has err.txt "$PWD/COM1 now links to $PWD/line"
        check "COM1" "$(readlink COM1)" "$PWD/line"
        has out.txt "result 0: the unit answered the version query"
        zvtool test --port "$PWD/no-such-line" && check "no such device" "$status" 69
        has err.txt "no device $PWD/no-such-line"
        touch plain.txt
        zvtool test --port "$PWD/plain.txt" && check "a plain file" "$status" 69
        has err.txt "is not a serial port"
        check "COM1 kept" "$(readlink COM1)" "$PWD/line"
        zvtool test --port usb:0403:6001:NO-SUCH && check "no such adapter" "$status" 69
        has err.txt "no USB serial adapter usb:0403:6001:NO-SUCH is plugged in"
        # A port this user may not open names the reason before any driver starts.
        if [ "$(id -u)" -eq 0 ]; then
            chmod 0600 "$(readlink -f line)"
            chmod 0777 .
            rm -f zordOUT.INI
            status=0
            setpriv --reuid=nobody --regid=nogroup --clear-groups "$ZV_TOOL" test --port "$PWD/line" >out.txt 2>err.txt || status=$?
            sed 's/^/  | /' err.txt
            check "no permission" "$status" 77
            has err.txt "you may not open $PWD/line"
            check_that "no driver ran" ! -e zordOUT.INI
            # A port its group may open names that group, read from the system's group file.
            chgrp dialout "$(readlink -f line)" && chmod 0660 "$(readlink -f line)"
            status=0
            setpriv --reuid=nobody --regid=nogroup --clear-groups "$ZV_TOOL" test --port "$PWD/line" >out.txt 2>err.txt || status=$?
            sed 's/^/  | /' err.txt
            check "no permission, a group may" "$status" 77
            has err.txt "you may not open $PWD/line: join the group dialout"
        fi
        rm -f COM1 && mkdir COM1
        zvtool test --port "$PWD/line" && check "COM1 a folder" "$status" 73
        has err.txt "$PWD/COM1 is not a link"
        ;;
    bench)
        # Three units at once, the third refusing module 2: the other two end well.
        start_bench 2
        start_bench 1 --status 7:2:1
        zvtool --ports "$PWD/l1,$PWD/l2,$PWD/l11" fetch modules 1-3 -o m.dat
        check "bench" "$status" 4
        for unit in unit1 unit2; do
            sim_records 1 3 | cmp -s - $unit/m.dat || { echo "FAIL $unit/m.dat"; fail=1; }
            grep -q "^$unit  *$PWD/l${unit#unit}  *ok  *3  *0:0[0-9]$" out.txt || { echo "FAIL $unit's row"; fail=1; }
        done
        check_that "no unit3/m.dat" ! -e unit3/m.dat
        grep -q "^unit3 .*result 4: .* 1 .* 0:0[0-9]$" out.txt || { echo "FAIL unit3's row"; fail=1; }
        check "table rows" "$(grep -c '^unit[123] ' out.txt)" 3
        # Not a terminal: one line per event, each unit's own.
        check "unit2 module 3" "$(grep -c '^unit2: module 3 (3 of 3) at ' err.txt)" 1
        has err.txt "unit3: result 4"
        # --json: one object per unit, with the unit's own run inside.
        zvtool --json --ports "$PWD/l1,$PWD/l11" fetch modules 2 && check "bench --json" "$status" 4
        python3 - out.txt "$PWD" <<'PY' || { echo "FAIL bench --json"; fail=1; }
import json, sys
units = [json.loads(line) for line in open(sys.argv[1])]
assert [u["unit"] for u in units] == ["unit1", "unit2"], units
assert units[0]["exit"] == 0 and units[0]["records"] == 1 and units[0]["run"]["result"] == 3, units[0]
assert units[1]["exit"] == 4 and units[1]["unit_port"] == sys.argv[2] + "/l11", units[1]
assert units[1]["result"] == 4 and units[1]["outcome"].startswith("result 4: ") and units[1]["command"] == "fetch", units[1]
assert all(u["cpu_seconds"] >= 0 and u["seconds"] > 0 for u in units), units
PY
        # The file a send reads is named from here, not from each unit's folder.
        cp unit1/m.dat golden.dat
        zvtool --ports "$PWD/l1,$PWD/l2" send modules golden.dat && check "bench send" "$status" 0
        check "sent rows" "$(grep -c '^unit[12]  .*  ok  *3  ' out.txt)" 2
        # A bench job takes the options a single one takes, and keeps each unit in the ledger
        # under its own name: a dry run of module 2 sends nothing, plans module 2 alone.
        zvtool --ports "$PWD/l1,$PWD/l2" backup -o b.dat --modules 1-2 && check "bench backup" "$status" 0
        zvtool set unit1/b.dat module 2 5 99 -o changed.dat && check "set" "$status" 0
        zvtool --ports "$PWD/l1,$PWD/l2" restore changed.dat --modules 2 --dry-run &&
            check "bench dry run" "$status" 0
        for unit in unit1 unit2; do
            check "$unit dry run" "$(json $unit.json 'o["summary"], o["plan"].startswith("send module 2 (1 record)"), "outside --modules" in o["plan"]')" \
                "('dry run: nothing sent', True, True)"
            zvtool --json history $unit
            check "$unit in the ledger" "$(json out.txt 'sorted((e["unit"], e["kind"]) for e in o["entries"])')" \
                "[('$unit', 'backup'), ('$unit', 'copy')]"
        done
        zvtool --ports "$PWD/l1" --unit pump restore changed.dat && check "--unit for a bench" "$status" 64
        has err.txt "a bench names its units itself"
        # A units file names the folders.
        printf '# the bench\nbay-a %s\n\nbay-b %s\r\n' "$PWD/l1" "$PWD/l2" >units.txt
        zvtool --units units.txt test && check "units file" "$status" 0
        check "bay-a COM1" "$(readlink bay-a/COM1)" "$PWD/l1"
        check "bay-b COM1" "$(readlink bay-b/COM1)" "$PWD/l2"
        has bay-b.json '"result": 0'
        has out.txt "bay-b  $PWD/l2"
        zvtool --ports 1,COM1 test && check "a port twice" "$status" 64
        has err.txt "the port COM1 is named twice"
        zvtool --ports "$PWD/l1" --port 1 test && check "--port beside --ports" "$status" 64
        zvtool --ports "$PWD/l1" fetch central -o "$PWD/c.dat" && check "a shared -o" "$status" 64
        has err.txt "give a relative name"
        printf 'bay/1 1\n' >bad-units.txt
        zvtool --units bad-units.txt test && check "bad units file" "$status" 65
        has err.txt "bad-units.txt: line 1: 'bay/1' cannot name a unit and its folder"
        ;;
    bench-ctrl-c)
        start_bench 2 --pace
        "$ZV_TOOL" --ports "$PWD/l1,$PWD/l2" fetch modules 1-20 >out.txt 2>err.txt &
        tool=$!
        until [ "$(cd unit2 2>/dev/null && status_key NowTransferingNo)" = 3 ]; do sleep 0.05; done
        kill -INT "$tool"
        status=0
        wait "$tool" || status=$?
        sed 's/^/  | /' out.txt err.txt
        check "exit status" "$status" 130
        has err.txt "interrupted: stopping every unit's driver"
        for unit in unit1 unit2; do
            grep -q "^zvtool: $unit: .*fromZv.dat holds the [0-9]* records fetched" err.txt ||
                { echo "FAIL $unit does not say what it holds"; fail=1; }
            grep -q "^$unit .* stopped by Ctrl-C  *[0-9]" out.txt || { echo "FAIL $unit's row"; fail=1; }
        done
        no_driver_left
        ;;
    one-job-per-folder)
        # A second job in the folder of a running backup is refused at once; the backup's
        # file comes out whole.
        start_sim
        "$ZV_TOOL" backup -o b.dat --modules 1-10 >first.out 2>first.err &
        first=$!
        for _ in $(seq 200); do
            [ "$(status_key NowTransferingNo)" -ge 2 ] 2>/dev/null && break
            sleep 0.05
        done
        zvtool fetch modules 9 -o m9.dat && check "second job" "$status" 75
        has err.txt "another zvtool job runs on the driver's files in $PWD: \`zvtool backup -o b.dat --modules 1-10\`, started "
        check_that "no m9.dat" ! -e m9.dat
        zvtool --json send modules b.dat && check "second job, json" "$status" 75
        check "json" "$(json out.txt 'o["exit"], o["command"], "backup -o b.dat" in o["error"]')" "(75, 'send', True)"
        # The record-file commands need no lock.
        sim_records 0 0 >c.dat
        zvtool check c.dat && check "check meanwhile" "$status" 0
        status=0
        wait "$first" || status=$?
        sed 's/^/  | /' first.out first.err
        check "first job" "$status" 0
        { sim_records 0 0; printf ',\r\n'; sim_records 1 10; } | cmp -s - b.dat ||
            { echo "FAIL b.dat is not central then modules 1-10"; fail=1; }
        has first.out "b.dat: 11 records"
        ;;
    read-only-folder)
        # A folder the user cannot write: zvtool names it and the reason, starts no driver.
        # Root may write any folder, so under root zvtool runs as nobody (setpriv).
        start_sim
        mkdir open
        chmod 0777 open
        printf '#!/bin/sh\necho started >>"%s/open/started"\nexec "%s"\n' "$PWD" "$ZV_DRIVER" >driver.sh
        chmod 0755 driver.sh
        write_settings TestMiniZvConnection=1
        ordinary_user "$PWD"
        as_user fetch central -o "$PWD/open/c.dat" --driver "$PWD/driver.sh"
        check "read-only folder" "$status" 73
        has err.txt "cannot write in $PWD"
        has err.txt "Permission denied; the driver was not started"
        check "nothing else said" "$(wc -l <err.txt)" 1
        # With the lock file writable but not the settings file, the keys do not read back.
        : >.zvtool.lock
        chmod 0666 .zvtool.lock
        as_user --json fetch central --driver "$PWD/driver.sh"
        check "settings not writable" "$status" 73
        check "json" "$(json out.txt 'o["exit"], o["result"], o["error"]')" \
            "(73, None, 'cannot write the job into $PWD/zordrive.INI (TestMiniZvConnection=0): Permission denied; the driver was not started')"
        check_that "no driver started" ! -e open/started
        ;;
    unseen-settings)
        # A driver that reads its settings elsewhere runs its default job, the connection
        # test: zvtool says it did not run the fetch asked for.
        start_sim
        mkdir elsewhere
        ln -s "$(readlink -f COM1)" elsewhere/COM1
        # Its status file is the one zvtool reads (as when only the settings are elsewhere).
        printf '#!/bin/sh\ncd "%s/elsewhere" && "%s"\ns=$?\ncp zordOUT.INI ..\nexit $s\n' \
            "$PWD" "$ZV_DRIVER" >driver.sh
        chmod 0755 driver.sh
        zvtool fetch central -o c.dat --driver "$PWD/driver.sh" && check "elsewhere" "$status" 76
        has err.txt "the driver did not run the job asked for: it ended with result 0, which only the connection test gives, not the central fetch"
        has err.txt "this driver reads \"zordrive.INI\" in the folder it runs in"
        has out.txt "result 0: the driver did not run the job asked for"
        grep -q "the unit answered" out.txt && { echo "FAIL the test's meaning is shown"; fail=1; }
        check_that "no c.dat" ! -e c.dat
        # Both of its files elsewhere: an exit status but no "ComStatus" where zvtool reads it.
        printf '#!/bin/sh\ncd "%s/elsewhere" && exec "%s"\n' "$PWD" "$ZV_DRIVER" >driver.sh
        zvtool fetch central -o c.dat --driver "$PWD/driver.sh" && check "no status" "$status" 76
        has err.txt "the driver did not run the job asked for: it ended with exit status 0 but wrote no ComStatus in $PWD/zordOUT.INI"
        check_that "no c.dat" ! -e c.dat
        # A stale "ComStatus" of an earlier run is no result of this one: a driver killed
        # before its end leaves none, whatever its exit status.
        printf '[Zorvek PC interface driver]\r\nComStatus=3\r\n' >zordOUT.INI
        printf '#!/bin/sh\nexit 3\n' >killed.sh
        chmod 0755 killed.sh
        zvtool fetch central -o c.dat --driver "$PWD/killed.sh" && check "stale" "$status" 76
        has err.txt "it ended with exit status 3 but wrote no ComStatus"
        check_that "no c.dat" ! -e c.dat
        # A fetch that reports success with fewer records than asked for is not a success.
        printf '#!/bin/sh\n"%s"\ns=$?\nhead -c 600 fromZv.dat >cut && mv cut fromZv.dat\nexit $s\n' "$ZV_DRIVER" >cut.sh
        chmod 0755 cut.sh
        zvtool --json fetch modules 1-3 -o m.dat --driver "$PWD/cut.sh" && check "cut" "$status" 76
        check "json" "$(json out.txt 'o["exit"], o["result"], o["records"], o["partial"]')" "(76, 3, 1, True)"
        has err.txt "holds 1 of the 3 records asked for"
        check_that "no m.dat" ! -e m.dat
        ;;
    no-overwrite)
        start_sim
        zvtool backup -o set.dat --modules 1-3 && check "backup" "$status" 0
        cp set.dat kept.dat
        zvtool backup -o set.dat --modules 1 && check "again" "$status" 73
        has err.txt "$PWD/set.dat exists; give --force to replace it, or --dated"
        zvtool fetch modules 1 -o set.dat && check "fetch over it" "$status" 73
        zvtool --json fetch modules 1 -o set.dat && check "json" "$(json out.txt 'o["exit"], o["trace"]')" "(73, None)"
        cmp -s kept.dat set.dat || { echo "FAIL set.dat was replaced"; fail=1; }
        zvtool backup -o set.dat --modules 1 --dated && check "dated" "$status" 0
        check "dated files" "$(ls set-*.dat | wc -l)" 1
        has out.txt "$PWD/$(ls set-*.dat): 2 records"
        zvtool backup -o set.dat --modules 1 --force && check "force" "$status" 0
        has out.txt "set.dat: 2 records"
        ;;
    fault-refused)
        # A refused module: the account says refused, not silent, without --trace; JSON
        # names the failing module and the partial file.
        start_sim --status 7:4:1
        zvtool fetch modules 3-5 -o m.dat && check "refused" "$status" 4
        has out.txt "result 4: the exchange failed or the unit refused the record ("
        has err.txt "module 4 fetch: 1 attempt, failed: 1 x refused with status byte 01"
        has err.txt "the unit refused the request with status byte 01"
        grep -qE "switched on|run it again" err.txt && { echo "FAIL advice for silence"; fail=1; }
        zvtool --json fetch modules 3-5 && check "json" "$status" 4
        check "json" "$(json out.txt 'o["exit"], o["failed_module"], o["records"], o["partial"], o["cause"], o["file"].endswith("fromZv.dat")')" \
            "(4, 4, 1, True, 'refused', True)"
        json out.txt 'o["trace"]' | grep -q "^$PWD/state/zvtool/logs/zvtool-.*\.trace$" ||
            { echo "FAIL the session trace is not in the log folder"; fail=1; }
        ;;
    json)
        # Every way out prints one JSON object with the schema's version.
        start_sim
        sim_records 0 0 >central.dat
        printf '1, 2 3, 4\r\n' >bad.dat
        runs=(
            "0|fetch central -o c.dat" "0|test" "0|check central.dat" "1|check bad.dat"
            "2|check missing.dat" "0|diff central.dat c.dat" "1|diff central.dat bad.dat"
            "0|show central.dat" "64|fetch modules 5-3" "64|frobnicate" "65|send modules central.dat"
            "66|test --dir $PWD/no-such-dir" "69|test --driver $PWD/no-such-driver"
            "73|fetch central -o c.dat" "5|test --port 77" "0|--version"
        )
        for run in "${runs[@]}"; do
            want=${run%%|*}
            # shellcheck disable=SC2086
            zvtool --json ${run#*|}
            check "${run#*|}" "$status" "$want"
            check "${run#*|}: one object" "$(json out.txt 'o["version"], o["exit"]')" "(2, $want)"
            # A job's object has the keys of its run however it ended.
            case ${run#*|} in
                test* | fetch* | send*) check "${run#*|}: job keys" "$(json out.txt '"job" in o and "account" in o')" True ;;
            esac
        done
        zvtool --json check bad.dat
        check "problems" "$(json out.txt 'type(o["problems"]).__name__, len(o["problems"]) > 0')" "('list', True)"
        zvtool --json diff central.dat bad.dat
        check "differences" "$(json out.txt 'type(o["differences"]).__name__')" "list"
        zvtool --json ledger check && check "ledger check" "$(json out.txt 'o["command"], o["exit"], o["checked"]')" "('ledger', 0, 0)"
        zvtool --json test --port 77
        check "port" "$(json out.txt 'o["port"], o["port_from"]')" "(77, '--port')"
        ;;
    *) echo "no case $name"; exit 2 ;;
esac
finish_case "zvtool-$name"
