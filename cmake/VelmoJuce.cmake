# The JUCE modules, compiled once into one position-independent static library
# that the processor, the editor, the plug-in, the tests and the tools share.
find_package(JUCE 7.0.5 CONFIG REQUIRED)
find_package(PNG REQUIRED)
find_package(ZLIB REQUIRED)
find_package(JPEG REQUIRED)
find_package(Freetype REQUIRED)
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
        PNG::PNG ZLIB::ZLIB JPEG::JPEG Freetype::Freetype Threads::Threads ${CMAKE_DL_LIBS} rt)

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
