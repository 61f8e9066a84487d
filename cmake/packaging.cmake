# The Debian package: scripts/package runs cpack on the release build and gets
# trelka_<version>_amd64.deb with both programs, the desktop entry and the icon.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME trelka)
set(CPACK_PACKAGE_VENDOR "Trelka developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Converts cache waypoint files into GPX documents")
# One paragraph without blanks of its own at line starts: CPack puts the one blank before each
# line that tells apt to wrap it, and a second blank would make apt show the line verbatim.
set(CPACK_PACKAGE_DESCRIPTION
    "Trelka reads an OziExplorer waypoint file of a Russian-language cache catalogue, fetches \
each cache's page and writes one GPX 1.1 document with a Groundspeak cache element per \
cache. It comes with a small window and with trelka-batch for scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Trelka developers <dev@trelka.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# Runtime dependencies come from the linked libraries, as dpkg-shlibdeps finds them. Qt's
# Russian texts are a data package no library names; without them the window works, its
# dialogs in English.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
include(CPack)
