# Warnings and sanitizers for the project's own targets only; system headers stay quiet.
function(orbis_target_defaults target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                             -Wno-sign-conversion)
    if(ORBIS_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

if(ORBIS_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# A library of the program under src/: its sources, the src/ include root every header is
# spelled from, the alias Orbis::<alias>, and the warnings.
function(orbis_add_library target alias)
    add_library(${target} STATIC ${ARGN})
    add_library(Orbis::${alias} ALIAS ${target})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    orbis_target_defaults(${target})
endfunction()
