# GoogleTest: the prebuilt Debian libraries for native builds, built from
# Debian's sources when the target differs (the 32-bit run).
include(GoogleTest)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
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

# velmo_add_test(<name> SOURCES ... LIBS ...): one GoogleTest executable, registered with CTest.
function(velmo_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
endfunction()
