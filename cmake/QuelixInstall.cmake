# Install layout and the Debian package.
#
#   bin/quelix, bin/quelix-cli
#   share/applications/org.tolvar.Quelix.desktop      (opens application/json files)
#   share/metainfo/org.tolvar.Quelix.metainfo.xml     (AppStream)
#   share/icons/hicolor/<N>x<N>/apps/org.tolvar.Quelix.png, .../scalable/apps/org.tolvar.Quelix.svg
#   share/man/man1/quelix-cli.1.gz
#
# `cpack -G DEB` in a build folder makes quelix_<version>_<arch>.deb; its dependencies come from
# dpkg-shlibdeps, so it installs with `apt-get install ./quelix_*.deb` on the Debian it was built on.
include(GNUInstallDirs)

set(QUELIX_APP_ID org.tolvar.Quelix)
set(_linux "${PROJECT_SOURCE_DIR}/resources/linux")

install(TARGETS quelix-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The man page goes in compressed, as Debian's policy has it.
set(_man_gz "${PROJECT_BINARY_DIR}/quelix-cli.1.gz")
add_custom_command(
  OUTPUT "${_man_gz}"
  COMMAND gzip -9 -n -c "${_linux}/quelix-cli.1" > "${_man_gz}"
  DEPENDS "${_linux}/quelix-cli.1"
  VERBATIM)
add_custom_target(quelix_man ALL DEPENDS "${_man_gz}")
install(FILES "${_man_gz}" DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

if(TARGET quelix)
  install(TARGETS quelix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES "${_linux}/${QUELIX_APP_ID}.desktop" DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES "${_linux}/${QUELIX_APP_ID}.metainfo.xml" DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES "${_linux}/${QUELIX_APP_ID}.svg"
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  # The PNG sizes are painted at build time by quelix_make_images (resources/).
  foreach(_size 16 32 48 64 128 256)
    install(FILES "${PROJECT_BINARY_DIR}/resources/images/app_${_size}.png"
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps
            RENAME ${QUELIX_APP_ID}.png)
  endforeach()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quelix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Tolvar)
set(CPACK_PACKAGE_CONTACT "Tolvar <quelix@tolvar.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "JSON tree viewer and editor")
set(CPACK_PACKAGE_DESCRIPTION
    "Browse, search and edit JSON as a tree that stays instant with a million items; copy a
node's path or JSON, keep twenty documents across restarts, and take one value out of a
multi-gigabyte file without loading it. Includes quelix-cli for scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The interface is Chinese, and JSON texts often hold emoji: without these fonts both show as boxes.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk | fonts-wqy-microhei, fonts-noto-color-emoji")
include(CPack)
