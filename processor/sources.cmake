list(APPEND VANTREL_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/JucePlugin.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HostStateFraming.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ParameterMapping.cpp
    ${CMAKE_CURRENT_LIST_DIR}/StateChunk.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UserSettings.cpp)
# The processor overrides the framework's index-based parameter interface,
# which JUCE 7 marks deprecated.
set_property(SOURCE ${CMAKE_CURRENT_LIST_DIR}/JucePlugin.cpp
    APPEND PROPERTY COMPILE_OPTIONS -Wno-deprecated-declarations)
list(APPEND VANTREL_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/SettingsFile.cpp)
