# Build settings shared by every target, and the helpers that declare tests and
# fuzz targets.

if(KORVANE_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

if(KORVANE_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "The fuzz preset needs clang (libFuzzer)")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
    # libstdc++ 12 hides <expected> unless __cpp_concepts reports C++20's final
    # value, which clang 16 does not claim although it compiles the header
    # (clang 14 cannot: it lacks conditionally trivial special members).
    add_compile_options(-Wno-macro-redefined -D__cpp_concepts=202002L)
endif()

# Where the stand-ins for the outside programs land (tests/standins); the test
# support library finds them there.
set(KORVANE_STANDIN_DIR ${CMAKE_BINARY_DIR}/standins)

add_library(korvane_options INTERFACE)
target_compile_features(korvane_options INTERFACE cxx_std_23)
target_include_directories(korvane_options INTERFACE ${PROJECT_SOURCE_DIR})
if(MSVC)
    target_compile_options(korvane_options INTERFACE /W4 /WX /permissive- /utf-8 /Zc:__cplusplus)
else()
    target_compile_options(korvane_options INTERFACE -Wall -Wextra -Werror)
endif()
if(WIN32)
    target_compile_definitions(korvane_options INTERFACE
        UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)
endif()

# korvane_test(<name> SOURCES ... [LIBS ...] [WINDOWS_ONLY] [PORTS])
#   One GoogleTest executable and one ctest entry. Portable tests run natively
#   and, in the windows preset, under Wine too, so both builds must agree.
#   PORTS: the test uses 127.0.0.1:49190 or :1080 and must run alone.
function(korvane_test name)
    cmake_parse_arguments(T "WINDOWS_ONLY;PORTS" "" "SOURCES;LIBS" ${ARGN})
    if(KORVANE_FUZZ OR (T_WINDOWS_ONLY AND NOT WIN32))
        return()
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE korvane_options GTest::gtest_main ${T_LIBS})
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 600)
    if(T_PORTS)
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK loopback-ports)
    endif()
endfunction()

# korvane_fuzz_target(<name> SOURCES ... [LIBS ...])
function(korvane_fuzz_target name)
    cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
    if(NOT KORVANE_FUZZ)
        return()
    endif()
    add_executable(${name} ${F_SOURCES})
    target_link_libraries(${name} PRIVATE korvane_options ${F_LIBS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()
