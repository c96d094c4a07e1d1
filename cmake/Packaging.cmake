# What `cmake --install` puts where besides the targets, and the Debian package CPack makes of it
# (./run package).
set(WARBLER_PYTHON_DIR lib/python3/dist-packages CACHE STRING "where Debian's python3 finds packages")
set(WARBLER_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/warbler)

# The Python package, told where the installed library lies relative to itself.
file(RELATIVE_PATH WARBLER_LIBRARY_FROM_PACKAGE
     ${CMAKE_INSTALL_PREFIX}/${WARBLER_PYTHON_DIR}/warbler
     ${CMAKE_INSTALL_PREFIX}/${WARBLER_PRIVATE_LIBDIR}/libwarbler.so)
configure_file(${PROJECT_SOURCE_DIR}/python/warbler/_installed.py.in
               ${PROJECT_BINARY_DIR}/python/_installed.py @ONLY)
# The package as the build made it (modules, extension, help strings, stub), but for where the
# library lies.
install(DIRECTORY ${PROJECT_BINARY_DIR}/python/warbler DESTINATION ${WARBLER_PYTHON_DIR}
        PATTERN "__pycache__" EXCLUDE PATTERN "_installed.py" EXCLUDE PATTERN "_native*" EXCLUDE)
install(TARGETS warbler_python LIBRARY DESTINATION ${WARBLER_PYTHON_DIR}/warbler)
install(FILES ${PROJECT_BINARY_DIR}/python/_installed.py DESTINATION ${WARBLER_PYTHON_DIR}/warbler)

# The simulator: its command and its package.
install(PROGRAMS ${PROJECT_SOURCE_DIR}/simulator/warbler-sim DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/simulator/warbler_sim DESTINATION ${WARBLER_PYTHON_DIR}
        PATTERN "__pycache__" EXCLUDE)

# The machine-wide settings: a configuration file of the package, which the library only reads.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/warbler-suite.ini DESTINATION /etc/velmora)

# Manual pages from the programs' own help.
set(MAN_DIR ${PROJECT_BINARY_DIR}/man)
file(MAKE_DIRECTORY ${MAN_DIR})
add_custom_command(
    OUTPUT ${MAN_DIR}/warbler.1.gz
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:warbler_command>
            "-DNAME=the Twitter REST API v1 from the shell" -DVERSION=${PROJECT_VERSION}
            -DSUBCOMMANDS=authorize,tweet,reply,timeline,friends,followers,search,follow,unfollow,call,errors
            -DOUT=${MAN_DIR}/warbler.1.gz -P ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
    DEPENDS warbler_command ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
    VERBATIM)
add_custom_command(
    OUTPUT ${MAN_DIR}/warbler-sim.1.gz
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=${PROJECT_SOURCE_DIR}/simulator/warbler-sim
            "-DNAME=a local stand-in for the Twitter REST API v1 and its OAuth provider"
            -DVERSION=${PROJECT_VERSION} -DOUT=${MAN_DIR}/warbler-sim.1.gz
            -P ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
    DEPENDS ${PROJECT_SOURCE_DIR}/simulator/warbler-sim ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
    VERBATIM)
add_custom_target(man_pages ALL DEPENDS ${MAN_DIR}/warbler.1.gz ${MAN_DIR}/warbler-sim.1.gz)
install(FILES ${MAN_DIR}/warbler.1.gz ${MAN_DIR}/warbler-sim.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Debian's documentation files: the copyright, and the changelog compressed as policy asks.
add_custom_command(
    OUTPUT ${PROJECT_BINARY_DIR}/changelog.Debian.gz
    COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/packaging/changelog > ${PROJECT_BINARY_DIR}/changelog.Debian.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog)
add_custom_target(debian_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/changelog.Debian.gz)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${PROJECT_BINARY_DIR}/changelog.Debian.gz
        ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${WARBLER_DOC_DIR})
# The examples a user copies; as documentation they are not executable.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${WARBLER_DOC_DIR}/examples
        FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ PATTERN "__pycache__" EXCLUDE)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME warbler)
file(WRITE ${PROJECT_BINARY_DIR}/conffiles "/etc/velmora/warbler-suite.ini\n")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME warbler)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Warbler developers <warbler-devel@velmora.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Twitter REST API v1 automation component, command and Python package")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Warbler lets scripts use the Twitter REST API v1 (XML) with OAuth 1.0a
without writing HTTP, OAuth or XML code: a library of automation objects,
the warbler command, a Python package, and a local simulator of the
service.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The Debian revision of this packaging: the package is no native one, its changelog
# changelog.Debian.gz.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcurl4, libpugixml1v5, ${WARBLER_PYTHON_DEPENDS}, libc6, libstdc++6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "python3-oauthlib, bash-completion")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/conffiles
    ${PROJECT_SOURCE_DIR}/packaging/preinst ${PROJECT_SOURCE_DIR}/packaging/postinst
    ${PROJECT_SOURCE_DIR}/packaging/prerm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Debug information stays out of the package.
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_SOURCE_DIR}/build)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
