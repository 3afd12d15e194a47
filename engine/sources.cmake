list(APPEND VANTREL_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/Algo.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DitherSettings.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MersenneTwister.cpp)
