# Include roots by layer. The code names the headers of src/ by layer folder
# ("core/X.h", "device/X.h", "ui/X.h"). Instead of src/ itself, each layer's
# target publishes a folder in the build tree that links to the layers it may
# include and no others, so an include of another layer does not build: core
# sees core, device sees core and device, ui sees core, device and ui, and the
# program (src/app) gets all three through ui. tests/LayerIncludes.cmake
# checks the same rules, as each layer's README states them, for includes the
# roots cannot catch (a path climbing out with ../).

# talmir_layer_include_root(<target> <layer>...): <target> publishes an include
# root holding src/<layer> for each <layer> named.
function(talmir_layer_include_root target)
    set(root ${CMAKE_BINARY_DIR}/include-roots/${target})
    file(MAKE_DIRECTORY ${root})
    # Links of layers no longer named go.
    file(GLOB old LIST_DIRECTORIES true ${root}/*)
    foreach(link IN LISTS old)
        get_filename_component(name ${link} NAME)
        if(NOT name IN_LIST ARGN)
            file(REMOVE ${link})
        endif()
    endforeach()
    foreach(layer IN LISTS ARGN)
        if(NOT IS_SYMLINK ${root}/${layer})
            file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${layer} ${root}/${layer} SYMBOLIC)
        endif()
    endforeach()
    target_include_directories(${target} PUBLIC ${root})
endfunction()
