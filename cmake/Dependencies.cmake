# Third-party code comes from Debian packages and is referenced, never copied.

# nlohmann/json is header-only. Its headers live in /usr/include, which must not
# be put on the MinGW include path (glibc headers would shadow the Windows
# ones), so the build exposes just the nlohmann folder through a link.
find_path(KORVANE_NLOHMANN_INCLUDE nlohmann/json.hpp
    PATHS /usr/include /usr/local/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(KORVANE_THIRD_PARTY_INCLUDE ${CMAKE_BINARY_DIR}/third_party/include)
file(MAKE_DIRECTORY ${KORVANE_THIRD_PARTY_INCLUDE})
if(NOT EXISTS ${KORVANE_THIRD_PARTY_INCLUDE}/nlohmann)
    file(CREATE_LINK ${KORVANE_NLOHMANN_INCLUDE}/nlohmann
        ${KORVANE_THIRD_PARTY_INCLUDE}/nlohmann SYMBOLIC)
endif()
add_library(korvane_json INTERFACE)
target_include_directories(korvane_json SYSTEM INTERFACE ${KORVANE_THIRD_PARTY_INCLUDE})
target_compile_definitions(korvane_json INTERFACE JSON_USE_IMPLICIT_CONVERSIONS=0)

# spdlog and fmt (Debian's spdlog is configured to use the separate fmt), both
# header-only and exposed the same way as nlohmann/json. On Windows spdlog
# takes wide file names, so that a data folder outside the ANSI code page
# works, and opens its file non-inheritable: the runtime's children must not
# hold the service log open, or it could not be rotated.
find_path(KORVANE_SPDLOG_INCLUDE spdlog/spdlog.h
    PATHS /usr/include /usr/local/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_path(KORVANE_FMT_INCLUDE fmt/format.h
    PATHS /usr/include /usr/local/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
foreach(library spdlog fmt)
    string(TOUPPER ${library} variable)
    if(NOT EXISTS ${KORVANE_THIRD_PARTY_INCLUDE}/${library})
        file(CREATE_LINK ${KORVANE_${variable}_INCLUDE}/${library}
            ${KORVANE_THIRD_PARTY_INCLUDE}/${library} SYMBOLIC)
    endif()
endforeach()
add_library(korvane_spdlog INTERFACE)
target_include_directories(korvane_spdlog SYSTEM INTERFACE ${KORVANE_THIRD_PARTY_INCLUDE})
target_compile_definitions(korvane_spdlog INTERFACE SPDLOG_HEADER_ONLY FMT_HEADER_ONLY)
if(WIN32)
    target_compile_definitions(korvane_spdlog INTERFACE
        SPDLOG_WCHAR_FILENAMES SPDLOG_PREVENT_CHILD_FD)
endif()

# GoogleTest is built from Debian's sources with whichever toolchain is active.
if(NOT KORVANE_FUZZ)
    set(KORVANE_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(${KORVANE_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    enable_testing()
endif()

# Tests under Wine also run against a real outside SOCKS5 server on port 1080:
# the Linux microsocks, which a Windows test cannot start itself. Optional.
if(WIN32 AND NOT KORVANE_FUZZ)
    find_program(KORVANE_MICROSOCKS microsocks)
endif()
