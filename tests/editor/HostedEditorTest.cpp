// The built bundle as a host runs it: the plug-in's own editor in a window
// of the host, clicked and typed at through the X server, with the edits the
// host hears and the audio it gets back.
#include "ForeignWindow.h"
#include "WindowTestSupport.h"

#include "PluginHost.h"
#include "processor/StateChunk.h"

#include <cmath>
#include <random>

using namespace windowtest;

namespace
{
    constexpr double sampleRate = 48000.0;
    constexpr int blockSize = 512;

    // Where the plug-in lays out its buttons inside its 280 x 240 view.
    enum Row { abRow = 49, bypassRow = 76, settingsRow = 103, ditherRow = 130, shapingRow = 157, depthRow = 184 };

    /** Records what the host receives from the plug-in: the parameter
        changes, and in order with them the gestures' begins ("+i"), the
        values ("i=v"), the ends ("-i") and the notices that the plug-in's
        state changed where no parameter shows it ("state"). */
    struct HostEdits : juce::AudioProcessorParameter::Listener,
                       juce::AudioProcessorListener
    {
        // The framework's hosting reports the plug-in's setDirty this way.
        void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails& details) override
        {
            if (details.nonParameterStateChanged)
                log.add ("state");
        }

        void audioProcessorParameterChanged (juce::AudioProcessor*, int, float) override {}

        void parameterValueChanged (int index, float value) override
        {
            edits.push_back ({ index, value });
            log.add (juce::String (index) + "=" + juce::String (value));
        }

        void parameterGestureChanged (int index, bool starting) override   { log.add ((starting ? "+" : "-") + juce::String (index)); }

        void clear()   { edits.clear(); log.clear(); }

        juce::String order() const   { return log.joinIntoString (" "); }

        std::vector<std::pair<int, float>> edits;
        juce::StringArray log;
    };

    /** The order of one gesture per edit, as HostEdits::order writes it. */
    juce::String gestures (const std::vector<std::pair<int, float>>& edits)
    {
        juce::StringArray log;

        for (auto [index, value] : edits)
            log.addArray ({ "+" + juce::String (index), juce::String (index) + "=" + juce::String (value), "-" + juce::String (index) });

        return log.joinIntoString (" ");
    }

    // How long the timer test keeps each menu or dialog open, and the longest
    // time the host's 20 ms timer may then go without a call. A nested modal
    // loop stops the timer for the whole time the window stays open, so the
    // gap it leaves is at least the hold time; three times below that, the
    // bound leaves room for a machine busy with other work, or for a
    // sanitizer build that takes a few hundred milliseconds to build the
    // file dialog, and still tells the two apart.
    constexpr int holdMs = 2500;
    constexpr double longestGapAllowed = holdMs / 3.0;

    /** A timer of the host's, 20 ms: the longest time between two of its calls. */
    struct HostTimer : juce::Timer
    {
        HostTimer()             { startTimer (20); }
        ~HostTimer() override   { stopTimer(); }

        void timerCallback() override
        {
            const auto now = juce::Time::getMillisecondCounterHiRes();

            if (ticks++ > 0)
                longestGap = juce::jmax (longestGap, now - last);

            last = now;
        }

        double last = 0.0, longestGap = 0.0;
        int ticks = 0;
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

    juce::Image load (const juce::String& name)
    {
        return juce::ImageFileFormat::loadFrom (artifactsFolder().getChildFile (name + ".png"));
    }

    bool isBlueButton (juce::Colour c)   { return c.getBlue() > 200 && c.getRed() < 150; }
    bool isRedButton (juce::Colour c)    { return c.getRed() > 170 && c.getBlue() < 110 && c.getGreen() < 110; }
    bool isBlueOrRedButton (juce::Colour c)   { return isBlueButton (c) || isRedButton (c); }

    // The dark blue of the about box's picture.
    bool isAboutBlue (juce::Colour c)   { return c.getBlue() > 60 && c.getRed() < 60 && c.getGreen() < 80; }

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

            instance->addListener (&host);

            openEditor();
        }

        void TearDown() override
        {
            if (instance == nullptr)
                return;

            EXPECT_LE (repeatsInThisTest(), 1) << "clicks or keys repeated, see " << repeatLog().getFullPathName();

            closeEditor();

            instance->removeListener (&host);

            for (auto* parameter : instance->getParameters())
                parameter->removeListener (&host);

            instance->releaseResources();
            instance.reset();
        }

        void openEditor (juce::Point<int> topLeft = { 240, 160 })
        {
            editor.reset (instance->createEditorIfNeeded());
            ASSERT_NE (editor, nullptr);
            window = std::make_unique<TestWindow> ("Host", *editor, topLeft);
            ASSERT_TRUE (window->waitUntilShown());

            // The plug-in's view is a window of its own inside the host's:
            // wait until it shows its six buttons.
            const auto appeared = pumpUntil ([this]
            {
                const auto shot = screenshot (view(), "hosted-view");

                for (int row : { abRow, bypassRow, settingsRow, ditherRow, shapingRow, depthRow })
                    if (countWhere (shot, { 112, row, 60, 18 }, isBlueOrRedButton) < 500)
                        return false;

                return true;
            }, 10000);

            if (! appeared)
                screenshot ({ 0, 0, 1280, 1024 }, "hosted-view-missing");

            ASSERT_TRUE (appeared) << "the plug-in's view did not appear: the editor " << editor->getBounds().toString()
                                   << ", on the screen " << view().toString() << ", the window " << window->getBounds().toString();
        }

        void closeEditor()
        {
            window.reset();
            editor.reset();
        }

        juce::Rectangle<int> view() const   { return screenBoundsOf (*editor); }

        juce::Point<int> buttonCentre (int row) const   { return view().getPosition() + juce::Point<int> (112 + 30, row + 9); }

        /** Runs the xdotool script and gives the plug-in's timers time to
            follow; screenshots of the view before and after. */
        void step (const juce::String& name, const juce::String& actions)
        {
            ASSERT_TRUE (runScript (screenshotCommand (view(), "hosted-" + name + "-before") + actions
                                    + "sleep 0.3; " + screenshotCommand (view(), "hosted-" + name + "-after")));
            pump (300);
        }

        /** The script that opens the menu of the button in the row, waits
            for it and, when given, photographs it. */
        juce::String openMenuCommand (int row, const juce::String& shot = {})
        {
            auto script = clickForWindowCommand (buttonCentre (row), "menu");

            if (shot.isNotEmpty())
                script << screenshotCommand (view().withSize (400, 340), shot);

            return script;
        }

        /** The script that presses Down as often as given, then Return, and
            waits for the menu to close. */
        static juce::String pickCommand (int downs)
        {
            juce::String keys ("xdotool");
            for (int i = 0; i < downs; ++i)
                keys << " key Down";

            return keys + " key Return; " + waitForWindowCommand ("menu", false);
        }

        /** Opens the menu of the button in the row, photographs it open and
            picks the item by pressing Down as often as given, then Return. */
        void choose (const juce::String& name, int row, int downs)
        {
            step (name, openMenuCommand (row, "hosted-" + name + "-menu") + pickCommand (downs));
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

    /** A second instance of the bundle with its editor open in a window of
        the host's, which hands its view the same run loop as the first's. */
    struct OtherInstance
    {
        void open (juce::Point<int> topLeft)
        {
            juce::String error;
            instance = PluginHost::load (PluginHost::bundle(), sampleRate, blockSize, error);
            ASSERT_NE (instance, nullptr) << error;
            editor.reset (instance->createEditorIfNeeded());
            ASSERT_NE (editor, nullptr);
            window = std::make_unique<TestWindow> ("Other", *editor, topLeft);
            ASSERT_TRUE (window->waitUntilShown());

            // Attached to its frame once it shows its buttons.
            ASSERT_TRUE (pumpUntil ([this] { return countWhere (screenshot (view(), "hosted-other-view"), { 112, bypassRow, 60, 18 }, isBlueButton) > 500; }, 10000));
        }

        juce::Rectangle<int> view() const   { return screenBoundsOf (*editor); }

        std::unique_ptr<juce::AudioPluginInstance> instance;
        std::unique_ptr<juce::AudioProcessorEditor> editor;
        std::unique_ptr<TestWindow> window;
    };
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
    EXPECT_EQ (host.order(), gestures (bypassOn));
    EXPECT_EQ (hostValue (0), 1.0f);
    EXPECT_TRUE (sameBits (process (input), input));
    EXPECT_TRUE (pumpUntil ([this] { return countWhere (screenshot (view(), "hosted-bypass-after"), { 112, bypassRow, 60, 18 }, isRedButton) > 300; }));
    EXPECT_EQ (countWhere (load ("hosted-bypass-before"), { 112, bypassRow, 60, 18 }, isRedButton), 0);

    step ("bypass-off", clickCommand (buttonCentre (bypassRow)));
    EXPECT_EQ (hostValue (0), 0.0f);

    // Bit depth "16 bit", then dither "TPDF", through their menus and the keyboard.
    host.clear();
    choose ("bit-depth", depthRow, 2);
    choose ("dither", ditherRow, 2);
    const std::vector<std::pair<int, float>> menuEdits { { 3, 0.5f }, { 1, 0.5f } };
    EXPECT_EQ (host.edits, menuEdits);
    EXPECT_EQ (host.order(), gestures (menuEdits));
    EXPECT_EQ (hostValue (3), 0.5f);
    EXPECT_EQ (hostValue (1), 0.5f);

    out = process (input);
    EXPECT_EQ (onGrid (out, 16), 1.0);
    juce::AudioBuffer<float> silence (2, blockSize);
    silence.clear();
    const auto dithered = process (silence);
    EXPECT_GT (dithered.getMagnitude (0, blockSize), 0.0f);       // the dither noise
    EXPECT_LE (dithered.getMagnitude (0, blockSize), 3.0f / 32768.0f);

    // A plain A/B switch: five edits, each a gesture of its own, the flag
    // first; the new set is all off.
    host.clear();
    step ("set-b", clickCommand (buttonCentre (abRow)));
    const std::vector<std::pair<int, float>> switchEdits { { 4, 1.0f }, { 0, 0.0f }, { 1, 0.0f }, { 2, 0.0f }, { 3, 0.0f } };
    EXPECT_EQ (host.edits, switchEdits);
    EXPECT_EQ (host.order(), gestures (switchEdits));
    EXPECT_LT (onGrid (process (input), 16), 0.1);
    EXPECT_EQ (process (silence).getMagnitude (0, blockSize), 0.0f);

    // A Control-click copies: no parameter changes, but the stores in the
    // state did, and the host hears that once, so it can save them.
    host.clear();
    step ("control-click", clickCommand (buttonCentre (abRow), true));
    EXPECT_TRUE (host.edits.empty());
    EXPECT_EQ (host.order().toStdString(), "state");
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

    // Every step waits for what it needs on the screen: the menu, the box's
    // window, the box drawn; then Escape, the window gone, the screen redrawn.
    ASSERT_TRUE (runScript (screenshotCommand (view(), "hosted-before-about")
                            + openMenuCommand (settingsRow, "hosted-settings-menu") + pickCommand (5)
                            + waitForWindowCommand ("About")));

    // The box is centred around the editor; its picture's dark blue and the
    // white of the box are on the screen, and gone after Escape.
    const juce::Rectangle<int> wholeScreen { 0, 0, 1280, 1024 };
    auto blueOnScreen = [&] (const char* name)
    {
        const auto shot = screenshot (wholeScreen, name);
        return shot.isValid() ? countWhere (shot, shot.getBounds(), isAboutBlue) : -1;
    };

    int blue = 0;
    pumpUntil ([&] { blue = blueOnScreen ("hosted-about-screen"); return blue > 20000; }, 10000);
    EXPECT_GT (blue, 20000);

    ASSERT_TRUE (runScript (closeWithKeyCommand ("About", "Escape")));
    pumpUntil ([&] { blue = blueOnScreen ("hosted-after-about"); return juce::isPositiveAndBelow (blue, 100); }, 10000);
    EXPECT_LT (blue, 100);
    EXPECT_GE (blue, 0);
    EXPECT_TRUE (host.edits.empty());
}

TEST_F (HostedEditor, ASettingsFileWithOtherStoresTellsTheHostTheStateChanged)
{
    VANTREL_REQUIRE_DISPLAY();

    // The live values all off, as the file has them, and other stores.
    for (int i = 0; i < 5; ++i)
        PluginHost::setParameter (*instance, i, 0.0f);

    juce::XmlElement element ("1364678210");
    for (auto* name : { "fxBypass", "fxDitherType", "fxNoiseShaping", "fxBitDepth", "fxEnaAB" })
        element.setAttribute (name, 0);
    element.setAttribute ("A_Buf1", "1");
    element.setAttribute ("B_Buf3", "0.5");
    juce::MemoryBlock chunk;
    StateChunk::write (element, chunk);

    const auto folder = juce::File::createTempFile ("vantrel-hosted-load");
    ASSERT_TRUE (folder.createDirectory());
    const auto file = folder.getChildFile ("other stores.qwv");
    ASSERT_TRUE (file.replaceWithData (chunk.getData(), chunk.getSize()));

    juce::MemoryBlock before;
    instance->getStateInformation (before);
    host.clear();

    // Settings > Load; the path typed into the dialog's file name box (at the
    // foot of its 600 x 500 window), Return to go to its folder, Return to open.
    const juce::String title ("Open a settings file...");
    ASSERT_TRUE (runScript (openMenuCommand (settingsRow) + pickCommand (1) + waitForWindowCommand (title) + "sleep 0.5; "
                            + "eval $(xdotool search --onlyvisible --name '^" + title + "$' getwindowgeometry --shell | head -n 5); "
                            + "xdotool mousemove $((X + 320)) $((Y + HEIGHT - 62)); sleep 0.15; xdotool click 1; sleep 0.2; "
                            + "xdotool key ctrl+a; xdotool type --delay 10 '" + file.getFullPathName() + "'; sleep 0.2; "
                            + "xdotool key Return; sleep 0.4; xdotool key Return; " + waitForWindowCommand (title, false)));
    pump (300);

    // The host heard that the state changed, and of no parameter; what it
    // would save now is no longer what it had.
    EXPECT_EQ (host.order().toStdString(), "state");
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ (hostValue (i), 0.0f) << i;

    juce::MemoryBlock after;
    instance->getStateInformation (after);
    EXPECT_NE (after, before);
    folder.deleteRecursively();
}

namespace
{
    // A menu or dialog of the plug-in: opened from the button in the row and,
    // when given, the settings menu's item that many Down presses away; the
    // title of its window.
    struct OpenWindow
    {
        const char* name;
        int row;
        int downs;
        const char* title;
    };

    const OpenWindow openWindows[] = {
        { "dither menu",        ditherRow,   0, "menu" },
        { "noise-shaping menu", shapingRow,  0, "menu" },
        { "bit-depth menu",     depthRow,    0, "menu" },
        { "settings menu",      settingsRow, 0, "menu" },
        { "about box",          settingsRow, 5, "About" },
        { "load dialog",        settingsRow, 1, "Open a settings file..." },
    };
}

TEST_F (HostedEditor, TheHostKeepsRunningWhileAMenuOrDialogIsOpen)
{
    VANTREL_REQUIRE_DISPLAY();

    for (const auto& w : openWindows)
    {
        // The script opens it, keeps it open for the hold time and closes it
        // with Escape, whatever the host's event loop does meanwhile.
        HostTimer timer;
        auto script = openMenuCommand (w.row);

        if (w.downs > 0)
            script << pickCommand (w.downs) << waitForWindowCommand (w.title);

        // A menu takes the keys of the window it belongs to; a dialog is a
        // window of its own and gets them once it is the active window.
        script << "sleep " << juce::String (holdMs / 1000.0, 3) << "; " << (w.downs > 0 ? closeWithKeyCommand (w.title, "Escape")
                                                                                   : "xdotool key Escape; " + waitForWindowCommand (w.title, false));
        ASSERT_TRUE (runScript (script)) << w.name;

        RecordProperty (juce::String (w.name).replaceCharacter (' ', '-').toStdString(), (int) timer.longestGap);
        EXPECT_LT (timer.longestGap, longestGapAllowed) << w.name;
        // The timer ran all along, not just before or after.
        EXPECT_GT (timer.ticks, 10) << w.name;
    }

    EXPECT_EQ (host.order(), "");
}

TEST_F (HostedEditor, ClosingTheEditorClosesWhatItOpenedAndAppliesNothing)
{
    VANTREL_REQUIRE_DISPLAY();

    for (const auto& w : openWindows)
    {
        // An item of a menu highlighted, or the dialog open.
        auto script = openMenuCommand (w.row) + "xdotool key Down; ";

        if (w.downs > 0)
            script << pickCommand (w.downs - 1) << waitForWindowCommand (w.title);

        ASSERT_TRUE (runScript (script)) << w.name;

        closeEditor();
        ASSERT_TRUE (runScript (waitForWindowCommand (w.title, false) + "xdotool key Return; sleep 0.3")) << w.name;
        pump (100);

        EXPECT_EQ (host.order(), "") << w.name;
        EXPECT_FALSE (runScript ("xdotool search --onlyvisible --name '^(menu|About|Open a settings file...)$'")) << w.name;
        openEditor();
    }
}

TEST_F (HostedEditor, DialogsStayAboveTheHostsWindowsWhenItRaisesItsMainWindow)
{
    VANTREL_REQUIRE_DISPLAY();

    // The host keeps its plug-in window above its main window; the plug-in's
    // view is a window inside the plug-in window.
    ForeignWindow mainWindow ("Host main window", { 100, 100, 900, 700 });
    ASSERT_TRUE (mainWindow.isOpen());
    mainWindow.keepAboveThis (windowOf (*window));

    for (const auto& w : openWindows)
    {
        if (w.downs == 0)
            continue;

        ASSERT_TRUE (runScript (openMenuCommand (w.row) + pickCommand (w.downs) + waitForWindowCommand (w.title))) << w.name;
        pump (500);
        EXPECT_TRUE (runScript ("xdotool windowactivate --sync " + juce::String (mainWindow.id()))) << w.name;
        pump (300);
        screenshot ({ 0, 0, 1280, 1024 }, "hosted-stacking-" + juce::String (w.name).replaceCharacter (' ', '-'));

        const auto order = stackingOrder();
        const auto position = [&order] (unsigned long id) { return std::find (order.begin(), order.end(), id) - order.begin(); };
        const auto dialog = managedWindowNamed (w.title);
        ASSERT_NE (dialog, 0u) << w.name;
        EXPECT_GT (position (dialog), position (mainWindow.id())) << w.name << ": the dialog fell behind the host's main window";
        EXPECT_GT (position (dialog), position (windowOf (*window))) << w.name << ": the dialog fell behind the plug-in window";

        ASSERT_TRUE (runScript (closeWithKeyCommand (w.title, "Escape"))) << w.name;
    }

    EXPECT_EQ (host.order(), "");
}

// A click into the view makes the window manager give the focus to the host's
// window, and the host hands it on within that window, while the view takes
// it too: whichever comes last keeps it. A menu the click opened stays open
// when the host has the focus last, and its keys still reach it. The focus
// moved to the host's window 2 s later is the user's (a click on one of the
// host's own controls): the menu closes and leaves it there. The focus in
// another program's window closes it too.
TEST_F (HostedEditor, AMenuStaysOpenAndTakesItsKeysWhenTheHostTakesTheFocusLast)
{
    VANTREL_REQUIRE_DISPLAY();

    const juce::String hostWindow (windowOf (*window));
    const juce::String focusHost ("xdotool windowfocus --sync " + hostWindow + "; sleep 0.5; ");
    EXPECT_TRUE (runScript (openMenuCommand (settingsRow) + focusHost + "xdotool search --onlyvisible --name '^menu$' > /dev/null && "
                            "xdotool key Escape && " + waitForWindowCommand ("menu", false)))
        << "the menu closed when the host took the focus, or Escape did not reach it";

    const auto leftToHost = runScript (openMenuCommand (settingsRow) + "sleep 2; xdotool windowfocus --sync " + hostWindow + "; sleep 1; "
                                       "! xdotool search --onlyvisible --name '^menu$' > /dev/null && [ $(xdotool getwindowfocus -f) = " + hostWindow + " ]");
    EXPECT_TRUE (leftToHost) << "the menu stayed open, or took the focus from the host, 2 s after it opened";

    if (! leftToHost)
        runScript ("xdotool key Escape; " + waitForWindowCommand ("menu", false));

    // Mapped only now: the window manager gives a new window the focus.
    ForeignWindow other ("Another program", { 900, 100, 300, 200 });
    ASSERT_TRUE (other.isOpen());
    const juce::String focusOther ("xdotool windowfocus --sync " + juce::String (other.id()) + "; ");
    const auto closed = runScript (openMenuCommand (settingsRow) + focusOther + waitForWindowCommand ("menu", false));
    EXPECT_TRUE (closed) << "the menu stayed open with another program's window in focus";

    if (! closed)
        runScript ("xdotool key Escape; " + waitForWindowCommand ("menu", false));

    EXPECT_EQ (host.order(), "");
}

// A host hands every view of a plug-in the same run loop (the framework's
// VST3 hosting does too). Deleting another instance whose window is open must
// leave this window alive: the editor's timer still shows a change the host
// makes, the view still redraws, and a click still reaches the host.
TEST_F (HostedEditor, DeletingAnotherInstanceWithItsWindowOpenLeavesThisOneWorking)
{
    VANTREL_REQUIRE_DISPLAY();

    {
        OtherInstance other;
        ASSERT_NO_FATAL_FAILURE (other.open ({ 640, 160 }));

        // As a host deletes a plug-in: its window, its editor, the instance.
        other.window.reset();
        other.editor.reset();
        other.instance.reset();
    }

    pump (300);
    auto bypassRed = [this] { return countWhere (screenshot (view(), "hosted-after-other-deleted"), { 112, bypassRow, 60, 18 }, isRedButton); };

    PluginHost::setParameter (*instance, 0, 1.0f);
    process (noise (0.3f, 3));
    EXPECT_TRUE (pumpUntil ([&] { return bypassRed() > 300; }, 5000)) << "the host's change does not show";

    host.clear();
    step ("click-after-other-deleted", clickCommand (buttonCentre (bypassRow)));
    const std::vector<std::pair<int, float>> bypassOff { { 0, 0.0f } };
    EXPECT_EQ (host.edits, bypassOff);
    EXPECT_TRUE (pumpUntil ([&] { return bypassRed() == 0; }, 5000)) << "the click does not show";
}

// Two views open side by side, tips switched off in this one: over its
// buttons no tip shows, over the other's the other's tip shows, once, from
// whichever view the pointer came.
TEST_F (HostedEditor, EachViewShowsItsOwnTipsWithAnotherViewOpen)
{
    VANTREL_REQUIRE_DISPLAY();

    OtherInstance other;
    ASSERT_NO_FATAL_FAILURE (other.open ({ 640, 160 }));
    ASSERT_TRUE (runScript (openMenuCommand (settingsRow) + pickCommand (6)));

    const auto here = buttonCentre (bypassRow), there = other.view().getPosition() + (here - view().getPosition());
    const auto tipsAfterHovering = [] (juce::Point<int> p)
    {
        return "xdotool mousemove " + juce::String (p.x) + " " + juce::String (p.y) + "; sleep 2; "
               "test $(xdotool search --onlyvisible --name '^tooltip$' | wc -l) = ";
    };

    for (int round = 0; round < 2; ++round)
    {
        EXPECT_TRUE (runScript (tipsAfterHovering (there) + "1")) << "no tip, or more than one, over the other view; round " << round;
        EXPECT_TRUE (runScript (tipsAfterHovering (here) + "0")) << "a tip over the view whose tips are off; round " << round;
    }
}

// When a window of the plug-in that covers its editors closes, the X server
// asks each editor to draw the uncovered part again. With the pointer parked
// away from the plug-in's windows nothing else happens that would make them
// redraw, so both must look as before within a second, from that request
// alone.
TEST_F (HostedEditor, EveryEditorIsDrawnAgainWhenAWindowOfThePlugInCloses)
{
    VANTREL_REQUIRE_DISPLAY();

    // Side by side, low enough that a message box in the middle of the
    // screen covers both, as do the dialogs and the about box.
    closeEditor();
    ASSERT_NO_FATAL_FAILURE (openEditor ({ 380, 360 }));
    OtherInstance other;
    ASSERT_NO_FATAL_FAILURE (other.open ({ 680, 360 }));
    const auto both = view().getUnion (other.view());

    const auto folder = juce::File::createTempFile ("vantrel-hosted-cover");
    ASSERT_TRUE (folder.createDirectory());
    const juce::String park ("xdotool mousemove 1270 1010; sleep 0.5; ");
    const juce::String loadTitle ("Open a settings file..."), saveTitle ("Save settings to...");

    // The path typed into the framework's dialog (its file name box at the
    // foot of the window), and Return to go to its folder; the pointer is
    // parked again before the Return that saves.
    auto typePath = [&] (const juce::String& title, const juce::String& name)
    {
        return "sleep 0.5; eval $(xdotool search --onlyvisible --name '^" + title + "$' getwindowgeometry --shell | head -n 5); "
               "xdotool mousemove $((X + 320)) $((Y + HEIGHT - 62)); sleep 0.15; xdotool click 1; sleep 0.2; "
               "xdotool key ctrl+a; xdotool type --delay 10 '" + folder.getChildFile (name).getFullPathName() + "'; "
               "sleep 0.2; xdotool key Return; " + park;
    };

    struct Cover { const char* name; juce::String open, close; };
    const Cover covers[] = {
        { "about box", pickCommand (5) + waitForWindowCommand ("About") + park,
                       closeWithKeyCommand ("About", "Escape") },
        { "cancelled load", pickCommand (1) + waitForWindowCommand (loadTitle) + park,
                            closeWithKeyCommand (loadTitle, "Escape") },
        { "done save", pickCommand (2) + waitForWindowCommand (saveTitle) + typePath (saveTitle, "saved.qwv"),
                       closeWithKeyCommand (saveTitle, "Return") },
        { "message box", pickCommand (3) + waitForWindowCommand ("Vantrel Dither") + park,
                         closeWithKeyCommand ("Vantrel Dither", "Return") },
    };

    // Pixels of the two views that differ from the picture before.
    auto changedPixels = [&] (const juce::Image& before, const juce::String& shot)
    {
        const auto now = screenshot (both, shot);
        int changed = 0;

        for (const auto& area : { view(), other.view() })
            for (int y = area.getY(); y < area.getBottom(); ++y)
                for (int x = area.getX(); x < area.getRight(); ++x)
                    if (! near (before.getPixelAt (x - both.getX(), y - both.getY()), now.getPixelAt (x - both.getX(), y - both.getY())))
                        ++changed;

        return now.isValid() ? changed : -1;
    };

    for (const auto& cover : covers)
    {
        // The picture before, with the pointer on the view's empty foot, where
        // it lights no button; from there it goes to the Settings button.
        const auto shot = "hosted-cover-" + juce::String (cover.name).replaceCharacter (' ', '-');
        const auto foot = view().getPosition() + juce::Point<int> (20, 225);
        ASSERT_TRUE (runScript ("xdotool mousemove " + juce::String (foot.x) + " " + juce::String (foot.y) + "; sleep 0.5; "));
        pump (300);
        const auto before = screenshot (both, shot + "-before");
        ASSERT_TRUE (before.isValid());

        ASSERT_TRUE (runScript (openMenuCommand (settingsRow) + cover.open)) << cover.name;
        // Shown is not yet drawn: on a busy machine the window's place keeps
        // what was there for a while.
        int covered = -1;
        pumpUntil ([&] { covered = changedPixels (before, shot + "-covered"); return covered > 5000; }, 10000);
        EXPECT_GT (covered, 5000) << cover.name << ": the window does not cover both editors";
        screenshot ({ 0, 0, 1280, 1024 }, shot + "-screen");

        // Closed, and nothing else: no pointer movement, no host change.
        ASSERT_TRUE (runScript (cover.close)) << cover.name;
        // A part drawn again on its own can differ from the whole in the
        // smoothing of a few edge pixels; a picture left behind is thousands.
        int changed = -1;
        pumpUntil ([&] { changed = changedPixels (before, shot + "-after"); return juce::isPositiveAndBelow (changed, 100); }, 1000);
        EXPECT_TRUE (juce::isPositiveAndBelow (changed, 100)) << cover.name << ": the editors were not drawn again within 1 s, "
                                                              << changed << " pixels differ";
    }

    EXPECT_TRUE (folder.getChildFile ("saved.qwv").existsAsFile());
    EXPECT_EQ (host.order(), "");
    folder.deleteRecursively();
}
