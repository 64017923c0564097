# The Debian package: `cpack -G DEB` in the build folder. Its dependencies are the shared
# libraries the executables link (found by dpkg-shlibdeps) and the packages that the parts of
# the program add to the global property LIEDSPUR_PACKAGE_DEPENDS beside their install rules.
get_property(liedspur_package_depends GLOBAL PROPERTY LIEDSPUR_PACKAGE_DEPENDS)
list(REMOVE_DUPLICATES liedspur_package_depends)
list(JOIN liedspur_package_depends ", " CPACK_DEBIAN_PACKAGE_DEPENDS)

set(CPACK_PACKAGE_NAME liedspur)
set(CPACK_PACKAGE_VENDOR "Liedspur-Team")
set(CPACK_PACKAGE_CONTACT "Liedspur-Team <liedspur@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "MP3-Dateien im Index finden und abspielen")
set(CPACK_PACKAGE_DESCRIPTION "\
Liedspur führt einen Katalog der MP3-Dateien auf lokalen und Netzwerk-Laufwerken,
findet darin Songs und Ordner nach ihrem Namen und gibt sie an Audacious oder an
den Dateimanager weiter.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "default-dbus-session-bus | dbus-session-bus")
include(CPack)
