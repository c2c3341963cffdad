# The rows of the wine label for one Windows build, included once per build by
# CMakeLists.txt beside this file with: tag (the test names' first word), loader (Wine's
# loader for that build), prefix (the build's own Wine prefix), work (a work directory) and
# the build's programs (driver_exe, zvtool_exe, sim_exe, host_exe, git_stand_in_exe and the
# check programs).
set(rows "")

# The prefix, made afresh with its display and wineserver before the build's first row and
# stopped after its last. Made by the 64-bit loader either way: a 64-bit prefix runs the
# 32-bit programs too.
add_test(NAME ${tag}.prefix COMMAND bash ${scripts}/prefix.sh create ${prefix})
set_tests_properties(${tag}.prefix PROPERTIES FIXTURES_SETUP ${tag}_prefix TIMEOUT 120)
add_test(NAME ${tag}.stop COMMAND bash ${scripts}/prefix.sh stop ${prefix})
set_tests_properties(${tag}.stop PROPERTIES FIXTURES_CLEANUP ${tag}_prefix)
set_tests_properties(${tag}.prefix ${tag}.stop PROPERTIES LABELS wine RESOURCE_LOCK ${tag}_prefix)

# A port that cannot be opened ends every run with 5, whatever job the settings select.
function(zv_wine_port_failure name)
    add_test(NAME ${tag}.port_failure.${name}
             COMMAND bash ${scripts}/port_failure.sh ${prefix} ${driver_exe}
                     ${work}/${name} ${ARGN})
    set(rows ${rows} ${tag}.port_failure.${name} PARENT_SCOPE)
endfunction()
zv_wine_port_failure(comport_0 Comport=0)
zv_wine_port_failure(comport_0_fetch_moduls Comport=0 TestMiniZvConnection=0 GetData=1
                     ToZorvek=1 GetFromModulNumber=3 GetToModulNumber=5)
zv_wine_port_failure(comport_0_send_central Comport=0 TestMiniZvConnection=0 GetData=0
                     ToZorvek=0)
zv_wine_port_failure(comport_absent Comport=77)

add_test(NAME ${tag}.window_check
         COMMAND bash ${scripts}/window_check.sh ${prefix} ${window_check_exe})
list(APPEND rows ${tag}.window_check)

add_test(NAME ${tag}.line_settings
         COMMAND bash ${scripts}/line_settings.sh ${prefix} ${line_settings_check_exe}
                 $<TARGET_FILE:minizv-sim> ${work}/line_settings)
list(APPEND rows ${tag}.line_settings)

# zv_wine_cases(PREFIX ENV CASES...): rows of the end-to-end runner (tests/e2e/run_case.sh),
# one a case, named TAG.PREFIXCASE, each with the environment ENV.
function(zv_wine_cases name_prefix env)
    foreach(case_name ${ARGN})
        set(row ${tag}.${name_prefix}${case_name})
        add_test(NAME ${row} COMMAND ${PROJECT_SOURCE_DIR}/tests/e2e/run_case.sh wine ${case_name})
        set_tests_properties(${row} PROPERTIES ENVIRONMENT "${env}")
        list(APPEND rows ${row})
    endforeach()
    set(rows ${rows} PARENT_SCOPE)
endfunction()
set(run_env "ZV_DRIVER=${driver_exe};ZV_SIM=$<TARGET_FILE:minizv-sim>;ZV_PREFIX=${prefix}")

# The end-to-end rows that apply under Wine (tests/e2e/catalogue.txt), run by zordrive.exe
# against minizv-sim, and the C host example of docs/hosts, built by this build, running the
# host rows with this build's zordrive.exe.
set(catalogue_env "${run_env};ZV_CASES=${PROJECT_SOURCE_DIR}/tests/e2e/catalogue.txt")
zv_wine_cases(catalogue. "${catalogue_env};ZV_WORK=${work}/catalogue" ${ZV_CATALOGUE_WINE})
zv_wine_cases(host-c. "${catalogue_env};ZV_HOST=${host_exe};ZV_WORK=${work}/host-c"
              ${ZV_HOST_ROWS})

# The null-modem rows (tests/sim): zordrive.exe on COM1, minizv-sim.exe --device COM2 at the
# other end of the cable, both under Wine.
zv_wine_cases(null-modem. "${run_env};ZV_NULL_MODEM=1;ZV_SIM_EXE=${sim_exe};ZV_WORK=${work}"
              ${ZV_NULL_MODEM_CASES})

# minizv-sim.exe where it differs from the POSIX build.
add_test(NAME ${tag}.sim_exe
         COMMAND bash ${PROJECT_SOURCE_DIR}/tests/sim/sim_exe_wine.sh ${prefix} ${sim_exe}
                 ${work}/sim_exe ${PROJECT_VERSION})
list(APPEND rows ${tag}.sim_exe)

# Two module jobs watched from a second process: the window's titles in order, minimised,
# never in the foreground. The cases' own checks run as well.
function(zv_wine_job_window case_name)
    add_test(NAME ${tag}.window.${case_name}
             COMMAND bash ${scripts}/job_window.sh ${prefix} ${title_watch_exe} ${case_name}
                     ${ARGN})
    set_tests_properties(${tag}.window.${case_name} PROPERTIES ENVIRONMENT
        "ZV_DRIVER=${driver_exe};ZV_SIM=$<TARGET_FILE:minizv-sim>;ZV_WORK=${work}/window")
    set(rows ${rows} ${tag}.window.${case_name} PARENT_SCOPE)
endfunction()
zv_wine_job_window(fetch-modules-good "Zorvek PC interface" "Zor Tool, Modul 3"
                   "Zor Tool, Modul 4" "Zor Tool, Modul 5" "Zorvek PC interface")
zv_wine_job_window(send-modules-good "Zorvek PC interface" "Zor Tool, Modul 1"
                   "Zor Tool, Modul 2" "Zorvek PC interface")

# zvtool.exe driving zordrive.exe: a fetch with progress lines, a send, a failure.
add_test(NAME ${tag}.zvtool
         COMMAND bash ${scripts}/zvtool.sh ${prefix} ${zvtool_exe} $<TARGET_FILE:minizv-sim>
                 ${work}/zvtool)
list(APPEND rows ${tag}.zvtool)

# zvtool.exe on a technician's bad day (zvtool_bad_day.sh): zvtool.exe ended while its driver
# sends, Ctrl-C in the console during a backup and a restore, the refused bench's JSON, the
# unit-name rule (its table in unit_names_check.exe, and through zvtool.exe), the text files
# zvtool writes read back with CR LF, and the help, paths and ports as Windows has them.
foreach(case lock-outlives-zvtool ctrl-c-backup ctrl-c-restore refused-bench unit-names
        crlf-files help-and-paths)
    add_test(NAME ${tag}.zvtool.${case}
             COMMAND bash ${scripts}/zvtool_bad_day.sh ${case} ${prefix} ${zvtool_exe}
                     $<TARGET_FILE:minizv-sim> ${work}/zvtool-${case} ${unit_names_check_exe})
    list(APPEND rows ${tag}.zvtool.${case})
endforeach()
# zvtool.exe with a shared ledger: the ledger moved once to %LOCALAPPDATA%\zvtool\ledger, no
# git, and a stand-in git.exe that checks the calls zvtool makes and the pushes offline.
add_test(NAME ${tag}.shared_ledger
         COMMAND bash ${scripts}/shared_ledger.sh ${prefix} ${zvtool_exe} $<TARGET_FILE:minizv-sim>
                 ${git_stand_in_exe} ${work}/shared_ledger)
list(APPEND rows ${tag}.shared_ledger)

# The About box worked by keystrokes and photographed: work/about_box/about-box.png.
add_test(NAME ${tag}.about_box
         COMMAND bash ${scripts}/about_box.sh ${prefix} ${about_box_check_exe}
                 ${work}/about_box)
list(APPEND rows ${tag}.about_box)

set_property(TEST ${rows} APPEND PROPERTY ENVIRONMENT "ZV_WINE=${loader}")
# One row at a time in the prefix: the rows share the profile files of its Windows directory,
# its COM1 and COM2 and its one wineserver.
set_tests_properties(${rows} PROPERTIES LABELS wine RESOURCE_LOCK ${tag}_prefix
                     FIXTURES_REQUIRED ${tag}_prefix TIMEOUT 90)
