# GoogleTest: the prebuilt Debian libraries for native builds, built from
# Debian's sources when the target differs (32-bit Linux, Windows).
include(GoogleTest)
if(CMAKE_SIZEOF_VOID_P EQUAL 8 AND NOT CMAKE_CROSSCOMPILING)
    find_package(GTest REQUIRED)
else()
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    # Recent GoogleTest sources define these aliases themselves.
    foreach(lib gtest gtest_main gmock gmock_main)
        if(NOT TARGET GTest::${lib})
            add_library(GTest::${lib} ALIAS ${lib})
        endif()
    endforeach()
endif()

# Some kernels (virtual machines among them) cannot execute 32-bit x86
# programs; the 32-bit Linux tests then run under qemu's user-mode emulator.
# (Windows programs run under the toolchain's emulator, wine.)
if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND NOT CMAKE_CROSSCOMPILING)
    if(NOT DEFINED CACHE{VELMO_TEST_EMULATOR})
        set(probe_src ${CMAKE_BINARY_DIR}/CMakeFiles/velmo_run_m32.c)
        file(WRITE ${probe_src} "int main(void) { return sizeof(void*) == 4 ? 0 : 1; }\n")
        try_run(velmo_m32_run velmo_m32_compile ${CMAKE_BINARY_DIR}/CMakeFiles/velmo_run_m32
            ${probe_src})
        set(emulator "")
        if(NOT velmo_m32_compile)
            message(FATAL_ERROR "The compiler cannot build 32-bit x86 programs (gcc-multilib, g++-multilib)")
        elseif(NOT velmo_m32_run STREQUAL "0")
            find_program(qemu_i386 qemu-i386)
            if(NOT qemu_i386)
                message(FATAL_ERROR "This machine cannot run 32-bit x86 programs and qemu-i386 "
                                    "(Debian package qemu-user) is not installed")
            endif()
            set(emulator ${qemu_i386})
        endif()
        set(VELMO_TEST_EMULATOR "${emulator}" CACHE STRING "Runs the 32-bit test programs (empty: natively)")
    endif()
    if(VELMO_TEST_EMULATOR)
        message(STATUS "32-bit tests run under ${VELMO_TEST_EMULATOR}")
        set(CMAKE_CROSSCOMPILING_EMULATOR ${VELMO_TEST_EMULATOR})
    endif()
endif()

# velmo_add_test(<name> SOURCES ... LIBS ...): one GoogleTest executable, registered with CTest.
function(velmo_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
endfunction()

# velmo_skip_test(<name> <reason>): stands for a test that cannot run on this
# platform; CTest lists it as skipped, with the reason in its output.
function(velmo_skip_test name reason)
    add_test(NAME ${name} COMMAND ${CMAKE_COMMAND} -E echo "Skipped on ${VELMO_PLATFORM}: ${reason}")
    set_tests_properties(${name} PROPERTIES SKIP_REGULAR_EXPRESSION "Skipped on ")
endfunction()
