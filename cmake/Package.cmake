# The Debian package, made by CPack from what cmake/Install.cmake installs under /usr
# (scripts/package runs it on a Release build with Debian's hardening flags). The dependencies
# are the shared libraries' packages as dpkg-shlibdeps finds them. The triggers of the places the
# package fills (the desktop entries, the MIME database, the icon cache, the manual page index)
# belong to the packages that own those places, as Debian does it: no maintainer scripts here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dialwright)
set(CPACK_PACKAGE_VERSION ${DIALWRIGHT_RELEASE})
set(CPACK_PACKAGE_CONTACT ${DIALWRIGHT_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor of custom clocks for the desktop clock Pendulet")
set(CPACK_PACKAGE_DESCRIPTION
    "Dialwright assembles a custom clock for the desktop clock Pendulet: a dial
picture, a window shape, hour, minute and second hands with their rotation
holes, sounds and frame animations for the full minute and hour, a title, an
author text and the options Pendulet applies when it loads the clock. A live
preview shows the clock with its hands turning with the local time; the clock
is saved as one custom data file (.pdl), optionally packed as a cabinet.
.
The package also holds pdltool, which describes saved clocks (also as JSON),
checks them, draws them and makes the thumbnails that file managers show for
them, with manual pages and a user's guide in Japanese and English.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
