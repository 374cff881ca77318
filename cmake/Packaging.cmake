# Installation as a desktop program and the Debian package made from it.
#
# The binary itself is installed by app/. Here: the default installation folder as a template
# (share/voskbase/data, copied by voskbase-setup into a folder of the user's own, because the
# program writes main.dat back into the folder it works in and /usr is not writable), the menu
# entry, the icons in the hicolor theme and the CPack settings for `cpack` / the `package` target.
#
# Paths are relative so that `cmake --install build --prefix <dir>` and DESTDIR work as well as
# the package, which installs below /usr.

set(VOSK_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

# The data files are code page 1251 with CR LF: they are copied as they are, nothing is
# configured or converted on the way.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/ DESTINATION share/voskbase/data)

install(PROGRAMS ${VOSK_PACKAGING_DIR}/voskbase-setup DESTINATION bin)
install(FILES ${VOSK_PACKAGING_DIR}/voskbase.desktop DESTINATION share/applications)
foreach(size_file IN ITEMS "32x32:voskbase.png" "64x64:voskbase-64.png" "128x128:voskbase-128.png")
  string(REPLACE ":" ";" size_file "${size_file}")
  list(GET size_file 0 size)
  list(GET size_file 1 file)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/images/${file}
          DESTINATION share/icons/hicolor/${size}/apps RENAME voskbase.png)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME voskbase)
set(CPACK_PACKAGE_VENDOR "Voskbase developers")
set(CPACK_PACKAGE_CONTACT "Voskbase developers")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Voskbase developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "inventory of electronic components with a reference book of diodes")
# CPack puts the summary first and indents these lines itself; an empty line parts paragraphs.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Voskbase keeps the stock of a radio-amateur laboratory: every part has a
category, a name (a nominal value or a type), a quantity and a description.
Parts are added, taken, moved between categories and searched; a bin lists
the parts a job needs, checks them against the stock and takes them out in
one confirmed pass. A reference book of diodes and zener diodes shows colour
markings, limiting and zener parameters and package drawings.

The interface is in Russian; the data files are plain text in code page 1251.
The default installation folder is installed as a template in
/usr/share/voskbase/data; voskbase-setup copies it to a folder of the user's.")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The libraries the binary links (Qt 6, libgif, libjpeg, the C++ runtime) become Depends
# through dpkg-shlibdeps (package dpkg-dev); the xcb platform plugin comes with libqt6gui6.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own Russian catalogue (qtbase_ru.qm), loaded at start-up for Qt's buttons and dialogs:
# no library links it, so it is named here and joins the computed dependencies.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
set(CPACK_STRIP_FILES ON)

include(CPack)
