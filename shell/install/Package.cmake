# The Debian package, made by `cpack -G DEB` (tools/make-deb.sh): the
# installed files under /usr, with the runtime libraries it depends on
# found by dpkg-shlibdeps from the program itself.
set(CPACK_PACKAGE_NAME sandloop)
set(CPACK_PACKAGE_VENDOR "The Sandloop developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "animated tropical beach screen saver")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_NAME sandloop)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Sandloop developers <sandloop@sandloop.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
# What the program loads at run time by name, which dpkg-shlibdeps cannot
# see: the font of its texts and Qt's platform plugins for the dialog.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, qt6-qpa-plugins")
# Savers are found by the daemons that list them; neither is needed to run
# full screen or in a window.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xscreensaver | mate-screensaver | xsecurelock | swayidle")
# The long text; CPack puts the summary above it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A painted beach with surf rolling in two bands, palm trees, gliding eagles
and fluttering butterflies, an analog clock and the looping sound of the
surf, tinted through the day from a bluish night through dawn and daylight
to an orange dusk, following the real sunrise and sunset of a city chosen
from a built-in list.
.
It runs full screen on X11 and natively on Wayland, inside the windows of
XScreenSaver, MATE's screen saver and xsecurelock, or in a window of its
own, and has a settings dialog.")
# Files the package owns with the permissions Debian expects.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
