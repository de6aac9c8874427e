# Where a Linux desktop finds the program: its menu entry, its icon and the ".ocont2" file
# type, so that opening such a file starts the program on it. The factory presets go
# beside the program's data when the source tree has them.
set(_orbis_desktop ${CMAKE_CURRENT_LIST_DIR})
install(FILES ${_orbis_desktop}/orbis-controller.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_orbis_desktop}/orbis-controller.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${PROJECT_SOURCE_DIR}/resources/bitmaps/128.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps
        RENAME orbis-controller.png)
if(EXISTS ${PROJECT_SOURCE_DIR}/Presets)
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/Presets DESTINATION ${CMAKE_INSTALL_DATADIR}/orbis)
endif()
