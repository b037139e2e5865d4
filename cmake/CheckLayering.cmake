# Folders under stochvar/ depend downward only: a file may include headers of its own folder and
# of the folders listed for it here, nothing above. Run as
#   cmake -DSTOCHVAR_SOURCE_DIR=<checkout> -P cmake/CheckLayering.cmake
# It fails listing every include that reaches upward, and every folder missing from the table.

cmake_minimum_required(VERSION 3.25)

set(allowed_framework "")
set(allowed_numerics framework)
set(allowed_module framework)
set(allowed_model framework numerics module)
set(allowed_families ${allowed_model} model)
set(allowed_simulation ${allowed_model} model)
set(allowed_reliability ${allowed_model} model families simulation)
set(allowed_documents ${allowed_model} model families simulation reliability)
set(allowed_editor ${allowed_model} model families simulation)

if(NOT STOCHVAR_SOURCE_DIR)
    message(FATAL_ERROR "CheckLayering: set STOCHVAR_SOURCE_DIR to the checkout to check")
endif()

set(violations "")
file(GLOB folders LIST_DIRECTORIES true RELATIVE "${STOCHVAR_SOURCE_DIR}/stochvar"
    "${STOCHVAR_SOURCE_DIR}/stochvar/*")
foreach(folder IN LISTS folders)
    if(NOT IS_DIRECTORY "${STOCHVAR_SOURCE_DIR}/stochvar/${folder}")
        continue()
    endif()
    if(NOT DEFINED allowed_${folder})
        list(APPEND violations "stochvar/${folder}/ has no place in the layer table")
        continue()
    endif()
    file(GLOB_RECURSE sources RELATIVE "${STOCHVAR_SOURCE_DIR}"
        "${STOCHVAR_SOURCE_DIR}/stochvar/${folder}/*.h"
        "${STOCHVAR_SOURCE_DIR}/stochvar/${folder}/*.cpp")
    foreach(source IN LISTS sources)
        file(STRINGS "${STOCHVAR_SOURCE_DIR}/${source}" includes REGEX "^[ \t]*#[ \t]*include")
        foreach(line IN LISTS includes)
            if(line MATCHES "[<\"]stochvar/([^/>\"]+)")
                # A header of the folder itself, of a permitted folder, or (for stochvar.h, which
                # is not a folder) never permitted.
                set(target "${CMAKE_MATCH_1}")
                if(NOT target STREQUAL folder AND NOT target IN_LIST allowed_${folder})
                    list(APPEND violations "${source} includes stochvar/${target}")
                endif()
            elseif(line MATCHES "\"\\.\\./")
                list(APPEND violations "${source} includes by a relative path: ${line}")
            endif()
        endforeach()
    endforeach()
endforeach()

list(REMOVE_DUPLICATES violations)
if(violations)
    list(JOIN violations "\n  " report)
    message(FATAL_ERROR "Includes against the folder layering:\n  ${report}")
endif()
