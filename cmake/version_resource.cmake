# zv_version_resource(TARGET "File description"): gives a Windows executable the version
# resource that Explorer shows in the file's properties (file and product version from
# project(), product name, description, copyright, original file name). Does nothing on
# other platforms, so a target's CMakeLists can call it unconditionally.
function(zv_version_resource target description)
    if(NOT WIN32)
        return()
    endif()
    get_target_property(output_name ${target} OUTPUT_NAME)
    if(NOT output_name)
        set(output_name ${target})
    endif()
    set(ZV_RC_TARGET ${target})
    set(ZV_RC_FILE ${output_name}${CMAKE_EXECUTABLE_SUFFIX})
    set(ZV_RC_DESCRIPTION ${description})
    set(rc ${PROJECT_BINARY_DIR}/generated/${target}_version.rc)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
endfunction()
