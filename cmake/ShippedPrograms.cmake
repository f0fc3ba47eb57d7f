# What each shipped Windows program carries: the version resource and the
# application manifest (resources/program.rc; windres in the MinGW build, rc
# under MSVC) and, in the release build, its debug information split off into
# a file beside it.

if(WIN32 AND NOT KORVANE_FUZZ)
    enable_language(RC)
endif()

# korvane_shipped_program(<executable target> <the program's .rc script>)
function(korvane_shipped_program target script)
    if(NOT WIN32 OR KORVANE_FUZZ)
        return()
    endif()
    # N.B. An object library of its own: the C++ targets' compile options
    # (-Wall, /W4 ...) mean nothing to a resource compiler.
    add_library(${target}_resources OBJECT ${script})
    target_include_directories(${target}_resources PRIVATE
        ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/resources)
    target_link_libraries(${target}_resources PRIVATE korvane_version_header)
    # windres reports no dependencies of its own.
    set_source_files_properties(${script} TARGET_DIRECTORY ${target}_resources PROPERTIES
        OBJECT_DEPENDS "${KORVANE_VERSION_HEADER};${PROJECT_SOURCE_DIR}/resources/program.rc;${PROJECT_SOURCE_DIR}/resources/program.manifest")
    target_link_libraries(${target} PRIVATE ${target}_resources)
    if(MSVC)
        target_link_options(${target} PRIVATE /MANIFEST:NO)
    endif()
    if(KORVANE_RELEASE)
        korvane_split_debug_information(${target})
    endif()
endfunction()
