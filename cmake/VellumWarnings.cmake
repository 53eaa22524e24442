# Warnings are errors in our own code; third-party code built beside it keeps its own flags.
function(vellum_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)
    # GCC 12 reports std::string concatenation at -O3 as overlapping memcpy (GCC bug 105329).
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
    if(VELLUM_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
