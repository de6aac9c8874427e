# Installs the build into a fresh prefix and checks the tree a distribution would ship: the
# programs run from it, kestrel-monitor finds the tracker library in the programs' private
# folder without LD_LIBRARY_PATH, and nothing lands in the public library folder. Then, with
# PREFIX a home's .local, registers the install with the desktop's caches and uninstalls it by
# README's own recipe, after which the caches no longer know the file type and refresh cleanly.
# Usage: cmake -DBUILD_DIR=<build> -DPREFIX=<home>/.local -DLIBDIR=<lib dir>
#              -DPRIVATE_LIBDIR=<dir> -DMONITOR=ON|OFF -DREADME=<README.md> -P InstallTree.cmake
cmake_minimum_required(VERSION 3.25)

function(fail)
    string(JOIN "" text ${ARGN})
    message(FATAL_ERROR "${text}")
endfunction()

cmake_path(GET PREFIX PARENT_PATH home)
file(REMOVE_RECURSE ${home})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
    fail("cmake --install failed (${status}):\n${errors}")
endif()

set(expected
    bin/Orbis
    share/applications/orbis-controller.desktop
    share/metainfo/org.norvell.OrbisController.metainfo.xml
    share/mime/packages/orbis-controller.xml
    share/icons/hicolor/scalable/apps/orbis-controller.svg
    share/icons/hicolor/scalable/mimetypes/application-x-orbis-controller.svg
    share/man/man1/Orbis.1
    share/man/man1/orbis-send.1
    share/man/man1/kestrel-monitor.1)
foreach(size 16 32 48 64 128 256)
    list(APPEND expected share/icons/hicolor/${size}x${size}/apps/orbis-controller.png
         share/icons/hicolor/${size}x${size}/mimetypes/application-x-orbis-controller.png)
endforeach()
if(MONITOR)
    list(APPEND expected bin/kestrel-monitor ${PRIVATE_LIBDIR}/libKestrel32Dll13.so)
endif()
foreach(file IN LISTS expected)
    if(NOT EXISTS ${PREFIX}/${file})
        fail("not installed: ${file}")
    endif()
endforeach()

# A prefix off the default PATH: the desktop entry runs the program by its full path.
file(STRINGS ${PREFIX}/share/applications/orbis-controller.desktop exec REGEX "^Exec=")
if(NOT exec STREQUAL "Exec=\"${PREFIX}/bin/Orbis\" %f")
    fail("the installed desktop entry runs ${exec}")
endif()

file(GLOB public LIST_DIRECTORIES false ${PREFIX}/${LIBDIR}/*)
if(public)
    fail("files in the public library folder: ${public}")
endif()

# Runs an installed program with a clean library path; sets out and status.
macro(run_installed program)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH
                            ${PREFIX}/bin/${program} ${ARGN}
                    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out TIMEOUT 30)
endmacro()

run_installed(Orbis --version)
if(NOT status EQUAL 0 OR NOT out MATCHES "^Orbis ")
    fail("the installed Orbis --version: ${status}\n${out}")
endif()

if(MONITOR)
    # No tracker is connected here: finding the library gets as far as "no tracker" (3),
    # and the library it names is the installed one.
    run_installed(kestrel-monitor --count 1)
    if(NOT status EQUAL 3)
        fail("the installed kestrel-monitor did not get to the tracker (status ${status}):\n"
             "${out}")
    endif()
    if(NOT out MATCHES "Tracker library ${PREFIX}/${PRIVATE_LIBDIR}/libKestrel32Dll13.so")
        fail("the installed kestrel-monitor loaded another library:\n${out}")
    endif()
endif()

# Runs a command of the recipe's tools; fails with its output unless it succeeds.
function(run_tool)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out
                    ERROR_VARIABLE out TIMEOUT 60)
    if(NOT status EQUAL 0)
        fail("${ARGN} failed (${status}):\n${out}")
    endif()
endfunction()

set(mime ${PREFIX}/share/mime)
run_tool(update-mime-database ${mime})
run_tool(update-desktop-database ${PREFIX}/share/applications)
file(STRINGS ${mime}/globs2 registered REGEX "application/x-orbis-controller:")
if(NOT registered)
    fail("the installed file type is not in ${mime}/globs2")
endif()

# The uninstall recipe is the first indented block after "To uninstall" in README.md, run
# as a user would: from the folder holding build-install, with HOME the install's home.
file(READ ${README} readme)
string(FIND "${readme}" "\nTo uninstall" at)
string(SUBSTRING "${readme}" ${at} -1 readme)
string(REGEX MATCH "\n\n(    [^\n]*\n)+" recipe "${readme}")
string(REGEX REPLACE "\n    " "\n" recipe "${recipe}")
set(work ${home}/work)
file(MAKE_DIRECTORY ${work})
file(CREATE_LINK ${BUILD_DIR} ${work}/build-install SYMBOLIC)
file(WRITE ${work}/uninstall.sh "set -e -o pipefail\n${recipe}")
execute_process(COMMAND ${CMAKE_COMMAND} -E env HOME=${home} bash ${work}/uninstall.sh
                WORKING_DIRECTORY ${work} RESULT_VARIABLE status OUTPUT_VARIABLE out
                ERROR_VARIABLE out)
if(NOT status EQUAL 0 OR NOT out STREQUAL "")
    fail("README.md's uninstall recipe failed (${status}):\n${recipe}\n${out}")
endif()

file(STRINGS ${BUILD_DIR}/install_manifest.txt installed)
foreach(file IN LISTS installed)
    if(EXISTS ${file})
        fail("left after uninstalling: ${file}")
    endif()
endforeach()
# The desktop can refresh its caches again, and they no longer name the file type.
run_tool(update-mime-database ${mime})
file(STRINGS ${mime}/globs2 registered REGEX "application/x-orbis-controller:")
if(registered)
    fail("${mime}/globs2 still names the file type after uninstalling")
endif()
file(REMOVE_RECURSE ${home})
