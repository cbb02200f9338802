# Install layout and the Debian package: scripts/package.sh builds the package with CPack.
include(GNUInstallDirs)

set(HX_PACKAGE_NAME hortivex-converter)
set(HX_MAINTAINER "Hortivex Converter developers <converter@hortivex.invalid>")
set(hx_source ${CMAKE_CURRENT_SOURCE_DIR}/packaging)
set(hx_made ${CMAKE_CURRENT_BINARY_DIR}/packaging)
set(hx_docdir ${CMAKE_INSTALL_DATADIR}/doc/${HX_PACKAGE_NAME})

# Manual pages and the changelog are installed compressed, without a time stamp in the gzip
# header, so the same sources give the same package.
include(${CMAKE_CURRENT_LIST_DIR}/DebianChangelog.cmake)
hx_debian_changelog(${CMAKE_CURRENT_SOURCE_DIR}/CHANGELOG.md ${hx_made}/changelog ${HX_PACKAGE_NAME}
                    "${HX_MAINTAINER}")
configure_file(${hx_source}/hortivex-converter.metainfo.xml
               ${hx_made}/hortivex-converter.metainfo.xml @ONLY)
find_program(HX_GZIP gzip REQUIRED)
set(hx_compressed)
foreach(source hxconvert.1 hxlog.1 hortivex-converter.1 ${hx_made}/changelog)
    get_filename_component(name ${source} NAME)
    get_filename_component(source ${source} ABSOLUTE BASE_DIR ${hx_source})
    add_custom_command(OUTPUT ${hx_made}/${name}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${source} ${hx_made}/${name}.copy
        COMMAND ${HX_GZIP} -9nf ${hx_made}/${name}.copy
        COMMAND ${CMAKE_COMMAND} -E rename ${hx_made}/${name}.copy.gz ${hx_made}/${name}.gz
        DEPENDS ${source} VERBATIM)
    list(APPEND hx_compressed ${hx_made}/${name}.gz)
endforeach()
add_custom_target(hx_packaging_files ALL DEPENDS ${hx_compressed})

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
install(TARGETS hxconvert hxlog RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${hx_made}/hxconvert.1.gz ${hx_made}/hxlog.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${hx_source}/hortivex-converter-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME hortivex-converter.xml)
install(FILES ${hx_source}/copyright ${CMAKE_CURRENT_SOURCE_DIR}/README.md
              ${hx_made}/changelog.gz
        DESTINATION ${hx_docdir})
if(HX_BUILD_GUI)
    install(TARGETS hortivex-converter RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${hx_made}/hortivex-converter.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${hx_source}/hortivex-converter.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${hx_source}/hortivex-converter.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    install(FILES ${hx_source}/hortivex-converter-48.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps
            RENAME hortivex-converter.png)
    install(FILES ${hx_made}/hortivex-converter.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo RENAME com.hortivex.Converter.metainfo.xml)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${HX_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${HX_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert classic Hortivex controller files to INI files")
set(CPACK_PACKAGE_DESCRIPTION
    "Turns the settings and schedule files of the Fertivo dosing controller and
the Aerovane climate controller into INI files that the web-based Hortivex
service accepts for upload. The package holds the Converter dialog
(hortivex-converter) and the command hxconvert, which converts files and
folders without a window.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Not libraries, so dpkg-shlibdeps cannot see them: the fixed layout of the dialog expects
# Arial's metrics, and the toolkit draws windows through a platform plug-in.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation, qt6-qpa-plugins")
include(CPack)
