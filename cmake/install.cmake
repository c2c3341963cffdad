# Install rules (`cmake --install`), for whichever of the programs this build defines.
# POSIX: bin/, share/man/man1/ and share/doc/zordrive/. Windows: one flat folder, the
# layout of the zip. Components: programs, manpages, docs (README.md and the pages of docs/
# it links, the host examples among them), license (LICENSE),
# picture (the About-box picture, in docs/ as the host contract links it, and the window's
# pictures that the README shows).
# The Debian package build (ZV_DEBIAN) puts Debian's copyright file and changelog in the
# doc folder instead of LICENSE.
option(ZV_DEBIAN "Install for the Debian package: copyright and changelog.Debian.gz" OFF)
include(GNUInstallDirs)
if(WIN32)
    set(zv_bin_dir .)
    set(zv_doc_dir .)
else()
    set(zv_bin_dir ${CMAKE_INSTALL_BINDIR})
    set(zv_doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/zordrive)
endif()

foreach(program zordrive zvtool zvtoolw minizv-sim)
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION ${zv_bin_dir} COMPONENT programs)
    endif()
endforeach()
if(ZV_MAN_PAGES)
    install(FILES ${ZV_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT manpages)
endif()
install(FILES README.md DESTINATION ${zv_doc_dir} COMPONENT docs)
install(FILES docs/benchmarks.md docs/building.md docs/diagnosing.md docs/json.md
              docs/servicing.md docs/shared-ledger.md docs/simulator.md docs/window.md
        DESTINATION ${zv_doc_dir}/docs COMPONENT docs)
install(FILES docs/hosts/README.md docs/hosts/contract.md docs/hosts/zvhost.c docs/hosts/zvhost.py
        DESTINATION ${zv_doc_dir}/docs/hosts COMPONENT docs)

if(ZV_DEBIAN)
    # Debian keeps its changelog compressed, without name or time stamp.
    set(changelog ${PROJECT_BINARY_DIR}/changelog.Debian.gz)
    add_custom_command(OUTPUT ${changelog}
        COMMAND sh -c "gzip -9n -c '${PROJECT_SOURCE_DIR}/packaging/debian/changelog' >'${changelog}'"
        DEPENDS ${PROJECT_SOURCE_DIR}/packaging/debian/changelog VERBATIM)
    add_custom_target(debian_changelog ALL DEPENDS ${changelog})
    install(FILES packaging/debian/copyright ${changelog} DESTINATION ${zv_doc_dir} COMPONENT docs)
else()
    install(FILES LICENSE DESTINATION ${zv_doc_dir} COMPONENT license)
    install(FILES docs/about-box.png docs/window-main.png docs/window-backup.png
                  docs/window-restore-plan.png
            DESTINATION ${zv_doc_dir}/docs COMPONENT picture)
endif()
