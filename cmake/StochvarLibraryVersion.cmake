# The shared libraries carry the project version; their ABI may change with every minor version
# before 1.0, so the soname names the minor version too.
function(stochvar_library_version target)
    set_target_properties(${target} PROPERTIES
        VERSION ${PROJECT_VERSION}
        SOVERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})
endfunction()
