#!/usr/bin/env bash
# Checks the three packages in PACKAGE_DIR as a user would meet them:
#   - listings against expected/ (listings.sh);
#   - the .deb: lintian reports no error; its manual pages give man no warning; unpacked
#     with dpkg -x into a scratch root, its programs run the demo's module fetch (and zvtool
#     the same fetch, once it is packaged);
#   - the Linux archive: every program linked statically (file, ldd); unpacked, the static
#     driver and simulator run the same fetch;
#   - the zip: its 32-bit programs at the top and its 64-bit ones in win64/ pass the PE
#     check; unpacked, its win64 zordrive.exe (and zvtool.exe once packaged) runs the fetch
#     under Wine against the .deb's simulator, and so do its top-level 32-bit ones with
#     Wine's 32-bit loader where the machine runs 32-bit programs (else a line says so).
# Usage: check.sh PACKAGE_DIR VERSION
set -euo pipefail
packages=$(cd "$1" && pwd) version=$2
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work=$packages/check
rm -rf "$work"
mkdir -p "$work"
deb=$packages/zordrive_${version}_amd64.deb
tgz=$packages/zordrive-$version-linux-x86_64.tar.gz
zip=$packages/zordrive-$version-windows.zip
failures=0
step() { echo "== $*"; }
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

bash "$here/listings.sh" "$packages" || failures=$((failures + 1))

step "control fields of $(basename "$deb")"
suggests=$(dpkg-deb -f "$deb" Suggests)
if [ "$suggests" = git ]; then echo "ok   Suggests: git"; else fail "Suggests: '$suggests', expected 'git'"; fi

step "lintian $(basename "$deb")"
lintian --allow-root --fail-on error "$deb" || fail "lintian reports an error"

step "unpacking the packages into $work"
dpkg -x "$deb" "$work/deb"
mkdir -p "$work/tgz" "$work/zip"
tar -xzf "$tgz" -C "$work/tgz"
unzip -q "$zip" -d "$work/zip"
static_bin=$work/tgz/zordrive-$version-linux-x86_64/bin

step "manual pages of the .deb and the archive"
for page in "$work"/deb/usr/share/man/man1/*.1.gz "$static_bin"/../share/man/man1/*.1.gz; do
    warnings=$(man --warnings -l "$page" 2>&1 >/dev/null)
    if [ -z "$warnings" ]; then echo "ok   $(basename "$page")"; else fail "$page: $warnings"; fi
done

step "static programs of the archive"
for program in "$static_bin"/*; do
    if file "$program" | grep -q 'statically linked' && ! ldd "$program" >/dev/null 2>&1; then
        echo "ok   $(basename "$program"): statically linked, ldd: $(ldd "$program" 2>&1 | xargs)"
    else
        fail "$(basename "$program") is not statically linked: $(file -b "$program"); $(ldd "$program" 2>&1 | head -n 3)"
    fi
done

# One case of cases.txt through the end-to-end runner: MODE DRIVER SIM CASE.
run_case() {
    ZV_CASES=$here/cases.txt ZV_DRIVER=$2 ZV_SIM=$3 ZV_WORK=$work/runs \
        "$root/tests/e2e/run_case.sh" "$1" "$4" || fail "$4 ($1) with $2"
}
sim=$work/deb/usr/bin/minizv-sim
step "the .deb's zordrive and minizv-sim: the demo's module fetch"
run_case native "$work/deb/usr/bin/zordrive" "$sim" fetch-modules-1-5
step "the archive's static zordrive and minizv-sim"
run_case native "$static_bin/zordrive" "$static_bin/minizv-sim" fetch-modules-1-5
if [ -x "$work/deb/usr/bin/zvtool" ]; then
    step "the .deb's zvtool: the same fetch"
    bash "$here/zvtool_fetch.sh" native "$work/deb/usr/bin/zvtool" "$sim" "$work/runs/zvtool-native" ||
        fail "zvtool fetch"
fi

step "PE check of the zip's programs"
"$root/scripts/pe-check" i386 "$version" "$work"/zip/*.exe || fail "PE check, 32-bit programs"
"$root/scripts/pe-check" x86-64 "$version" "$work"/zip/win64/*.exe || fail "PE check, win64/"

step "the zip's win64 zordrive.exe under Wine"
prefix=$work/wine-prefix
trap 'bash "$root/tests/wine/prefix.sh" stop "$prefix" >/dev/null 2>&1 || true' EXIT
bash "$root/tests/wine/prefix.sh" create "$prefix" >"$work/wine-prefix.log" 2>&1 ||
    { cat "$work/wine-prefix.log"; fail "no Wine prefix"; }
export ZV_PREFIX=$prefix
run_case wine "$work/zip/win64/zordrive.exe" "$sim" fetch-modules-1-5
if [ -f "$work/zip/win64/zvtool.exe" ]; then
    step "the zip's win64 zvtool.exe under Wine: the same fetch"
    bash "$here/zvtool_fetch.sh" wine "$work/zip/win64/zvtool.exe" "$sim" "$work/runs/zvtool-wine" ||
        fail "zvtool.exe fetch"
fi

if why32=$(bash "$root/tests/wine/probe32.sh" "$work/probe32") && [ -x /usr/lib/wine/wine ]; then
    step "the zip's 32-bit zordrive.exe and zvtool.exe (top level) under Wine: the same fetch"
    ZV_WINE=/usr/lib/wine/wine run_case wine "$work/zip/zordrive.exe" "$sim" fetch-modules-1-5
    ZV_WINE=/usr/lib/wine/wine bash "$here/zvtool_fetch.sh" wine "$work/zip/zvtool.exe" "$sim" \
        "$work/runs/zvtool-wine32" || fail "32-bit zvtool.exe fetch"
else
    step "the zip's 32-bit programs are NOT run: ${why32:-no /usr/lib/wine/wine (wine32:i386)}"
fi

[ $failures -eq 0 ] || { echo "package checks: $failures failed"; exit 1; }
echo "package checks: all passed"
