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

# Programs some tests need beside what the build makes, looked up once. A
# test that needs one that is missing is registered as skipped, naming it and
# its Debian package (velmo_add_tool_test below); scripts/install-deps.sh
# installs them all, and scripts/test.sh fails on any such skip.
function(velmo_find_test_tool var program package)
    find_program(${var} ${program})
    set_property(GLOBAL PROPERTY ${var}_NEED "${program} (Debian package ${package})")
endfunction()

# Some kernels (virtual machines among them) cannot execute 32-bit x86
# programs; the 32-bit Linux tests then run under qemu's user-mode emulator,
# and without it they are skipped. (Windows programs run under the
# toolchain's emulator, wine.) velmo_runner_needs: the tools every test
# program of this build needs to run at all.
set(velmo_runner_needs)
if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND NOT CMAKE_CROSSCOMPILING)
    if(NOT DEFINED CACHE{VELMO_RUNS_32BIT})
        set(probe_src ${CMAKE_BINARY_DIR}/CMakeFiles/velmo_run_m32.c)
        file(WRITE ${probe_src} "int main(void) { return sizeof(void*) == 4 ? 0 : 1; }\n")
        try_run(velmo_m32_run velmo_m32_compile ${CMAKE_BINARY_DIR}/CMakeFiles/velmo_run_m32
            ${probe_src})
        if(NOT velmo_m32_compile)
            message(FATAL_ERROR "The compiler cannot build 32-bit x86 programs (gcc-multilib, g++-multilib)")
        endif()
        set(runs OFF)
        if(velmo_m32_run STREQUAL "0")
            set(runs ON)
        endif()
        set(VELMO_RUNS_32BIT ${runs} CACHE BOOL "This machine runs 32-bit x86 programs itself")
    endif()
    if(NOT VELMO_RUNS_32BIT)
        velmo_find_test_tool(VELMO_QEMU_I386 qemu-i386 qemu-user)
        if(VELMO_QEMU_I386)
            message(STATUS "32-bit tests run under ${VELMO_QEMU_I386}")
            set(CMAKE_CROSSCOMPILING_EMULATOR ${VELMO_QEMU_I386})
        else()
            message(WARNING "This machine cannot run 32-bit x86 programs and qemu-i386 (Debian package "
                            "qemu-user) is not installed: the 32-bit test programs are built, not run")
        endif()
        set(velmo_runner_needs VELMO_QEMU_I386)
    endif()
endif()

# velmo_skip_test(<name> <reason>): stands for a test that cannot run on this
# platform; CTest lists it as skipped, with the reason in its output.
function(velmo_skip_test name reason)
    add_test(NAME ${name} COMMAND ${CMAKE_COMMAND} -E echo "Skipped on ${VELMO_PLATFORM}: ${reason}")
    set_tests_properties(${name} PROPERTIES SKIP_REGULAR_EXPRESSION "Skipped on ")
endfunction()

# velmo_missing_tools(<out> <tool variable>...): what the missing ones are, as
# text, or empty when every one was found.
function(velmo_missing_tools out)
    set(missing)
    foreach(var IN LISTS ARGN)
        if(NOT ${var})
            get_property(need GLOBAL PROPERTY ${var}_NEED)
            list(APPEND missing "${need}")
        endif()
    endforeach()
    list(JOIN missing ", " missing)
    set(${out} "${missing}" PARENT_SCOPE)
endfunction()

# velmo_skip_for_missing_tools(<name> <missing>): the stand-in for a test whose
# tools are missing, labelled missing-tool.
function(velmo_skip_for_missing_tools name missing)
    velmo_skip_test(${name} "needs ${missing}, which is not installed")
    set_tests_properties(${name} PROPERTIES LABELS missing-tool)
endfunction()

# velmo_add_tool_test(<name> NEEDS <tool variable>... COMMAND <command>...):
# add_test(), or the stand-in above where a tool it needs is missing.
function(velmo_add_tool_test name)
    cmake_parse_arguments(ARG "" "" "NEEDS;COMMAND" ${ARGN})
    velmo_missing_tools(missing ${ARG_NEEDS} ${velmo_runner_needs})
    if(missing)
        velmo_skip_for_missing_tools(${name} "${missing}")
    else()
        add_test(NAME ${name} COMMAND ${ARG_COMMAND})
    endif()
endfunction()

# A virtual X display of its own for a command: ${VELMO_XVFB} <command>. One
# such test at a time (RESOURCE_LOCK x11-display): xvfb-run -a can give two
# runs started together the same display, and the first to end takes it from
# the other.
velmo_find_test_tool(VELMO_XVFB_RUN xvfb-run xvfb)
set(VELMO_XVFB ${VELMO_XVFB_RUN} -a -s "-screen 0 1280x1024x24")

# velmo_add_test(<name> SOURCES ... LIBS ...): one GoogleTest executable,
# its tests registered with CTest (found by running it once it is built), or
# one skipped stand-in where the machine has nothing to run it with.
function(velmo_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
    velmo_include_root(${name} PRIVATE tests)
    velmo_missing_tools(missing ${velmo_runner_needs})
    if(missing)
        velmo_skip_for_missing_tools(${name} "${missing}")
    else()
        gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
    endif()
endfunction()
