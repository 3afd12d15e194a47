#include "SettingsFileChooser.h"

void SettingsFileChooser::chooseFileToLoad (Callback onChosen)
{
    launch (loadTitle, juce::FileBrowserComponent::openMode | juce::FileBrowserComponent::canSelectFiles,
            std::move (onChosen));
}

void SettingsFileChooser::chooseFileToSave (Callback onChosen)
{
    launch (saveTitle, juce::FileBrowserComponent::saveMode | juce::FileBrowserComponent::canSelectFiles
                           | juce::FileBrowserComponent::warnAboutOverwriting,
            std::move (onChosen));
}

void SettingsFileChooser::cancel()
{
    // The framework's chooser closes its dialog and drops the callback when
    // it is destroyed.
    dialog.reset();
}

void SettingsFileChooser::launch (const char* title, int flags, Callback onChosen)
{
    // A dialog still open is replaced and reports nothing.
    dialog = std::make_unique<juce::FileChooser> (title, juce::File(), filePattern, true);

    dialog->launchAsync (flags, [onChosen = std::move (onChosen)] (const juce::FileChooser& chooser)
    {
        // No result when the user cancelled: getResult gives an empty file.
        onChosen (chooser.getResult());
    });
}
