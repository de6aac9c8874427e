# Where installed pieces find each other, whatever form the install folders are given in:
# relative to the prefix (GNUInstallDirs' default) or absolute (Fedora's /usr/lib64).

# The folder `dir` as an absolute path under `prefix`.
function(orbis_full_dir out prefix dir)
    if(IS_ABSOLUTE "${dir}")
        set(${out} "${dir}" PARENT_SCOPE)
    else()
        set(${out} "${prefix}/${dir}" PARENT_SCOPE)
    endif()
endfunction()

# The private library folder as seen from the program's folder ("../lib/orbis").
function(orbis_path_from_bindir out prefix bindir libdir)
    orbis_full_dir(full_bindir "${prefix}" "${bindir}")
    orbis_full_dir(full_libdir "${prefix}" "${libdir}")
    file(RELATIVE_PATH relative "${full_bindir}" "${full_libdir}")
    set(${out} "${relative}" PARENT_SCOPE)
endfunction()

# What the desktop entry runs: the bare name when the program's folder is on the PATH a
# desktop session starts with, else the full path (quoted as the desktop entry format asks
# when it holds a space).
function(orbis_desktop_exec out prefix bindir program)
    orbis_full_dir(full_bindir "${prefix}" "${bindir}")
    cmake_path(NORMAL_PATH full_bindir)
    string(REGEX REPLACE "/$" "" full_bindir "${full_bindir}")
    set(default_path /usr/local/sbin /usr/local/bin /usr/sbin /usr/bin /sbin /bin /usr/games)
    # No IN_LIST: install scripts run with the old policies.
    list(FIND default_path "${full_bindir}" on_path)
    if(on_path GREATER -1)
        set(${out} "${program}" PARENT_SCOPE)
    elseif(full_bindir MATCHES " ")
        set(${out} "\"${full_bindir}/${program}\"" PARENT_SCOPE)
    else()
        set(${out} "${full_bindir}/${program}" PARENT_SCOPE)
    endif()
endfunction()
