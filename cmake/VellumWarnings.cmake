# Warnings are errors in our own code; third-party code built beside it keeps its own flags.
function(vellum_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)
    if(VELLUM_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
