# The .deb for Linux engineers (scripts/package-linux.sh): the three programs
# in /usr/bin, the desktop entry and its icon, the README. Installed there the
# program cannot write beside itself, so INI and CONFIG go to ~/vkt53. These
# rules only act on an install or a package; the build tree keeps its own
# layout (programs in bin/ beside INI and CONFIG).
include(GNUInstallDirs)

# The package builds what it holds itself (scripts/package-linux.sh), so an
# install does not first build every test.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

install(TARGETS vkt53 vkt53-cli vkt53-emu RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The desktop entry made again for the program as the package installs it
# under /usr, with the icon by its name in the icon theme.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(VKT53_PROGRAM_FOLDER ${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR})
set(VKT53_DESKTOP_ICON vkt53)
configure_file(${PROJECT_SOURCE_DIR}/app/vkt53.desktop.in
               ${PROJECT_BINARY_DIR}/package/vkt53.desktop @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/package/vkt53.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/app/icons/vkt53.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vkt53)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "vkt53 project")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "service tool for the KORDIN parallel-access device vkt53-sx")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "\
vkt53 sets up the serial link to a KORDIN vkt53-sx, identifies the device,
restores its configuration tables from a file, reads, edits and writes its
configuration, and prepares configuration files without a device.
vkt53-cli does the same jobs from a terminal; vkt53-emu plays the device on
a pseudo-terminal. Serial ports need the user in the group dialout.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # vkt53_<version>_amd64.deb
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# The Qt and C++ runtime libraries the programs link, found by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The toolkit's own texts (the file dialogs) in Russian.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
include(CPack)
