# Volumix as a program people install: `cmake --install` puts the two
# commands, the desktop entry, the icon, the MIME types of the files the
# window opens, the manual pages and the example mesh in their usual places;
# `cpack -G DEB` makes a .deb whose dependencies dpkg-shlibdeps finds from
# the libraries the programs are linked with.
include(GNUInstallDirs)

install(TARGETS volumix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES packaging/volumix.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES examples/torus.asc DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
if(VOLUMIX_BUILD_GUI)
  install(TARGETS volumix-gui RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES packaging/volumix-gui.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES packaging/volumix.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES packaging/volumix.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES packaging/volumix-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME volumix.xml)
endif()

set(CPACK_PACKAGE_NAME volumix)
set(CPACK_PACKAGE_VENDOR "Volumix")
set(CPACK_PACKAGE_CONTACT "Volumix maintainers <maintainers@volumix.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turns 3D meshes into Amstrad CPC animation screens and data")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "turns 3D meshes into Amstrad CPC animation screens and data
Volumix loads a 3D triangle mesh, animates it, renders every frame and
maps it to Amstrad CPC video memory: .SCR screens, frame-delta data over
the 128K banks, Z80 assembler sources, and snapshots and disk images that
play the animation. volumix is the command line, volumix-gui the window.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
include(CPack)

if(VOLUMIX_BUILD_TESTS)
  # The install, the .deb and the programs run from it (skipped without dpkg-dev).
  add_test(NAME package_check COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/package-check.sh ${PROJECT_BINARY_DIR})
  set_tests_properties(package_check PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
endif()
