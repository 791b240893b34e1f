# Desktop integration and the Debian package. The programs install themselves (app/, sim/, cli/,
# which also brings brenvaldor's manual page and completion) and the help PDFs come from docs/;
# this file adds the menu entry, the icons, the udev example, the other two manual pages, the
# copyright file and the changelog, and describes the package.
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

# Manual pages, compressed as Debian wants them: the window's is written by hand (it points to the
# guide), brenvaldor-sim's is generated from its --help.
set(BF_MAN_DIR ${CMAKE_BINARY_DIR}/man)
find_program(BF_HELP2MAN help2man REQUIRED)
add_custom_command(OUTPUT ${BF_MAN_DIR}/BrenvaldorFlash.1.gz ${BF_MAN_DIR}/brenvaldor-sim.1.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${BF_MAN_DIR}
    COMMAND gzip -9n -c ${BF_SOURCE_ROOT}/res/man/BrenvaldorFlash.1 > ${BF_MAN_DIR}/BrenvaldorFlash.1.gz
    COMMAND ${BF_HELP2MAN} --no-info --section 1 --version-string ${PROJECT_VERSION}
            --name "simulated Brenvaldor lift controller on a pseudo-terminal"
            --output ${BF_MAN_DIR}/brenvaldor-sim.1 $<TARGET_FILE:brenvaldor-sim>
    COMMAND gzip -9n -c ${BF_MAN_DIR}/brenvaldor-sim.1 > ${BF_MAN_DIR}/brenvaldor-sim.1.gz
    DEPENDS brenvaldor-sim ${BF_SOURCE_ROOT}/res/man/BrenvaldorFlash.1
    VERBATIM)
add_custom_target(bf_man_pages ALL DEPENDS ${BF_MAN_DIR}/BrenvaldorFlash.1.gz ${BF_MAN_DIR}/brenvaldor-sim.1.gz)
install(FILES ${BF_MAN_DIR}/BrenvaldorFlash.1.gz ${BF_MAN_DIR}/brenvaldor-sim.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The copyright file (machine-readable, MIT) and the changelog of a native package.
set(BF_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${BF_PACKAGE_NAME})
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/changelog.gz
    COMMAND gzip -9n -c ${BF_SOURCE_ROOT}/res/debian/changelog > ${CMAKE_BINARY_DIR}/changelog.gz
    DEPENDS ${BF_SOURCE_ROOT}/res/debian/changelog
    VERBATIM)
add_custom_target(bf_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/changelog.gz)
install(FILES ${BF_SOURCE_ROOT}/res/debian/copyright ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION ${BF_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${BF_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "BrenvaldorFlash")
set(CPACK_PACKAGE_CONTACT "BrenvaldorFlash maintainers <maintainers@users.noreply.c-seed-e9d75223.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "service tool for the Brenvaldor lift controller")
# Lines of at most 80 characters, as Debian's checker wants them.
set(CPACK_PACKAGE_DESCRIPTION
    "BrenvaldorFlash connects a PC to the Brenvaldor lift controller over RS-232
(Port P211) to write firmware into its flash, back up the program flash, back
up, edit and restore the setup parameters, erase the parameter blocks and
restart the controller. brenvaldor does the same on the command line, for
scripts and production lines. Includes brenvaldor-sim, a simulated controller
on a pseudo-terminal, and the user guide in English, German and Swedish.")
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
