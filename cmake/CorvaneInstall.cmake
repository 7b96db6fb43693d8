# What an installation holds, and the Debian package CPack makes of it:
#   bin/                      corvane, corvane-cli, corvane-sim
#   share/corvane/            the EGO sensor table and the items definitions (data/)
#   share/applications/       the desktop entry; share/icons/ its icon
#   share/mime/packages/      the .crv file type, opened by corvane with a double click
#   share/doc/corvane/, share/man/man1/, share/corvane/guide/: see CorvanePackageDocs.cmake
set(CORVANE_PROGRAMS corvane-cli corvane-sim)
if(TARGET corvane)
  list(PREPEND CORVANE_PROGRAMS corvane)
endif()
foreach(program IN LISTS CORVANE_PROGRAMS)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
file(GLOB corvane_data_files ${PROJECT_SOURCE_DIR}/data/EgoSensorTable.txt ${PROJECT_SOURCE_DIR}/data/MonitoredItems-Def.dat)
install(FILES ${corvane_data_files} DESTINATION ${CMAKE_INSTALL_DATADIR}/corvane)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/corvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/corvane.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/corvane-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME corvane.xml)

include(CorvanePackageDocs)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VENDOR "Corvane")
set(CPACK_PACKAGE_CONTACT "Corvane developers <corvane@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Edit, READ, WRITE and watch a two-cylinder engine control module")
set(CPACK_PACKAGE_DESCRIPTION "Corvane edits the tuning maps and basic settings of a two-cylinder engine's control
module, reads and writes them over a serial link, shows the live values as gauges, logs,
replays and plots them, and tunes the fuel maps from the exhaust-oxygen sensors. The package
holds the window program (corvane), the scriptable tool (corvane-cli) and the module
emulator (corvane-sim).")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# The Qt runtime and the plotting library, found from the programs' linked libraries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Liberation Sans stands in for Arial, whose metrics the window layouts are computed with;
# DejaVu is the sans-serif that fontconfig gives the other faces ("MS Sans Serif") when a bare
# system has no other (without it they come out in a monospaced face). The Qt platform plugins
# (xcb, offscreen) are only recommended by libqt6gui6: without them no window opens at all.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2, fonts-dejavu-core, qt6-qpa-plugins")
set(CPACK_STRIP_FILES ON)
include(CPack)
