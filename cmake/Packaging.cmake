# Desktop integration and the Debian package. The programs install themselves (app/, sim/) and the
# help PDFs come from docs/; this file adds the menu entry, the icons and the udev example, and
# describes the package.
set(BF_SOURCE_ROOT ${CMAKE_CURRENT_LIST_DIR}/..)
set(BF_ICON_SIZES 16 22 24 32 48 64 128 256)
set(BF_PACKAGE_NAME brenvaldorflash)

install(FILES ${BF_SOURCE_ROOT}/res/brenvaldorflash.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size ${BF_ICON_SIZES})
    install(FILES ${BF_SOURCE_ROOT}/res/icons/hicolor/${size}x${size}/apps/brenvaldorflash.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${BF_SOURCE_ROOT}/res/icons/brenvaldorflash.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The udev rule is an example for the administrator, never an active rule of the package.
install(FILES ${BF_SOURCE_ROOT}/res/udev/70-brenvaldorflash-serial.rules ${BF_SOURCE_ROOT}/res/udev/README.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${BF_PACKAGE_NAME}/examples)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${BF_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "BrenvaldorFlash")
set(CPACK_PACKAGE_CONTACT "BrenvaldorFlash maintainers <brenvaldorflash@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "service tool for the Brenvaldor lift controller")
set(CPACK_PACKAGE_DESCRIPTION
    "BrenvaldorFlash connects a PC to the Brenvaldor lift controller over RS-232 (Port P211) to write
firmware into its flash, back up the program flash, back up, edit and restore the setup parameters,
erase the parameter blocks and restart the controller. Includes brenvaldor-sim, a simulated
controller on a pseudo-terminal, and the user guide in English, German and Swedish.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries the programs link come from dpkg-shlibdeps; what Qt loads at run time is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core | fonts-freefont-ttf | fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, evince | okular | atril | qpdfview | mupdf, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "qt6-wayland")

include(CPack)
