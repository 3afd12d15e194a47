#include "EditorTestSupport.h"

using namespace editortest;
using Access = JuceEditorTestAccess;

namespace
{
    struct Editor : ::testing::Test
    {
        void SetUp() override
        {
            // Every test starts with no tooltip key and no marks pending.
            plugin.getSettings()->removeValue (UserSettings::tooltipsKey);
            settle();
        }

        void settle()
        {
            plugin.clearDspChanged();
            plugin.getUiChangedParam();
            plugin.acknowledgeUiChange();
        }

        ValuesPlugin plugin;
    };

    juce::Colour pixel (const juce::Image& image, int x, int y)   { return image.getPixelAt (x, y); }

    bool near (juce::Colour a, juce::Colour b, int tolerance = 3)
    {
        return std::abs (a.getRed() - b.getRed()) <= tolerance
            && std::abs (a.getGreen() - b.getGreen()) <= tolerance
            && std::abs (a.getBlue() - b.getBlue()) <= tolerance;
    }
}

TEST_F (Editor, ConstructionBuildsTheSixButtonsAndShowsTheSettingsAtOnce)
{
    plugin.ditherType = 2;
    plugin.noiseShaping = 3;
    plugin.bitDepth = 1;
    plugin.bypass = true;
    plugin.enaAB = true;

    JuceEditor editor (&plugin);

    EXPECT_EQ (editor.getWidth(), 280);
    EXPECT_EQ (editor.getHeight(), 240);
    ASSERT_EQ (editor.getNumChildComponents(), 6);

    // Children in the order of creation.
    juce::Component* expectedOrder[] = { &Access::bypass (editor), &Access::settings (editor), &Access::ab (editor),
                                         &Access::bitDepth (editor), &Access::noiseShaping (editor),
                                         &Access::ditherType (editor) };
    for (int i = 0; i < 6; ++i)
    {
        EXPECT_EQ (editor.getChildComponent (i), expectedOrder[i]);
        EXPECT_EQ (editor.getChildComponent (i)->getName(), "new button");
        EXPECT_TRUE (editor.getChildComponent (i)->isVisible());
    }

    EXPECT_EQ (Access::ditherType (editor).getButtonText(), "HP TPDF");
    EXPECT_EQ (Access::noiseShaping (editor).getButtonText(), "Curve 3");
    EXPECT_EQ (Access::bitDepth (editor).getButtonText(), "16 bit");
    EXPECT_EQ (Access::ab (editor).getButtonText(), "Set B");
    EXPECT_TRUE (Access::bypass (editor).getToggleState());
    EXPECT_EQ (Access::bypass (editor).getButtonText(), "Bypass");
    EXPECT_EQ (Access::settings (editor).getButtonText(), "Settings");

    EXPECT_TRUE (Access::bypass (editor).getClickingTogglesState());
    EXPECT_TRUE (Access::ab (editor).getClickingTogglesState());
    EXPECT_FALSE (Access::settings (editor).getClickingTogglesState());
    EXPECT_TRUE (Access::settings (editor).getTriggeredOnMouseDown());
    EXPECT_TRUE (Access::ditherType (editor).getTriggeredOnMouseDown());
    EXPECT_TRUE (Access::noiseShaping (editor).getTriggeredOnMouseDown());
    EXPECT_TRUE (Access::bitDepth (editor).getTriggeredOnMouseDown());
    EXPECT_FALSE (Access::bypass (editor).getTriggeredOnMouseDown());
    EXPECT_FALSE (Access::ab (editor).getTriggeredOnMouseDown());

    // The A/B text keeps the look-and-feel's off colour in both states.
    EXPECT_EQ (Access::ab (editor).findColour (juce::TextButton::textColourOnId).getARGB(), 0xfff2f0eeu);
    EXPECT_TRUE (Access::ab (editor).isColourSpecified (juce::TextButton::textColourOnId));
    EXPECT_FALSE (Access::bypass (editor).isColourSpecified (juce::TextButton::textColourOnId));
}

TEST_F (Editor, TooltipsCarryTheirExactTexts)
{
    JuceEditor editor (&plugin);

    EXPECT_EQ (Access::bypass (editor).getTooltip(),
               "The bypass button switches bypass on or off. The bypass is a soft bypass, disabling the plugin, "
               "the volume stage and the monitor setting.");
    EXPECT_EQ (Access::settings (editor).getTooltip(), "The settings button opens the plugin settings menu.");
    EXPECT_TRUE (Access::ab (editor).getTooltip().endsWith ("by pressing the Control key and the set A/B key at the same time."));
    EXPECT_EQ (Access::ditherType (editor).getTooltip(),
               "The dither button selects the dither type: TPDF or HP TPDF. When set to Off, you can still apply noiseshaping.");
    EXPECT_TRUE (Access::noiseShaping (editor).getTooltip().contains ("type.  The difference"));
    EXPECT_EQ (Access::bitDepth (editor).getTooltip(), "The bitdepth button sets the final bit depth: 16 or 20 bit.");
}

TEST_F (Editor, TooltipDelayFollowsThePerUserKey)
{
    {
        JuceEditor editor (&plugin);
        EXPECT_EQ (Access::tooltips (editor).getDelay(), 700);
    }

    const std::pair<const char*, int> cases[] = { { "1", 700 }, { "0", 0x7fffffff }, { "true", 0x7fffffff }, { "", 0x7fffffff } };

    for (auto [value, delay] : cases)
    {
        plugin.getSettings()->setValue (UserSettings::tooltipsKey, value);
        JuceEditor editor (&plugin);
        EXPECT_EQ (Access::tooltips (editor).getDelay(), delay) << "key value '" << value << "'";
    }
}

TEST_F (Editor, TipsSwitchedOffOfferNoTipWhateverTheClock)
{
    juce::Component owner;
    SwitchableTooltipWindow window (owner);
    juce::TooltipWindow plain;
    juce::TextButton button;
    button.setTooltip ("tip");
    owner.addChildComponent (button);

    // On, it answers as the framework's window does; off, it has no tip.
    EXPECT_EQ (window.getTipFor (button), plain.getTipFor (button));
    window.setDelay (SwitchableTooltipWindow::never);
    EXPECT_EQ (window.getDelay(), 0x7fffffff);
    EXPECT_EQ (window.getTipFor (button), "");
    window.setDelay (700);
    EXPECT_EQ (window.getTipFor (button), plain.getTipFor (button));
}

TEST_F (Editor, SwitchesAreOnOnlyStrictlyAboveOneHalf)
{
    JuceEditor editor (&plugin);

    plugin.reported[0] = 0.5f;
    plugin.reported[4] = 0.5f;
    editor.updateFromParameters();
    EXPECT_FALSE (Access::bypass (editor).getToggleState());
    EXPECT_FALSE (Access::ab (editor).getToggleState());
    EXPECT_EQ (Access::ab (editor).getButtonText(), "Set A");

    plugin.reported[0] = std::nextafter (0.5f, 1.0f);
    plugin.reported[4] = std::nextafter (0.5f, 1.0f);
    editor.updateFromParameters();
    EXPECT_TRUE (Access::bypass (editor).getToggleState());
    EXPECT_TRUE (Access::ab (editor).getToggleState());
    EXPECT_EQ (Access::ab (editor).getButtonText(), "Set B");
}

TEST_F (Editor, EveryStepShowsItsTextAndValuesBetweenStepsShowTheNearest)
{
    JuceEditor editor (&plugin);

    struct Case { int parameter; float value; const char* text; };
    const Case cases[] = {
        { 1, 0.0f, "Off" }, { 1, 0.5f, "TPDF" }, { 1, 1.0f, "HP TPDF" },
        { 1, 0.2f, "Off" }, { 1, 0.25f, "TPDF" }, { 1, 0.74f, "TPDF" }, { 1, 0.75f, "HP TPDF" },
        { 2, 0.0f, "Off" }, { 2, 1.0f / 3.0f, "Curve 1" }, { 2, 2.0f / 3.0f, "Curve 2" }, { 2, 1.0f, "Curve 3" },
        { 2, 0.49f, "Curve 1" }, { 2, 0.5f, "Curve 2" },
        { 3, 0.0f, "Off" }, { 3, 0.5f, "16 bit" }, { 3, 1.0f, "20 bit" },
    };

    juce::TextButton* buttons[] = { nullptr, &Access::ditherType (editor), &Access::noiseShaping (editor), &Access::bitDepth (editor) };

    for (const auto& c : cases)
    {
        plugin.reported[c.parameter] = c.value;
        editor.updateFromParameters();
        EXPECT_EQ (buttons[c.parameter]->getButtonText(), c.text) << "parameter " << c.parameter << " at " << c.value;
    }
}

TEST_F (Editor, AValueOutsideTheTableKeepsTheText)
{
    JuceEditor editor (&plugin);

    plugin.ditherType = 2;
    plugin.noiseShaping = 1;
    plugin.bitDepth = 2;
    editor.updateFromParameters();

    // Fields outside their steps, as a host value above 1 leaves them.
    plugin.ditherType = 3;     // reports 1.5: step 3
    plugin.noiseShaping = -2;  // reports -0.67: step -1
    plugin.bitDepth = 7;
    editor.updateFromParameters();

    EXPECT_EQ (Access::ditherType (editor).getButtonText(), "HP TPDF");
    EXPECT_EQ (Access::noiseShaping (editor).getButtonText(), "Curve 1");
    EXPECT_EQ (Access::bitDepth (editor).getButtonText(), "20 bit");

    // A value that does not fit an int at all is outside the table too.
    plugin.reported[1] = std::numeric_limits<float>::infinity();
    plugin.reported[2] = std::numeric_limits<float>::quiet_NaN();
    editor.updateFromParameters();
    EXPECT_EQ (Access::ditherType (editor).getButtonText(), "HP TPDF");
}

TEST_F (Editor, ARefreshNeverWritesAParameter)
{
    EditRecorder recorder;
    plugin.addListener (&recorder);

    {
        JuceEditor editor (&plugin);
        plugin.setParameter (0, 1.0f);
        plugin.setParameter (4, 1.0f);
        pump (120);
        EXPECT_TRUE (Access::bypass (editor).getToggleState());
        EXPECT_EQ (Access::ab (editor).getButtonText(), "Set B");
    }

    plugin.removeListener (&recorder);
    EXPECT_TRUE (recorder.edits.empty());
}

TEST_F (Editor, RefreshesOnEveryTickUntilTheEngineTookItsMarkThenStops)
{
    // The engine's timer is held so that the test decides when it takes its mark.
    plugin.getAlgo().stopTimer();
    JuceEditor editor (&plugin);

    plugin.setParameter (2, 1.0f / 3.0f);
    pump (60);
    EXPECT_EQ (Access::noiseShaping (editor).getButtonText(), "Curve 1");

    // While the engine's mark is pending, each tick reads the parameters again:
    // a field changed without any mark still shows.
    plugin.noiseShaping = 2;
    pump (60);
    EXPECT_EQ (Access::noiseShaping (editor).getButtonText(), "Curve 2");
    EXPECT_NE (plugin.getUiChangedParam(), -1);

    // Once the engine's mark is taken, the next tick clears the editor's and
    // later ticks touch nothing.
    plugin.clearDspChanged();
    pump (60);
    EXPECT_EQ (plugin.getUiChangedParam(), -1);

    plugin.noiseShaping = 3;
    pump (100);
    EXPECT_EQ (Access::noiseShaping (editor).getButtonText(), "Curve 2");

    // A new mark is picked up again, also marker 0 (bypass, as a host's
    // automation leaves it).
    plugin.markUiChanged (0);
    pump (60);
    EXPECT_EQ (Access::noiseShaping (editor).getButtonText(), "Curve 3");
}

TEST_F (Editor, WithTheEngineRunningTheMarkerProtocolEndsWithBothMarkersClear)
{
    JuceEditor editor (&plugin);

    plugin.setParameter (1, 1.0f);
    ASSERT_TRUE (pumpUntil ([&] { return plugin.getDspChangedParam() == -1 && plugin.getUiChangedParam() == -1; }, 2000));
    EXPECT_EQ (Access::ditherType (editor).getButtonText(), "HP TPDF");
}

TEST_F (Editor, ButtonsStandInOneColumnAtFourTenthsOfTheWidth)
{
    JuceEditor editor (&plugin);

    const std::pair<juce::TextButton*, int> rows[] = {
        { &Access::ab (editor), 49 }, { &Access::bypass (editor), 76 }, { &Access::settings (editor), 103 },
        { &Access::ditherType (editor), 130 }, { &Access::noiseShaping (editor), 157 }, { &Access::bitDepth (editor), 184 },
    };

    for (auto [button, y] : rows)
        EXPECT_EQ (button->getBounds(), juce::Rectangle<int> (112, y, 60, 18)) << button->getButtonText();

    editor.setSize (281, 240);
    EXPECT_EQ (Access::ab (editor).getX(), 112);

    editor.setSize (300, 240);
    EXPECT_EQ (Access::ab (editor).getX(), 120);
}

TEST_F (Editor, PaintsTheGradientAndTheEmbossedTitle)
{
    JuceEditor editor (&plugin);
    const auto image = editor.createComponentSnapshot (editor.getLocalBounds(), true, 1.0f);

    // Top and bottom of the gradient, away from title and buttons.
    EXPECT_TRUE (near (pixel (image, 5, 1), juce::Colour (0xfff6f3f2)));
    EXPECT_TRUE (near (pixel (image, 5, 239), juce::Colour (0xfff1f0f2)));

    // The title: dark grey ink centred in the top band, with white beside it.
    juce::Rectangle<int> ink;
    int darkest = 255, white = 0;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 280; ++x)
        {
            const auto c = pixel (image, x, y);
            darkest = std::min (darkest, (int) c.getRed());
            if (c.getBrightness() < 0.75f) ink = ink.isEmpty() ? juce::Rectangle<int> (x, y, 1, 1) : ink.getUnion ({ x, y, 1, 1 });
            if (near (c, juce::Colours::white, 1)) ++white;
        }

    ASSERT_FALSE (ink.isEmpty());
    EXPECT_NEAR (ink.getCentreX(), 140, 3);
    EXPECT_LT (ink.getY(), 8);
    EXPECT_LE (ink.getBottom(), 24);
    EXPECT_NEAR (darkest, 0x40, 12);
    EXPECT_GT (white, 10);

    // A button at rest is blue; bypass switched on is red.
    EXPECT_GT (pixel (image, 115, 80).getBlue(), 200);
    plugin.setParameter (0, 1.0f);
    editor.updateFromParameters();
    const auto on = editor.createComponentSnapshot (editor.getLocalBounds(), true, 1.0f);
    EXPECT_GT (pixel (on, 115, 80).getRed(), 150);
    EXPECT_LT (pixel (on, 115, 80).getBlue(), 100);
}

TEST_F (Editor, TheProcessorHandsOutTheEditor)
{
    EXPECT_TRUE (plugin.hasEditor());
    std::unique_ptr<juce::AudioProcessorEditor> editor (plugin.createEditor());
    ASSERT_NE (dynamic_cast<JuceEditor*> (editor.get()), nullptr);
    EXPECT_EQ (editor->getAudioProcessor(), &plugin);
}
