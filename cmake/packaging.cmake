# Desktop integration files and the Debian package (cpack -G DEB, scripts/package.sh).
# Everything is installed below CMAKE_INSTALL_PREFIX (/usr in the package); the program
# itself writes only into the user's XDG folders.

# The hicolor icons, drawn at build time from the program's own vane (its window icon).
set(TV_ICON_SVG ${CMAKE_SOURCE_DIR}/src/app/resources/tabvane.svg)
set(TV_ICON_SIZES 16 22 24 32 48 64 128 256)
set(TV_ICON_DIR ${CMAKE_BINARY_DIR}/icons/hicolor)
add_executable(tabvane-render-icons src/tools/render_icons.cpp)
target_link_libraries(tabvane-render-icons PRIVATE Qt6::Gui)
set(TV_ICON_PNGS)
foreach(size ${TV_ICON_SIZES})
    list(APPEND TV_ICON_PNGS ${TV_ICON_DIR}/${size}x${size}/apps/tabvane.png)
endforeach()
add_custom_command(OUTPUT ${TV_ICON_PNGS}
                   COMMAND tabvane-render-icons ${TV_ICON_SVG} ${TV_ICON_DIR} ${TV_ICON_SIZES}
                   DEPENDS tabvane-render-icons ${TV_ICON_SVG}
                   COMMENT "Drawing the hicolor icons")
add_custom_target(tabvane_icons ALL DEPENDS ${TV_ICON_PNGS})

# The AppStream description and the man pages carry the project's version; the release
# date is the day of the build (SOURCE_DATE_EPOCH, when set, makes it reproducible).
string(TIMESTAMP TV_RELEASE_DATE "%Y-%m-%d" UTC)
set(TV_METAINFO example.tabvane.Tabvane.metainfo.xml)
configure_file(data/${TV_METAINFO}.in ${CMAKE_BINARY_DIR}/share/${TV_METAINFO} @ONLY)
foreach(page tabvane tabvane-reg)
    configure_file(data/man/${page}.1 ${CMAKE_BINARY_DIR}/share/man/${page}.1 @ONLY)
    file(ARCHIVE_CREATE OUTPUT ${CMAKE_BINARY_DIR}/share/man/${page}.1.gz
         PATHS ${CMAKE_BINARY_DIR}/share/man/${page}.1 FORMAT raw COMPRESSION GZip)
    install(FILES ${CMAKE_BINARY_DIR}/share/man/${page}.1.gz DESTINATION share/man/man1)
endforeach()

install(FILES data/tabvane.desktop DESTINATION share/applications)
install(FILES ${CMAKE_BINARY_DIR}/share/${TV_METAINFO} DESTINATION share/metainfo)
install(DIRECTORY ${TV_ICON_DIR}/ DESTINATION share/icons/hicolor)
install(FILES ${TV_ICON_SVG} DESTINATION share/icons/hicolor/scalable/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tabvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Tabvane developers")
set(CPACK_PACKAGE_CONTACT "The Tabvane developers <tabvane@tabvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tabbed web browser with saved sets of pages")
# The control file's long description; its first line is the summary above.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Tabvane is a tabbed web browser built on Qt WebEngine. Tabs carry status
lamps, can be locked, named and kept out of Close All; VessaGroups reopen
saved sets of pages as tabs; PopupVessa filters popup windows. Favorites are
folders of Internet shortcut files. Includes tabvane-reg, which reads and
writes the browser's settings with the syntax of the Windows reg tool.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)   # tabvane_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${TABVANE_MAKER_HOST}/")
# Libraries come from dpkg-shlibdeps; what the programs load at run time without linking
# it (the X11 platform plugin, the SVG picture plugin) is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6svg6, xdg-utils, hicolor-icon-theme")
set(CPACK_DEBIAN_PACKAGE_PROVIDES "www-browser")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
