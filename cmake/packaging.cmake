# The packages (cpack in a package build directory; scripts/package makes all three):
#   POSIX with ZV_DEBIAN   zordrive_VERSION_amd64.deb           dynamically linked programs
#   POSIX                  zordrive-VERSION-linux-x86_64.tar.gz the install tree of this build
#   Windows                zordrive-VERSION-windows.zip         this build's programs at the
#                          top, those of ZV_PACKAGE_WIN64_DIR (a 64-bit build) in win64/
# Each package names the components it takes from which build, so nothing else slips in.
set(CPACK_PACKAGE_NAME zordrive)
set(CPACK_PACKAGE_VENDOR "zordrive developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "driver for a Zorvek interface unit on a serial line")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_SOURCE_GENERATOR "")

function(zv_package_parts dir subdir)
    foreach(component ${ARGN})
        list(APPEND projects ${dir} zordrive ${component} ${subdir})
    endforeach()
    set(CPACK_INSTALL_CMAKE_PROJECTS ${CPACK_INSTALL_CMAKE_PROJECTS} ${projects} PARENT_SCOPE)
endfunction()

set(CPACK_INSTALL_CMAKE_PROJECTS "")
if(WIN32)
    set(ZV_PACKAGE_WIN64_DIR "" CACHE PATH "64-bit build whose programs the zip carries in win64/")
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME zordrive-${PROJECT_VERSION}-windows)
    # No folder around the contents: Windows' "Extract all" makes one named after the zip.
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
    zv_package_parts(${PROJECT_BINARY_DIR} / programs docs license picture)
    if(ZV_PACKAGE_WIN64_DIR)
        zv_package_parts(${ZV_PACKAGE_WIN64_DIR} /win64 programs)
    endif()
elseif(ZV_DEBIAN)
    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    # Debian revision 1: the Debian parts (copyright, changelog.Debian.gz) are packaging of
    # their own, kept apart from the release. The file keeps the release's plain name.
    set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
    set(CPACK_DEBIAN_FILE_NAME zordrive_${PROJECT_VERSION}_amd64.deb)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "zordrive developers <zordrive@example.org>"
        CACHE STRING "Maintainer field of the Debian package")
    set(CPACK_DEBIAN_PACKAGE_SECTION comm)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # zvtool shares a ledger through the system's git; without it the ledger stays per user.
    set(CPACK_DEBIAN_PACKAGE_SUGGESTS git)
    set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
    # The synopsis is CPACK_PACKAGE_DESCRIPTION_SUMMARY; this is the long description.
    # No double quotes: CPack cannot carry them into the control file.
    set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
        "zordrive runs one job against an interface unit on a serial line (2400 baud,
8N1): it tests the connection, or fetches or sends the unit's central and
module setup records, which it keeps in comma-separated text files. A host
application writes the job into zordrive.INI, starts the driver and reads
the result code from zordOUT.INI.
.
The package also holds minizv-sim, a simulated unit on a pseudo-terminal or a
serial device, for trying out hosts and the driver without the hardware.")
    zv_package_parts(${PROJECT_BINARY_DIR} / programs manpages docs)
else()
    set(CPACK_GENERATOR TGZ)
    set(CPACK_PACKAGE_FILE_NAME zordrive-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR})
    zv_package_parts(${PROJECT_BINARY_DIR} / programs manpages docs license)
endif()
include(CPack)
