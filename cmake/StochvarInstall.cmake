# Installation: the headers, the libraries, the two hosts, a CMake package and pkg-config files.
#
#   find_package(stochvar CONFIG)   -> stochvar::core, stochvar::documents, stochvar::editor
#   pkg-config --cflags --libs stochvar            (stochvar-documents: the documents library)
#
# The editor's targets come with the package when Qt 6 Widgets can be found (always when the
# component "editor" is asked for). The Python package installs itself (python/CMakeLists.txt).
include(CMakePackageConfigHelpers)

set(STOCHVAR_CMAKE_INSTALL_DIR "${CMAKE_INSTALL_LIBDIR}/cmake/stochvar")

# Headers, one folder per subsystem, as the sources include them (<stochvar/model/Dist.h>).
set(installed_header_folders framework model numerics families simulation reliability fitting
    module documents)
if(TARGET stochvar_editor)
    list(APPEND installed_header_folders editor)
endif()
foreach(folder IN LISTS installed_header_folders)
    install(DIRECTORY "${PROJECT_SOURCE_DIR}/stochvar/${folder}"
        DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}/stochvar" COMPONENT development
        FILES_MATCHING PATTERN "*.h")
endforeach()
install(FILES "${PROJECT_SOURCE_DIR}/stochvar/stochvar.h"
    DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}/stochvar" COMPONENT development)

# The core and the documents library form one export set, the editor another, so that a host
# without Qt can use the package.
function(stochvar_install_export export_name)
    install(TARGETS ${ARGN} EXPORT ${export_name}
        LIBRARY DESTINATION "${CMAKE_INSTALL_LIBDIR}" COMPONENT runtime
            NAMELINK_COMPONENT development
        ARCHIVE DESTINATION "${CMAKE_INSTALL_LIBDIR}" COMPONENT development
        RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}" COMPONENT runtime)
    install(EXPORT ${export_name} NAMESPACE stochvar::
        DESTINATION "${STOCHVAR_CMAKE_INSTALL_DIR}" COMPONENT development)
endfunction()
stochvar_install_export(stochvarCoreTargets stochvar_core stochvar_documents)
if(TARGET stochvar_editor)
    stochvar_install_export(stochvarEditorTargets stochvar_editor)
endif()

foreach(host stochvar stochvar-editor)
    if(TARGET ${host})
        install(TARGETS ${host} RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}" COMPONENT runtime)
    endif()
endforeach()

configure_package_config_file("${PROJECT_SOURCE_DIR}/cmake/stochvarConfig.cmake.in"
    "${PROJECT_BINARY_DIR}/stochvarConfig.cmake"
    INSTALL_DESTINATION "${STOCHVAR_CMAKE_INSTALL_DIR}")
# Before 1.0 a minor version may break the interface.
write_basic_package_version_file("${PROJECT_BINARY_DIR}/stochvarConfigVersion.cmake"
    COMPATIBILITY SameMinorVersion)
install(FILES "${PROJECT_BINARY_DIR}/stochvarConfig.cmake"
    "${PROJECT_BINARY_DIR}/stochvarConfigVersion.cmake"
    DESTINATION "${STOCHVAR_CMAKE_INSTALL_DIR}" COMPONENT development)

# The pkg-config files (the core, and the documents library on it) locate the prefix from their
# own folder, so they stay right under `cmake --install --prefix`; a host linked with their flags
# finds the libraries there without LD_LIBRARY_PATH (an RPATH to the prefix's libdir).
file(RELATIVE_PATH pkgconfig_to_prefix "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
string(REGEX REPLACE "/$" "" pkgconfig_to_prefix "${pkgconfig_to_prefix}")
foreach(pc_name stochvar stochvar-documents)
    configure_file("${PROJECT_SOURCE_DIR}/cmake/${pc_name}.pc.in"
        "${PROJECT_BINARY_DIR}/${pc_name}.pc" @ONLY)
    install(FILES "${PROJECT_BINARY_DIR}/${pc_name}.pc"
        DESTINATION "${CMAKE_INSTALL_LIBDIR}/pkgconfig" COMPONENT development)
endforeach()
