#!/usr/bin/env bash
# Compares what each package holds with its expected listing in expected/ (one path a line,
# sorted; for the .deb the mode too, as dpkg-deb lists it). Paths named in expected/pending.txt
# may be missing: they come with programs that are not built on this branch yet.
#   listings.sh PACKAGE_DIR            check
#   listings.sh PACKAGE_DIR --update   rewrite the expected listings from the packages
set -euo pipefail
packages=$1 update=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
expected=$here/expected

by_path() { awk '{ print $NF "\t" $0 }' | LC_ALL=C sort -u | cut -f2-; }
list() {  # kind file
    case $1 in
        deb) dpkg-deb -c "$2" | awk '{ sub(/^\./, "", $6); print $1, $6 }' ;;
        tar.gz) tar -tzf "$2" ;;
        zip) unzip -Z1 "$2" ;;
    esac | by_path
}
failures=0
for kind in deb tar.gz zip; do
    file=$(ls "$packages"/*."$kind")
    got=$(list "$kind" "$file")
    absent=$(grep -vxF -f <(awk '{ print $NF }' <<<"$got") "$expected/pending.txt" || true)
    if [ "$update" = --update ]; then
        # The package's listing, and the pending lines it does not hold yet.
        { echo "$got"; grep -F -f <(echo "$absent") "$expected/$kind.txt" || true; } |
            by_path >"$expected/$kind.txt.new"
        mv "$expected/$kind.txt.new" "$expected/$kind.txt"
        echo "== wrote $expected/$kind.txt from $(basename "$file")"
        continue
    fi
    echo "== listing of $(basename "$file") against expected/$kind.txt"
    # Expected lines whose path is pending and absent from the package are left out.
    want=$(awk 'NR == FNR { if ($0 != "") skip[$0] = 1; next } !($NF in skip)' \
        <(echo "$absent") "$expected/$kind.txt")
    grep -xF -f <(awk '{ print $NF }' "$expected/$kind.txt") <<<"$absent" | sed 's/^/   pending, not built yet: /' || true
    if diff <(echo "$want") <(echo "$got"); then
        echo "ok   $(wc -l <<<"$got") entries"
    else
        echo "FAIL $(basename "$file"): < expected, > in the package (tests/packaging/listings.sh DIR --update rewrites)"
        failures=$((failures + 1))
    fi
done
exit $((failures > 0))
