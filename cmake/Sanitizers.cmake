# Sanitized builds: every target of the build (JUCE, the plug-in, the hosts and
# the tests) compiled and linked with the same sanitizers, in a build directory
# of its own.
#
#   -DVELMO_SANITIZE=address,undefined   AddressSanitizer + UndefinedBehaviorSanitizer
#   -DVELMO_SANITIZE=thread              ThreadSanitizer
#   -DVELMO_FUZZ=ON                      also the libFuzzer targets of fuzz/ (clang only),
#                                        with coverage of the plug-in's own code
set(VELMO_SANITIZE "" CACHE STRING "Sanitizers for the whole build (address,undefined or thread; empty: none)")
option(VELMO_FUZZ "Build the libFuzzer targets (clang)" OFF)

if(VELMO_FUZZ AND NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "VELMO_FUZZ needs clang (-DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang)")
endif()

if(VELMO_SANITIZE OR VELMO_FUZZ)
    set(velmo_sanitize_flags -fno-omit-frame-pointer)
    if(VELMO_SANITIZE)
        list(APPEND velmo_sanitize_flags -fsanitize=${VELMO_SANITIZE})
        if(VELMO_SANITIZE MATCHES "undefined")
            # A report fails the test instead of scrolling past.
            list(APPEND velmo_sanitize_flags -fno-sanitize-recover=undefined)
            if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
                list(APPEND velmo_sanitize_flags
                    -fsanitize-ignorelist=${CMAKE_CURRENT_LIST_DIR}/sanitizers/ubsan-ignore.txt)
            endif()
        endif()
    endif()

    set(velmo_sanitize_link_flags ${velmo_sanitize_flags})
    if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang" AND VELMO_SANITIZE)
        # One shared runtime for the host programs and the plug-in they load
        # (gcc does this by default); the plug-in links it, so -z defs holds.
        list(APPEND velmo_sanitize_link_flags -shared-libsan)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-runtime-dir
            OUTPUT_VARIABLE velmo_sanitizer_runtime_dir OUTPUT_STRIP_TRAILING_WHITESPACE)
        list(APPEND velmo_sanitize_link_flags -Wl,-rpath,${velmo_sanitizer_runtime_dir})
    endif()

    add_compile_options(${velmo_sanitize_flags})
    add_link_options(${velmo_sanitize_link_flags})
    message(STATUS "Sanitized build: ${velmo_sanitize_flags}")
endif()
