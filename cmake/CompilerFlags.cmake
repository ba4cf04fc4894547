# The compiler flags of the project's own targets, as interface targets.

# The same numbers on every build: no contraction into fused multiply-adds, no
# fast-math, and on 32-bit x86 SSE arithmetic, so single precision stays
# single precision. Flush-to-zero is never set (see VelmoAudioProcessor.h).
# velmo_dsp carries it PUBLIC as the contract of its results; the rest of
# the project's code, which formats and generates values too, links it as well.
add_library(velmo_fp_determinism INTERFACE)
target_compile_options(velmo_fp_determinism INTERFACE -ffp-contract=off -fno-fast-math)
if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND CMAKE_SYSTEM_PROCESSOR MATCHES "x86|i.86|AMD64|amd64")
    target_compile_options(velmo_fp_determinism INTERFACE -msse2 -mfpmath=sse)
endif()

# The warnings of the project's own code.
add_library(velmo_warnings INTERFACE)
target_compile_options(velmo_warnings INTERFACE -Wall -Wextra)

# velmo_use_project_flags(): links both, privately, into every library and
# program defined in this source tree (JUCE's compiled modules take only the
# determinism flags; code built from elsewhere, such as GoogleTest, neither).
function(velmo_use_project_flags)
    set(directories "${PROJECT_SOURCE_DIR}")
    while(directories)
        list(POP_FRONT directories directory)
        get_property(subdirectories DIRECTORY "${directory}" PROPERTY SUBDIRECTORIES)
        list(APPEND directories ${subdirectories})
        string(FIND "${directory}/" "${PROJECT_SOURCE_DIR}/" at)
        if(NOT at EQUAL 0)
            continue()
        endif()
        get_property(targets DIRECTORY "${directory}" PROPERTY BUILDSYSTEM_TARGETS)
        foreach(target IN LISTS targets)
            get_target_property(type ${target} TYPE)
            if(type MATCHES "^(STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY|EXECUTABLE)$")
                target_link_libraries(${target} PRIVATE velmo_fp_determinism)
                if(NOT target STREQUAL "velmo_juce")
                    target_link_libraries(${target} PRIVATE velmo_warnings)
                endif()
            endif()
        endforeach()
    endwhile()
endfunction()
