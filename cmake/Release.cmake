# The release build (preset "release"): the shipped programs optimised,
# hardened and reproducible, their debug information in separate files.
# Same commit and same toolchain give the same bytes: no time stamps, no
# build paths.

option(KORVANE_RELEASE "Build the shipped programs for release" OFF)
if(NOT KORVANE_RELEASE)
    return()
endif()
if(NOT MINGW)
    message(FATAL_ERROR "The release build needs the MinGW-w64 toolchain")
endif()

# N.B. Generator expressions keep these away from the resource compiler.
add_compile_options(
    "$<$<COMPILE_LANGUAGE:CXX>:-fstack-protector-strong>"
    "$<$<COMPILE_LANGUAGE:CXX>:-D_FORTIFY_SOURCE=2>"
    # Paths in debug information and __FILE__: the sources as ".", the build
    # folder as "build" (given second, so that it wins for the build folder
    # inside the sources).
    "$<$<COMPILE_LANGUAGE:CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.>"
    "$<$<COMPILE_LANGUAGE:CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=build>")
add_link_options(-fstack-protector-strong
    # No time stamp in the PE header; ASLR (also above 4 GiB) and DEP, which
    # the linker sets by default today, stated so that they stay.
    LINKER:--no-insert-timestamp,--dynamicbase,--high-entropy-va,--nxcompat)

find_program(KORVANE_OBJCOPY x86_64-w64-mingw32-objcopy REQUIRED)

# <program>.exe stripped, <program>.exe.debug beside it with what was removed,
# tied together through .gnu_debuglink (which debuggers follow).
function(korvane_split_debug_information target)
    set(program $<TARGET_FILE:${target}>)
    add_custom_command(TARGET ${target} POST_BUILD
        # N.B. objcopy writes new PE headers with the time of day unless
        # SOURCE_DATE_EPOCH says otherwise; 0 is what the linker left there.
        COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0
            ${KORVANE_OBJCOPY} --only-keep-debug ${program} ${program}.debug
        COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0
            ${KORVANE_OBJCOPY} --strip-all --add-gnu-debuglink=${program}.debug ${program}
        VERBATIM)
endfunction()
