# The VST3 plug-in module: Vantrel_Dither.vst3.

# The VST3 wrapper is compiled from the patched copy that VantrelJuce.cmake
# writes, in place of the installed one.
vantrel_use_copy(juce_audio_plugin_client_VST3 "${VANTREL_VST3_CLIENT_SOURCE_IN}" "${VANTREL_VST3_CLIENT_SOURCE}")

juce_add_plugin(Vantrel_Dither
    PRODUCT_NAME "Vantrel_Dither"
    PLUGIN_NAME "Vantrel Dither"
    COMPANY_NAME "Vantrel Audio Engineering"
    COMPANY_WEBSITE "https://www.vantrel-audio.example"
    DESCRIPTION "Dither and noise shaping for the final bit depth"
    VERSION 1.0.1
    PLUGIN_MANUFACTURER_CODE Vtrl
    PLUGIN_CODE QWVB
    FORMATS VST3
    VST3_CATEGORIES Fx Mastering
    IS_SYNTH FALSE
    NEEDS_MIDI_INPUT FALSE
    NEEDS_MIDI_OUTPUT FALSE
    IS_MIDI_EFFECT FALSE
    EDITOR_WANTS_KEYBOARD_FOCUS FALSE
    COPY_PLUGIN_AFTER_BUILD FALSE)

# The bank header of the VST 2 compatible state framing carries version code
# 0x1000A, while hosts are shown the version text "1.0.1".
foreach(_prop COMPILE_DEFINITIONS INTERFACE_COMPILE_DEFINITIONS)
    get_target_property(_defs Vantrel_Dither ${_prop})
    list(TRANSFORM _defs REPLACE "^JucePlugin_VersionCode=.*$" "JucePlugin_VersionCode=0x1000A")
    set_target_properties(Vantrel_Dither PROPERTIES ${_prop} "${_defs}")
endforeach()

target_sources(Vantrel_Dither PRIVATE ${VANTREL_SOURCES})
# Exported by the module itself, not by the static library of its code.
target_sources(Vantrel_Dither_VST3 PRIVATE ${CMAKE_SOURCE_DIR}/platform/WindowsModuleExports.cpp)

target_include_directories(Vantrel_Dither BEFORE PRIVATE ${VANTREL_JUCE_OVERRIDES_DIR})
target_include_directories(Vantrel_Dither PRIVATE ${CMAKE_SOURCE_DIR})

target_compile_definitions(Vantrel_Dither PUBLIC
    ${VANTREL_JUCE_DEFINITIONS}
    JUCE_VST3_CAN_REPLACE_VST2=1
    JUCE_FORCE_USE_LEGACY_PARAM_IDS=1)

target_link_libraries(Vantrel_Dither
    PRIVATE
        juce::juce_audio_processors
        juce::juce_gui_basics
        vantrel_cpu
        vantrel_ui_resources
        vantrel_vst2_compat
    PUBLIC
        juce::juce_recommended_config_flags)

set(VANTREL_VST3_BUNDLE "${CMAKE_BINARY_DIR}/Vantrel_Dither_artefacts/${CMAKE_BUILD_TYPE}/VST3/Vantrel_Dither.vst3"
    CACHE INTERNAL "The built VST3 bundle")

# A plug-in built with a sanitizer takes the sanitizer's runtime from the host
# executable that loads it, so its link may leave those symbols undefined.
if(VANTREL_SANITIZE)
    get_target_property(_link_options Vantrel_Dither_VST3 LINK_OPTIONS)
    list(REMOVE_ITEM _link_options "-Wl,--no-undefined")
    set_target_properties(Vantrel_Dither_VST3 PROPERTIES LINK_OPTIONS "${_link_options}")
endif()
