#!/usr/bin/env bash
# zvtool.exe under Wine with a shared ledger: the ledger moved once from %LOCALAPPDATA%\zvtool
# to %LOCALAPPDATA%\zvtool\ledger; `ledger share` without git says what to install; with a
# stand-in git.exe (it logs every call) the calls zvtool makes, started without a console
# window, a backup committed with its log line as the message and pushed, and a push offline.
# Usage: shared_ledger.sh PREFIX ZVTOOL_EXE SIM GIT_STAND_IN_EXE WORKDIR
set -euo pipefail
prefix=$1 exe=$2 sim=$3 stand_in=$4 workdir=$5
source "$(dirname "$0")/wine_env.sh"
for file in "$exe" "$stand_in"; do
    [ -f "$file" ] || { echo "FAIL: $file does not exist; build it: cmake --build --preset windows"; exit 1; }
done

rm -rf "$workdir"
mkdir -p "$workdir/bin"
cd "$workdir"
cp "$stand_in" bin/git.exe
windir=$prefix/drive_c/windows
rm -f "$windir/zordOUT.INI" "$windir/zordrive.INI"
local_dir=$(ls -d "$prefix"/drive_c/users/*/AppData/Local | grep -v /Public/ | head -n1)
zv=$local_dir/zvtool
rm -rf "$zv/ledger" "$zv/ledger.log" "$zv/old-1"
"$sim" --link "$com1_link" >sim.out 2>sim.err &
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null || true; wait $sim_pid 2>/dev/null || true' EXIT
for _ in $(seq 100); do grep -q '^ready' sim.out 2>/dev/null && break; sleep 0.05; done

failures=0
check() {
    if [ "$2" = "$3" ]; then echo "ok   $1 = '$2'"; else echo "FAIL $1 = '$2', expected '$3'"; failures=$((failures + 1)); fi
}
has() {
    if tr -d '\r' <"$1" | grep -qF -- "$2"; then echo "ok   $1 has: $2"; else echo "FAIL $1 lacks: $2"; failures=$((failures + 1)); fi
}
export ZVTOOL_WORKSTATION=wine-bench
zvtool() {  # stdout in out.txt, stderr in err.txt, the exit status in $status
    status=0
    timeout 60 "$wine" "$exe" "$@" </dev/null >out.txt 2>err.txt || status=$?
    echo "== zvtool.exe $*: exit $status"
    sed 's/^/  | /' out.txt err.txt
}
# The calls the stand-in logged with FIELD (2 the console, 3..5 the variables, 6.. the
# arguments), one a line.
calls() { tr -d '\r' <bin/calls.txt | cut -f"$1"; }
# The arguments of each call after zvtool's -c settings, tab-separated, one a line.
words() { calls 6- | sed 's/^\(-c\t[^\t]*\t\)*//'; }

# A ledger as zvtool kept it before, beside its logs: moved once, the logs left.
mkdir -p "$zv/old-1" "$zv/logs"
printf '0, 1, 2\r\n' >"$zv/old-1/a.dat"
echo trace >"$zv/logs/kept.txt"
sha=$(sha256sum "$zv/old-1/a.dat" | cut -d' ' -f1)
printf '2026-12-09 10:00:00 UTC backup unit=old-1 port=COM1 version=1.0 records=1 sha256=%s file=old-1/a.dat id=old-1/a workstation=bench9 seq=1 folder=C:\\line\n' \
    "$sha" >"$zv/ledger.log"
zvtool history
check "history: exit status" "$status" 0
has err.txt "the ledger moved from C:\\users\\"
has err.txt "\\zvtool\\ledger (1 copies), where zvtool keeps it now"
has out.txt "old-1@1"
check "the copy moved" "$(cat "$zv/ledger/old-1/a.dat" | tr -d '\r')" "0, 1, 2"
check "the logs stay" "$(cat "$zv/logs/kept.txt")" "trace"
check "the old log is gone" "$(ls "$zv/ledger.log" 2>/dev/null || echo gone)" "gone"
zvtool history
check "moved once" "$(grep -c 'ledger moved' err.txt || true)" 0

# No git on the search path: what to install, and the ledger stays as it is.
zvtool ledger share ssh://bench1/srv/ledger.git
check "share without git: exit status" "$status" 69
has err.txt "there is no git on the search path: install git 2.20 or later (Debian: apt install git; Windows: put git.exe on the search path); the ledger stays as it is"
check "not shared" "$(ls -d "$zv/ledger/.git" 2>/dev/null || echo none)" "none"

# The stand-in on the search path: the share, then a backup committed and pushed.
export WINEPATH="Z:$(echo "$workdir/bin" | tr / '\\')"
zvtool ledger share ssh://bench1/srv/ledger.git
check "share: exit status" "$status" 0
has out.txt "is shared with ssh://bench1/srv/ledger.git (git 2.39.0): it holds 1 entry; 0 entries came from the others, 1 commit went to ssh://bench1/srv/ledger.git"
check "first call" "$(words | head -n1)" "--version"
has bin/calls.txt "ls-remote	ssh://bench1/srv/ledger.git	refs/heads/main"
check "every call in the ledger's folder" "$(calls 1 | sort -u)" "$(cd "$zv/ledger" && "$wine" cmd /c cd </dev/null | tr -d '\r')"
check "no console window" "$(calls 2 | sort -u)" "console=hidden"
check "no prompt" "$(calls 3 | sort -u)" "prompt=0"
check "SSH in batch mode" "$(calls 4 | sort -u)" "ssh=ssh -o BatchMode=yes -o ConnectTimeout=10"
check "author" "$(calls 5 | sort -u | sed 's/^author=[^@]*//')" "@wine-bench"
: >bin/calls.txt
zvtool backup -o b.dat --unit pump-3 --modules 1-2
check "backup: exit status" "$status" 0
has err.txt "committed and pushed to ssh://bench1/srv/ledger.git"
entry=$(tail -n1 "$zv/ledger/ledger.log" | tr -d '\r')
file=$(echo "$entry" | sed 's/.* file=\([^ ]*\) .*/\1/')
check "the entry's files alone, its line the message" \
    "$(words | grep '^commit')" \
    "$(printf 'commit\t-q\t-m\t%s\t--\tledger.log\t%s' "$entry" "$file")"
check "pushed" "$(words | grep -c '^push	--porcelain	origin	refs/heads/main:refs/heads/main$')" 1

# Offline: the backup succeeds, one line says so, the sync that cannot reach fails.
touch bin/offline
zvtool backup -o b.dat --unit pump-3 --modules 1-2 --force
check "offline backup: exit status" "$status" 0
check "one line" "$(grep -c 'not pushed' err.txt)" 1
has err.txt "zvtool: warning: not pushed to ssh://bench1/srv/ledger.git (unable to access 'ssh://bench1/srv/ledger.git': Could not resolve host: bench1): the entry is committed here, and \`zvtool ledger sync\` pushes it"
zvtool ledger sync
check "sync offline: exit status" "$status" 69
rm bin/offline
zvtool --json ledger sync
check "sync: exit status" "$status" 0
check "sync: json" "$(tr -d '\r' <out.txt | python3 -c 'import json, sys; o = json.load(sys.stdin); print(o["action"], o["remote"], o["git_version"], o["waiting"], o["held"])')" \
    "sync ssh://bench1/srv/ledger.git 2.39.0 0 3"
exit $((failures > 0))
