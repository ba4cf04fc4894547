# Include roots that hold only what a target exports.
#
# velmo_include_root(<target> <scope> <path>...): gives the target an include
# directory in the build tree holding links to the named source folders or
# files (relative to the source root) and nothing else, so that
# #include "dsp/Compressor.h" still reads as the path from the source root,
# while a target sees only the folders of the targets it links.
function(velmo_include_root target scope)
    string(JOIN "+" key ${ARGN})
    string(REPLACE "/" "_" key "${key}")
    set(root "${PROJECT_BINARY_DIR}/include/${key}")
    foreach(path IN LISTS ARGN)
        set(link "${root}/${path}")
        if(NOT IS_SYMLINK "${link}")
            get_filename_component(parent "${link}" DIRECTORY)
            file(MAKE_DIRECTORY "${parent}")
            file(CREATE_LINK "${PROJECT_SOURCE_DIR}/${path}" "${link}" SYMBOLIC)
        endif()
    endforeach()
    target_include_directories(${target} ${scope} "${root}")
endfunction()
