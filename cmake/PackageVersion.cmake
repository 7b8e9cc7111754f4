# TALMIR_VERSION: the project's version, followed in a git checkout by what
# `git describe --tags --always --dirty` says, made a valid Debian version:
# "0.1" at a tag v0.1, "0.1+3.gabc1234" three commits after it,
# "0.1+gabc1234" where there is no tag and "0.1+gabc1234.dirty" with
# uncommitted changes.

# The Debian version for project version `base` and describe output `describe`.
function(talmir_debian_version out base describe)
    string(REGEX REPLACE "^v([0-9])" "\\1" described "${describe}")
    string(REPLACE "." "\\." base_pattern "${base}")
    if(described STREQUAL "")
        set(suffix "")
    elseif(described MATCHES "^[0-9a-f]+(-dirty)?$")
        # No tag: only the abbreviated commit.
        set(suffix "g${described}")
    elseif(described MATCHES "^${base_pattern}(-(.*))?$")
        set(suffix "${CMAKE_MATCH_2}")
    else()
        set(suffix "${described}")
    endif()
    string(REGEX REPLACE "[^A-Za-z0-9.~]+" "." suffix "${suffix}")
    string(REGEX REPLACE "^\\.+|\\.+$" "" suffix "${suffix}")
    if(suffix STREQUAL "")
        set(${out} "${base}" PARENT_SCOPE)
    else()
        set(${out} "${base}+${suffix}" PARENT_SCOPE)
    endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE)
    return()
endif()

set(TALMIR_GIT_DESCRIBE "")
find_package(Git QUIET)
if(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} describe --tags --always --dirty
        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
        RESULT_VARIABLE describe_result
        OUTPUT_VARIABLE describe_output
        OUTPUT_STRIP_TRAILING_WHITESPACE
        ERROR_QUIET)
    if(describe_result EQUAL 0)
        set(TALMIR_GIT_DESCRIBE "${describe_output}")
    endif()
endif()
talmir_debian_version(TALMIR_VERSION "${PROJECT_VERSION}" "${TALMIR_GIT_DESCRIBE}")
message(STATUS "talmir version ${TALMIR_VERSION}")
