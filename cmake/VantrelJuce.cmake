# Settings shared by every target that compiles JUCE modules.

set(VANTREL_JUCE_DEFINITIONS
    JUCE_WEB_BROWSER=0
    JUCE_USE_CURL=0
    JUCE_DISPLAY_SPLASH_SCREEN=0
    JUCE_MODAL_LOOPS_PERMITTED=1
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
# Written through a scratch file so that the copy keeps its time stamp while
# its text stays the same: a configure run alone then recompiles nothing.
file(WRITE "${CMAKE_BINARY_DIR}/juce_overrides.tmp/juce_VST3Common.h" "${_vst3_common}")
configure_file("${CMAKE_BINARY_DIR}/juce_overrides.tmp/juce_VST3Common.h"
    "${VANTREL_JUCE_OVERRIDES_DIR}/juce_audio_processors/format_types/juce_VST3Common.h" COPYONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_vst3_common_in}")

# Our own sources are compiled with these options: IEEE arithmetic exactly as
# written (no contraction into fused multiply-adds, no fast-math), since the
# engine's output is exact to the bit. Our own warnings are on for them too.
set(VANTREL_STRICT_FP_OPTIONS -ffp-contract=off -fno-fast-math -Wall -Wextra -Wshadow -Wconversion -Wno-sign-conversion)

# Embedded resources as byte arrays: the framework's juce_add_binary_data, with
# a build graph that works. The framework's version rewrites its list of input
# files at every configure run and makes the generated sources depend on that
# list alone, so every configure run regenerates and recompiles the resources
# and relinks everything that uses them, while a changed resource file is not
# picked up at all. Here the generated sources depend on the resource files,
# and the list is rewritten only when it changes.
function(vantrel_add_binary_data target namespace header)
    set(folder "${CMAKE_CURRENT_BINARY_DIR}/juce_binarydata_${target}/JuceLibraryCode")
    set(outputs "${folder}/${header}")
    set(list_text "")
    set(index 0)
    foreach(source IN LISTS ARGN)
        math(EXPR index "${index} + 1")
        list(APPEND outputs "${folder}/BinaryData${index}.cpp")
        string(APPEND list_text "${source}\n")
    endforeach()
    file(WRITE "${folder}/input_file_list.tmp" "${list_text}")
    configure_file("${folder}/input_file_list.tmp" "${folder}/input_file_list" COPYONLY)

    add_custom_command(OUTPUT ${outputs}
        COMMAND juce::juceaide binarydata "${namespace}" "${header}" "${folder}" "${folder}/input_file_list"
        DEPENDS ${ARGN} "${folder}/input_file_list"
        VERBATIM)
    add_library(${target} STATIC ${outputs})
    target_include_directories(${target} INTERFACE "${folder}")
    target_compile_features(${target} PRIVATE cxx_std_17)
endfunction()
