# The manual pages: every docs/man/NAME.1.scd, with @PROJECT_VERSION@ filled in, is rendered
# by scdoc (Debian package scdoc) into man/NAME.1 and compressed into man/NAME.1.gz, the
# form that is installed. A new page needs nothing here but its .scd file. POSIX
# builds only. Without scdoc the build goes on without pages and says so.
set(ZV_MAN_PAGES "")
if(WIN32)
    return()
endif()
find_program(ZV_SCDOC scdoc)
if(NOT ZV_SCDOC)
    message(WARNING "scdoc not found (Debian package scdoc): building no manual pages")
    return()
endif()
file(GLOB man_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/*.1.scd)
foreach(source ${man_sources})
    get_filename_component(page ${source} NAME_WLE)
    set(out ${PROJECT_BINARY_DIR}/man/${page})
    configure_file(${source} ${out}.scd @ONLY)
    # gzip -n: no name or time stamp in the archive, so the page is reproducible.
    add_custom_command(OUTPUT ${out}.gz
        COMMAND sh -c "'${ZV_SCDOC}' <'${out}.scd' >'${out}' && gzip -9n -c '${out}' >'${out}.gz'"
        DEPENDS ${out}.scd
        COMMENT "Rendering the manual page ${page}"
        VERBATIM)
    list(APPEND ZV_MAN_PAGES ${out}.gz)
endforeach()
add_custom_target(manpages ALL DEPENDS ${ZV_MAN_PAGES})
