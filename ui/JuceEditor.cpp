#include "JuceEditor.h"

#include "processor/JucePlugin.h"
#include "processor/ParameterMapping.h"
#include "processor/UserSettings.h"
#include "platform/registry/SystemRegistry.h"
#include "ui/AboutDialog.h"
#include "ui/DocumentLauncher.h"
#include "ui/WindowStacking.h"

namespace
{
    const char* const productName = "Vantrel Dither";
    const char* const buttonName = "new button";

    constexpr int buttonWidth = 60;
    constexpr int buttonHeight = 18;

    enum ParameterIndex
    {
        bypassParameter = 0,
        ditherTypeParameter = 1,
        noiseShapingParameter = 2,
        bitDepthParameter = 3,
        abParameter = 4
    };

    // The value texts by step; the menus list the same texts.
    const juce::StringArray& ditherTypeTexts()    { static const juce::StringArray t { "Off", "TPDF", "HP TPDF" }; return t; }
    const juce::StringArray& noiseShapingTexts()  { static const juce::StringArray t { "Off", "Curve 1", "Curve 2", "Curve 3" }; return t; }
    const juce::StringArray& bitDepthTexts()      { static const juce::StringArray t { "Off", "16 bit", "20 bit" }; return t; }

    // A value text by step; an index outside the table leaves the text alone.
    void showStep (juce::Button& button, int step, const juce::StringArray& texts)
    {
        if (juce::isPositiveAndBelow (step, texts.size()))
            button.setButtonText (texts[step]);
    }

    // The normalised value of a menu item: its step over the number of steps,
    // in single precision (1/3 and 2/3 are 0.33333334 and 0.6666667).
    float stepValue (int step, int steps)
    {
        return (float) step / (float) steps;
    }
}

JuceEditor::JuceEditor (JucePlugin* owner)
    : juce::AudioProcessorEditor (owner),
      tooltipWindow (*this, SwitchableTooltipWindow::defaultDelay)
{
    auto makeButton = [this] (std::unique_ptr<juce::TextButton>& button, const char* text)
    {
        button = std::make_unique<juce::TextButton> (buttonName);
        addAndMakeVisible (button.get());
        button->setButtonText (text);
        button->addListener (this);
    };

    makeButton (bypassButton, "Bypass");
    makeButton (settingsButton, "Settings");
    makeButton (abButton, "Set A");
    makeButton (bitDepthButton, "Bitdepth");
    makeButton (noiseShapingButton, "NoiseShaping");
    makeButton (ditherTypeButton, "DitherType");

    tooltipWindow.setDelay (plugin().getSettings()->tooltipsOn() ? SwitchableTooltipWindow::defaultDelay
                                                                 : SwitchableTooltipWindow::never);

    bypassButton->setTooltip ("The bypass button switches bypass on or off. The bypass is a soft bypass, "
                              "disabling the plugin, the volume stage and the monitor setting.");
    settingsButton->setTooltip ("The settings button opens the plugin settings menu.");
    abButton->setTooltip ("The set A/B button switches between settings A and B for comparison. All adjustments "
                          "are automatically saved to the current set. Copying from one set to another is possible "
                          "by pressing the Control key and the set A/B key at the same time.");
    ditherTypeButton->setTooltip ("The dither button selects the dither type: TPDF or HP TPDF. "
                                  "When set to Off, you can still apply noiseshaping.");
    noiseShapingButton->setTooltip ("The noiseshaping button selects the noiseshaping type.  "
                                    "The difference between the curves is subjective and should be set by taste.");
    bitDepthButton->setTooltip ("The bitdepth button sets the final bit depth: 16 or 20 bit.");

    bypassButton->setClickingTogglesState (true);
    abButton->setClickingTogglesState (true);

    // The A/B button's text keeps one colour for both sets.
    abButton->setColour (juce::TextButton::textColourOnId, abButton->findColour (juce::TextButton::textColourOffId, false));

    // The menus open on the press of the mouse button.
    settingsButton->setTriggeredOnMouseDown (true);
    ditherTypeButton->setTriggeredOnMouseDown (true);
    noiseShapingButton->setTriggeredOnMouseDown (true);
    bitDepthButton->setTriggeredOnMouseDown (true);

    setSize (280, 240);

    updateFromParameters();
    startTimer (20);
}

JuceEditor::~JuceEditor()
{
    // What this editor opened goes with it and chooses nothing.
    if (auto* menu = openMenu.getComponent())
    {
        // As the menu does itself on a dismissal: it leaves the modal state
        // with no choice and hides; the framework deletes it afterwards.
        menu->exitModalState (0);
        menu->setVisible (false);
    }

    delete aboutWindow.getComponent();
    plugin().cancelSettingsFileDialog();

    bypassButton.reset();
    settingsButton.reset();
    abButton.reset();
    bitDepthButton.reset();
    noiseShapingButton.reset();
    ditherTypeButton.reset();
}

JucePlugin& JuceEditor::plugin()
{
    return *static_cast<JucePlugin*> (getAudioProcessor());
}

//==============================================================================
void JuceEditor::paint (juce::Graphics& g)
{
    const auto w = getWidth();
    const auto h = getHeight();

    g.fillAll (juce::Colours::white);

    g.setGradientFill (juce::ColourGradient (juce::Colour (0xfff6f3f2), 0.0f, 0.0f,
                                             juce::Colour (0xfff1f0f2), 0.0f, (float) h, false));
    g.fillRect (0.0f, 0.0f, (float) w, (float) h);

    juce::Font font (16.0f, juce::Font::plain);
    font.setTypefaceName ("Source Sans Pro");
    g.setFont (font);

    // An embossed title: a white copy one pixel down and right behind it.
    g.setColour (juce::Colours::white);
    g.drawFittedText (productName, 1, 1, w, 24, juce::Justification::centredTop, 2, 0.0f);

    g.setColour (findColour (juce::Label::textColourId, false));
    g.drawFittedText (productName, 0, 0, w, 24, juce::Justification::centredTop, 2, 0.0f);
}

void JuceEditor::resized()
{
    const auto x = proportionOfWidth (0.4f);

    abButton->setBounds (x, 49, buttonWidth, buttonHeight);
    bypassButton->setBounds (x, 76, buttonWidth, buttonHeight);
    settingsButton->setBounds (x, 103, buttonWidth, buttonHeight);
    ditherTypeButton->setBounds (x, 130, buttonWidth, buttonHeight);
    noiseShapingButton->setBounds (x, 157, buttonWidth, buttonHeight);
    bitDepthButton->setBounds (x, 184, buttonWidth, buttonHeight);
}

//==============================================================================
void JuceEditor::updateFromParameters()
{
    auto& p = plugin();

    const auto ditherStep = ParameterMapping::nearestStep (p.getParameter (ditherTypeParameter), 2);
    const auto shapingStep = ParameterMapping::nearestStep (p.getParameter (noiseShapingParameter), 3);
    const auto depthStep = ParameterMapping::nearestStep (p.getParameter (bitDepthParameter), 2);

    bypassButton->setToggleState (ParameterMapping::isOn (p.getParameter (bypassParameter)), juce::dontSendNotification);
    abButton->setToggleState (ParameterMapping::isOn (p.getParameter (abParameter)), juce::dontSendNotification);

    abButton->setButtonText (abButton->getToggleState() ? "Set B" : "Set A");

    showStep (*ditherTypeButton, ditherStep, ditherTypeTexts());
    showStep (*noiseShapingButton, shapingStep, noiseShapingTexts());
    showStep (*bitDepthButton, depthStep, bitDepthTexts());
}

void JuceEditor::timerCallback()
{
    auto& p = plugin();

    // The marker stays set until the engine has taken its own, so a change is
    // refreshed on every tick until then.
    if (p.getUiChangedParam() > -1)
    {
        updateFromParameters();
        p.acknowledgeUiChange();
    }
}

//==============================================================================
void JuceEditor::buttonClicked (juce::Button* button)
{
    if (button == bypassButton.get())
    {
        editParameter (bypassParameter, bypassButton->getToggleState() ? 1.0f : 0.0f);
    }
    else if (button == settingsButton.get())
    {
        showSettingsMenu();
    }
    else if (button == abButton.get())
    {
        if (juce::ModifierKeys::getCurrentModifiers().isCtrlDown())
            copyToBothSets();
        else
            switchSets();
    }
    else if (button == bitDepthButton.get())
    {
        showValueMenu (*bitDepthButton, bitDepthParameter, 2, bitDepthTexts());
    }
    else if (button == noiseShapingButton.get())
    {
        showValueMenu (*noiseShapingButton, noiseShapingParameter, 3, noiseShapingTexts());
    }
    else if (button == ditherTypeButton.get())
    {
        showValueMenu (*ditherTypeButton, ditherTypeParameter, 2, ditherTypeTexts());
    }
}

void JuceEditor::editParameter (int index, float value)
{
    // The framework's index-based gesture calls reach the host's wrapper as
    // beginEdit and endEdit around the edit.
    auto& p = plugin();
    p.beginParameterChangeGesture (index);
    p.setParameterNotifyingHost (index, value);
    p.endParameterChangeGesture (index);
}

void JuceEditor::showMenu (juce::PopupMenu& menu, juce::Button& button, std::function<void (int)> handleChoice)
{
    juce::Component::SafePointer<JuceEditor> editor (this);

    // Where showAt (&button) puts it: attached to the button; no item that
    // must be visible, no minimum width, no column limit and the standard
    // item height are the options' defaults.
    menu.showMenuAsync (juce::PopupMenu::Options().withTargetComponent (&button),
                        [editor, handleChoice = std::move (handleChoice)] (int chosen)
                        {
                            if (editor != nullptr && chosen != 0)
                                handleChoice (chosen);
                        });

    // showMenuAsync has just made the menu's window the modal component.
    openMenu = juce::Component::getCurrentlyModalComponent();
}

void JuceEditor::switchSets()
{
    auto& p = plugin();

    editParameter (abParameter, abButton->getToggleState() ? 1.0f : 0.0f);

    // The settings being left go into the store named after the set now shown,
    // and the other store's values become live. Each parameter is read before
    // it is overwritten; element 4 takes the flag just set and is never applied.
    const bool setBShown = abButton->getToggleState();
    auto& saveTo = setBShown ? p.bBuf : p.aBuf;
    auto& takeFrom = setBShown ? p.aBuf : p.bBuf;

    for (int i = 0; i < 5; ++i)
        saveTo[i].store (p.getParameter (i));

    for (int i = 0; i < 4; ++i)
        editParameter (i, takeFrom[i].load());
}

void JuceEditor::copyToBothSets()
{
    auto& p = plugin();

    // The copy changes the stores, which the state chunk holds, and no
    // parameter: the host hears of it as a state change of the plug-in.
    p.changeStateOutsideParameters ([&p]
    {
        for (int i = 0; i < 5; ++i)
        {
            const auto value = p.getParameter (i);
            p.aBuf[i].store (value);
            p.bBuf[i].store (value);
        }
    });

    // The click toggled the button; a copy does not change the set shown.
    abButton->setToggleState (! abButton->getToggleState(), juce::dontSendNotification);
}

void JuceEditor::showValueMenu (juce::Button& button, int parameterIndex, int steps, const juce::StringArray& texts)
{
    auto& p = plugin();
    const auto current = ParameterMapping::nearestStep (p.getParameter (parameterIndex), steps);

    juce::PopupMenu menu;

    for (int step = 0; step < texts.size(); ++step)
        menu.addItem (step + 1, texts[step], true, step == current);

    showMenu (menu, button, [this, parameterIndex, steps] (int chosen)
    {
        editParameter (parameterIndex, stepValue (chosen - 1, steps));
    });
}

void JuceEditor::showSettingsMenu()
{
    auto* settings = plugin().getSettings();

    enum { load = 1, save, saveAsDefaultItem, help, about, showTooltips };

    juce::PopupMenu menu;
    menu.addItem (load, "Load");
    menu.addItem (save, "Save");
    menu.addSeparator();
    menu.addItem (saveAsDefaultItem, "Save as Default");
    menu.addSeparator();
    menu.addItem (help, "Help");
    menu.addItem (about, "About");
    menu.addSeparator();
    menu.addItem (showTooltips, "Show tooltips", true, settings->tooltipsOn());

    showMenu (menu, *settingsButton, [this] (int chosen)
    {
        switch (chosen)
        {
            case load:               plugin().loadSettingsFile(); adoptDialog(); break;
            case save:               plugin().saveSettingsFile(); adoptDialog(); break;
            case saveAsDefaultItem:  saveAsDefault(); break;
            case help:               openHelpFile(); break;
            case about:              showAboutBox(); break;
            case showTooltips:       switchTooltips(); break;
            default:                 break;
        }
    });
}

void JuceEditor::saveAsDefault()
{
    auto& p = plugin();

    // The live fields, not the stores; bypass and the A/B flag are not defaults.
    p.getSettings()->storeDefaults (p.ditherType.load(), p.noiseShaping.load(), p.bitDepth.load());

    juce::AlertWindow::showMessageBoxAsync (juce::AlertWindow::InfoIcon, productName,
                                            "Dither settings have been saved as default.", "OK");
    adoptDialog();
}

juce::String JuceEditor::helpFileRegistryPath()
{
    return juce::String ("HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantrel") + "\\" + productName + " 64bit\\Help_file";
}

juce::String JuceEditor::helpFileMissingMessage (const juce::String& fileName)
{
    return "Help file " + fileName + " not found. Please re-install the software.";
}

void JuceEditor::openHelpFile()
{
    const auto path = SystemRegistry::getValue (helpFileRegistryPath(), {});

    // An empty path names no file, and then no file exists.
    const auto file = path.isNotEmpty() ? juce::File (path) : juce::File();

    // An opener that cannot be started is reported as a missing file is.
    if (path.isNotEmpty() && file.exists() && DocumentLauncher::open (path))
        return;

    juce::AlertWindow::showMessageBoxAsync (juce::AlertWindow::WarningIcon, "Error!",
                                            helpFileMissingMessage (file.getFileName()), "OK");
    adoptDialog();
}

void JuceEditor::showAboutBox()
{
    // The options of showModalDialog, except that the dialog window owns the
    // box: it deletes both when it is closed, and the editor deletes it if it
    // is still open when the editor goes.
    juce::DialogWindow::LaunchOptions options;
    options.dialogTitle = "About";
    options.content.setOwned (new AboutDialog());
    options.componentToCentreAround = this;
    options.dialogBackgroundColour = juce::Colour (0xfff0f0f0);
    options.escapeKeyTriggersCloseButton = true;
    options.useNativeTitleBar = false;
    options.resizable = false;
    options.useBottomRightCornerResizer = false;

    // What launchAsync does, with the window kept above the editor's from
    // before it is shown.
    auto* window = options.create();
    WindowStacking::keepAbove (*window, *this);
    tooltipWindow.addDialog (*window);
    window->enterModalState (true, nullptr, true);
    aboutWindow = window;
}

void JuceEditor::adoptDialog()
{
    // A message box or the framework's own file dialog has just entered the
    // modal state (the settings file chooser keeps the latter above already).
    // A native file dialog is another process's window: then there is none.
    if (auto* dialog = juce::Component::getCurrentlyModalComponent())
    {
        WindowStacking::keepAbove (*dialog, *this);
        tooltipWindow.addDialog (*dialog);
    }
}

void JuceEditor::switchTooltips()
{
    const bool on = plugin().getSettings()->switchTooltips();
    tooltipWindow.setDelay (on ? SwitchableTooltipWindow::defaultDelay : SwitchableTooltipWindow::never);
}
