# cmake -DSOURCE_DIR=<source root> -P CheckLayers.cmake
#
# Fails when a source includes a layer above its own, or a layer beside it at
# the bottom: dsp/ and vst/ include nothing but themselves, the standard
# library and (dsp) the maths code, and never JUCE. Layers from the bottom:
#   dsp, vst | processor | editor | wrapper (with the plug-in's assembly) | tools
# The embedded images and the identity header (resources/) sit with the
# processor; the artwork program is a tool. An include that climbs out of its
# folder ("../") is refused, as it would slip past the check.
set(levels dsp=0 vst=0 resources=1 processor=1 editor=2 wrapper=3 tools=4 resources/artwork=4)

function(level_of path out)
    set(found "")
    foreach(entry IN LISTS levels)
        string(REPLACE "=" ";" pair "${entry}")
        list(GET pair 0 folder)
        list(GET pair 1 level)
        # The longest matching folder wins (resources/artwork over resources).
        if(path MATCHES "^${folder}/" AND (found STREQUAL "" OR folder MATCHES "^${found_folder}/"))
            set(found ${level})
            set(found_folder ${folder})
        endif()
    endforeach()
    set(${out} "${found}" PARENT_SCOPE)
    set(${out}_folder "${found_folder}" PARENT_SCOPE)
endfunction()

set(faults "")
file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}"
    "${SOURCE_DIR}/dsp/*" "${SOURCE_DIR}/vst/*" "${SOURCE_DIR}/processor/*" "${SOURCE_DIR}/editor/*"
    "${SOURCE_DIR}/wrapper/*" "${SOURCE_DIR}/tools/*" "${SOURCE_DIR}/resources/*")
list(FILTER sources INCLUDE REGEX "\\.(h|hpp|c|cc|cpp|in)$")

foreach(source IN LISTS sources)
    level_of("${source}" own)
    string(REGEX MATCH "^[^/]+" own_top "${source}")
    file(STRINGS "${SOURCE_DIR}/${source}" includes REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS includes)
        string(REGEX MATCH "[<\"]([^>\"]+)[>\"]" ignored "${line}")
        set(target "${CMAKE_MATCH_1}")
        if(target MATCHES "\\.\\./")
            list(APPEND faults "${source}: climbs out of its folder: ${target}")
            continue()
        endif()
        if(own_top MATCHES "^(dsp|vst)$" AND target MATCHES "(^|/)(juce_|JuceHeader)")
            list(APPEND faults "${source}: the ${own_top} layer includes JUCE: ${target}")
            continue()
        endif()
        if(NOT line MATCHES "\"")
            continue()
        endif()
        level_of("${target}" theirs)
        if(theirs STREQUAL "")
            continue()
        endif()
        string(REGEX MATCH "^[^/]+" their_top "${target}")
        if(own_top MATCHES "^(dsp|vst)$" AND NOT their_top STREQUAL own_top)
            list(APPEND faults "${source}: the ${own_top} layer includes ${target}")
        elseif(theirs GREATER own)
            list(APPEND faults "${source}: includes ${their_top}/, a layer above ${own_top}/: ${target}")
        endif()
    endforeach()
endforeach()

if(faults)
    list(JOIN faults "\n" text)
    message(FATAL_ERROR "Includes against the layering:\n${text}")
endif()
list(LENGTH sources count)
message(STATUS "${count} sources keep to the layering")
