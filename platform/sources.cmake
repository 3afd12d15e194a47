# Platform layers that the system's own code calls: compiled into the plug-in
# and into the in-process library with the other sources.
include_guard(GLOBAL)

list(APPEND VANTREL_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/registry/SystemRegistry.cpp)
