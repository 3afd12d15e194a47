# Settings shared by every target that compiles JUCE modules.

set(VANTREL_JUCE_DEFINITIONS
    JUCE_WEB_BROWSER=0
    JUCE_USE_CURL=0
    JUCE_DISPLAY_SPLASH_SCREEN=0
    JUCE_STRICT_REFCOUNTEDPOINTER=1
    JUCE_SILENCE_XCODE_15_LINKER_WARNING=1)

# A few faults of JUCE 7.0.5 are mended in copies of the framework's files
# that the build compiles in place of the installed ones. Each fault is one
# unified diff in cmake/juce-patches (its header says what it mends and which
# test shows it), applied in the order of the file names with GNU patch and no
# fuzz: every context line must match, and configure stops, naming the patch,
# when one does not apply. Every other framework file is the installed one.
set(_juce_modules "${JUCE_MODULES_DIR}")
if(NOT EXISTS "${_juce_modules}/juce_gui_basics/native/juce_linux_Windowing.cpp")
    set(_juce_modules "/usr/share/juce/modules")
endif()
set(VANTREL_JUCE_OVERRIDES_DIR "${CMAKE_BINARY_DIR}/juce_overrides")
# The GUI module's patched sources, which its unity source includes.
set(_gui_basics_sources native/juce_linux_Windowing.cpp menus/juce_PopupMenu.cpp native/x11/juce_linux_XWindowSystem.cpp)
set(_patched_files
    juce_audio_processors/format_types/juce_VST3Common.h
    juce_audio_plugin_client/VST3/juce_VST3_Wrapper.cpp
    juce_gui_basics/juce_gui_basics.cpp)
foreach(_file IN LISTS _gui_basics_sources)
    list(APPEND _patched_files juce_gui_basics/${_file})
endforeach()
file(GLOB _juce_patches CONFIGURE_DEPENDS "${CMAKE_CURRENT_LIST_DIR}/juce-patches/*.patch")
list(SORT _juce_patches)

find_program(VANTREL_PATCH_PROGRAM patch REQUIRED)

# The installed files, with their CRLF line ends read as LF (the patches are
# made against that), are patched in a scratch tree.
set(_scratch "${CMAKE_BINARY_DIR}/juce_overrides.tmp")
file(REMOVE_RECURSE "${_scratch}")
foreach(_file IN LISTS _patched_files)
    file(READ "${_juce_modules}/${_file}" _text)
    file(WRITE "${_scratch}/${_file}" "${_text}")
endforeach()
foreach(_patch IN LISTS _juce_patches)
    get_filename_component(_patch_name "${_patch}" NAME)
    execute_process(
        COMMAND "${VANTREL_PATCH_PROGRAM}" --strip=1 --fuzz=0 --force --no-backup-if-mismatch
                --reject-file=- --directory "${_scratch}" --input "${_patch}"
        INPUT_FILE /dev/null
        RESULT_VARIABLE _result
        OUTPUT_VARIABLE _output
        ERROR_VARIABLE _output)
    if(NOT _result EQUAL 0)
        message(FATAL_ERROR "The framework patch ${_patch_name} does not apply to ${_juce_modules}; "
            "check whether it is still needed and make it again:\n${_output}")
    endif()
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_juce_patches})

# Puts a patched file in place through the scratch tree, so that the copy keeps
# its time stamp while its text stays the same: a configure run alone then
# recompiles nothing. The copies live elsewhere than the module, so a copy
# that includes files of its module has those includes made absolute first.
function(_vantrel_put_copy file text)
    file(WRITE "${_scratch}/${file}.out" "${text}")
    configure_file("${_scratch}/${file}.out" "${VANTREL_JUCE_OVERRIDES_DIR}/${file}" COPYONLY)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_juce_modules}/${file}")
endfunction()

# The header is included by its module path ahead of the installed one.
file(READ "${_scratch}/juce_audio_processors/format_types/juce_VST3Common.h" _text)
_vantrel_put_copy(juce_audio_processors/format_types/juce_VST3Common.h "${_text}")

# The wrapper's includes of its module's own files take their installed path.
set(_plugin_client_in "${_juce_modules}/juce_audio_plugin_client")
file(READ "${_scratch}/juce_audio_plugin_client/VST3/juce_VST3_Wrapper.cpp" _text)
string(REPLACE "#include \"../utility/" "#include \"${_plugin_client_in}/utility/" _text "${_text}")
if(_text MATCHES "#include \"\\.\\./")
    message(FATAL_ERROR "juce_VST3_Wrapper.cpp includes other relative paths; the copy cannot resolve them")
endif()
_vantrel_put_copy(juce_audio_plugin_client/VST3/juce_VST3_Wrapper.cpp "${_text}")
set(_plugin_client_out "${VANTREL_JUCE_OVERRIDES_DIR}/juce_audio_plugin_client")
configure_file("${_plugin_client_in}/juce_audio_plugin_client_VST3.cpp" "${_plugin_client_out}/juce_audio_plugin_client_VST3.cpp" COPYONLY)
set(VANTREL_VST3_CLIENT_SOURCE_IN "${_plugin_client_in}/juce_audio_plugin_client_VST3.cpp")
set(VANTREL_VST3_CLIENT_SOURCE "${_plugin_client_out}/juce_audio_plugin_client_VST3.cpp")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${VANTREL_VST3_CLIENT_SOURCE_IN}")

# The GUI module: its patched sources include nothing, and its unity source
# includes the patched ones from the copy and every other file from the
# installed module.
set(_gui_basics_in "${_juce_modules}/juce_gui_basics")
set(_gui_basics_out "${VANTREL_JUCE_OVERRIDES_DIR}/juce_gui_basics")
file(READ "${_scratch}/juce_gui_basics/juce_gui_basics.cpp" _unity)
foreach(_file IN LISTS _gui_basics_sources)
    file(READ "${_scratch}/juce_gui_basics/${_file}" _text)
    if(_text MATCHES "#include")
        message(FATAL_ERROR "${_file} includes other files; the copy cannot resolve them")
    endif()
    _vantrel_put_copy(juce_gui_basics/${_file} "${_text}")

    string(FIND "${_unity}" "#include \"${_file}\"" _at)
    if(_at EQUAL -1)
        message(FATAL_ERROR "juce_gui_basics.cpp no longer includes ${_file}")
    endif()
    string(REPLACE "#include \"${_file}\"" "#include \"${_gui_basics_out}/${_file}\"" _unity "${_unity}")
endforeach()
string(REGEX REPLACE "#include \"([^/\"][^\"]*)\"" "#include \"${_gui_basics_in}/\\1\"" _unity "${_unity}")
_vantrel_put_copy(juce_gui_basics/juce_gui_basics.cpp "${_unity}")

# Makes every target that uses the interface target compile the copy in place
# of the installed source; configure stops when the target no longer has it.
function(vantrel_use_copy target source copy)
    get_target_property(_sources ${target} INTERFACE_SOURCES)
    list(FIND _sources "${source}" _index)
    if(_index EQUAL -1)
        message(FATAL_ERROR "${target} no longer compiles ${source}")
    endif()
    list(REMOVE_AT _sources ${_index})
    list(APPEND _sources "${copy}")
    set_property(TARGET ${target} PROPERTY INTERFACE_SOURCES "${_sources}")
endfunction()

# The plug-in and the test host alike compile the copy.
vantrel_use_copy(juce_gui_basics "${_gui_basics_in}/juce_gui_basics.cpp" "${_gui_basics_out}/juce_gui_basics.cpp")

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
