# Embedded fonts and images arrive with the look-and-feel.
add_library(vantrel_ui_resources INTERFACE)
