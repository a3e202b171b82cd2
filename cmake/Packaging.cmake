# A Debian package of the installed program: `cpack -G DEB` in a Release build tree
# (the Makefile's `make package` does exactly that).
set(CPACK_GENERATOR "DEB")
# cpack installs what is built and never builds the whole tree (tests included) first:
# `make package` builds the programs before it packs, and the package test packs a built tree.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_PACKAGE_NAME "bildertafel")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Bildertafel-Team")
set(CPACK_PACKAGE_CONTACT "Bildertafel-Team <team@bildertafel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "publish a photo collection as static HTML pages")
# Debian shows the description as it stands: no line longer than 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
    "Bildertafel turns a folder of photographs into static HTML pages for
publishing a photo show on the web: a start page that shows the small
preview pictures in a table, each a link to its full-size picture or to
the picture's own page, optionally one page per picture and one page with
all pictures for downloading. The HTML around the pictures comes from six
templates edited in the window (German user interface); templates and
options are saved in small configuration files. The command
bildertafel-batch makes the same pages without a window.")
# Free software under the GNU General Public License, version 3 or later (GPL-3.0-or-later);
# the package carries it in Debian's machine-readable copyright file (below).
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION "graphics")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_RELEASE "1")
set(CPACK_DEBIAN_FILE_NAME "DEB-DEFAULT")
# dpkg-shlibdeps reads the libraries the programs link (the Qt 6 runtime, QtKeychain for the
# passwords of the publish targets, libc6, libstdc++6)
# and names their packages with the least versions; CPack also needs the file utility for it.
# Without them the list is written by hand.
find_program(BILDERTAFEL_DPKG_SHLIBDEPS dpkg-shlibdeps)
find_program(BILDERTAFEL_FILE_UTILITY file)
# The window is German in every dialog, Qt's own included: it loads Qt's German translation.
set(BILDERTAFEL_DEBIAN_RUNTIME "qt6-translations-l10n")
if(BILDERTAFEL_DPKG_SHLIBDEPS AND BILDERTAFEL_FILE_UTILITY)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "${BILDERTAFEL_DEBIAN_RUNTIME}")
else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS
        "libqt6widgets6 (>= 6.2), libqt6gui6 (>= 6.2), libqt6core6 (>= 6.2), libexiv2-27, libqt6keychain1, libc6, libstdc++6, libcurl4 (>= 7.88), libssh-4 (>= 0.10), libssl3, ${BILDERTAFEL_DEBIAN_RUNTIME}")
endif()
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# The licence and the package's changelog, where Debian looks for them.
set(BILDERTAFEL_DEBIAN_VERSION "${CPACK_PACKAGE_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}")
configure_file("${PROJECT_SOURCE_DIR}/data/debian/changelog.in"
               "${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.Debian" @ONLY)
install(FILES "${PROJECT_SOURCE_DIR}/data/debian/copyright" DESTINATION ${BILDERTAFEL_INSTALL_DOCDIR})
install(FILES "${PROJECT_SOURCE_DIR}/data/debian/lintian-overrides"
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME bildertafel)
if(BILDERTAFEL_GZIP)
    set(_bt_changelog "${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.Debian.gz")
    add_custom_command(OUTPUT "${_bt_changelog}"
        COMMAND ${BILDERTAFEL_GZIP} -9 -n -c "${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.Debian"
                > "${_bt_changelog}"
        DEPENDS "${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.Debian"
        COMMENT "Compressing the package's changelog"
        VERBATIM)
    add_custom_target(bildertafel_changelog ALL DEPENDS "${_bt_changelog}")
    install(FILES "${_bt_changelog}" DESTINATION ${BILDERTAFEL_INSTALL_DOCDIR})
endif()

include(CPack)
