# Dependencies come from Debian's packages. For the Windows build: zlib from
# libz-mingw-w64-dev, GoogleTest built from /usr/src/googletest, nlohmann-json's headers from
# the native package (header-only), and PCRE2 built once from Debian's source package by
# scripts/setup.sh into VELLUM_PCRE2_PREFIX.

set(ZLIB_USE_STATIC_LIBS ON)
find_package(ZLIB REQUIRED)

if(WIN32)
    set(VELLUM_PCRE2_PREFIX "/var/cache/vellum/pcre2-mingw64" CACHE PATH "PCRE2 built for mingw-w64")
    find_library(VELLUM_PCRE2_LIBRARY NAMES libpcre2-8.a PATHS ${VELLUM_PCRE2_PREFIX}/lib NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
    add_library(vellum_pcre2 INTERFACE)
    target_include_directories(vellum_pcre2 SYSTEM INTERFACE ${VELLUM_PCRE2_PREFIX}/include)
    target_link_libraries(vellum_pcre2 INTERFACE ${VELLUM_PCRE2_LIBRARY})
    target_compile_definitions(vellum_pcre2 INTERFACE PCRE2_STATIC PCRE2_CODE_UNIT_WIDTH=8)

    # Only the nlohmann folder is exposed: the host's /usr/include must not reach mingw.
    set(VELLUM_JSON_INCLUDE ${CMAKE_BINARY_DIR}/third_party_include)
    file(MAKE_DIRECTORY ${VELLUM_JSON_INCLUDE})
    file(CREATE_LINK /usr/include/nlohmann ${VELLUM_JSON_INCLUDE}/nlohmann SYMBOLIC)
    add_library(vellum_json INTERFACE)
    target_include_directories(vellum_json SYSTEM INTERFACE ${VELLUM_JSON_INCLUDE})

    if(VELLUM_BUILD_TESTS)
        set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
        set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
        add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    endif()
else()
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(PCRE2 REQUIRED IMPORTED_TARGET libpcre2-8)
    add_library(vellum_pcre2 INTERFACE)
    target_link_libraries(vellum_pcre2 INTERFACE PkgConfig::PCRE2)
    target_compile_definitions(vellum_pcre2 INTERFACE PCRE2_CODE_UNIT_WIDTH=8)

    find_package(nlohmann_json 3 REQUIRED)
    add_library(vellum_json INTERFACE)
    target_link_libraries(vellum_json INTERFACE nlohmann_json::nlohmann_json)

    if(VELLUM_BUILD_TESTS)
        find_package(GTest REQUIRED)
    endif()
    if(VELLUM_BUILD_BENCHMARKS)
        find_package(benchmark REQUIRED)
    endif()
endif()
