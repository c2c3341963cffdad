# Sourced by gui.sh: the steps its rows are made of, and the rows. Each step prints "ok" or
# "FAIL" with what it saw; `failures` counts the FAILs.
state=$prefix/drive_c/users/$(id -un)/AppData/Local/zvtool
lockfile=$prefix/drive_c/ProgramData/zvtool/settings.lock
windir=$prefix/drive_c/windows
failures=0
shots=0
sim_pid=""
window_pid=""

# The control IDs of zvtool/window/window_ids.h that the rows use.
PORTS=1002 UNIT=1004 MODULES=1006 TEST=1010 BACKUP=1011 RESTORE=1012 HISTORY=1013
PHASE=1020 STEP=1021 CANCEL=1030 RESUME=1031 OUTCOME=1041 STATUS=1050
FILE=2002 PLAN_TEXT=3001 CHANGES=3003 ENTRIES=4002 COMPARE=4003 DIFF=4006 DIFF_SUMMARY=4007
OK=1 DONT=2 YES=6

ok() { echo "ok   $1"; }
bad() {
    echo "FAIL $1"
    failures=$((failures + 1))
}
probe() { "$wine" "$ZV_PROBE" "$@" </dev/null 2>&1 | tr -d '\r'; }
# step WHAT COMMAND...: a probe command that must succeed; its output is kept in $seen.
step() {
    local what=$1 status=0
    shift
    seen=$("$wine" "$ZV_PROBE" "$@" </dev/null 2>&1 | tr -d '\r') || status=$?
    if [ $status -eq 0 ]; then
        ok "$what"
    else
        bad "$what: $(tail -n 2 <<<"$seen" | paste -sd' ' -)"
    fi
    head -n 12 <<<"$seen" | sed 's/^/  | /'
}
# expect WHAT GOT WANTED
expect() {
    if [ "$2" = "$3" ]; then ok "$1 = '$2'"; else bad "$1 = '$2', expected '$3'"; fi
}
# shot NAME [PICTURE]: the screen, and the window a person works in cut out of it; with
# ZV_DOCS_DIR set (the README's pictures: ZV_DOCS_DIR=$PWD/docs ctest -L gui), the cut-out
# also becomes ZV_DOCS_DIR/PICTURE.png.
shot() {
    local name l t r b picture=${2:-}
    sleep 0.5  # what was painted reaches the X server a moment later
    shots=$((shots + 1))
    name=$(printf '%02d-%s' "$shots" "$1")
    import -window root -display "$DISPLAY" "$workdir/$name.screen.png"
    read -r _ l t r b < <(probe rect | grep '^rect ') || true
    if [[ "${l:-}${t:-}${r:-}${b:-}" =~ ^[-0-9]+$ ]]; then
        convert "$workdir/$name.screen.png" -crop "$((r - l))x$((b - t))+$l+$t" +repage \
            "$workdir/$name.png"
        if [ -n "$picture" ] && [ -n "${ZV_DOCS_DIR:-}" ]; then
            cp "$workdir/$name.png" "$ZV_DOCS_DIR/$picture.png"
            echo "== picture $ZV_DOCS_DIR/$picture.png"
        fi
    fi
    echo "== shot $workdir/$name.png"
}
start_sim() {
    "$ZV_SIM" --link "$com1_link" --store "$workdir/store.txt" "$@" >"$workdir/sim.out" \
        2>"$workdir/sim.err" &
    sim_pid=$!
    for _ in $(seq 100); do grep -q '^ready' "$workdir/sim.out" 2>/dev/null && return; sleep 0.05; done
    bad "minizv-sim did not start: $(cat "$workdir/sim.err")"
}
stop_sim() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null || true
    sim_pid=""
}
start_window() {
    # A window left by a row that was killed would take this row's clicks.
    if ! probe gone 100 >/dev/null; then
        echo "note a zvtoolw window was open before the row; closing it"
        window_pid=none
        close_window
    fi
    "$wine" "$ZV_WINDOW" </dev/null >"$workdir/zvtoolw.log" 2>&1 &
    window_pid=$!
    step "the window opens" window 20000
}
# The window closes; a job that still runs is stopped first, as the question offers.
close_window() {
    probe close >/dev/null
    if ! probe gone 3000 >/dev/null; then
        probe click $YES 2000 >/dev/null || true
        probe gone 20000 >/dev/null || kill "$window_pid" 2>/dev/null || true
    fi
    wait "$window_pid" 2>/dev/null || true
    window_pid=""
}
cleanup() {
    [ -n "$window_pid" ] && close_window
    stop_sim
}
# The path Wine's programs know a file of this machine by.
windows_path() {
    local path=$1
    echo "Z:${path//\//\\}"
}
# records FILE NUMBERS...: the unit's records as it holds them now, a line each, as a setup
# file has them (every number followed by a comma but the file's last).
records() {
    local file=$1 n
    shift
    for n in "$@"; do
        "$ZV_SIM" --store "$workdir/store.txt" --print-record "$n"
    done | awk '{ printf "%s%s", (NR > 1 ? ",\r\n" : ""), $1; for (i = 2; i <= NF; i++) printf ", %s", $i }
                END { printf "\r\n" }' >"$file"
}
# bump FILE NUMBER...: byte 0 of those records of the file one more (modulo 256).
bump() {
    local file=$1
    shift
    awk -v bumped=" $* " 'BEGIN { FS = ", *"; OFS = ", " }
        { sub(/\r$/, ""); if (index(bumped, " " $1 " ")) $2 = ($2 + 1) % 256; printf "%s\r\n", $0 }' \
        "$file" >"$file.new"
    mv "$file.new" "$file"
}
# The window's fields for a job on the unit pump-3, modules 1-5.
fields() {
    step "unit field set" set $UNIT pump-3
    step "modules field set" set $MODULES 1-5
}
backup() {
    step "Back up pressed" click $BACKUP 5000
    step "the backup ends whole" wait $STATUS "backup: result 3" 60000
}

# ---- The rows

# The simulated ports, one added under SERIALCOMM and seen after the device tree changes, and
# gone again after a removal; one window per user.
row_ports() {
    start_sim
    start_window
    step "the port list shows COM1" item $PORTS "COM1 |" 1 5000
    local key='HKLM\HARDWARE\DEVICEMAP\SERIALCOMM'
    "$wine" reg add "$key" /v '\Device\ZvGui7' /t REG_SZ /d COM7 /f >/dev/null 2>&1
    step "the device tree changed" devices
    step "COM7 is listed after the change" item $PORTS "COM7 |" 1 5000
    shot main
    "$wine" reg delete "$key" /v '\Device\ZvGui7' /f >/dev/null 2>&1
    step "the device tree changed again" devices
    step "COM7 is gone after the removal" item $PORTS "COM7 |" 0 5000
    "$wine" "$ZV_WINDOW" </dev/null >"$workdir/second.log" 2>&1 &
    local second=$! ended=0
    for _ in $(seq 150); do kill -0 $second 2>/dev/null || { ended=1; break; }; sleep 0.1; done
    expect "a second zvtoolw.exe ends by itself" "$ended" 1
    [ $ended = 1 ] || kill $second 2>/dev/null || true
    step "the first window is in front" front 3000
    step "it is still the one window" window 1000
}

# Test the link; then the same while zvtool.exe holds the driver's files.
row_test_link() {
    start_sim
    start_window
    step "Test the link pressed" click $TEST 5000
    step "the unit answered" wait $STATUS "test: result 0: the unit answered" 30000
    shot tested
    timeout 60 "$wine" "$ZV_ZVTOOL" fetch modules 1-4 </dev/null >"$workdir/zvtool.out" 2>&1 &
    local other=$!
    for _ in $(seq 100); do [ -s "$lockfile" ] && break; sleep 0.1; done
    step "Test the link pressed while zvtool.exe runs" click $TEST 5000
    step "the lock shows as another job" wait $STATUS "another zvtool job runs" 10000
    grep -q "fetch modules 1-4" <<<"$seen" && ok "its holder named" || bad "its holder named: $seen"
    shot locked
    wait $other || bad "zvtool.exe fetch: $(tail -n 3 "$workdir/zvtool.out")"
}

# A backup of 5 modules, photographed in progress.
row_backup() {
    start_sim
    start_window
    fields
    step "Back up pressed" click $BACKUP 5000
    step "the progress names the module" wait $STEP "module 3 (3 of 5)" 30000
    step "the phase is the fetch of the modules" wait $PHASE "fetching modules 1-5" 1000
    shot backup-progress window-backup
    step "the backup ends whole" wait $STATUS "backup: result 3" 60000
    step "the outcome names the file" wait $OUTCOME ": 6 records" 1000
    grep -q "kept in the ledger as pump-3/" <<<"$seen" && ok "kept in the ledger" || bad "kept in the ledger"
    local files
    files=$(ls "$state/run"/pump-3-*.dat 2>/dev/null | wc -l)
    expect "backup files in the run folder" "$files" 1
    shot backed-up window-main
}

# Cancel mid-backup: the job says what stopped; Resume finishes it into the same file.
row_cancel_resume() {
    start_sim
    start_window
    fields
    step "Back up pressed" click $BACKUP 5000
    step "at module 2" wait $STEP "module 2 (2 of 5)" 30000
    step "Cancel pressed" click $CANCEL 2000
    step "the backup stopped" wait $STATUS "interrupted" 20000
    step "Resume offered" enabled $RESUME 1 5000
    step "the outcome says how it goes on" wait $OUTCOME "Resume goes on from where it stopped." 1000
    shot cancelled
    local partial
    partial=$(ls "$state/run"/pump-3-*.dat.partial 2>/dev/null | wc -l)
    expect "a partial file in the run folder" "$partial" 1
    step "Resume pressed" click $RESUME 2000
    step "the resumed backup ends whole" wait $STATUS "backup: result 3" 60000
    step "into the same file" wait $OUTCOME ": 6 records" 1000
    expect "backup files" "$(ls "$state/run"/pump-3-*.dat | wc -l) $(ls "$state/run"/*.partial 2>/dev/null | wc -l)" "1 0"
    shot resumed
}

# Closing the window mid-job asks first, then stops the job cleanly and closes.
row_close_during_job() {
    start_sim
    start_window
    fields
    step "Back up pressed" click $BACKUP 5000
    step "at module 2" wait $STEP "module 2 (2 of 5)" 30000
    probe close >/dev/null
    step "closing asks first" dialog "zvtool" 5000
    shot close-asks
    step "Yes pressed" click $YES 2000
    step "the window closes once the job has stopped" gone 30000
    wait "$window_pid" 2>/dev/null || true
    window_pid=""
    expect "the lock is given up" "$(tr -d '\0' <"$lockfile" | wc -c)" 0
    expect "the backup's partial file is left" "$(ls "$state/run"/*.partial 2>/dev/null | wc -l)" 1
}

# A restore whose plan lists 2 records, confirmed, read back the same.
row_restore() {
    restore_row "2 of 2 records written and read back the same"
}

# A unit that stores module 4 wrong: the verdict says which differs.
row_restore_differs() {
    restore_row "1 of 2 records read back differ from what was sent (module 4)" --store-wrong 4
}

restore_row() {
    local verdict=$1
    shift
    start_sim "$@"
    records "$workdir/u.dat" 0 1 2 3 4 5
    bump "$workdir/u.dat" 2 4
    start_window
    fields
    step "Restore pressed" click $RESTORE 5000
    step "the restore dialog opens" dialog "Restore the unit" 5000
    step "the file field set" set $FILE "$(windows_path "$workdir/u.dat")"
    step "Plan pressed" click $OK 2000
    step "the plan is shown before anything is sent" dialog "plan" 60000
    step "the plan's words" wait $PLAN_TEXT "(2 records)" 1000
    step "the plan lists its changes" items $CHANGES
    expect "changes listed" "$(grep -c '| 0 |' <<<"$seen")" 2
    grep -q "^module 2 | 0 | " <<<"$seen" && grep -q "^module 4 | 0 | " <<<"$seen" &&
        ok "modules 2 and 4 at offset 0" || bad "modules 2 and 4 at offset 0"
    expect "nothing sent before the answer" "$(grep -c . "$workdir/store.txt" 2>/dev/null || echo 0)" 0
    shot restore-plan "$([ $# -eq 0 ] && echo window-restore-plan)"
    step "Send pressed" click $OK 2000
    step "the verdict" wait $STATUS "restore: $verdict" 60000
    step "the outcome panel" text $OUTCOME
    if [ "$verdict" != "${verdict#1 of 2}" ]; then
        grep -q "read back otherwise than sent: module 4" <<<"$seen" && ok "module 4 named" ||
            bad "module 4 named"
        step "Resume offered" enabled $RESUME 1 2000
    fi
    shot restored
}

# Two backups with module 3 changed between them, and their difference.
row_history() {
    start_sim
    start_window
    fields
    backup
    records "$workdir/m3.dat" 3
    bump "$workdir/m3.dat" 3
    local status=0
    timeout 60 "$wine" "$ZV_ZVTOOL" send modules "$(windows_path "$workdir/m3.dat")" </dev/null \
        >"$workdir/send.out" 2>&1 || status=$?
    expect "zvtool.exe send modules: exit status" "$status" 0
    backup
    step "History pressed" click $HISTORY 5000
    step "the history dialog opens" dialog "History" 10000
    step "two entries" item $ENTRIES "pump-3@2 | backup" 1 3000
    expect "entries listed" "$(grep -c '| sound$' <<<"$seen")" 2
    step "both chosen" choose $ENTRIES 0 1
    step "Compare pressed" click $COMPARE 2000
    step "the difference" wait $DIFF_SUMMARY "1 changed, 0 only in A, 0 only in B, 5 the same" 5000
    step "its rows" items $DIFF
    expect "the byte that differs" "$(head -n 1 <<<"$seen" | cut -d'|' -f1-2 | tr -s ' ')" "module 3 | 0 "
    expect "rows" "$(grep -c . <<<"$seen")" 1
    shot history-diff
    step "History closed" click 2 2000
}

# The window answers while a pass takes long (the unit stops answering in mid-backup: the
# simulator is stopped), warns of the stalled pass with its cause, holds a log-off off with
# its reason, and stops the job cleanly when the session ends all the same.
row_responsive() {
    start_sim
    start_window
    fields
    step "Back up pressed" click $BACKUP 5000
    step "at module 2" wait $STEP "module 2 (2 of 5)" 30000
    kill -STOP "$sim_pid"
    sleep 10
    step "the backup still runs after 10 s without an answer" wait $STATUS "backup: running" 1000
    step "the window answers within 3 s" answers
    step "the stalled pass is named with its cause" wait 1024 "; each repeat costs" 5000
    step "a log-off is held off" query-end 0
    shot stalled
    step "the session ends all the same: the job stops first" end-session 30000
    expect "the lock is given up" "$(tr -d '\0' <"$lockfile" | wc -c)" 0
    kill -CONT "$sim_pid"
    step "the window says it stopped" wait $STATUS "interrupted" 10000
    step "with no job a log-off may go on" query-end 1
}
