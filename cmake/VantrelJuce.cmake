# Settings shared by every target that compiles JUCE modules.

set(VANTREL_JUCE_DEFINITIONS
    JUCE_WEB_BROWSER=0
    JUCE_USE_CURL=0
    JUCE_DISPLAY_SPLASH_SCREEN=0
    JUCE_STRICT_REFCOUNTEDPOINTER=1
    JUCE_SILENCE_XCODE_15_LINKER_WARNING=1)

# The VST3 helpers of JUCE 7.0.5 copy each bus's channel mapping (which owns
# vectors) by value inside the process call, so every audio block allocates.
# The build generates a copy of that header that takes the mapping by reference
# and puts it ahead of the installed one; the plug-in's wrapper includes it by
# its module path, so the copy wins.
set(_vst3_common_in "${JUCE_MODULES_DIR}/juce_audio_processors/format_types/juce_VST3Common.h")
if(NOT EXISTS "${_vst3_common_in}")
    set(_vst3_common_in "/usr/share/juce/modules/juce_audio_processors/format_types/juce_VST3Common.h")
endif()
set(VANTREL_JUCE_OVERRIDES_DIR "${CMAKE_BINARY_DIR}/juce_overrides")
file(READ "${_vst3_common_in}" _vst3_common)
set(_needle "const auto mapping = map[busIndex];")
string(FIND "${_vst3_common}" "${_needle}" _pos)
if(_pos EQUAL -1)
    message(FATAL_ERROR "juce_VST3Common.h no longer holds '${_needle}': check whether the copy is still needed")
endif()
string(REPLACE "${_needle}" "const auto& mapping = map[busIndex];" _vst3_common "${_vst3_common}")
file(WRITE "${VANTREL_JUCE_OVERRIDES_DIR}/juce_audio_processors/format_types/juce_VST3Common.h" "${_vst3_common}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_vst3_common_in}")

# Our own sources are compiled with these options: IEEE arithmetic exactly as
# written (no contraction into fused multiply-adds, no fast-math), since the
# engine's output is exact to the bit. Our own warnings are on for them too.
set(VANTREL_STRICT_FP_OPTIONS -ffp-contract=off -fno-fast-math -Wall -Wextra -Wshadow -Wconversion -Wno-sign-conversion)
