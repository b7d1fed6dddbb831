# Installation (cmake --install) and the Debian package (cpack -G DEB).
#
# The layout under the prefix:
#   bin/lumiro, bin/lumiro-db
#   share/lumiro/{install,LUMIRO,help}   the tables of a new working folder, the guide and the
#                                        help document; the program finds them from its own
#                                        bin folder (../share/lumiro), so an unpacked package
#                                        works wherever it lies
#   share/applications, share/metainfo, share/icons/hicolor, share/man/man1
include(GNUInstallDirs)

install(TARGETS lumiro lumiro-db RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/resources/install ${CMAKE_SOURCE_DIR}/resources/LUMIRO
                  ${CMAKE_SOURCE_DIR}/resources/help
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lumiro)
install(FILES ${CMAKE_SOURCE_DIR}/resources/desktop/pl.lumiro.Lumiro.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/resources/desktop/pl.lumiro.Lumiro.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/resources/icons/hicolor
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

# Manual pages are installed compressed, as Debian keeps them. They are compressed when the
# project is configured (an edited page configures it again), so packaging needs no build step.
foreach(page lumiro.1 lumiro-db.1)
  set(_source ${CMAKE_SOURCE_DIR}/docs/man/${page})
  set(_packed ${CMAKE_BINARY_DIR}/man/${page}.gz)
  set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_source})
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/man)
  file(ARCHIVE_CREATE OUTPUT ${_packed} PATHS ${_source} FORMAT raw COMPRESSION GZip
       COMPRESSION_LEVEL 9)
  install(FILES ${_packed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

# Packaging installs what has been built and never builds the whole tree first: in a tree
# with the test suite that would be every test program.
if(NOT DEFINED CMAKE_SKIP_INSTALL_ALL_DEPENDENCY)
  set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
endif()

set(CPACK_PACKAGE_NAME lumiro)
set(CPACK_PACKAGE_VENDOR "Lumiro")
set(CPACK_PACKAGE_CONTACT "Lumiro <lumiro@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "karty pracowników i dokumenty ZUS do ustalenia kapitału początkowego")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Lumiro prowadzi karty pracowników jednego lub wielu płatników składek\n\
i drukuje dokumenty, których ZUS potrzebuje do ustalenia kapitału\n\
początkowego: Rp-7 z załącznikiem nr 1, Rp-6, Kp-1, świadectwo pracy\n\
i wykaz ubezpieczonych, na drukarce albo do pliku PDF.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_STRIP_FILES ON)
# The libraries the programs link (Qt, libjpeg, CUPS, zlib) come from dpkg-shlibdeps. What is
# loaded at run time is named here: Qt's platform plugins, the fonts the printouts resolve
# Times New Roman and Arial to, and Qt's Polish texts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation2, qt6-translations-l10n")
# Documents and mail links are opened through the desktop's xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_GENERATOR DEB)
include(CPack)
