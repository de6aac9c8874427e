# Where a Linux desktop finds the program: its menu entry, its icon and the ".ocont2" file
# type, so that opening such a file starts the program on it. The factory presets go
# beside the program's data when the source tree has them.
set(_orbis_desktop ${CMAKE_CURRENT_LIST_DIR})
# The entry runs the program by name where a desktop session's PATH finds it, else by its
# full path; decided at install time, for the prefix installed into.
install(CODE "
    include(\"${PROJECT_SOURCE_DIR}/cmake/OrbisInstallLayout.cmake\")
    orbis_desktop_exec(exec \"\${CMAKE_INSTALL_PREFIX}\" \"${CMAKE_INSTALL_BINDIR}\" Orbis)
    file(READ \"${_orbis_desktop}/orbis-controller.desktop\" entry)
    string(REPLACE \"Exec=Orbis %f\" \"Exec=\${exec} %f\" entry \"\${entry}\")
    file(WRITE \"${CMAKE_CURRENT_BINARY_DIR}/orbis-controller.desktop\" \"\${entry}\")
    orbis_full_dir(applications \"\${CMAKE_INSTALL_PREFIX}\" \"${CMAKE_INSTALL_DATADIR}/applications\")
    file(INSTALL DESTINATION \"\${applications}\" TYPE FILE
         FILES \"${CMAKE_CURRENT_BINARY_DIR}/orbis-controller.desktop\")
")
install(FILES ${_orbis_desktop}/orbis-controller.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${_orbis_desktop}/org.norvell.OrbisController.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The program's icon and the .ocont2 file type's, at the hicolor theme's sizes (made by
# make_icons.sh) and scalable.
foreach(_size 16 32 48 64 128 256)
    set(_icons ${_orbis_desktop}/icons/${_size}x${_size})
    set(_theme ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size})
    install(FILES ${_icons}/orbis-controller.png DESTINATION ${_theme}/apps)
    install(FILES ${_icons}/application-x-orbis-controller.png DESTINATION ${_theme}/mimetypes)
endforeach()
install(FILES ${_orbis_desktop}/icons/orbis-controller.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${_orbis_desktop}/icons/application-x-orbis-controller.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/mimetypes)
# The manual pages are written in roff and installed as they stand.
install(FILES ${PROJECT_SOURCE_DIR}/resources/man/Orbis.1
              ${PROJECT_SOURCE_DIR}/resources/man/orbis-send.1
              ${PROJECT_SOURCE_DIR}/resources/man/kestrel-monitor.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
if(EXISTS ${PROJECT_SOURCE_DIR}/Presets)
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/Presets DESTINATION ${CMAKE_INSTALL_DATADIR}/orbis)
endif()
