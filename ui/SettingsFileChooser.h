#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <memory>

/**
    The dialogs in which the user picks a settings file to load or a file to
    save the settings to: the platform's native file dialogs, with the pattern
    "*.qwv" and no initial file or folder.

    A dialog is shown asynchronously: the call returns at once and the choice
    arrives in the callback when the dialog closes, so that the host's own
    event loop keeps running meanwhile. The open dialog belongs to this
    object: destroying it, or cancelling, closes the dialog and the callback
    never runs. A native dialog's process that is closed so is reaped, by
    its own id, so that the host keeps no zombie of it.

    The processor asks this object for the file and does the reading and
    writing itself; tests give the processor a chooser that answers without a
    window.
*/
class SettingsFileChooser
{
public:
    /** Receives the chosen file, or an empty juce::File when the user cancelled. */
    using Callback = std::function<void (const juce::File& chosen)>;

    SettingsFileChooser() = default;
    virtual ~SettingsFileChooser();

    /** Shows the open dialog. */
    virtual void chooseFileToLoad (Callback onChosen);

    /** Shows the save dialog, which warns before an existing file is
        overwritten. */
    virtual void chooseFileToSave (Callback onChosen);

    /** Closes a dialog that is still open; its callback does not run. */
    virtual void cancel();

    /** The component (the editor) above whose window the dialogs that
        follow are kept while they are open; null for none. */
    void setDialogOwner (juce::Component* owner);

    static constexpr const char* loadTitle = "Open a settings file...";
    static constexpr const char* saveTitle = "Save settings to...";
    static constexpr const char* filePattern = "*.qwv";

private:
    void launch (const char* title, int flags, Callback onChosen);
    void closeDialog();
    void reapDialogProcess();

    std::unique_ptr<juce::FileChooser> dialog;
    juce::Component::SafePointer<juce::Component> dialogOwner;

    // The native dialog's process while the framework has not reaped it; 0
    // for none (no dialog, the framework's own dialog, or not known).
    int dialogProcess = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SettingsFileChooser)
};
