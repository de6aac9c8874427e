include(GoogleTest)

# One test program:
#   orbis_add_test(<name> SOURCES <files> [LIBRARIES <targets>] [DEFINITIONS <defs>]
#                  [QT] [SERIAL] [DEPENDS <targets>] [LABELS <labels>])
# QT: widgets or Qt objects; the program gets the shared QApplication main and runs on the
#     offscreen platform. Otherwise GoogleTest's own main.
# SERIAL: the test uses the shared private JACK server, so ctest runs it alone.
# Test helpers are spelled from tests/ ("support/MainWindowFixture.h").
function(orbis_add_test name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "QT;SERIAL" ""
                          "SOURCES;LIBRARIES;DEFINITIONS;DEPENDS;LABELS")
    add_executable(${name} ${arg_SOURCES})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    target_compile_definitions(${name} PRIVATE ${arg_DEFINITIONS})
    if(arg_QT)
        target_link_libraries(${name} PRIVATE ${arg_LIBRARIES} orbis_qt_test_main)
    else()
        target_link_libraries(${name} PRIVATE ${arg_LIBRARIES} GTest::gtest_main)
        set_target_properties(${name} PROPERTIES AUTOMOC OFF AUTORCC OFF AUTOUIC OFF)
    endif()
    if(arg_DEPENDS)
        add_dependencies(${name} ${arg_DEPENDS})
    endif()
    orbis_target_defaults(${name})
    # A test that hangs fails in two minutes rather than holding the whole run.
    set(properties ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120)
    if(arg_SERIAL)
        list(APPEND properties RUN_SERIAL TRUE)
    endif()
    if(arg_LABELS)
        list(APPEND properties LABELS ${arg_LABELS})
    endif()
    gtest_discover_tests(${name} PROPERTIES ${properties} DISCOVERY_TIMEOUT 60)
endfunction()
