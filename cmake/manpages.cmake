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
# @ZV_RESULT_CODES@: the result codes and their meanings, from the one table of them in
# driver/result_codes.h, as an scdoc list.
set(codes_header ${PROJECT_SOURCE_DIR}/driver/result_codes.h)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${codes_header})
file(READ ${codes_header} codes_text)
# A semicolon would split the CMake list of meanings: carried as a placeholder.
string(REPLACE ";" "<semicolon>" codes_text "${codes_text}")
string(REGEX MATCH "kMeanings\\[\\] = {([^}]*)}" codes_table "${codes_text}")
string(REGEX MATCHALL "\n *\"([^\n]*)\"," meanings "${CMAKE_MATCH_1}")
set(ZV_RESULT_CODES "")
set(code 0)
foreach(meaning ${meanings})
    string(REGEX REPLACE "^\n *\"(.*)\",$" "\\1" meaning "${meaning}")
    string(REPLACE "\\\"" "\"" meaning "${meaning}")
    string(SUBSTRING "${meaning}" 0 1 first)
    string(TOUPPER "${first}" first)
    string(SUBSTRING "${meaning}" 1 -1 rest)
    string(APPEND ZV_RESULT_CODES "*${code}*\n\t${first}${rest}.\n\n")
    math(EXPR code "${code} + 1")
endforeach()
string(REPLACE "<semicolon>" ";" ZV_RESULT_CODES "${ZV_RESULT_CODES}")
if(code LESS 12)
    message(FATAL_ERROR "read only ${code} result codes from ${codes_header}")
endif()

file(GLOB man_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/*.1.scd)
foreach(source ${man_sources})
    get_filename_component(page ${source} NAME_WLE)
    set(out ${PROJECT_BINARY_DIR}/man/${page})
    configure_file(${source} ${out}.in.scd @ONLY)
    # zvtool's page takes its synopsis, commands, options, JSON keys and exit statuses from
    # zvtool's own tables, through zvtool-manpage; the others are as written.
    if(page STREQUAL "zvtool.1")
        add_custom_command(OUTPUT ${out}.scd
            COMMAND zvtool-manpage ${out}.in.scd ${out}.scd
            DEPENDS ${out}.in.scd zvtool-manpage
            COMMENT "Filling the manual page ${page} from zvtool's tables"
            VERBATIM)
    else()
        configure_file(${source} ${out}.scd @ONLY)
    endif()
    # gzip -n: no name or time stamp in the archive, so the page is reproducible.
    add_custom_command(OUTPUT ${out}.gz
        COMMAND sh -c "'${ZV_SCDOC}' <'${out}.scd' >'${out}' && gzip -9n -c '${out}' >'${out}.gz'"
        DEPENDS ${out}.scd
        COMMENT "Rendering the manual page ${page}"
        VERBATIM)
    list(APPEND ZV_MAN_PAGES ${out}.gz)
endforeach()
add_custom_target(manpages ALL DEPENDS ${ZV_MAN_PAGES})
