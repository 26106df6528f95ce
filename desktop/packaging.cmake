# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package, built by `cpack -G DEB` in the build folder (scripts/package.sh does it).
# Its dependencies are computed by dpkg-shlibdeps from the libraries the program links.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvixmixer)
set(CPACK_PACKAGE_VENDOR "TarvixMixer developers")
set(CPACK_PACKAGE_CONTACT "${TARVIX_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control panel for Tarvix USB audio interfaces")
set(CPACK_PACKAGE_DESCRIPTION
    "TarvixMixer shows and sets the output volume, input gain, mutes and
hardware switches (phantom power, loopback) of Tarvix USB audio
interfaces, follows hot-plug, and stores and loads the whole state of
an interface as a preset file. Without hardware it offers simulated
interfaces.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's Wayland platform plugin, without which the program needs XWayland on a Wayland desktop;
# Qt's own dialogs and boxes in the user's language, beside the program's embedded texts.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, qt6-translations-l10n")
include(CPack)
