# What `cmake --install` puts where besides the targets, and the Debian package CPack makes of it
# (./run package).
set(WARBLER_PYTHON_DIR lib/python3/dist-packages CACHE STRING "where Debian's python3 finds packages")

# The Python package, told where the installed library lies relative to itself.
file(RELATIVE_PATH WARBLER_LIBRARY_FROM_PACKAGE
     ${CMAKE_INSTALL_PREFIX}/${WARBLER_PYTHON_DIR}/warbler
     ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/libwarbler.so)
configure_file(${PROJECT_SOURCE_DIR}/python/warbler/_installed.py.in
               ${PROJECT_BINARY_DIR}/python/_installed.py @ONLY)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/python/warbler DESTINATION ${WARBLER_PYTHON_DIR}
        PATTERN "__pycache__" EXCLUDE PATTERN "*.in" EXCLUDE)
install(FILES ${PROJECT_BINARY_DIR}/python/_installed.py DESTINATION ${WARBLER_PYTHON_DIR}/warbler)

# The simulator: its command and its package.
install(PROGRAMS ${PROJECT_SOURCE_DIR}/simulator/warbler-sim DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/simulator/warbler_sim DESTINATION ${WARBLER_PYTHON_DIR}
        PATTERN "__pycache__" EXCLUDE)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME warbler)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Warbler developers <warbler@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Twitter REST API v1 automation component, command and Python package")
set(CPACK_PACKAGE_DESCRIPTION
    "Warbler lets scripts use the Twitter REST API v1 (XML) with OAuth 1.0a without writing HTTP, \
OAuth or XML code: a library of automation objects, the warbler command, a Python package, and \
a local simulator of the service.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcurl4, libpugixml1v5, python3, libc6, libstdc++6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "python3-oauthlib")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_SOURCE_DIR}/build)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
