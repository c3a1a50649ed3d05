# What `make package` puts in the Debian package (CPack's DEB generator), and
# where: the three programs, the desktop entry and its icon, the manual pages,
# the demo site and the documents. Everything installs under /usr.
include(GNUInstallDirs)

install(TARGETS vexlo vexlo-cli vexlo-ipcsim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(VEXLO_PACKAGING ${CMAKE_SOURCE_DIR}/packaging)
install(FILES ${VEXLO_PACKAGING}/vexlo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${VEXLO_PACKAGING}/vexlo.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 48 256)
    install(FILES ${VEXLO_PACKAGING}/vexlo-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME vexlo.png)
endforeach()

# Manual pages are installed compressed, as Debian keeps them; -n leaves the
# time out of the gzip header, so the same page gives the same bytes.
set(VEXLO_MAN_PAGES)
foreach(page vexlo vexlo-cli vexlo-ipcsim)
    set(compressed ${CMAKE_BINARY_DIR}/man/${page}.1.gz)
    add_custom_command(
        OUTPUT ${compressed}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
        COMMAND gzip -9 -n -c ${VEXLO_PACKAGING}/man/${page}.1 > ${compressed}
        DEPENDS ${VEXLO_PACKAGING}/man/${page}.1
        COMMENT "Compressing the manual page of ${page}")
    list(APPEND VEXLO_MAN_PAGES ${compressed})
endforeach()
add_custom_target(vexlo_man_pages ALL DEPENDS ${VEXLO_MAN_PAGES})
install(FILES ${VEXLO_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(FILES ${CMAKE_SOURCE_DIR}/demo/site.json DESTINATION ${CMAKE_INSTALL_DATADIR}/vexlo/demo)
# The README's links to docs/ keep working beside it.
set(VEXLO_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/vexlo)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${VEXLO_PACKAGING}/copyright
        DESTINATION ${VEXLO_DOC_DIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/ DESTINATION ${VEXLO_DOC_DIR}/docs)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vexlo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "The Vexlo developers <dev@vexlo.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find the IP cameras of a site and run batch instructions on them")
# The summary above is the description's first line; this is the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Vexlo finds the IP cameras on a LAN, lists them, and runs batch instructions
on the ticked ones: firmware upgrade with a version check before and after,
sequential re-addressing, clock sync, SD1/SD2/USB formatting, factory
restore, reboot, and the push of a stored configuration profile. A live
video wall shows the ticked cameras side by side. It drives its own cameras
and ONVIF cameras of any make.
.
The package holds the Qt program vexlo, the command-line program vexlo-cli
and the camera simulator vexlo-ipcsim with a demo site.")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The libraries the programs link come from dpkg-shlibdeps. A font is no
# library: the windows' Chinese texts need a CJK font, which the programs
# never link, so it is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wqy-microhei | fonts-noto-cjk")
set(CPACK_STRIP_FILES ON)
include(CPack)
