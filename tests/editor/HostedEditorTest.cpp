// The built bundle as a host runs it: the plug-in's own editor in a window
// of the host, clicked and typed at through the X server, with the edits the
// host hears and the audio it gets back.
#include "WindowTestSupport.h"

#include "PluginHost.h"

#include <cmath>
#include <random>

using namespace windowtest;

namespace
{
    constexpr double sampleRate = 48000.0;
    constexpr int blockSize = 512;

    // Where the plug-in lays out its buttons inside its 280 x 240 view.
    enum Row { abRow = 49, bypassRow = 76, settingsRow = 103, ditherRow = 130, shapingRow = 157, depthRow = 184 };

    /** Records the parameter changes that the host receives from the plug-in. */
    struct HostEdits : juce::AudioProcessorParameter::Listener
    {
        void parameterValueChanged (int index, float value) override   { edits.push_back ({ index, value }); }
        void parameterGestureChanged (int, bool) override {}

        std::vector<std::pair<int, float>> edits;
    };

    juce::AudioBuffer<float> noise (float amplitude, uint32_t seed)
    {
        juce::AudioBuffer<float> buffer (2, blockSize);
        std::mt19937 gen (seed);
        std::uniform_real_distribution<float> dist (-amplitude, amplitude);

        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < blockSize; ++i)
                buffer.setSample (c, i, dist (gen));

        return buffer;
    }

    /** The share of samples that lie on the grid of the given bit depth. */
    double onGrid (const juce::AudioBuffer<float>& buffer, int bits)
    {
        const double scale = std::ldexp (1.0, bits - 1);
        int on = 0;

        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < buffer.getNumSamples(); ++i)
            {
                const double v = (double) buffer.getSample (c, i) * scale;
                on += v == std::floor (v) ? 1 : 0;
            }

        return on / (2.0 * buffer.getNumSamples());
    }

    bool sameBits (const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
    {
        for (int c = 0; c < 2; ++c)
            if (std::memcmp (a.getReadPointer (c), b.getReadPointer (c), sizeof (float) * (size_t) blockSize) != 0)
                return false;

        return true;
    }

    struct HostedEditor : ::testing::Test
    {
        void SetUp() override
        {
            if (! haveDisplay())
                return;

            juce::String error;
            instance = PluginHost::load (PluginHost::bundle(), sampleRate, blockSize, error);
            ASSERT_NE (instance, nullptr) << error;
            instance->prepareToPlay (sampleRate, blockSize);

            for (auto* parameter : instance->getParameters())
                parameter->addListener (&host);

            editor.reset (instance->createEditorIfNeeded());
            ASSERT_NE (editor, nullptr);
            window = std::make_unique<TestWindow> ("Host", *editor, juce::Point<int> (240, 160));
            ASSERT_TRUE (window->waitUntilShown());

            // The plug-in's view is a window of its own inside the host's:
            // give it time to appear and paint.
            pump (800);
        }

        void TearDown() override
        {
            if (instance == nullptr)
                return;

            window.reset();
            editor.reset();

            for (auto* parameter : instance->getParameters())
                parameter->removeListener (&host);

            instance->releaseResources();
            instance.reset();
        }

        juce::Rectangle<int> view() const   { return editor->getScreenBounds(); }

        juce::Point<int> buttonCentre (int row) const   { return view().getPosition() + juce::Point<int> (112 + 30, row + 9); }

        /** Runs the xdotool script and gives the plug-in's timers time to
            follow; screenshots of the view before and after. */
        void step (const juce::String& name, const juce::String& actions)
        {
            ASSERT_TRUE (runScript (screenshotCommand (view(), "hosted-" + name + "-before") + actions
                                    + "sleep 0.3; " + screenshotCommand (view(), "hosted-" + name + "-after")));
            pump (300);
        }

        /** Opens the menu of the button in the row, photographs it open and
            picks the item by pressing Down as often as given, then Return. */
        void choose (const juce::String& name, int row, int downs)
        {
            juce::String keys ("xdotool");
            for (int i = 0; i < downs; ++i)
                keys << " key Down";

            step (name, clickCommand (buttonCentre (row)) + "sleep 0.6; "
                        + screenshotCommand (view().withSize (400, 340), "hosted-" + name + "-menu")
                        + keys + " key Return; ");
        }

        float hostValue (int index)   { return instance->getParameters()[index]->getValue(); }

        juce::AudioBuffer<float> process (juce::AudioBuffer<float> buffer)
        {
            juce::MidiBuffer midi;
            instance->processBlock (buffer, midi);
            return buffer;
        }

        std::unique_ptr<juce::AudioPluginInstance> instance;
        std::unique_ptr<juce::AudioProcessorEditor> editor;
        std::unique_ptr<TestWindow> window;
        HostEdits host;
    };

    juce::Image load (const juce::String& name)
    {
        return juce::ImageFileFormat::loadFrom (artifactsFolder().getChildFile (name + ".png"));
    }

    bool isBlueButton (juce::Colour c)   { return c.getBlue() > 200 && c.getRed() < 150; }
    bool isRedButton (juce::Colour c)    { return c.getRed() > 170 && c.getBlue() < 110 && c.getGreen() < 110; }
}

TEST_F (HostedEditor, TheViewLooksAsDesigned)
{
    VANTREL_REQUIRE_DISPLAY();

    EXPECT_EQ (editor->getWidth(), 280);
    EXPECT_EQ (editor->getHeight(), 240);

    const auto shot = screenshot (view(), "hosted-editor");
    ASSERT_TRUE (shot.isValid());
    ASSERT_EQ (shot.getWidth(), 280);
    ASSERT_EQ (shot.getHeight(), 240);

    // The gradient at the top and bottom corners.
    EXPECT_TRUE (near (shot.getPixelAt (3, 1), juce::Colour (0xfff6f3f2), 3));
    EXPECT_TRUE (near (shot.getPixelAt (3, 238), juce::Colour (0xfff1f0f2), 3));

    // The dark grey title centred in the top band.
    const auto titleInk = countWhere (shot, { 0, 0, 280, 24 }, [] (juce::Colour c) { return c.getBrightness() < 0.5f; });
    const auto leftInk = countWhere (shot, { 0, 0, 90, 24 }, [] (juce::Colour c) { return c.getBrightness() < 0.5f; });
    const auto rightInk = countWhere (shot, { 190, 0, 90, 24 }, [] (juce::Colour c) { return c.getBrightness() < 0.5f; });
    EXPECT_GT (titleInk, 60);
    EXPECT_EQ (leftInk, 0);
    EXPECT_EQ (rightInk, 0);

    // Six blue buttons in one column at x 112, none red, nothing beside them.
    for (int row : { abRow, bypassRow, settingsRow, ditherRow, shapingRow, depthRow })
    {
        EXPECT_GT (countWhere (shot, { 112, row, 60, 18 }, isBlueButton), 500) << row;
        EXPECT_EQ (countWhere (shot, { 112, row, 60, 18 }, isRedButton), 0) << row;
    }

    EXPECT_EQ (countWhere (shot, { 0, 30, 100, 200 }, isBlueButton), 0);
    EXPECT_EQ (countWhere (shot, { 180, 30, 100, 200 }, isBlueButton), 0);
}

TEST_F (HostedEditor, ClicksAndMenuChoicesReachTheHostAndTheAudio)
{
    VANTREL_REQUIRE_DISPLAY();

    const auto input = noise (0.3f, 7);
    auto out = process (input);
    EXPECT_GT (onGrid (out, 24), 0.99);    // everything off: the 24-bit truncation
    EXPECT_LT (onGrid (out, 16), 0.1);

    // Bypass: one edit, and the audio passes untouched.
    step ("bypass", clickCommand (buttonCentre (bypassRow)));
    const std::vector<std::pair<int, float>> bypassOn { { 0, 1.0f } };
    EXPECT_EQ (host.edits, bypassOn);
    EXPECT_EQ (hostValue (0), 1.0f);
    EXPECT_TRUE (sameBits (process (input), input));
    EXPECT_GT (countWhere (load ("hosted-bypass-after"), { 112, bypassRow, 60, 18 }, isRedButton), 300);
    EXPECT_EQ (countWhere (load ("hosted-bypass-before"), { 112, bypassRow, 60, 18 }, isRedButton), 0);

    step ("bypass-off", clickCommand (buttonCentre (bypassRow)));
    EXPECT_EQ (hostValue (0), 0.0f);

    // Bit depth "16 bit", then dither "TPDF", through their menus and the keyboard.
    host.edits.clear();
    choose ("bit-depth", depthRow, 2);
    choose ("dither", ditherRow, 2);
    const std::vector<std::pair<int, float>> menuEdits { { 3, 0.5f }, { 1, 0.5f } };
    EXPECT_EQ (host.edits, menuEdits);
    EXPECT_EQ (hostValue (3), 0.5f);
    EXPECT_EQ (hostValue (1), 0.5f);

    out = process (input);
    EXPECT_EQ (onGrid (out, 16), 1.0);
    juce::AudioBuffer<float> silence (2, blockSize);
    silence.clear();
    const auto dithered = process (silence);
    EXPECT_GT (dithered.getMagnitude (0, blockSize), 0.0f);       // the dither noise
    EXPECT_LE (dithered.getMagnitude (0, blockSize), 3.0f / 32768.0f);

    // A plain A/B switch: five edits, the flag first; the new set is all off.
    host.edits.clear();
    step ("set-b", clickCommand (buttonCentre (abRow)));
    const std::vector<std::pair<int, float>> switchEdits { { 4, 1.0f }, { 0, 0.0f }, { 1, 0.0f }, { 2, 0.0f }, { 3, 0.0f } };
    EXPECT_EQ (host.edits, switchEdits);
    EXPECT_LT (onGrid (process (input), 16), 0.1);
    EXPECT_EQ (process (silence).getMagnitude (0, blockSize), 0.0f);

    // A Control-click copies and tells the host nothing.
    host.edits.clear();
    step ("control-click", clickCommand (buttonCentre (abRow), true));
    EXPECT_TRUE (host.edits.empty());
    EXPECT_EQ (hostValue (4), 1.0f);

    // Back to set A: its settings are live again.
    step ("set-a", clickCommand (buttonCentre (abRow)));
    EXPECT_EQ (hostValue (4), 0.0f);
    EXPECT_EQ (hostValue (1), 0.0f);   // set B's copy was all off: the Control-click made both the same
    EXPECT_EQ (host.edits.size(), 5u);
}

TEST_F (HostedEditor, TheSettingsMenuOpensTheAboutBox)
{
    VANTREL_REQUIRE_DISPLAY();

    // The about box is modal inside the plug-in: photograph the screen while
    // it is open, then close it with Escape.
    ASSERT_TRUE (runScript (screenshotCommand (view(), "hosted-before-about")
                            + clickCommand (buttonCentre (settingsRow)) + "sleep 0.6; "
                            + screenshotCommand (view().withSize (400, 340), "hosted-settings-menu")
                            + "xdotool key Down key Down key Down key Down key Down key Return; sleep 1.0; "
                            + screenshotCommand ({ 0, 0, 1280, 1024 }, "hosted-about-screen")
                            + "xdotool key Escape; sleep 0.3"));
    pump (300);

    const auto screen = load ("hosted-about-screen");
    ASSERT_TRUE (screen.isValid());

    // The box is centred around the editor; its picture's dark blue and the
    // white of the box are on the screen, and gone after Escape.
    const auto blue = [] (juce::Colour c) { return c.getBlue() > 60 && c.getRed() < 60 && c.getGreen() < 80; };
    EXPECT_GT (countWhere (screen, screen.getBounds(), blue), 20000);

    const auto after = screenshot ({ 0, 0, 1280, 1024 }, "hosted-after-about");
    EXPECT_LT (countWhere (after, after.getBounds(), blue), 100);
    EXPECT_TRUE (host.edits.empty());
}
