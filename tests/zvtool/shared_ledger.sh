#!/usr/bin/env bash
# A ledger that workstations share through git, with the system's git and real repositories:
# a bare repository as the remote (a path, or `git daemon` on 127.0.0.1), each workstation
# played by a ledger folder of its own (its XDG folders and ZVTOOL_WORKSTATION), units served
# by minizv-sim. Every entry must reach every workstation under one name, none may be lost
# offline, and a ledger that is not shared must run no git at all.
#   shared_ledger.sh CASE   (needs ZV_TOOL as well: zvtool, built beside the driver)
# A case that cannot run here (no git, no faketime) exits 77 with its reason.
set -euo pipefail
name=$1
source "$(dirname "$0")/zvtool_env.sh"
command -v git >/dev/null || skip "no git (package git)"
# The remote's and the test's own commits need no identity of the machine's.
export GIT_AUTHOR_NAME=test GIT_AUTHOR_EMAIL=test@here GIT_COMMITTER_NAME=test
export GIT_COMMITTER_EMAIL=test@here USER=tech

# on WS ZVTOOL-ARGS...: zvtool as workstation WS, its ledger and state in the folder WS (of
# the case's folder, wherever it runs).
on() {
    local ws=$1
    shift
    mkdir -p "$case_dir/$ws"
    export XDG_DATA_HOME="$case_dir/$ws/data" XDG_STATE_HOME="$case_dir/$ws/state"
    ZVTOOL_WORKSTATION=$ws zvtool "$@"
    export XDG_DATA_HOME="$case_dir/data" XDG_STATE_HOME="$case_dir/state"
}
# backup WS UNIT LINK: the unit on that line backed up by WS from a run folder of its own.
backup() {
    mkdir -p "$case_dir/$1/$2"
    on "$1" --dir "$case_dir/$1/$2" --port "$case_dir/$3" backup -o "$case_dir/$1/$2/b.dat" \
        --force --unit "$2" --modules 1-2
}
# The permanent names WS's history lists, newest first, and its check.
names() { on "$1" --json history >/dev/null && json out.txt '[e["id"] for e in o["entries"]]'; }
checked() { on "$1" ledger check && check "$1: ledger check" "$status" 0; }
remote_log() { git --git-dir="$1" log --oneline main; }
no_git_calls() { check_that "$1: no git was run" ! -e git-calls.txt; }

case $name in
    two-workstations)
        # bench1 has entries before sharing, bench2 too: the share merges both histories.
        start_bench 3
        git init -q --bare remote.git
        backup bench1 pump-1 l1 && check "bench1's own" "$status" 0
        backup bench2 pump-2 l2 && check "bench2's own" "$status" 0
        on bench1 ledger share remote.git && check "bench1 shares" "$status" 0
        has out.txt "is shared with $PWD/remote.git (git "
        has out.txt "it holds 1 entry; 0 entries came from the others, 1 commit went to"
        on bench2 ledger share "$PWD/remote.git" && check "bench2 shares" "$status" 0
        has out.txt "it holds 2 entries; 1 entry came from the others, 2 commits went to"
        # A unit both back up at once (its records on two lines): one push finds the remote
        # ahead, merges and pushes again.
        start_bench 1
        on bench1 ledger sync && check "bench1 syncs first" "$status" 0
        (cd bench1 && backup bench1 pump-3 l3) >bench1.txt &
        one=$!
        (cd bench2 && backup bench2 pump-3 l11) >bench2.txt
        wait "$one"
        cat bench1.txt bench2.txt
        check "both kept and pushed" "$(cat bench1.txt bench2.txt | grep -c '^  | committed and pushed to ')" 2
        on bench1 ledger sync && check "bench1 syncs" "$status" 0
        on bench2 ledger sync && check "bench2 syncs" "$status" 0
        has out.txt " 0 commits went to"
        check "both hold every entry by the same names" "$(names bench1)" "$(names bench2)"
        check "four entries" "$(names bench1 | python3 -c 'import ast, sys; print(len(ast.literal_eval(sys.stdin.read())))')" 4
        on bench2 history pump-3
        check "each with the workstation that made it" "$(grep -c '^  on \(bench[12]\)  pump-3/[^ ]*-\1  ' out.txt)" 2
        checked bench1
        checked bench2
        remote_log remote.git
        check "one commit an entry kept once shared" "$(git --git-dir=remote.git log --no-merges --format=%s main | grep -c ' backup unit=pump-3 ')" 2
        check "author" "$(git --git-dir=remote.git log -1 --no-merges --format='%an <%ae>' main -- pump-2)" "tech <tech@bench2>"
        ;;
    same-second)
        # Two workstations back up the same unit, with the same records, in the same second
        # (the clock held still), offline: both logs grow, and the merge keeps both entries.
        command -v faketime >/dev/null || skip "no faketime (package faketime)"
        start_bench 1
        start_bench 1
        git init -q --bare remote.git
        on bench1 ledger share remote.git && check "bench1 shares" "$status" 0
        on bench2 ledger share remote.git && check "bench2 shares" "$status" 0
        mv remote.git away.git
        printf '#!/bin/sh\nFAKETIME_DONT_FAKE_MONOTONIC=1 exec faketime -f "2026-12-09 10:00:00" "%s" "$@"\n' \
            "$ZV_TOOL" >still.sh
        chmod +x still.sh
        real=$ZV_TOOL ZV_TOOL=$PWD/still.sh
        backup bench1 k9 l1 && check "bench1's backup" "$status" 0
        has err.txt "kept in the ledger as k9@1 (k9/20261209-100000-1501fc7e-bench1): "
        has err.txt "zvtool: warning: not pushed to $PWD/remote.git ("
        backup bench2 k9 l11 && check "bench2's backup" "$status" 0
        has err.txt "kept in the ledger as k9@1 (k9/20261209-100000-1501fc7e-bench2): "
        ZV_TOOL=$real
        mv away.git remote.git
        on bench1 ledger sync && check "bench1 syncs" "$status" 0
        has out.txt "0 entries came from the others, 1 commit went to"
        on bench2 ledger sync && check "bench2 syncs" "$status" 0
        has out.txt "1 entry came from the others, 2 commits went to"
        on bench1 ledger sync && check "bench1 again" "$status" 0
        check "the same names" "$(names bench1)" "$(names bench2)"
        check "both" "$(names bench1)" "['k9/20261209-100000-1501fc7e-bench2', 'k9/20261209-100000-1501fc7e-bench1']"
        checked bench1
        checked bench2
        ;;
    network)
        # git daemon on 127.0.0.1: bench2 takes the remote into an empty ledger; a backup
        # while the daemon is down still exits 0, says so in one line, and the next sync
        # pushes it.
        start_bench 1
        git init -q --bare remote.git
        port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
        daemon() {
            git daemon --reuseaddr --listen=127.0.0.1 --port="$port" --base-path="$PWD" \
                --export-all --enable=receive-pack --pid-file="$PWD/daemon.pid" --detach "$PWD"
            until git ls-remote "git://127.0.0.1:$port/remote.git" >/dev/null 2>&1; do sleep 0.1; done
        }
        daemon
        trap 'kill "$(cat daemon.pid)" 2>/dev/null || true; stop_bench' EXIT
        url=git://127.0.0.1:$port/remote.git
        backup bench1 k9 l1 && check "bench1's backup" "$status" 0
        on bench1 ledger share "$url" && check "bench1 shares" "$status" 0
        on bench2 ledger share "$url" && check "bench2 takes it" "$status" 0
        has out.txt "it holds 1 entry; 1 entry came from the others, 0 commits went to"
        check "bench2's ledger is the remote's" "$(git -C bench2/data/zvtool log --oneline | wc -l)" 1
        kill "$(cat daemon.pid)"
        while git ls-remote "$url" >/dev/null 2>&1; do sleep 0.1; done
        backup bench1 k9 l1 && check "offline backup" "$status" 0
        check "one line says so" "$(grep -c 'not pushed to' err.txt)" 1
        has err.txt "zvtool: warning: not pushed to $url (unable to connect to 127.0.0.1"
        has err.txt "): the entry is committed here, and \`zvtool ledger sync\` pushes it"
        check "committed here" "$(git -C bench1/data/zvtool status --porcelain)" ""
        on bench1 ledger sync && check "sync offline" "$status" 69
        has err.txt "cannot reach $url: "
        has err.txt "; 1 commit waits here for the next sync"
        daemon
        on bench1 ledger sync && check "sync" "$status" 0
        has out.txt "1 commit went to $url"
        on bench2 --json ledger sync && check "bench2 syncs" "$status" 0
        check "bench2's sync" "$(json out.txt 'o["action"], o["merged"], o["pushed"], o["waiting"], o["held"]')" "('sync', 1, 0, 0, 2)"
        check "the same names" "$(names bench1)" "$(names bench2)"
        checked bench2
        ;;
    bench)
        # Three units of a bench on one shared ledger: each commits and pushes in turn.
        start_bench 3
        git init -q --bare remote.git
        on bench1 ledger share remote.git && check "share" "$status" 0
        on bench1 --dir "$PWD/line" --ports "$PWD/l1,$PWD/l2,$PWD/l3" backup -o b.dat --modules 1-2
        check "bench backup" "$status" 0
        check "on the remote" "$(git --git-dir=remote.git log --format=%s main | grep -c ' backup unit=unit[123] ')" 3
        check "nothing waits" "$(git -C bench1/data/zvtool rev-list --count origin/main..main)" 0
        check "seq 1 to 3" "$(grep -o 'seq=[0-9]*' bench1/data/zvtool/ledger.log | sort | tr '\n' ' ')" "seq=1 seq=2 seq=3 "
        checked bench1
        ;;
    not-shared)
        # A ledger that is not shared runs no git; without git, share says what to install
        # and leaves the ledger as it was.
        start_bench 1
        mkdir stand-in
        printf '#!/bin/sh\necho "$*" >>"%s/git-calls.txt"\nexit 1\n' "$PWD" >stand-in/git
        chmod +x stand-in/git
        PATH="$PWD/stand-in:$PATH" backup bench1 k9 l1
        check "backup" "$status" 0
        no_git_calls bench1
        check "the ledger's files" "$(cd bench1/data/zvtool && find . | sort | tr '\n' ' ')" \
            ". ./k9 ./k9/$(basename "$(ls bench1/data/zvtool/k9)") ./ledger.log "
        PATH="$PWD/stand-in:$PATH" on bench1 history k9 && check "history" "$status" 0
        no_git_calls bench1
        before=$(cd bench1/data/zvtool && find . -type f | sort | xargs cat | cksum)
        PATH="$PWD/stand-in:$PATH" on bench1 ledger share "$PWD/remote.git"
        check "share with a git that fails" "$status" 69
        has err.txt "a shared ledger needs git, and git --version says no version: install git 2.20 or later"
        rm git-calls.txt
        mkdir no-git
        for tool in timeout sed mkdir; do ln -s "$(command -v $tool)" no-git/; done
        PATH=$PWD/no-git on bench1 ledger share "$PWD/remote.git"
        check "share without git" "$status" 69
        has err.txt "there is no git on the search path: install git 2.20 or later (Debian: apt install git;"
        has err.txt "; the ledger stays as it is"
        on bench1 ledger share "$PWD/nowhere.git" && check "a remote that is not there" "$status" 69
        has err.txt "cannot reach $PWD/nowhere.git: "
        check_that "not shared" ! -e bench1/data/zvtool/.git
        check "the ledger as it was" "$(cd bench1/data/zvtool && find . -type f | sort | xargs cat | cksum)" "$before"
        ;;
    *) echo "no case $name"; exit 2 ;;
esac
finish_case "zvtool-$name"
