# Installation and the Debian package: both programs, a copy of the demo plant to start a plant of
# one's own from, the desktop entry, the icon and the man pages.
include(GNUInstallDirs)

install(TARGETS pelorin pelorin-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY sim/demo/ DESTINATION ${CMAKE_INSTALL_DATADIR}/pelorin/demo)
install(FILES packaging/pelorin.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/pelorin.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Man pages carry the project version and are installed compressed, as Debian expects.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(_man_pages)
foreach(program pelorin pelorin-sim)
    set(_page ${CMAKE_CURRENT_BINARY_DIR}/man/${program}.1)
    configure_file(packaging/${program}.1.in ${_page} @ONLY)
    add_custom_command(OUTPUT ${_page}.gz COMMAND ${GZIP_PROGRAM} -9nkf ${_page} DEPENDS ${_page}
                       COMMENT "Compressing the man page of ${program}")
    list(APPEND _man_pages ${_page}.gz)
endforeach()
add_custom_target(pelorin_man_pages ALL DEPENDS ${_man_pages})
install(FILES ${_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pelorin)
set(CPACK_PACKAGE_VENDOR "Pelorin")
set(CPACK_PACKAGE_CONTACT "Pelorin developers <pelorin@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Operator client for a building-automation picture server")
# One string: quoted pieces given to set() would be joined with ';' into the control file.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Shows the live process pictures of a heating and ventilation plant, writes values and setpoints, "
    "shows function texts and logbooks, runs the system-dialog terminal and prints. Includes "
    "pelorin-sim, a picture server simulator with a demo plant.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# Qt's platform plugins (xcb, offscreen) are only recommended by libqt6gui6, yet no window opens
# without them; the pictures' default font is metric-compatible Courier New; Qt's own buttons and file
# dialog speak Swedish only with its translations.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation, qt6-translations-l10n")
find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
if(DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
    string(PREPEND CPACK_DEBIAN_PACKAGE_DEPENDS
           "libqt6core6, libqt6gui6, libqt6widgets6, libqt6network6, libqt6printsupport6, ")
endif()
include(CPack)

# A package of a sanitizer build would need the sanitizer runtimes wherever it is installed.
if(PELORIN_BUILD_TESTS AND NOT PELORIN_SANITIZE)
    add_test(NAME package COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/package/package_test.sh
                                  ${CMAKE_BINARY_DIR})
    # It starts first: it runs beside the tests that take the loopback in turn.
    set_tests_properties(package PROPERTIES LABELS package TIMEOUT 600 SKIP_RETURN_CODE 77 COST 1000)
endif()
