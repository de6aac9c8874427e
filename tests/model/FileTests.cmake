# Tests of the controller file, the atomic save, the value texts and the file commands.
set(ORBIS_FILE_TEST_DATA ${CMAKE_CURRENT_LIST_DIR}/data)

add_executable(test_controller_file test_controller_file.cpp test_atomic_save.cpp)
target_link_libraries(test_controller_file PRIVATE Orbis::core GTest::gtest_main)
target_compile_definitions(test_controller_file PRIVATE ORBIS_FILE_TEST_DATA="${ORBIS_FILE_TEST_DATA}")
set_target_properties(test_controller_file PROPERTIES AUTOMOC OFF)
orbis_target_defaults(test_controller_file)
gtest_discover_tests(test_controller_file)

add_executable(test_value_text test_value_text.cpp)
target_link_libraries(test_value_text PRIVATE Orbis::core GTest::gtest_main)
set_target_properties(test_value_text PROPERTIES AUTOMOC OFF)
orbis_target_defaults(test_value_text)
gtest_discover_tests(test_value_text)
