# Installing Quokka as a desktop program, and its Debian package.
#
# Every build can be installed (`cmake --install BUILD --prefix DIR`). The Debian package is made by
# packaging/build-deb.sh (the README's `bash scripts/quokka.sh package`): it configures a build folder with
# -DCMAKE_INSTALL_PREFIX=/usr -DQUOKKA_PACKAGE=ON and the Debian build flags, builds it and runs CPack's DEB
# generator. Under /usr the private libraries go to lib/<multiarch>/quokka (GNUInstallDirs' LIBDIR).

set(QUOKKA_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(QUOKKA_MAINTAINER "Quokka developers <packages@quokkabrowser.org>")
set(QUOKKA_HOMEPAGE "https://quokkabrowser.org/")

# The menu entry, the software-centre data and the icon at every size of the hicolor theme, all named by the
# application id.
install(FILES ${PROJECT_SOURCE_DIR}/resources/${QUOKKA_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${QUOKKA_PACKAGING_DIR}/${QUOKKA_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 24 32 48 64 128 256 512)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/quokka-${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ${QUOKKA_APP_ID}.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/quokka.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${QUOKKA_APP_ID}.svg)

# Manual pages and the changelog are installed compressed, as Debian's policy asks (gzip -9n: no name or
# time stamp in the header, so that the same source gives the same bytes).
function(quokka_gzip source output)
    add_custom_command(OUTPUT ${output}
        COMMAND gzip -9nc ${source} > ${output}
        DEPENDS ${source} VERBATIM)
endfunction()
set(QUOKKA_GZ_DIR ${PROJECT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${QUOKKA_GZ_DIR})
quokka_gzip(${QUOKKA_PACKAGING_DIR}/quokka.1 ${QUOKKA_GZ_DIR}/quokka.1.gz)
quokka_gzip(${QUOKKA_PACKAGING_DIR}/quokka-check.1 ${QUOKKA_GZ_DIR}/quokka-check.1.gz)
quokka_gzip(${QUOKKA_PACKAGING_DIR}/changelog ${QUOKKA_GZ_DIR}/changelog.gz)
add_custom_target(quokka_compressed_docs ALL
    DEPENDS ${QUOKKA_GZ_DIR}/quokka.1.gz ${QUOKKA_GZ_DIR}/quokka-check.1.gz ${QUOKKA_GZ_DIR}/changelog.gz)
install(FILES ${QUOKKA_GZ_DIR}/quokka.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${QUOKKA_PACKAGING_DIR}/copyright ${QUOKKA_GZ_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

# quokka-check, the list checker for the command line, goes beside quokka with its manual page once it is
# built. Deferred to the end of the top folder, so that it sees the target wherever that is defined.
function(quokka_install_tools)
    if(TARGET quokka-check)
        install(TARGETS quokka-check RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
        set_target_properties(quokka-check PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}/quokka")
        install(FILES ${QUOKKA_GZ_DIR}/quokka-check.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    endif()
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL quokka_install_tools)

option(QUOKKA_PACKAGE "Configure the Debian package (needs dpkg; use packaging/build-deb.sh)" OFF)
if(NOT QUOKKA_PACKAGE)
    return()
endif()

# What the program loads at run time without linking it, found by the files themselves: the package that
# holds each on the machine that builds is a dependency (dpkg-shlibdeps finds only linked libraries). The
# packages differ between Debian releases (Debian 12 ships the X11 platform plugin in libqt6gui6), so no
# release's names are written down here.
get_target_property(QUOKKA_QMAKE Qt6::qmake IMPORTED_LOCATION)
foreach(var QT_INSTALL_PLUGINS QT_INSTALL_LIBEXECS QT_INSTALL_DATA)
    execute_process(COMMAND ${QUOKKA_QMAKE} -query ${var} OUTPUT_VARIABLE ${var} OUTPUT_STRIP_TRAILING_WHITESPACE)
endforeach()
set(QUOKKA_GST_DIR /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/gstreamer-1.0)
file(GLOB QUOKKA_MEDIA_BACKENDS ${QT_INSTALL_PLUGINS}/multimedia/*.so)
set(QUOKKA_RUNTIME_FILES
    # the web engine's page process and its resources
    ${QT_INSTALL_LIBEXECS}/QtWebEngineProcess
    ${QT_INSTALL_DATA}/resources/qtwebengine_resources.pak
    # the X11 window system, for the windows (Wayland desktops run it through XWayland)
    ${QT_INSTALL_PLUGINS}/platforms/libqxcb.so
    # the artwork: the busy animation (GIF) and the splash (JPEG)
    ${QT_INSTALL_PLUGINS}/imageformats/libqgif.so
    ${QT_INSTALL_PLUGINS}/imageformats/libqjpeg.so
    # HTTPS for plain requests (quokka-check)
    ${QT_INSTALL_PLUGINS}/tls/libqopensslbackend.so
    # the memory of each page: Qt's SQLite driver
    ${QT_INSTALL_PLUGINS}/sqldrivers/libqsqlite.so
    # sound: Qt's media back ends, and the GStreamer elements that play the start-up chime (AVI with PCM)
    ${QUOKKA_MEDIA_BACKENDS}
    ${QUOKKA_GST_DIR}/libgstplayback.so
    ${QUOKKA_GST_DIR}/libgstaudioconvert.so
    ${QUOKKA_GST_DIR}/libgstavi.so
    ${QUOKKA_GST_DIR}/libgstautodetect.so
    # the icon theme the menu entry's and the windows' icon is found in
    /usr/share/icons/hicolor/index.theme)
set(QUOKKA_RUNTIME_PACKAGES "")
foreach(file ${QUOKKA_RUNTIME_FILES})
    execute_process(COMMAND dpkg-query --search ${file} OUTPUT_VARIABLE owner RESULT_VARIABLE rc ERROR_QUIET)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "${file} is needed at run time, but no installed package holds it: "
            "install the packages of scripts/debian-packages.txt (bash scripts/quokka.sh package does)")
    endif()
    # "package:arch: /path", or "a, b: /path" when several packages share the path (a folder)
    string(REGEX REPLACE ":[^:]*$" "" owner "${owner}")
    string(REGEX REPLACE "\n.*" "" owner "${owner}")
    string(REGEX REPLACE ",.*" "" owner "${owner}")
    string(REGEX REPLACE ":.*" "" owner "${owner}")
    string(STRIP "${owner}" owner)
    list(APPEND QUOKKA_RUNTIME_PACKAGES ${owner})
endforeach()
list(REMOVE_DUPLICATES QUOKKA_RUNTIME_PACKAGES)
list(SORT QUOKKA_RUNTIME_PACKAGES)
string(REPLACE ";" ", " QUOKKA_RUNTIME_DEPENDS "${QUOKKA_RUNTIME_PACKAGES}")
message(STATUS "Packages Quokka loads at run time: ${QUOKKA_RUNTIME_DEPENDS}")

install(FILES ${QUOKKA_PACKAGING_DIR}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME quokka)

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quokka)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quokka developers")
set(CPACK_PACKAGE_CONTACT "${QUOKKA_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUOKKA_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${QUOKKA_HOMEPAGE}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "web browser that walks a list of addresses page by page")
file(READ ${QUOKKA_PACKAGING_DIR}/description CPACK_PACKAGE_DESCRIPTION)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# (relative to the staged package, where dpkg-shlibdeps runs)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS usr/${CMAKE_INSTALL_LIBDIR}/quokka)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${QUOKKA_RUNTIME_DEPENDS}")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
