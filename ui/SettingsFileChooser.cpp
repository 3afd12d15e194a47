#include "SettingsFileChooser.h"

bool SettingsFileChooser::chooseFileToLoad (juce::File& chosen)
{
    juce::FileChooser chooser (loadTitle, juce::File(), filePattern, true);

    if (! chooser.browseForFileToOpen())
        return false;

    chosen = chooser.getResult();
    return true;
}

bool SettingsFileChooser::chooseFileToSave (juce::File& chosen)
{
    juce::FileChooser chooser (saveTitle, juce::File(), filePattern, true);

    if (! chooser.browseForFileToSave (true))
        return false;

    chosen = chooser.getResult();
    return true;
}
