#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/**
    The dialogs in which the user picks a settings file to load or a file to
    save the settings to: the platform's native file dialogs, modal, with the
    pattern "*.qwv" and no initial file or folder.

    The processor asks this object for the file and does the reading and
    writing itself; tests give the processor a chooser that answers without a
    window.
*/
class SettingsFileChooser
{
public:
    SettingsFileChooser() = default;
    virtual ~SettingsFileChooser() = default;

    /** Shows the open dialog; true with the chosen file, false when cancelled. */
    virtual bool chooseFileToLoad (juce::File& chosen);

    /** Shows the save dialog, which warns before an existing file is
        overwritten; true with the chosen file, false when cancelled. */
    virtual bool chooseFileToSave (juce::File& chosen);

    static constexpr const char* loadTitle = "Open a settings file...";
    static constexpr const char* saveTitle = "Save settings to...";
    static constexpr const char* filePattern = "*.qwv";

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SettingsFileChooser)
};
