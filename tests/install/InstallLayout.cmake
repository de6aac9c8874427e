# The install-layout computations as a table: the private library folder seen from the
# program's folder, and what the desktop entry runs, for the layouts packagers and users pick.
# Usage: cmake -P InstallLayout.cmake
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/OrbisInstallLayout.cmake)

# prefix | bindir | private libdir | expected relative path
set(libdirs
    "/usr|bin|lib/orbis|../lib/orbis"
    "/usr|bin|/usr/lib64/orbis|../lib64/orbis"
    "/usr|/usr/bin|/usr/lib/x86_64-linux-gnu/orbis|../lib/x86_64-linux-gnu/orbis"
    "/home/u/.local|bin|lib/orbis|../lib/orbis"
    "/opt/orbis|/opt/orbis/bin|/opt/orbis/lib|../lib")
foreach(case IN LISTS libdirs)
    string(REPLACE "|" ";" fields "${case}")
    list(GET fields 0 prefix)
    list(GET fields 1 bindir)
    list(GET fields 2 libdir)
    list(GET fields 3 expected)
    orbis_path_from_bindir(got "${prefix}" "${bindir}" "${libdir}")
    if(NOT got STREQUAL expected)
        message(SEND_ERROR "${case}: got ${got}")
    endif()
endforeach()

# prefix | bindir | expected Exec program
set(execs
    "/usr|bin|Orbis"
    "/usr/local|bin|Orbis"
    "/|usr/bin|Orbis"
    "/home/u/.local|bin|/home/u/.local/bin/Orbis"
    "/opt/orbis|/opt/orbis/bin|/opt/orbis/bin/Orbis"
    "/tmp/with space|bin|\"/tmp/with space/bin/Orbis\"")
foreach(case IN LISTS execs)
    string(REPLACE "|" ";" fields "${case}")
    list(GET fields 0 prefix)
    list(GET fields 1 bindir)
    list(GET fields 2 expected)
    orbis_desktop_exec(got "${prefix}" "${bindir}" Orbis)
    if(NOT got STREQUAL expected)
        message(SEND_ERROR "${case}: got ${got}")
    endif()
endforeach()
