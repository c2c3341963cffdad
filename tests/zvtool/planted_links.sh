#!/usr/bin/env bash
# A run folder that other accounts may write (mode 2777, no sticky bit), where another account
# ("nobody") has planted, under the name of a file zvtool or the driver writes, a symbolic link
# to a file of ours. zvtool refuses the job before any driver runs, naming the link, its owner
# and its target; the driver alone writes through none of them; the link's target keeps every
# byte and the unit sees no exchange. The user's own links still work, and the COM1 link must
# lead to a character device.
#   planted_links.sh GROUP   (zvtool, own, driver, com1; needs ZV_TOOL, ZV_DRIVER, ZV_SIM, ZV_WORK)
set -euo pipefail
source "$(dirname "$0")/../faults/e2e_env.sh"
: "${ZV_TOOL:?}"

group=$1
enter_case "planted-$group"
if [ "$(id -u)" -ne 0 ] || ! command -v setpriv >/dev/null || ! id nobody >/dev/null 2>&1; then
    # Only root can run a command as another account here to plant its links.
    echo "SKIP planted links need root, setpriv (util-linux) and the account nobody"
    exit 0
fi
other=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
nobody="user nobody (uid 65534)"
zv_links="zvtool writes through no link another account made"
drv_links="the driver writes through no link another account made"
fetch_central=(TestMiniZvConnection=0 GetData=1 ToZorvek=0)

# The rows: GROUP | LINK (the name planted) | BY | RUN | EXIT | SAYS | UNIT | TARGET
#   BY: "other" (nobody made the link), "own" (the user running the job), "file" (COM1 made by
#   the user, to a regular file); RUN: a zvtool command line, or "driver" and a job for the
#   driver alone (run_driver); SAYS: what stderr holds ($dir the run folder, $victim the link's
#   target); UNIT: "none" when the unit must see no byte and no driver may start; TARGET:
#   "same" or "changed" afterwards.
rows() {
    cat <<'EOF'
zvtool | .zvtool.lock        | other | fetch central                    | 73 | $dir/.zvtool.lock is a symbolic link of $nobody to $victim; zvtool never takes its lock through a link: remove it | none | same
zvtool | zordrive.INI        | other | fetch central                    | 73 | $dir/zordrive.INI is a symbolic link of $nobody to $victim; $zv_links | none | same
zvtool | zordOUT.INI         | other | test                             | 73 | $dir/zordOUT.INI is a symbolic link of $nobody to $victim; $zv_links | none | same
zvtool | fromZv.dat          | other | fetch central                    | 73 | $dir/fromZv.dat is a symbolic link of $nobody to $victim; $zv_links | none | same
zvtool | ToZv.dat            | other | send central central.dat         | 73 | $dir/ToZv.dat is a symbolic link of $nobody to $victim; $zv_links | none | same
zvtool | out.dat             | other | fetch central -o out.dat --force | 73 | $dir/out.dat is a symbolic link of $nobody to $victim; $zv_links | none | same
zvtool | b.dat.partial       | other | backup -o b.dat --modules 1-1    | 73 | $dir/b.dat.partial is a symbolic link of $nobody to $victim; $zv_links | none | same
zvtool | zvtool-restore.todo | other | restore c.dat                    | 73 | $dir/zvtool-restore.todo is a symbolic link of $nobody to $victim; $zv_links | none | same
zvtool | zvtool-before.dat   | other | restore c.dat                    | 73 | $dir/zvtool-before.dat is a symbolic link of $nobody to $victim; $zv_links | none | same
zvtool | my.trace            | other | test --trace my.trace            | 73 | $dir/my.trace is a symbolic link of $nobody to $victim; $zv_links | none | same
own    | .zvtool.lock        | own   | fetch central                    | 73 | zvtool never takes its lock through a link: remove it | none | same
own    | zordrive.INI        | own   | fetch central                    | 0  | | some | changed
own    | zordOUT.INI         | own   | test                             | 0  | | some | changed
own    | fromZv.dat          | own   | fetch central                    | 0  | | some | same
own    | ToZv.dat            | own   | send central central.dat         | 0  | | some | same
own    | out.dat             | own   | fetch central -o out.dat --force | 0  | | some | same
own    | b.dat.partial       | own   | backup -o b.dat --modules 1-1    | 0  | | some | changed
own    | zvtool-restore.todo | own   | restore c.dat                    | 0  | | some | same
own    | my.trace            | own   | test --trace my.trace            | 0  | | some | changed
driver | fromZv.dat          | other | driver fetch-central             | 10 | zordrive: result 10: cannot write $dir/fromZv.dat: a symbolic link of $nobody to $victim; $drv_links | none | same
driver | zordOUT.INI         | other | driver fetch-central             | 3  | | some | same
driver | my.trace            | other | driver fetch-central             | 3  | zordrive: not written through $dir/my.trace: a symbolic link of $nobody to $victim; $drv_links | some | same
driver | zordOUT.INI         | other | driver in-place                  | 0  | zordrive: not written through $dir/zordOUT.INI: a symbolic link of $nobody to $victim; $drv_links | some | same
driver | fromZv.dat          | own   | driver fetch-central             | 3  | | some | changed
driver | zordOUT.INI         | own   | driver fetch-central             | 3  | | some | changed
driver | my.trace            | own   | driver fetch-central             | 3  | | some | changed
com1   | COM1                | other | test                             | 0  | | some | same
com1   | COM1                | file  | test                             | 69 | $dir/COM1 links to $victim, which is a regular file, not a serial port; the driver was not started | none | same
com1   | COM1                | file  | driver test                      | 5  | zordrive: result 5: cannot open the port COM1 -> $victim: not a serial device but a regular file | none | same
EOF
}
trim() { local s=$1; s=${s#"${s%%[![:space:]]*}"}; echo "${s%"${s##*[![:space:]]}"}"; }

# One row in a folder of its own: row/job (mode 2777) with the simulator on its COM1, the
# link's target in row/victim.
run_row() {
    local link=$1 by=$2 run=$3 want=$4 says=$5 unit=$6 target=$7
    local row_dir="$case_dir/row$((++row_count))"
    mkdir -p "$row_dir/job" "$row_dir/victim"
    chmod 2777 "$row_dir/job"
    cd "$row_dir/job"
    local dir=$PWD victim="$row_dir/victim/notes.txt"
    printf 'the notes of the user who runs the job\r\n' >"$victim"
    cp "$victim" "$row_dir/victim.before"
    printf '#!/bin/sh\necho started >>"%s/started"\nexec "%s"\n' "$row_dir" "$ZV_DRIVER" >"$row_dir/driver.sh"
    chmod 0755 "$row_dir/driver.sh"
    export XDG_STATE_HOME="$row_dir/state" XDG_DATA_HOME="$row_dir/data"
    start_sim
    sim_records 0 0 >central.dat
    { cat central.dat; printf ',\r\n'; sim_records 1 1; } >c.dat
    case $by in
        other) if [ "$link" = COM1 ]; then
                   local pts
                   pts=$(readlink COM1)
                   rm COM1
                   "${other[@]}" ln -s "$pts" COM1
               else
                   "${other[@]}" ln -s "$victim" "$link"
               fi ;;
        own) ln -s "$victim" "$link" ;;
        file) rm COM1; ln -s "$victim" COM1 ;;
    esac
    : >sim.err
    status=0
    case $run in
        driver\ *) run_driver "${run#driver }" ;;
        *) # shellcheck disable=SC2086
           timeout 60 "$ZV_TOOL" $run --driver "$row_dir/driver.sh" >out.txt 2>err.txt || status=$? ;;
    esac
    stop_sim
    local label="$link ($by) by '$run'"
    echo "$label: exit $status"
    sed 's/^/  | /' out.txt err.txt 2>/dev/null || true
    check "$label: exit status" "$status" "$want"
    says=$(eval "echo \"$says\"")
    if [ -n "$says" ]; then
        grep -qF -- "$says" err.txt || { echo "FAIL $label: stderr lacks: $says"; fail=1; }
    fi
    if [ "$unit" = none ]; then
        check "$label: bytes the unit received" "$(grep -c ' rx ' sim.err || true)" 0
        check_that "$label: no driver started" ! -e "$row_dir/started"
    fi
    if [ "$target" = same ]; then
        cmp -s "$victim" "$row_dir/victim.before" || { echo "FAIL $label: the link's target changed"; fail=1; }
    else
        cmp -s "$victim" "$row_dir/victim.before" && { echo "FAIL $label: the link's target is as before"; fail=1; }
    fi
    if [ "$by" = other ] && [ "$want" != 0 ] && [ "$want" != 3 ]; then
        check_that "$label: the link stays" -L "$link"
    fi
    cd "$case_dir"
}

# The driver alone, as a host starts it: fetch-central, test, or in-place (a connection test
# by another ordinary account, in a folder it cannot write: the status file can only be
# rewritten in place, and the link is not followed for that either).
run_driver() {
    local as=()
    case $1 in
        fetch-central) write_settings "${fetch_central[@]}" ;;
        test) write_settings TestMiniZvConnection=1 ;;
        in-place)
            write_settings TestMiniZvConnection=1
            chown 64000 "$victim"
            chmod o+rw "$(readlink -f COM1)"
            chmod 0755 "$dir"
            as=(setpriv --reuid=64000 --regid=64000 --clear-groups) ;;
    esac
    local trace=()
    if [ "$link" = my.trace ]; then trace=(env ZORDRIVE_TRACE=my.trace); fi
    : >out.txt
    timeout 60 ${as[@]+"${as[@]}"} ${trace[@]+"${trace[@]}"} "$ZV_DRIVER" >/dev/null 2>err.txt || status=$?
    case $1 in
        fetch-central)
            if [ "$want" = 3 ] && [ "$link" != fromZv.dat -o "$by" != own ]; then
                sim_records 0 0 | cmp -s - fromZv.dat || { echo "FAIL fromZv.dat"; fail=1; }
            fi
            if [ "$link" = zordOUT.INI ] && [ "$by" = other ]; then
                check_that "zordOUT.INI is the driver's own file now" -f zordOUT.INI -a ! -L zordOUT.INI
                check "ComStatus" "$(status_key ComStatus)" 3
            fi ;;
    esac
}

row_count=0
while IFS='|' read -r g link by run want says unit target <&3; do
    [ "$(trim "$g")" = "$group" ] || continue
    run_row "$(trim "$link")" "$(trim "$by")" "$(trim "$run")" "$(trim "$want")" \
        "$(trim "$says")" "$(trim "$unit")" "$(trim "$target")" </dev/null
done 3< <(rows)
check "rows run" "$((row_count > 0))" 1
finish_case "planted links: $group ($row_count rows)"
