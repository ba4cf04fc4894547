# The JUCE modules, compiled once into one position-independent static library
# that the processor, the editor, the plug-in, the tests and the tools share.
#
# JUCE's CMake support and its juceaide tool come from Debian's package (they
# run on the build machine); the module sources come from VELMO_JUCE_MODULES_DIR:
# Debian's modules, or the patched copy that scripts/prepare-juce.sh makes for
# the Windows builds.
set(VELMO_JUCE_MODULES_DIR /usr/share/juce/modules CACHE PATH "The JUCE 7.0.5 modules to build")

file(GLOB velmo_juce_cmake_dirs /usr/lib/*/cmake/JUCE-7.0.5 /usr/lib/cmake/JUCE-7.0.5)
file(GLOB velmo_juceaide_paths /usr/lib/*/juce/juceaide /usr/lib/juce/juceaide)
list(GET velmo_juce_cmake_dirs 0 velmo_juce_cmake_dir)
list(GET velmo_juceaide_paths 0 velmo_juceaide)
if(NOT EXISTS "${velmo_juce_cmake_dir}/JUCEModuleSupport.cmake" OR NOT EXISTS "${velmo_juceaide}"
   OR NOT EXISTS "${VELMO_JUCE_MODULES_DIR}/juce_core/juce_core.h")
    message(FATAL_ERROR "JUCE 7.0.5 is missing: install Debian's juce-modules-source")
endif()

include("${velmo_juce_cmake_dir}/JUCEModuleSupport.cmake")
if(NOT TARGET juce::juceaide)
    add_executable(juce::juceaide IMPORTED)
    set_target_properties(juce::juceaide PROPERTIES IMPORTED_LOCATION "${velmo_juceaide}")
endif()

set(velmo_juce_modules
    juce_core juce_events juce_data_structures juce_graphics juce_gui_basics juce_gui_extra
    juce_audio_basics juce_audio_processors)
foreach(module IN LISTS velmo_juce_modules)
    juce_add_module("${VELMO_JUCE_MODULES_DIR}/${module}" ALIAS_NAMESPACE juce)
endforeach()

find_package(PNG REQUIRED)
find_package(ZLIB REQUIRED)
find_package(JPEG REQUIRED)
find_package(Threads REQUIRED)

add_library(velmo_juce STATIC)
target_link_libraries(velmo_juce
    PRIVATE
        juce::juce_audio_processors
        juce::juce_audio_basics
        juce::juce_gui_extra
        juce::juce_gui_basics
        juce::juce_graphics
        juce::juce_events
        juce::juce_data_structures
        juce::juce_core
    PUBLIC
        PNG::PNG ZLIB::ZLIB JPEG::JPEG Threads::Threads)

if(WIN32)
    # Large translation units need more sections than COFF's default allows.
    target_compile_options(velmo_juce PRIVATE -Wa,-mbig-obj)
else()
    find_package(Freetype REQUIRED)
    target_link_libraries(velmo_juce PUBLIC Freetype::Freetype ${CMAKE_DL_LIBS} rt)
endif()

target_compile_definitions(velmo_juce
    PUBLIC
        JUCE_GLOBAL_MODULE_SETTINGS_INCLUDED=1
        JUCE_STANDALONE_APPLICATION=0
        JUCE_DISPLAY_SPLASH_SCREEN=0
        JUCE_USE_DARK_SPLASH_SCREEN=0
        JUCE_REPORT_APP_USAGE=0
        JUCE_WEB_BROWSER=0
        JUCE_USE_CURL=0
        JUCE_LOAD_CURL_SYMBOLS_LAZILY=0
        JUCE_PLUGINHOST_VST=0
        JUCE_PLUGINHOST_VST3=0
        JUCE_PLUGINHOST_AU=0
        JUCE_PLUGINHOST_LADSPA=0
        JUCE_PLUGINHOST_LV2=0
        JUCE_PLUGINHOST_ARA=0
        JUCE_USE_XRANDR=1
        JUCE_USE_XINERAMA=1
        JUCE_USE_XCURSOR=1
        JUCE_USE_XSHM=1
        JUCE_USE_XRENDER=0
        JUCE_MODAL_LOOPS_PERMITTED=0
        JUCE_SILENCE_XCODE_15_LINKER_WARNING=1
        $<IF:$<CONFIG:Debug>,DEBUG=1;_DEBUG=1,NDEBUG=1>)

# Consumers see JUCE's headers and settings, but compile none of its sources.
target_include_directories(velmo_juce INTERFACE $<TARGET_PROPERTY:velmo_juce,INCLUDE_DIRECTORIES>)
target_compile_definitions(velmo_juce INTERFACE $<TARGET_PROPERTY:velmo_juce,COMPILE_DEFINITIONS>)
set_target_properties(velmo_juce PROPERTIES
    POSITION_INDEPENDENT_CODE ON
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
# JUCE's own sources: their warnings are not ours to fix.
target_compile_options(velmo_juce PRIVATE -w)
