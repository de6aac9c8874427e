# The Import and Save As commands with their dialogs, for the main window to call.
add_library(orbis_filecommands STATIC ${CMAKE_CURRENT_LIST_DIR}/FileCommands.cpp)
add_library(Orbis::filecommands ALIAS orbis_filecommands)
target_link_libraries(orbis_filecommands PUBLIC Orbis::core Qt6::Widgets)
set_target_properties(orbis_filecommands PROPERTIES AUTOMOC OFF)
orbis_target_defaults(orbis_filecommands)
