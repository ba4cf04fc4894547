# cmake -DLIBRARY=<file> -P CheckExports.cmake: fails unless the library's
# dynamic symbol table defines VSTPluginMain and nothing else.
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
if(NOT names STREQUAL "VSTPluginMain")
    message(FATAL_ERROR "exported: ${names}")
endif()
message(STATUS "exported: ${names}")
