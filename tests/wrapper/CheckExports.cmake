# cmake -DLIBRARY=<file> -DEXPORTS=<names> [-DOBJDUMP=<objdump>] -P CheckExports.cmake
#
# Fails unless the library exports exactly the given names (a ;-list). For a
# Windows DLL (OBJDUMP given) it also fails unless every DLL it imports is one
# of Windows' own: the C and C++ runtimes, winpthread, zlib and libpng are
# linked in.
cmake_minimum_required(VERSION 3.25)

if(NOT OBJDUMP)
    find_program(NM nm REQUIRED)
    execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY}
        OUTPUT_VARIABLE symbols RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "nm failed on ${LIBRARY}")
    endif()
    string(REGEX MATCHALL "[^\n]+" lines "${symbols}")
    set(names)
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "^.* " "" name "${line}")
        list(APPEND names ${name})
    endforeach()
else()
    execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "objdump failed on ${LIBRARY}")
    endif()

    # Name table rows look like "	[   0] VSTPluginMain" (address rows have more words).
    string(REPLACE "\n" ";" lines "${dump}")
    set(names)
    foreach(line IN LISTS lines)
        if(line MATCHES "^\t\\[ *[0-9]+\\] ([^ ]+)$")
            list(APPEND names ${CMAKE_MATCH_1})
        endif()
    endforeach()

    string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
    set(system_dlls
        advapi32 comdlg32 dxgi gdi32 imm32 kernel32 msvcrt ole32 oleaut32 rpcrt4 shell32 shlwapi
        user32 version wininet winmm ws2_32 wsock32)
    set(dlls)
    foreach(import IN LISTS imports)
        string(REGEX REPLACE "^DLL Name: " "" dll "${import}")
        string(TOLOWER "${dll}" dll)
        string(REGEX REPLACE "\\.dll$" "" dll "${dll}")
        list(APPEND dlls ${dll})
        if(NOT dll IN_LIST system_dlls)
            message(FATAL_ERROR "imports ${dll}.dll, which is not a Windows system library")
        endif()
    endforeach()
    message(STATUS "imports: ${dlls}")
endif()

list(SORT names)
set(expected ${EXPORTS})
list(SORT expected)
if(NOT names STREQUAL expected)
    message(FATAL_ERROR "exported: ${names}; expected: ${expected}")
endif()
message(STATUS "exported: ${names}")
