# The rows of the `gui` label for one Windows build, included by CMakeLists.txt beside this
# file after rows.cmake, with its tag, loader and work, and the build's window_exe (zvtoolw.exe,
# zordrive.exe beside it), probe_exe, dpi_check_exe and zvtool_exe. They share a prefix of
# their own (the build's prefix name with "-gui") on a 1920x1080 screen with Wine's virtual
# desktop, made before the first row and stopped after the last; one row at a time.
set(gui_prefix ${prefix}-gui)
add_test(NAME ${tag}.gui.prefix COMMAND bash ${scripts}/gui_prefix.sh create ${gui_prefix})
set_tests_properties(${tag}.gui.prefix PROPERTIES FIXTURES_SETUP ${tag}_gui_prefix TIMEOUT 120)
add_test(NAME ${tag}.gui.stop COMMAND bash ${scripts}/gui_prefix.sh stop ${gui_prefix})
set_tests_properties(${tag}.gui.stop PROPERTIES FIXTURES_CLEANUP ${tag}_gui_prefix)
set_tests_properties(${tag}.gui.prefix ${tag}.gui.stop PROPERTIES
                     LABELS gui RESOURCE_LOCK ${tag}_gui_prefix ENVIRONMENT "ZV_WINE=${loader}")

# gui.sh ROW: the port list and its changes, one window per user; test the link, and the lock
# of another job; back up 5 modules; Cancel and Resume; close mid-job; a restore's plan,
# confirmed and read back (and read back otherwise); history of two backups and their diff;
# the window answering during a long pass, a log-off held off and a session's end.
set(gui_rows "")
foreach(row ports test-link backup cancel-resume close-during-job restore restore-differs
        history responsive)
    add_test(NAME ${tag}.gui.${row}
             COMMAND bash ${scripts}/gui.sh ${gui_prefix} ${row} ${work}/gui/${row})
    list(APPEND gui_rows ${tag}.gui.${row})
endforeach()
# Every dialog measured at 96 and 144 DPI, and the window at 144.
# The README's pictures (docs/window-*.png) are the rows' own: ZV_DOCS_DIR=$PWD/docs in the
# environment of `ctest -L gui -R '^wine[.]'` copies them there.
add_test(NAME ${tag}.gui.dpi
         COMMAND bash ${scripts}/gui_dpi.sh ${gui_prefix} ${dpi_check_exe} ${work}/gui/dpi)
list(APPEND gui_rows ${tag}.gui.dpi)
set_tests_properties(${gui_rows} PROPERTIES
    LABELS gui RESOURCE_LOCK ${tag}_gui_prefix FIXTURES_REQUIRED ${tag}_gui_prefix TIMEOUT 120
    ENVIRONMENT "ZV_WINE=${loader};ZV_WINDOW=${window_exe};ZV_PROBE=${probe_exe};ZV_ZVTOOL=${zvtool_exe};ZV_SIM=$<TARGET_FILE:minizv-sim>")
