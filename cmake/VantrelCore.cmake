# The system's own code as an in-process library for tests and benchmarks, on a
# JUCE build that can also host VST3 plug-ins (the test host loads the bundle).

add_library(vantrel_juce STATIC)
target_link_libraries(vantrel_juce
    PRIVATE
        juce::juce_audio_processors
        juce::juce_gui_basics
    PUBLIC
        juce::juce_recommended_config_flags
        juce::pkgconfig_JUCE_IMG_LINUX_DEPS)
target_compile_definitions(vantrel_juce
    PUBLIC
        ${VANTREL_JUCE_DEFINITIONS}
        JUCE_PLUGINHOST_VST3=1
        JUCE_STANDALONE_APPLICATION=1
        # The tests run the message loop themselves (runDispatchLoopUntil),
        # which JUCE offers only where modal loops are permitted. The plug-in
        # module is built without them, so none of its code can start one.
        JUCE_MODAL_LOOPS_PERMITTED=1
    INTERFACE
        $<TARGET_PROPERTY:vantrel_juce,COMPILE_DEFINITIONS>)
target_include_directories(vantrel_juce INTERFACE
    $<TARGET_PROPERTY:vantrel_juce,INCLUDE_DIRECTORIES>)
# JUCE's module headers, seen by dependents as system headers so that their
# warnings do not drown ours.
target_include_directories(vantrel_juce SYSTEM INTERFACE ${JUCE_MODULES_DIR})
target_compile_options(vantrel_juce PRIVATE -w)

add_library(vantrel_core STATIC ${VANTREL_SOURCES})
target_include_directories(vantrel_core PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(vantrel_core PUBLIC vantrel_juce vantrel_cpu vantrel_ui_resources)
