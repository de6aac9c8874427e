# Fails when the library exports anything beyond its five C functions.
# Usage: cmake -DNM=<nm> -DLIBRARY=<file> -P CheckExports.cmake
cmake_minimum_required(VERSION 3.25)
set(allowed ReadData GetSens GetCoord CoordEval GetKestrelVersion)
# Defined by the toolchain in some links, never by the library's code.
set(toolchain _init _fini _edata _end __bss_start)

execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY}
                OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${LIBRARY}")
endif()

string(REPLACE "\n" ";" lines "${listing}")
set(found)
set(unexpected)
foreach(line IN LISTS lines)
  if(line MATCHES "^[0-9a-fA-F]* *[A-Za-z] ([^ @]+)")
    set(name ${CMAKE_MATCH_1})
    if(name IN_LIST allowed)
      list(APPEND found ${name})
    elseif(NOT name IN_LIST toolchain)
      list(APPEND unexpected ${name})
    endif()
  endif()
endforeach()

if(unexpected)
  list(JOIN unexpected "\n  " text)
  message(FATAL_ERROR "Unexpected exports of ${LIBRARY}:\n  ${text}")
endif()
list(REMOVE_DUPLICATES found)
list(LENGTH found count)
if(NOT count EQUAL 5)
  message(FATAL_ERROR "Expected the five exports, found: ${found}")
endif()
message(STATUS "Exactly the five exports: ${found}")
