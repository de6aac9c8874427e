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

find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
  add_executable(controller_file_probe controller_file_probe.cpp)
  target_link_libraries(controller_file_probe PRIVATE Orbis::core GTest::gtest)
  set_target_properties(controller_file_probe PROPERTIES AUTOMOC OFF)
  orbis_target_defaults(controller_file_probe)
  add_test(NAME ControllerFilePlistInterop
           COMMAND Python3::Interpreter ${ORBIS_FILE_TEST_DATA}/plist_interop.py
                   $<TARGET_FILE:controller_file_probe> ${CMAKE_CURRENT_BINARY_DIR}/plist_interop)
endif()

if(TARGET orbis_filecommands)
  add_executable(test_file_commands test_file_commands.cpp)
  target_link_libraries(test_file_commands PRIVATE orbis_filecommands GTest::gtest)
  set_target_properties(test_file_commands PROPERTIES AUTOMOC OFF)
  orbis_target_defaults(test_file_commands)
  gtest_discover_tests(test_file_commands PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen
                       DISCOVERY_TIMEOUT 30)
endif()

# With clang, the reader also gets a libFuzzer target; ctest runs it for a bounded number
# of inputs seeded with a real file. Longer runs: fuzz_controller_file -max_total_time=600.
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  add_executable(fuzz_controller_file fuzz_controller_file.cpp)
  target_link_libraries(fuzz_controller_file PRIVATE Orbis::core)
  target_compile_options(fuzz_controller_file PRIVATE -fsanitize=fuzzer)
  target_link_options(fuzz_controller_file PRIVATE -fsanitize=fuzzer)
  set_target_properties(fuzz_controller_file PROPERTIES AUTOMOC OFF)
  orbis_target_defaults(fuzz_controller_file)
  add_test(NAME ControllerFileLibFuzzer
           COMMAND fuzz_controller_file -runs=20000 -max_len=60000
                   -seed_inputs=${ORBIS_FILE_TEST_DATA}/fresh.ocont2)
endif()
