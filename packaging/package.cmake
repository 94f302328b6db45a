# `make deb`: the Debian package, built by CPack from the install rules. Its
# dependencies are those dpkg-shlibdeps finds for the executable; the files
# Debian asks of every package (copyright, changelog) are installed only when
# ZARN_DEBIAN_PACKAGE is on.
if(ZARN_DEBIAN_PACKAGE)
  set(debian_docs ${CMAKE_INSTALL_DATADIR}/doc/zarn)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright DESTINATION ${debian_docs})
  # -n keeps the gzip header free of names and times, as Debian wants.
  add_custom_command(OUTPUT changelog.Debian.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_LIST_DIR}/debian/changelog changelog.Debian
    COMMAND gzip -9nf changelog.Debian
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/debian/changelog
    VERBATIM)
  add_custom_target(zarn_debian_changelog ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz DESTINATION ${debian_docs})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zarn)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Zarn developers")
set(CPACK_PACKAGE_CONTACT "Zarn developers <zarn@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "two-window file manager")
# The synopsis is the summary above; CPack indents these lines as the long description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Zarn is a simple program for working with folders and files, in Russian.
The main window shows the folder tree and a five-column list of the
current folder; a small second panel holds the folder that copies and
moves go into. Zarn marks files by hand or by mask, copies, moves,
renames, deletes to the trash, views any file as text or hex in four
code pages (1251, 866, UTF-16, UTF-8) or as a picture, searches
folder trees by name and content, and opens files with programs of
the user's choice.")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://zarn.example.org")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the program uses but does not link: Qt's Russian texts for its own
# dialogs, the type names of files, the folder the icon goes into.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, shared-mime-info, hicolor-icon-theme")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
