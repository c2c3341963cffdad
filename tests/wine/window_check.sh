#!/usr/bin/env bash
# Runs window_check.exe under Wine on the prefix's virtual display, where the status window
# and the About box are real windows. The program prints its own checks.
# Usage: window_check.sh PREFIX EXE
set -euo pipefail
prefix=$1 exe=$2
source "$(dirname "$0")/wine_env.sh"
if [ ! -f "$exe" ]; then
    echo "FAIL: $exe does not exist; build it first:"
    echo "      cmake --preset windows && cmake --build --preset windows"
    echo "      (the Windows build makes it when the top-level CMakeLists.txt adds tests/wine"
    echo "      for WIN32; or point the cache variable ZV_WINDOW_CHECK_EXE at another one)"
    exit 1
fi
[ -d "$prefix/drive_c/windows" ] || { echo "FAIL: no Wine prefix at $prefix"; exit 1; }
run_logged "$prefix.window_check.log" timeout 60 "$wine" "$exe"
