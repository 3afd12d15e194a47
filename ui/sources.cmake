# The look-and-feel and the user interface's embedded resources.

list(APPEND VANTREL_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/VantrelLookAndFeel.cpp)

# The four Source Sans Pro faces, the about-box picture and the alert icons as
# byte arrays (namespace VantrelBinaryData, header VantrelBinaryData.h);
# ui/resources/VantrelResources.h gives them their resource names.
set(_vantrel_ui_resources ${CMAKE_CURRENT_LIST_DIR}/resources)
vantrel_add_binary_data(vantrel_ui_resources VantrelBinaryData VantrelBinaryData.h
    ${_vantrel_ui_resources}/fonts/SourceSansPro-Regular.ttf
    ${_vantrel_ui_resources}/fonts/SourceSansPro-It.ttf
    ${_vantrel_ui_resources}/fonts/SourceSansPro-Bold.ttf
    ${_vantrel_ui_resources}/fonts/SourceSansPro-BoldIt.ttf
    ${_vantrel_ui_resources}/aboutImage.png
    ${_vantrel_ui_resources}/alertQuestion.png
    ${_vantrel_ui_resources}/alertWarning.png
    ${_vantrel_ui_resources}/alertInfo.png)
# Linked into the shared plug-in module as well as into the static core library.
set_target_properties(vantrel_ui_resources PROPERTIES POSITION_INDEPENDENT_CODE ON)

# The generator of the PNGs above, built only on request (see its CMakeLists.txt).
add_subdirectory(${_vantrel_ui_resources}/generator ${CMAKE_BINARY_DIR}/ui/resources/generator EXCLUDE_FROM_ALL)

# The editor, its about box and the seams around its dialogs and launches.
list(APPEND VANTREL_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/JuceEditor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AboutDialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SwitchableTooltipWindow.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SettingsFileChooser.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DocumentLauncher.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WindowStacking.cpp)
# The editor edits parameters through the framework's index-based
# notify-the-host call, which JUCE 7 marks deprecated.
set_property(SOURCE ${CMAKE_CURRENT_LIST_DIR}/JuceEditor.cpp
    APPEND PROPERTY COMPILE_OPTIONS -Wno-deprecated-declarations)
