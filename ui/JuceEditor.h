#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <functional>
#include <memory>

#include "ui/SwitchableTooltipWindow.h"

class JucePlugin;

/**
    The plug-in's editor: a fixed 280 x 240 component with the title and one
    column of six text buttons (A/B set, bypass, settings menu, dither type,
    noise shaping, bit depth).

    It keeps no setting of its own: a 20 ms timer watches the processor's
    editor marker and, while a change is pending, reads every button's state
    and text back from the processor's parameters. Clicks and menu choices set
    parameters through the framework's notify-the-host call, each inside a
    change gesture, so the host sees them as edits; the refresh that follows
    updates the buttons.

    Menus, the about box and the file dialogs are shown asynchronously: a
    nested modal loop would run only this module's event dispatch and stop the
    host's event loop (its window, meters and timers) on Linux until it ends.
    A choice is handled when the menu closes; closing the editor closes what
    it opened, and a choice made after that does nothing. The about box and
    the message boxes are kept above the window that holds the editor.
*/
class JuceEditor : public juce::AudioProcessorEditor,
                   public juce::Timer,
                   public juce::Button::Listener
{
public:
    explicit JuceEditor (JucePlugin* owner);
    ~JuceEditor() override;

    void paint (juce::Graphics& g) override;
    void resized() override;
    void timerCallback() override;
    void buttonClicked (juce::Button* button) override;

    /** Sets both toggle states and the three value texts from the parameters;
        never writes a parameter. */
    void updateFromParameters();

    /** The registry value that holds the help file's path. */
    static juce::String helpFileRegistryPath();

    /** The warning text for a help file that is not there. */
    static juce::String helpFileMissingMessage (const juce::String& fileName);

private:
    friend struct JuceEditorTestAccess;

    JucePlugin& plugin();

    /** Sets the parameter as one gesture of the host's: begin, value, end. */
    void editParameter (int index, float value);

    /** Shows the menu attached to the button; the handler gets the chosen id
        (never 0) if the editor still exists when the menu closes. */
    void showMenu (juce::PopupMenu& menu, juce::Button& button, std::function<void (int)> handleChoice);

    void switchSets();
    void copyToBothSets();
    void showValueMenu (juce::Button& button, int parameterIndex, int steps, const juce::StringArray& texts);
    void showSettingsMenu();
    void saveAsDefault();
    void openHelpFile();
    void showAboutBox();
    /** The dialog this editor has just opened (the modal component on top,
        if any) is kept above the editor's window, and its tips come from
        the editor's tooltip window. */
    void adoptDialog();
    void switchTooltips();

    SwitchableTooltipWindow tooltipWindow;
    std::unique_ptr<juce::TextButton> bypassButton;
    std::unique_ptr<juce::TextButton> settingsButton;
    std::unique_ptr<juce::TextButton> abButton;
    std::unique_ptr<juce::TextButton> bitDepthButton;
    std::unique_ptr<juce::TextButton> noiseShapingButton;
    std::unique_ptr<juce::TextButton> ditherTypeButton;

    // The menu and the about box while they are open; they close with the editor.
    juce::Component::SafePointer<juce::Component> openMenu;
    juce::Component::SafePointer<juce::DialogWindow> aboutWindow;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (JuceEditor)
};
