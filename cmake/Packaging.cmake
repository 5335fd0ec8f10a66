# The Debian package: `cpack -G DEB` in a configured build tree (scripts/package does it in a
# Release build). Library dependencies are read off the executable by dpkg-shlibdeps, so they
# follow whatever Qt the build linked; the fonts and Qt's translations are named by hand, as
# nothing links to them, yet without the fonts every Chinese caption shows as boxes, and
# without the translations the buttons of Qt's dialogs stay English.
# Questions about the package go where all others do: the project's issue tracker.
set(SAVER_PACKAGE_MAINTAINER "MC Save Keeper project <https://github.com/mcsaver/McSaver/issues>"
    CACHE STRING "The Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mcsaver)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${SAVER_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "backs up a game save on a timer")
# CPack puts the summary above this as the first line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "MC Save Keeper (MC存档自动保存) copies a game's save while the game runs:
the whole save folder or its level.dat alone, every 1 to 60 minutes and on
demand. A small window stays above the game with the countdown, a quick
save of level.dat and a restore of it.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wqy-microhei, fonts-arphic-uming, qt6-translations-l10n")
# Only the backups kept off this machine need it; the program works without.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS restic)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

include(CPack)
