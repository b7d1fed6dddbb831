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

# Manual pages, the changelog and the copyright file as Debian keeps them: the pages carry the
# project's version (configured from docs/man), and everything compressed is packed by
# `gzip -9n`, without a name or a time stamp, so that the same commit gives the same package.
# They are made when the project is configured (an edited source configures it again), so
# packaging needs no build step.
find_program(LUMIRO_GZIP gzip REQUIRED)
function(lumiro_gzip source packed)
  set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  execute_process(COMMAND ${LUMIRO_GZIP} -9n -c ${source} OUTPUT_FILE ${packed}
                  RESULT_VARIABLE _status)
  if(NOT _status EQUAL 0)
    message(FATAL_ERROR "gzip ${source}: ${_status}")
  endif()
endfunction()

file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/man)
foreach(page lumiro.1 lumiro-db.1)
  configure_file(${CMAKE_SOURCE_DIR}/docs/man/${page} ${CMAKE_BINARY_DIR}/man/${page} @ONLY)
  lumiro_gzip(${CMAKE_BINARY_DIR}/man/${page} ${CMAKE_BINARY_DIR}/man/${page}.gz)
  install(FILES ${CMAKE_BINARY_DIR}/man/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

# A version without a Debian revision makes a native package, whose changelog Debian keeps as
# changelog.gz; its newest entry names the project's version (the package test checks it).
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/doc)
lumiro_gzip(${CMAKE_SOURCE_DIR}/resources/debian/changelog ${CMAKE_BINARY_DIR}/doc/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/doc/changelog.gz ${CMAKE_SOURCE_DIR}/resources/debian/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/lumiro)

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
# lintian finds no error and no warning in the package (the package test runs it). The
# informational tags that remain, and why they stay:
# - package-contains-documentation-outside-usr-share-doc (the guide's contents pages and
#   lumiro_pomoc.html): they are the program's data, not the package's documentation; the
#   program opens them from its menus and copies them into a new working folder, so they live
#   in /usr/share/lumiro beside the installation tables.
# - binary-has-unneeded-section .comment: cpack strips with plain `strip`, which keeps the
#   compiler's identification; it costs a few hundred bytes and nothing at run time.
# - hardening-no-fortify-functions, only in a package made from a sanitizer build (the test
#   suite's): the sanitizers replace the fortified functions there; Release builds define
#   _FORTIFY_SOURCE (cmake/CommonConfig.cmake).
include(CPack)
