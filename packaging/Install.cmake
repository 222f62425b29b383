# What `cmake --install` puts where, and the Debian package that CPack builds
# from the same files (`cpack -G DEB` in the build folder).
include(GNUInstallDirs)
install(TARGETS vantor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/doc/help.html DESTINATION ${CMAKE_INSTALL_DATADIR}/vantor)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/doc/screenshots DESTINATION ${CMAKE_INSTALL_DATADIR}/vantor)
install(FILES ${CMAKE_SOURCE_DIR}/samples/sample.vmdk ${CMAKE_SOURCE_DIR}/samples/manifest.tsv
              ${CMAKE_SOURCE_DIR}/samples/README DESTINATION ${CMAKE_INSTALL_DATADIR}/vantor/samples)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/vantor.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/vantor.bash-completion DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME vantor)
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME copyright)
if(VANTOR_GUI)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/vantor-gui.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/io.github.vantor.Vantor.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/io.github.vantor.Vantor.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/io.github.vantor.Vantor.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantor)
set(CPACK_PACKAGE_VENDOR "Vantor developers")
set(CPACK_PACKAGE_CONTACT "Vantor developers <vantor@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "recovers deleted and lost files from VMware virtual disks")
set(CPACK_PACKAGE_DESCRIPTION
    "Vantor reads a VMware virtual disk (.vmdk, any layout, snapshots included), a disk image\n"
    "or a device, never writing to it, and gives back the folders and files of its FAT12,\n"
    "FAT16, FAT32 and NTFS volumes: deleted ones, those of formatted volumes and of lost\n"
    "partitions, and files found by their content alone. It also copies disks to images.\n"
    "vantor is the command line; vantor-gui the desktop wizard.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xdg-utils, qemu-utils")
include(CPack)
