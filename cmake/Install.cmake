# Install rules and the Debian package.
#
# `cmake --install build` puts the program, its manual page and bash completion, its desktop entry,
# its AppStream metainfo and its icons
# under the usual XDG places; `cpack -G DEB` (in the build directory; `make package`) turns the same
# tree into tuneprune_<version>_<arch>.deb with /usr as its prefix.

include(GNUInstallDirs)

# The reverse-DNS id names the desktop file, the metainfo file and the installed icons.
set(TUNEPRUNE_APP_ID "io.github.tuneprune.Tuneprune")
# AppStream releases carry three numbers; the project version has a fourth, build number.
set(TUNEPRUNE_RELEASE_VERSION
    "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}")

set(_tuneprune_linux_dir "${PROJECT_SOURCE_DIR}/resources/linux")
set(_tuneprune_icon_dir "${PROJECT_SOURCE_DIR}/resources/icons")
set(_tuneprune_gen_dir "${PROJECT_BINARY_DIR}/linux")

# --- the program ------------------------------------------------------------------------------
install(TARGETS tuneprune RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")

# --- the command line's manual page and bash completion ------------------------------------------
install(FILES "${_tuneprune_linux_dir}/tuneprune.1" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
install(FILES "${_tuneprune_linux_dir}/tuneprune.bash"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/bash-completion/completions" RENAME "tuneprune")

# --- desktop entry and AppStream metainfo ------------------------------------------------------
configure_file("${_tuneprune_linux_dir}/${TUNEPRUNE_APP_ID}.desktop.in"
               "${_tuneprune_gen_dir}/${TUNEPRUNE_APP_ID}.desktop" @ONLY)
configure_file("${_tuneprune_linux_dir}/${TUNEPRUNE_APP_ID}.metainfo.xml.in"
               "${_tuneprune_gen_dir}/${TUNEPRUNE_APP_ID}.metainfo.xml" @ONLY)
install(FILES "${_tuneprune_gen_dir}/${TUNEPRUNE_APP_ID}.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${_tuneprune_gen_dir}/${TUNEPRUNE_APP_ID}.metainfo.xml"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")

# --- icons into the hicolor theme ---------------------------------------------------------------
set(TUNEPRUNE_ICON_SIZES 16 24 32 48 64 128)
foreach(_size IN LISTS TUNEPRUNE_ICON_SIZES)
    install(FILES "${_tuneprune_icon_dir}/${_size}/tuneprune.png"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps"
            RENAME "${TUNEPRUNE_APP_ID}.png")
endforeach()
install(FILES "${_tuneprune_icon_dir}/tuneprune.svg"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps"
        RENAME "${TUNEPRUNE_APP_ID}.svg")

# --- Debian package ------------------------------------------------------------------------------
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "tuneprune")
set(CPACK_PACKAGE_VENDOR "Tuneprune developers")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "Tuneprune developers <tuneprune@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "delete the mp3 files that a playlist does not name")
# The long description, wrapped for the Debian control file.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Tuneprune loads a playlist of the songs to keep (M3U, XSPF, PLS, WPL, ASX"
    "or Apple Music XML), walks a folder tree of mp3 files, lists every mp3 file"
    "that the playlist does not name and deletes the ones the user selects, or"
    "moves them to the trash. The same from a shell: tuneprune --list, --delete"
    "and --trash.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_NAME "tuneprune")
set(CPACK_DEBIAN_FILE_NAME "DEB-DEFAULT")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tuneprune developers <tuneprune@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION "sound")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# The run-time dependencies (libqt6widgets6, libqt6gui6, libqt6core6, libc6, libstdc++6, ...)
# come from dpkg-shlibdeps, which needs dpkg-dev and file.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
