# The package version made from the project's version and `git describe`.
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/../cmake/PackageVersion.cmake)
set(cases
    "|0.1"
    "83994d1|0.1+g83994d1"
    "83994d1-dirty|0.1+g83994d1.dirty"
    "v0.1|0.1"
    "v0.1-3-gabc1234-dirty|0.1+3.gabc1234.dirty"
    "v0.10-2-gabc1234|0.1+0.10.2.gabc1234"
    "lab_build-1-gabc1234|0.1+lab.build.1.gabc1234")
foreach(case IN LISTS cases)
    string(REPLACE "|" ";" pair "${case}")
    list(GET pair 0 describe)
    list(GET pair 1 expected)
    talmir_debian_version(version "0.1" "${describe}")
    if(NOT version STREQUAL expected)
        message(FATAL_ERROR "'${describe}' gave '${version}', expected '${expected}'")
    endif()
endforeach()
