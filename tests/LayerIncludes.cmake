# Fails when a file of a layer includes something of ours that the layer's
# README does not allow. Each layer folder's README.md has one line
#     Includes of ours: `core/`, `mpsse_abi.h`.
# naming in backquotes the layers of src/ (as "core/"), the other layer folders
# whose headers it may all include (as "abi/") and single headers of other
# folders; a line without any allows nothing. An include
# is ours when its path
#   - starts with a layer folder of src/ ("ui/main.h"),
#   - climbs out of the folder ("../device/X.h") or is absolute,
#   - names a file of the repository from its root ("sim/SimChip.h"), or
#   - is a bare name of a header in another layer folder ("SimChip.h").
# A layer's own files pass, and so does everything else: the standard
# library, Qt and other libraries, headers generated in the build tree.
#
# Usage: cmake -DSOURCE_DIR=<repository> -P LayerIncludes.cmake
# Layer folders missing under SOURCE_DIR are skipped.

cmake_minimum_required(VERSION 3.25)
get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)
set(layers src/core src/device src/ui src/app sim adapters/ftdi abi)
set(src_layers core device ui app)

# Every header of every layer folder, by bare name, with its folder.
set(existing "")
foreach(layer IN LISTS layers)
    if(NOT IS_DIRECTORY ${SOURCE_DIR}/${layer})
        continue()
    endif()
    list(APPEND existing ${layer})
    file(GLOB_RECURSE headers RELATIVE ${SOURCE_DIR}/${layer}
        ${SOURCE_DIR}/${layer}/*.h ${SOURCE_DIR}/${layer}/*.hpp)
    foreach(header IN LISTS headers)
        get_filename_component(name ${header} NAME)
        set(folder_of_${name} ${layer})
    endforeach()
endforeach()
if(NOT existing)
    message(FATAL_ERROR "No layer folder under ${SOURCE_DIR}")
endif()

set(faults "")
set(checked 0)
foreach(layer IN LISTS existing)
    set(readme ${layer}/README.md)
    if(NOT EXISTS ${SOURCE_DIR}/${readme})
        string(APPEND faults "${readme}: missing\n")
        continue()
    endif()
    file(STRINGS ${SOURCE_DIR}/${readme} rule REGEX "^Includes of ours:")
    list(LENGTH rule rules)
    if(NOT rules EQUAL 1)
        string(APPEND faults "${readme}: needs one line \"Includes of ours: ...\"\n")
        continue()
    endif()
    string(REPLACE "\\;" ";" rule "${rule}")
    string(REGEX MATCHALL "`[^`]+`" quoted "${rule}")
    string(REPLACE "`" "" allowed "${quoted}")
    get_filename_component(own ${layer} NAME)

    file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
        ${SOURCE_DIR}/${layer}/*.h ${SOURCE_DIR}/${layer}/*.hpp
        ${SOURCE_DIR}/${layer}/*.cpp ${SOURCE_DIR}/${layer}/*.c)
    foreach(source IN LISTS sources)
        math(EXPR checked "${checked} + 1")
        get_filename_component(dir ${SOURCE_DIR}/${source} DIRECTORY)
        file(STRINGS ${SOURCE_DIR}/${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
        foreach(line IN LISTS lines)
            if(NOT line MATCHES "include[ \t]*[<\"]([^>\"]+)[>\"]")
                continue()
            endif()
            set(path ${CMAKE_MATCH_1})
            set(ours "")  # what of ours the include names, as the README would allow it
            set(ours_folder "")  # the layer folder of a header named bare
            string(REGEX MATCH "^[^/]+" first "${path}")
            if(path MATCHES "^/|^\\.\\./|/\\.\\./")
                set(ours "..")
            elseif(path MATCHES "/" AND first IN_LIST src_layers)
                if(NOT first STREQUAL own OR NOT layer STREQUAL "src/${own}")
                    set(ours "${first}/")
                endif()
            elseif(path MATCHES "/")
                if(EXISTS ${SOURCE_DIR}/${path})
                    set(ours "${path}")
                endif()
            elseif(NOT EXISTS ${dir}/${path} AND DEFINED folder_of_${path})
                if(NOT folder_of_${path} STREQUAL layer)
                    set(ours "${path}")
                    set(ours_folder "${folder_of_${path}}/")
                endif()
            endif()
            if(ours STREQUAL "" OR ours IN_LIST allowed OR
               (NOT ours_folder STREQUAL "" AND ours_folder IN_LIST allowed))
                continue()
            endif()
            string(APPEND faults
                "${source}: #include \"${path}\", which ${readme} does not allow (${rule})\n")
        endforeach()
    endforeach()
endforeach()

if(faults)
    message("${faults}")
    message(FATAL_ERROR "Includes across layers, or layer READMEs without their rule")
endif()
list(JOIN existing ", " folders)
message(STATUS "${checked} files of ${folders} include only what their READMEs allow")
