# Warnings and sanitizers for the project's own targets only; system headers stay quiet.
function(orbis_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                           -Wno-sign-conversion)
  if(ORBIS_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

if(ORBIS_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

set(ORBIS_SKIP_AREAS "" CACHE STRING "Subfolders to leave out of the build (a list of folder names)")

# Adds the CMakeLists.txt of each named subfolder that exists, so that areas can
# land one at a time.
function(orbis_add_present_subdirectories)
  foreach(dir IN LISTS ARGN)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt AND NOT dir IN_LIST ORBIS_SKIP_AREAS)
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()
