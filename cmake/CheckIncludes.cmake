cmake_minimum_required(VERSION 3.25)
# Checks the floors of the source tree: each folder is a library that may include only the folders
# named in its allow-list below. Components see the ports and the lower components they are handed,
# never the facade (control/) nor a component beside them; only the facade sees every component.
# An include without a folder must name a file of the including file's own folder.
# Usage: cmake -DROOT=<src folder> -P CheckIncludes.cmake

# From the ground up.
set(_allowed_core core)
set(_allowed_platform core platform)
set(_allowed_ports core ports)
set(_allowed_toolbar core platform ports toolbar)
set(_allowed_sysdial core platform ports toolbar sysdial)
set(_allowed_picture core platform ports toolbar picture)
set(_allowed_texts core platform ports toolbar texts)
# The session closes the terminal at logout and tells it the server's host.
set(_allowed_link core platform ports toolbar sysdial link)
set(_allowed_setpoints core platform ports toolbar picture setpoints)
set(_allowed_printing core platform ports picture setpoints sysdial texts printing)
# The write journal hears the control through the watch port only.
set(_allowed_journal core ports journal)
set(_allowed_control core platform ports toolbar sysdial picture texts link setpoints printing control)
# Trends print through the printing job's report of how a job ended.
set(_allowed_trend core platform ports sysdial trend)
# The host reaches the simulator's picture descriptions by their folder ("sim/...").
set(_allowed_host core platform ports toolbar sysdial picture texts link setpoints printing control journal trend host sim)

set(_violations 0)
file(GLOB_RECURSE _files RELATIVE ${ROOT} ${ROOT}/*.h ${ROOT}/*.cpp)
foreach(file IN LISTS _files)
    string(REGEX MATCH "^[^/]+" folder ${file})
    if(NOT DEFINED _allowed_${folder})
        message("${file}: the folder ${folder} has no allow-list")
        math(EXPR _violations "${_violations} + 1")
        continue()
    endif()
    file(STRINGS ${ROOT}/${file} includes REGEX "^#include \"[^\"]+\"")
    foreach(line IN LISTS includes)
        string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" included "${line}")
        if(NOT included MATCHES "/")
            if(NOT EXISTS ${ROOT}/${folder}/${included})
                message("${file}: ${included} has no folder and is not in ${folder}")
                math(EXPR _violations "${_violations} + 1")
            endif()
            continue()
        endif()
        string(REGEX MATCH "^[^/]+" target "${included}")
        if(NOT target IN_LIST _allowed_${folder})
            message("${file}: the ${folder} library may not include ${included}")
            math(EXPR _violations "${_violations} + 1")
        endif()
    endforeach()
endforeach()
if(_violations GREATER 0)
    message(FATAL_ERROR "${_violations} include rule violations")
endif()
