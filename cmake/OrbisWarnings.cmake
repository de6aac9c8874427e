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

# The headers a library of src/ shows, spelled from src/ as everywhere ("model/ParameterTable.h"),
# and only those: each library gets an include root of its own in the build tree that holds
# links to its own headers and nothing else. A library, a test or a tool therefore sees the
# headers of the libraries it links and no other; including a layer it does not build on
# fails to compile.
function(orbis_export_headers target scope)
    file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
    set(root ${PROJECT_BINARY_DIR}/include/${target})
    file(REMOVE_RECURSE ${root})
    file(MAKE_DIRECTORY ${root}/${folder})
    foreach(source IN LISTS ARGN)
        if(source MATCHES "\\.h$" AND NOT IS_ABSOLUTE ${source})
            file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${source} ${root}/${folder}/${source}
                 SYMBOLIC)
        endif()
    endforeach()
    target_include_directories(${target} ${scope} ${root})
endfunction()

# A library of the program under src/: its sources, its headers (above), the alias
# Orbis::<alias>, and the warnings.
function(orbis_add_library target alias)
    add_library(${target} STATIC ${ARGN})
    add_library(Orbis::${alias} ALIAS ${target})
    orbis_export_headers(${target} PUBLIC ${ARGN})
    orbis_target_defaults(${target})
endfunction()
