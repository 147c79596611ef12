# Installing and packaging: `cmake --install` puts the programs in bin/ and the game makers'
# documents in share/doc/tact; `cpack -G DEB` builds a Debian package whose library dependencies
# are found from the programs themselves.
set(CMAKE_INSTALL_DOCDIR share/doc/tact CACHE PATH "Documentation for game makers")
include(GNUInstallDirs)
install(TARGETS tact tact-script RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_PACKAGE_NAME tact)
set(CPACK_PACKAGE_VENDOR "Tact")
set(CPACK_PACKAGE_VERSION "0.1.0")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Real-time 2D game engine whose games are written in scripts")
set(CPACK_PACKAGE_CONTACT "Tact developers <tact@localhost>")
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
# The shared libraries come from the programs; the fallback font, the GL driver and EGL (for
# headless drawing) are looked up at run time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, libgl1-mesa-dri, libegl1, libegl-mesa0")
include(CPack)
