# Warnings are errors in the project's own code; the numeric core must give the same bits on
# every build of a platform, so floating-point contraction is switched off.
function(stochvar_project_options target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wpedantic -Werror
        -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual
        -ffp-contract=off)
endfunction()
