# Runs a validator on an installed description file; skipped when the validator is missing.
# Usage: cmake -DTOOL=<name> "-DARGS=a;b" -DFILE=<file> -P ValidateMetadata.cmake
cmake_minimum_required(VERSION 3.25)
find_program(validator ${TOOL})
if(NOT validator)
    message("SKIPPED: ${TOOL} is not installed (scripts/test installs it)")
    return()
endif()
execute_process(COMMAND ${validator} ${ARGS} ${FILE}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
# desktop-file-validate and groff report problems on their output and may still exit 0.
if(NOT status EQUAL 0 OR out MATCHES "(error|warning):")
    message(FATAL_ERROR "${TOOL} rejects ${FILE}:\n${out}")
endif()
message("${out}")
