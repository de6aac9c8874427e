# Runs a program and checks its exit status and that its output matches a pattern.
# Usage: cmake -DPROGRAM=<file> "-DARGS=a;b" -DSTATUS=<n> -DPATTERN=<regex> -P RunAndExpect.cmake
# With -DCOPY_TO=<folder> a copy of the program runs from that folder instead.
cmake_minimum_required(VERSION 3.25)
if(COPY_TO)
  file(MAKE_DIRECTORY ${COPY_TO})
  file(COPY ${PROGRAM} DESTINATION ${COPY_TO})
  get_filename_component(name ${PROGRAM} NAME)
  set(PROGRAM ${COPY_TO}/${name})
endif()
execute_process(COMMAND ${PROGRAM} ${ARGS} RESULT_VARIABLE status
                OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 30)
set(text "${out}${err}")
if(NOT status STREQUAL STATUS)
  message(FATAL_ERROR "exit status ${status}, expected ${STATUS}; output:\n${text}")
endif()
if(NOT text MATCHES "${PATTERN}")
  message(FATAL_ERROR "output does not match '${PATTERN}':\n${text}")
endif()
