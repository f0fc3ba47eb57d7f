# The one version of both programs: the project version, plus the commit when
# the sources are a git checkout. The text is written at build time, so a new
# commit needs no new configure run:
#   0.9.0                  not a git checkout
#   0.9.0+g1a2b3c4         a clean checkout of commit 1a2b3c4...
#   0.9.0+g1a2b3c4.dirty   tracked files differ from that commit
# It holds no date, so one commit always gives the same text.
#
# korvane_version_header: the generated korvane_version.h (the text and the
# numeric parts, for C++ and for resource scripts).
# ${CMAKE_BINARY_DIR}/korvane_version.txt: the text alone, for the packaging.

if(NOT DEFINED PROJECT_VERSION_PATCH OR PROJECT_VERSION_PATCH STREQUAL "")
    message(FATAL_ERROR "project(korvane VERSION major.minor.patch) is required")
endif()

set(KORVANE_VERSION_HEADER ${CMAKE_BINARY_DIR}/generated/korvane_version.h)
set(KORVANE_VERSION_FILE ${CMAKE_BINARY_DIR}/korvane_version.txt)

find_program(KORVANE_GIT git)
# N.B. Always run; the script rewrites its outputs only when the text changed,
# so an unchanged commit rebuilds nothing.
add_custom_target(korvane_version_text
    COMMAND ${CMAKE_COMMAND}
        -DPROJECT_VERSION=${PROJECT_VERSION}
        -DPROJECT_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
        -DPROJECT_VERSION_MINOR=${PROJECT_VERSION_MINOR}
        -DPROJECT_VERSION_PATCH=${PROJECT_VERSION_PATCH}
        -DGIT=${KORVANE_GIT}
        -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
        -DHEADER=${KORVANE_VERSION_HEADER}
        -DTEXT_FILE=${KORVANE_VERSION_FILE}
        -P ${CMAKE_CURRENT_LIST_DIR}/WriteVersion.cmake
    BYPRODUCTS ${KORVANE_VERSION_HEADER} ${KORVANE_VERSION_FILE}
    COMMENT "Version text"
    VERBATIM)

add_library(korvane_version_header INTERFACE)
target_include_directories(korvane_version_header INTERFACE ${CMAKE_BINARY_DIR}/generated)
add_dependencies(korvane_version_header korvane_version_text)
