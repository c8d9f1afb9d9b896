# The Linux install tree (cmake --install, GNUInstallDirs) and the Debian package made from it
# (cpack -G DEB in the build folder: quadrise_VERSION_amd64.deb): the demo and its two tools, the
# desktop entry and its icon, the manual pages, the copyright file with the font's licence notice
# and the text for the people who download it. Nothing installed refers back to the build or
# source tree: the programs carry everything they show and play.
include(GNUInstallDirs)
include(${PROJECT_SOURCE_DIR}/cmake/ReleaseTexts.cmake)

install(TARGETS quadrise quadrise-render soundtrack-build RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/quadrise.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/quadrise.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)

# Manual pages with the version filled in, and the changelog, compressed as Debian keeps them
# (gzip -n: no name or time stamp, so the same text makes the same file).
find_program(GZIP gzip REQUIRED)
function(quadrise_gzip source target)
  configure_file(${source} ${target} @ONLY)
  execute_process(COMMAND ${GZIP} -9nf ${target} COMMAND_ERROR_IS_FATAL ANY)
endfunction()
foreach(page quadrise.6 quadrise-render.1 soundtrack-build.1)
  quadrise_gzip(${PROJECT_SOURCE_DIR}/packaging/man/${page} ${CMAKE_BINARY_DIR}/man/${page})
  string(REGEX MATCH "[0-9]$" section ${page})
  install(FILES ${CMAKE_BINARY_DIR}/man/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endforeach()
quadrise_gzip(${PROJECT_SOURCE_DIR}/packaging/changelog ${CMAKE_BINARY_DIR}/changelog)
install(FILES ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The copyright file in Debian's machine-readable format; the font's notice is its second licence,
# each line indented by one space and an empty line written " .".
string(REGEX REPLACE "\n$" "" notice "${QUADRISE_FONT_NOTICE}")
string(REGEX REPLACE "\n\n" "\n.\n" notice "${notice}")
string(REGEX REPLACE "\n" "\n " QUADRISE_FONT_NOTICE_DEP5 " ${notice}")
configure_file(${PROJECT_SOURCE_DIR}/packaging/copyright.in ${CMAKE_BINARY_DIR}/copyright @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/copyright ${CMAKE_BINARY_DIR}/README.txt
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Packing installs what the build has made and builds nothing itself: scripts/release.sh builds
# the three programs first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quadrise)
set(CPACK_PACKAGE_VENDOR "the Quadrise developers")
set(CPACK_PACKAGE_CONTACT "Quadrise developers <maintainers@users.noreply.c-seed-36f745b4.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time audiovisual demo with a synthesized soundtrack")
# Debian shows the description as it is written: lines of at most 80 characters.
set(CPACK_PACKAGE_DESCRIPTION "Quadrise is a trackmo: a software synthesizer renders the six instruments of
its soundtrack at start-up, an XM module player plays it, and OpenGL cube
scenes follow the music clock read from what is being heard, for two and a
half minutes.

The package also holds quadrise-render, which renders the soundtrack, any XM
module, the show's pictures and the whole show as a video, off screen where
there is no display, and soundtrack-build, which builds the soundtrack's
module from its text.")
# The libraries the programs link, as dpkg-shlibdeps finds them in the binaries. SDL opens two
# more itself at run time, which no binary names: libGL for the window's context on X, libEGL for
# drawing off screen. Those two are listed here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1, libegl1")
# SDL draws its message boxes, the full-screen question among them, in the X core fonts: without
# them (a fresh system without the X server's fonts) the question cannot show.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xfonts-base")
include(CPack)
