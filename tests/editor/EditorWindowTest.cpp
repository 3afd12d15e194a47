// The editor in a real window, driven with the mouse and keyboard through the
// X server as a person would drive it.
#include "EditorTestSupport.h"
#include "ForeignWindow.h"
#include "WindowTestSupport.h"

#include "platform/registry/SystemRegistry.h"
#include "ui/DocumentLauncher.h"
#include "ui/SettingsFileChooser.h"

using namespace windowtest;
using Access = JuceEditorTestAccess;

namespace
{
    /** What an open pop-up menu shows: its items' texts and which is ticked. */
    struct MenuContent
    {
        juce::StringArray items;
        juce::StringArray ticked;
    };

    void collectMenuItems (juce::Component& component, MenuContent& content)
    {
        for (auto* child : component.getChildren())
        {
            if (auto* handler = child->getAccessibilityHandler())
            {
                if (handler->getRole() == juce::AccessibilityRole::menuItem)
                {
                    content.items.add (handler->getTitle());

                    if (handler->getCurrentState().isChecked())
                        content.ticked.add (handler->getTitle());
                }
            }

            collectMenuItems (*child, content);
        }
    }

    /** Reads the menu that is open, from the message loop that the menu runs. */
    struct MenuReader : juce::Timer
    {
        MenuReader()             { startTimer (20); }
        ~MenuReader() override   { stopTimer(); }

        void timerCallback() override
        {
            if (seen)
                return;

            if (auto* modal = juce::Component::getCurrentlyModalComponent())
            {
                MenuContent content;
                collectMenuItems (*modal, content);

                if (! content.items.isEmpty())
                {
                    menu = content;
                    seen = true;
                }
            }
        }

        MenuContent menu;
        bool seen = false;
    };

    juce::String keys (int downs, const char* last = "Return")
    {
        juce::String s ("xdotool");
        for (int i = 0; i < downs; ++i)
            s << " key Down";
        return s + " key " + last + "; ";
    }

    struct ScriptedChooser : SettingsFileChooser
    {
        void chooseFileToLoad (Callback onChosen) override   { ++loads; onChosen ({}); }
        void chooseFileToSave (Callback onChosen) override   { ++saves; onChosen ({}); }
        int loads = 0, saves = 0;
    };

    struct EditorWindow : ::testing::Test
    {
        void SetUp() override
        {
            if (! haveDisplay())
                return;

            plugin = std::make_unique<editortest::ValuesPlugin>();
            plugin->getAlgo().stopTimer();
            auto ownedChooser = std::make_unique<ScriptedChooser>();
            chooser = ownedChooser.get();
            plugin->setSettingsFileChooser (std::move (ownedChooser));
            plugin->getSettings()->removeValue (UserSettings::tooltipsKey);
            plugin->addListener (&recorder);

            editor.reset (dynamic_cast<JuceEditor*> (plugin->createEditorIfNeeded()));
            window = std::make_unique<TestWindow> ("Vantrel Dither", *editor, juce::Point<int> (200, 150));
            ASSERT_TRUE (window->waitUntilShown());
        }

        void TearDown() override
        {
            if (plugin == nullptr)
                return;

            EXPECT_LE (repeatsInThisTest(), 1) << "clicks or keys repeated, see " << repeatLog().getFullPathName();

            // Close whatever message box a test left open.
            for (int i = juce::Desktop::getInstance().getNumComponents(); --i >= 0;)
                if (auto* alert = dynamic_cast<juce::AlertWindow*> (juce::Desktop::getInstance().getComponent (i)))
                    alert->exitModalState (0);

            pump (50);
            window.reset();
            plugin->editorBeingDeleted (editor.get());
            editor.reset();
            plugin->removeListener (&recorder);

            // The next instance in this process starts from the first-run values again.
            for (auto* key : { UserSettings::ditherTypeKey, UserSettings::noiseShapingKey, UserSettings::bitDepthKey })
                plugin->getSettings()->setValue (key, "0");
            plugin->getSettings()->removeValue (UserSettings::tooltipsKey);
            plugin.reset();
            SystemRegistry::setStoreFile ({});
            DocumentLauncher::setHandler ({});
        }

        juce::Point<int> centreOf (juce::Component& c) const   { return screenBoundsOf (c).getCentre(); }

        juce::Rectangle<int> editorArea() const   { return screenBoundsOf (*editor); }

        /** Lets the editor's timer pick the change up: with the engine's
            timer held, the test takes the engine's mark itself. */
        void refresh()
        {
            pump (60);
            plugin->clearDspChanged();
            pump (60);
        }

        /** Clicks the button and waits until the click has reached it (its
            listeners, the editor's first, have been called), however long
            the X server and the message loop take. */
        void click (juce::Button& button, bool withControl = false, const juce::String& shotAfter = {})
        {
            struct ClickCounter : juce::Button::Listener, juce::MouseListener
            {
                int clicks = 0, presses = 0;
                void buttonClicked (juce::Button*) override   { ++clicks; }
                void mouseDown (const juce::MouseEvent&) override   { ++presses; }
            } counter;

            // The pointer goes onto the button until the X server has it
            // there, over the button's window and no other, and the button
            // sees it: a window that the window manager has just placed may
            // still be moving, and one that is closing may still lie above.
            bool over = false;
            for (int attempt = 0; attempt < 5 && ! over; ++attempt)
            {
                const auto p = centreOf (button);
                EXPECT_TRUE (runScript ("xdotool mousemove " + juce::String (p.x) + " " + juce::String (p.y)));
                over = pumpUntil ([&] { return pointerIsOver (button) && button.isMouseOver(); }, 2000);
            }
            EXPECT_TRUE (over) << "the pointer did not reach the button: " << describePointer();

            button.addListener (&counter);
            button.addMouseListener (&counter, false);

            // A press that the button never saw is pressed once more: without
            // a press there was no click, so a repeat cannot make two. The
            // repeat is logged with where X had the pointer.
            for (int press = 1; press <= 2; ++press)
            {
                EXPECT_TRUE (runScript (withControl ? juce::String ("xdotool keydown ctrl; sleep 0.1; xdotool click 1; sleep 0.1; xdotool keyup ctrl")
                                                    : juce::String ("xdotool click 1")));

                if (pumpUntil ([&] { return counter.presses > 0 || counter.clicks > 0; }, 4000) || press == 2)
                    break;

                logRepeat ("no press on '" + button.getName() + "' 4 s after the click, " + describePointer()
                           + (juce::Component::getCurrentlyModalComponent() != nullptr ? ", a modal component open" : "")
                           + ": pressed again");
            }

            EXPECT_TRUE (pumpUntil ([&] { return counter.clicks > 0; }, 10000))
                << "the click did not arrive (" << counter.presses << " presses seen): " << describePointer();
            refresh();
            button.removeMouseListener (&counter);
            button.removeListener (&counter);
            EXPECT_EQ (counter.clicks, 1);

            if (shotAfter.isNotEmpty())
                screenshot (editorArea(), shotAfter);
        }

        /** Opens the button's menu with a click, takes a screenshot of it
            while it is open, then presses Down as often as given and the last
            key. */
        MenuContent useMenu (juce::Component& button, int downs, const char* last, const juce::String& shot = {})
        {
            MenuReader reader;
            auto script = clickForWindowCommand (centreOf (button), "menu");

            if (shot.isNotEmpty())
                script << screenshotCommand (editorArea().withHeight (340).withWidth (360), shot);

            script << keys (downs, last) << waitForWindowCommand ("menu", false);
            EXPECT_TRUE (runScript (script));
            refresh();
            EXPECT_TRUE (reader.seen) << "no menu was seen";
            return reader.menu;
        }

        MenuContent choose (juce::Component& button, int item, const juce::String& shot = {})
        {
            return useMenu (button, item, "Return", shot);
        }

        juce::AlertWindow* findAlert()
        {
            for (int i = juce::Desktop::getInstance().getNumComponents(); --i >= 0;)
                if (auto* alert = dynamic_cast<juce::AlertWindow*> (juce::Desktop::getInstance().getComponent (i)))
                    return alert;

            return nullptr;
        }

        void setLive (float bypass, float dither, float shaping, float depth)
        {
            plugin->setParameter (0, bypass);
            plugin->setParameter (1, dither);
            plugin->setParameter (2, shaping);
            plugin->setParameter (3, depth);
            refresh();
        }

        std::vector<float> live()
        {
            std::vector<float> v;
            for (int i = 0; i < 5; ++i)
                v.push_back (plugin->getParameter (i));
            return v;
        }

        std::unique_ptr<editortest::ValuesPlugin> plugin;
        std::unique_ptr<JuceEditor> editor;
        std::unique_ptr<TestWindow> window;
        ScriptedChooser* chooser = nullptr;
        editortest::EditRecorder recorder;
    };
}

TEST_F (EditorWindow, BypassClicksToggleParameterZeroAndReportIt)
{
    VANTREL_REQUIRE_DISPLAY();

    screenshot (editorArea(), "editor-initial");
    click (Access::bypass (*editor), false, "editor-bypass-on");
    EXPECT_TRUE (plugin->bypass);
    EXPECT_TRUE (Access::bypass (*editor).getToggleState());

    click (Access::bypass (*editor));
    EXPECT_FALSE (plugin->bypass);

    const std::vector<std::pair<int, float>> expected { { 0, 1.0f }, { 0, 0.0f } };
    EXPECT_EQ (recorder.edits, expected);
}

TEST_F (EditorWindow, TwoPlainSwitchesRestoreTheSettingsAndANewInstanceStartsFromZero)
{
    VANTREL_REQUIRE_DISPLAY();

    setLive (1.0f, 1.0f, 2.0f / 3.0f, 0.5f);
    const auto before = live();
    recorder.edits.clear();

    // The stores of a new instance hold 0: the first switch turns everything off.
    click (Access::ab (*editor), false, "editor-set-b");
    EXPECT_TRUE (plugin->enaAB);
    EXPECT_EQ (Access::ab (*editor).getButtonText(), "Set B");
    EXPECT_FALSE (plugin->bypass);
    EXPECT_EQ (plugin->ditherType, 0);
    EXPECT_EQ (plugin->noiseShaping, 0);
    EXPECT_EQ (plugin->bitDepth, 0);
    EXPECT_EQ (Access::ditherType (*editor).getButtonText(), "Off");

    // The host hears five edits: the A/B flag first, then 0 to 3.
    const std::vector<std::pair<int, float>> firstSwitch { { 4, 1.0f }, { 0, 0.0f }, { 1, 0.0f }, { 2, 0.0f }, { 3, 0.0f } };
    EXPECT_EQ (recorder.edits, firstSwitch);

    click (Access::ab (*editor), false, "editor-set-a-again");
    auto expected = before;
    expected[4] = 0.0f;
    EXPECT_EQ (live(), expected);
    EXPECT_EQ (Access::ab (*editor).getButtonText(), "Set A");
    EXPECT_EQ (Access::noiseShaping (*editor).getButtonText(), "Curve 2");
    EXPECT_EQ (recorder.edits.size(), 10u);
}

TEST_F (EditorWindow, AnEditOnSetBComesBackWithSetB)
{
    VANTREL_REQUIRE_DISPLAY();

    click (Access::ab (*editor));          // set B
    choose (Access::ditherType (*editor), 2, "editor-dither-menu");   // "TPDF"
    EXPECT_EQ (plugin->ditherType, 1);
    EXPECT_EQ (Access::ditherType (*editor).getButtonText(), "TPDF");

    click (Access::ab (*editor));          // set A
    EXPECT_EQ (plugin->ditherType, 0);
    click (Access::ab (*editor));          // set B again
    EXPECT_EQ (plugin->ditherType, 1);
    EXPECT_EQ (Access::ditherType (*editor).getButtonText(), "TPDF");
}

TEST_F (EditorWindow, ControlClickCopiesTheShownSetAndSendsNothing)
{
    VANTREL_REQUIRE_DISPLAY();

    setLive (0.0f, 0.5f, 1.0f, 1.0f);
    const auto before = live();
    recorder.edits.clear();

    click (Access::ab (*editor), true, "editor-after-control-click");

    EXPECT_TRUE (recorder.edits.empty());
    EXPECT_EQ (live(), before);
    EXPECT_FALSE (Access::ab (*editor).getToggleState());
    EXPECT_EQ (Access::ab (*editor).getButtonText(), "Set A");

    for (int i = 0; i < 5; ++i)
    {
        EXPECT_EQ (plugin->aBuf[i].load(), before[(size_t) i]);
        EXPECT_EQ (plugin->bBuf[i].load(), before[(size_t) i]);
    }

    // Both sets hold the same settings now: a switch changes only the flag.
    click (Access::ab (*editor));
    auto expected = before;
    expected[4] = 1.0f;
    EXPECT_EQ (live(), expected);
}

TEST_F (EditorWindow, ValueMenusTickTheNearestStepAndSetTheChoiceEvenWhenTicked)
{
    VANTREL_REQUIRE_DISPLAY();

    plugin->reported[2] = 0.5f;
    auto menu = useMenu (Access::noiseShaping (*editor), 0, "Escape", "editor-noise-shaping-menu");
    EXPECT_EQ (menu.items, juce::StringArray ({ "Off", "Curve 1", "Curve 2", "Curve 3" }));
    EXPECT_EQ (menu.ticked, juce::StringArray ({ "Curve 2" }));

    plugin->reported[2] = 0.49f;
    menu = useMenu (Access::noiseShaping (*editor), 0, "Escape");
    EXPECT_EQ (menu.ticked, juce::StringArray ({ "Curve 1" }));
    EXPECT_TRUE (recorder.edits.empty());

    // The ticked item chosen again is set again.
    plugin->reported[2].reset();
    plugin->setParameter (2, 2.0f / 3.0f);
    choose (Access::noiseShaping (*editor), 3);
    const std::vector<std::pair<int, float>> again { { 2, 0.6666667f } };
    EXPECT_EQ (recorder.edits, again);

    menu = choose (Access::bitDepth (*editor), 3, "editor-bit-depth-menu");
    EXPECT_EQ (menu.items, juce::StringArray ({ "Off", "16 bit", "20 bit" }));
    EXPECT_EQ (plugin->bitDepth, 2);
    EXPECT_EQ (Access::bitDepth (*editor).getButtonText(), "20 bit");

    menu = choose (Access::ditherType (*editor), 3);
    EXPECT_EQ (menu.items, juce::StringArray ({ "Off", "TPDF", "HP TPDF" }));
    EXPECT_EQ (plugin->ditherType, 2);

    menu = choose (Access::noiseShaping (*editor), 2);
    EXPECT_EQ (plugin->noiseShaping, 1);
    EXPECT_EQ (recorder.edits.back(), std::make_pair (2, 0.33333334f));
}

TEST_F (EditorWindow, MenusClosedWithoutAChoiceChangeNothing)
{
    VANTREL_REQUIRE_DISPLAY();

    setLive (1.0f, 0.5f, 1.0f / 3.0f, 1.0f);
    const auto before = live();
    const auto tooltipKey = plugin->getSettings()->getValue (UserSettings::tooltipsKey, "absent");
    recorder.edits.clear();

    useMenu (Access::ditherType (*editor), 1, "Escape");
    useMenu (Access::noiseShaping (*editor), 2, "Escape");
    useMenu (Access::bitDepth (*editor), 0, "Escape");
    const auto settingsMenu = useMenu (Access::settings (*editor), 3, "Escape", "editor-settings-menu");

    EXPECT_EQ (settingsMenu.items, juce::StringArray ({ "Load", "Save", "Save as Default", "Help", "About", "Show tooltips" }));
    EXPECT_EQ (settingsMenu.ticked, juce::StringArray ({ "Show tooltips" }));
    EXPECT_TRUE (recorder.edits.empty());
    EXPECT_EQ (live(), before);
    EXPECT_EQ (plugin->getSettings()->getValue (UserSettings::tooltipsKey, "absent"), tooltipKey);
    EXPECT_EQ (chooser->loads + chooser->saves, 0);
    EXPECT_EQ (findAlert(), nullptr);
}

TEST_F (EditorWindow, LoadAndSaveRunTheProcessorsDialogs)
{
    VANTREL_REQUIRE_DISPLAY();

    choose (Access::settings (*editor), 1);
    EXPECT_EQ (chooser->loads, 1);
    choose (Access::settings (*editor), 2);
    EXPECT_EQ (chooser->saves, 1);
}

TEST_F (EditorWindow, SaveAsDefaultStoresTheLiveFieldsOfTheShownSet)
{
    VANTREL_REQUIRE_DISPLAY();

    setLive (0.0f, 1.0f, 1.0f, 0.5f);      // set A
    click (Access::ab (*editor));          // set B: all off
    choose (Access::ditherType (*editor), 2);     // TPDF
    choose (Access::noiseShaping (*editor), 4);   // Curve 3
    choose (Access::bitDepth (*editor), 3);       // 20 bit

    choose (Access::settings (*editor), 3);
    auto* settings = plugin->getSettings();
    EXPECT_EQ (settings->getValue (UserSettings::ditherTypeKey), "1");
    EXPECT_EQ (settings->getValue (UserSettings::noiseShapingKey), "3");
    EXPECT_EQ (settings->getValue (UserSettings::bitDepthKey), "2");

    ASSERT_TRUE (pumpUntil ([this] { return findAlert() != nullptr; }, 2000));
    auto* alert = findAlert();
    EXPECT_EQ (alert->getName(), "Vantrel Dither");
    EXPECT_EQ (alert->getDescription(), "Vantrel Dither. Dither settings have been saved as default.");
    EXPECT_EQ (alert->getAlertType(), juce::MessageBoxIconType::InfoIcon);
    pump (300);
    screenshot (alert->getScreenBounds(), "editor-saved-as-default");

    // Its button closes it.
    ASSERT_TRUE (runScript ("xdotool key Return; sleep 0.2"));
    EXPECT_TRUE (pumpUntil ([this] { return findAlert() == nullptr; }, 2000));
}

TEST_F (EditorWindow, ShowTooltipsSwitchesBothWays)
{
    VANTREL_REQUIRE_DISPLAY();

    auto& tips = Access::tooltips (*editor);
    auto* settings = plugin->getSettings();
    EXPECT_EQ (tips.getDelay(), 700);

    // Absent key: ticked; choosing it turns the tips off.
    auto menu = choose (Access::settings (*editor), 6);
    EXPECT_EQ (menu.ticked, juce::StringArray ({ "Show tooltips" }));
    EXPECT_EQ (settings->getValue (UserSettings::tooltipsKey), "0");
    EXPECT_EQ (tips.getDelay(), 0x7fffffff);

    menu = choose (Access::settings (*editor), 6);
    EXPECT_TRUE (menu.ticked.isEmpty());
    EXPECT_EQ (settings->getValue (UserSettings::tooltipsKey), "1");
    EXPECT_EQ (tips.getDelay(), 700);

    // Any other text than "1" counts as off.
    settings->setValue (UserSettings::tooltipsKey, "true");
    menu = choose (Access::settings (*editor), 6);
    EXPECT_TRUE (menu.ticked.isEmpty());
    EXPECT_EQ (settings->getValue (UserSettings::tooltipsKey), "1");

    // Another instance switches them off after this one wrote the file: the
    // menu shows what the file holds now.
    settings->saveIfNeeded();
    JucePlugin().getSettings()->switchTooltips();
    menu = choose (Access::settings (*editor), 6);
    EXPECT_TRUE (menu.ticked.isEmpty());
    EXPECT_EQ (settings->getValue (UserSettings::tooltipsKey), "1");
}

TEST_F (EditorWindow, TooltipsAppearOnHoverOnlyWhileSwitchedOn)
{
    VANTREL_REQUIRE_DISPLAY();

    // A second instance's editor is open beside this one, as a host shows
    // two: each window's tips come from its own tooltip window alone.
    editortest::ValuesPlugin otherPlugin;
    otherPlugin.getSettings()->removeValue (UserSettings::tooltipsKey);
    std::unique_ptr<JuceEditor> other (dynamic_cast<JuceEditor*> (otherPlugin.createEditorIfNeeded()));
    auto otherWindow = std::make_unique<TestWindow> ("Vantrel Dither 2", *other, juce::Point<int> (800, 150));
    ASSERT_TRUE (otherWindow->waitUntilShown());
    const auto tipsShowing = []
    {
        int n = 0;
        for (int i = juce::Desktop::getInstance().getNumComponents(); --i >= 0;)
            n += dynamic_cast<juce::TooltipWindow*> (juce::Desktop::getInstance().getComponent (i)) != nullptr;
        return n;
    };
    const auto hoverCommand = [this] (juce::Component& c)
    {
        return "xdotool mousemove " + juce::String (centreOf (c).x) + " " + juce::String (centreOf (c).y) + "; sleep 0.1";
    };

    auto& tips = Access::tooltips (*editor);
    const auto hover = hoverCommand (Access::bypass (*editor));

    // From outside the window onto the button: the tip comes 700 ms after
    // the button saw the pointer arrive. On a busy machine the script that
    // moves the pointer can itself take that long, so the time is taken from
    // the arrival; a tip without the delay shows within a timer tick of it,
    // far below the bound.
    struct Arrival : juce::MouseListener
    {
        // The first arrival: the window manager's grabs can make the
        // framework see the pointer leave and come back.
        void mouseEnter (const juce::MouseEvent&) override   { if (at == 0) at = juce::Time::getMillisecondCounter(); }
        juce::uint32 at = 0;
    } arrival;

    // A tip that the pointer left on the window brought up while it was
    // being placed is hidden first; the framework shows the next one at once
    // when it comes within half a second of that, so the wait is longer.
    ASSERT_TRUE (runScript ("xdotool mousemove 20 20; sleep 0.1"));
    EXPECT_TRUE (pumpUntil ([&] { return ! tips.isVisible(); }, 2000));
    pump (800);
    Access::bypass (*editor).addMouseListener (&arrival, false);
    ASSERT_TRUE (runScript (hover));
    EXPECT_TRUE (pumpUntil ([&] { return arrival.at != 0; }, 5000)) << "the pointer did not reach the button";
    EXPECT_TRUE (pumpUntil ([&] { return tips.isVisible(); }, 5000));
    const auto shownAfter = juce::Time::getMillisecondCounter() - arrival.at;
    Access::bypass (*editor).removeMouseListener (&arrival);
    EXPECT_GE (shownAfter, 350u) << "the tip came without its delay";
    pump (200);
    EXPECT_EQ (tipsShowing(), 1);
    screenshot (editorArea().withWidth (560).withHeight (300), "editor-tooltip");

    ASSERT_TRUE (runScript ("xdotool mousemove 20 20; sleep 0.1"));
    EXPECT_TRUE (pumpUntil ([&] { return ! tips.isVisible(); }, 2000));

    // Off in this window, on in the other: no tip here, the other's there.
    tips.setDelay (SwitchableTooltipWindow::never);
    ASSERT_TRUE (runScript (hover));
    pump (1500);
    EXPECT_EQ (tipsShowing(), 0);
    ASSERT_TRUE (runScript (hoverCommand (Access::bypass (*other))));
    EXPECT_TRUE (pumpUntil ([&] { return Access::tooltips (*other).isVisible(); }, 5000));
    pump (200);
    EXPECT_EQ (tipsShowing(), 1);
    screenshot ({ 100, 100, 1180, 500 }, "editor-tooltip-two-windows");

    // The about box that the other opened shows its link's tip through the
    // other's tooltip window.
    choose (Access::settings (*other), 5);
    auto* about = dynamic_cast<juce::DialogWindow*> (juce::Component::getCurrentlyModalComponent());
    auto* box = about != nullptr ? dynamic_cast<AboutDialog*> (about->getContentComponent()) : nullptr;
    ASSERT_NE (box, nullptr);
    ASSERT_TRUE (waitUntilPlaced (*about));
    ASSERT_TRUE (runScript (hoverCommand (AboutDialogTestAccess::link (*box))));
    EXPECT_TRUE (pumpUntil ([&] { return Access::tooltips (*other).isVisible(); }, 5000));
    EXPECT_EQ (tipsShowing(), 1);
    about->exitModalState (0);
    pump (200);

    otherWindow.reset();
    otherPlugin.editorBeingDeleted (other.get());
}

TEST_F (EditorWindow, HelpOpensTheRegisteredFileOrWarns)
{
    VANTREL_REQUIRE_DISPLAY();

    juce::TemporaryFile store (".registry");
    juce::TemporaryFile help (".pdf");
    help.getFile().replaceWithText ("help");
    SystemRegistry::setStoreFile (store.getFile());

    juce::StringArray opened;
    bool starts = true;
    DocumentLauncher::setHandler ([&] (const juce::String& path) { opened.add (path); return starts; });

    const auto key = JuceEditor::helpFileRegistryPath();
    store.getFile().replaceWithText (key + "=" + help.getFile().getFullPathName() + "\n");
    choose (Access::settings (*editor), 4);
    EXPECT_EQ (opened, juce::StringArray (help.getFile().getFullPathName()));
    EXPECT_EQ (findAlert(), nullptr);

    // The value names a file that is not there: the warning with its name.
    store.getFile().replaceWithText (key + "=/nowhere/vantrel/manual.pdf\n");
    choose (Access::settings (*editor), 4);
    ASSERT_TRUE (pumpUntil ([this] { return findAlert() != nullptr; }, 2000));
    EXPECT_EQ (findAlert()->getName(), "Error!");
    EXPECT_EQ (findAlert()->getDescription(), "Error!. Help file manual.pdf not found. Please re-install the software.");
    EXPECT_EQ (findAlert()->getAlertType(), juce::MessageBoxIconType::WarningIcon);
    pump (300);
    screenshot (findAlert()->getScreenBounds(), "editor-help-missing");
    findAlert()->exitModalState (0);
    pumpUntil ([this] { return findAlert() == nullptr; }, 2000);

    // No value at all: an empty name.
    store.getFile().replaceWithText ("");
    choose (Access::settings (*editor), 4);
    ASSERT_TRUE (pumpUntil ([this] { return findAlert() != nullptr; }, 2000));
    EXPECT_EQ (findAlert()->getDescription(), "Error!. Help file  not found. Please re-install the software.");
    EXPECT_EQ (opened.size(), 1);
    findAlert()->exitModalState (0);
    pumpUntil ([this] { return findAlert() == nullptr; }, 2000);

    // The file is there but its opener cannot be started: the same warning.
    starts = false;
    store.getFile().replaceWithText (key + "=" + help.getFile().getFullPathName() + "\n");
    choose (Access::settings (*editor), 4);
    ASSERT_TRUE (pumpUntil ([this] { return findAlert() != nullptr; }, 2000));
    EXPECT_EQ (findAlert()->getDescription(), "Error!. Help file " + help.getFile().getFileName() + " not found. Please re-install the software.");
    EXPECT_EQ (opened.size(), 2);
}

TEST_F (EditorWindow, AboutShowsTheBoxInAModalDialogThatEscapeCloses)
{
    VANTREL_REQUIRE_DISPLAY();

    // The dialog is looked at when it appears, photographed and closed with
    // the Escape key.
    struct Watcher : juce::Timer
    {
        void timerCallback() override
        {
            auto* modal = dynamic_cast<juce::DialogWindow*> (juce::Component::getCurrentlyModalComponent());

            if (modal == nullptr || closing.isRunning())
                return;

            if (dialog == nullptr)
            {
                dialog = modal;
                title = modal->getName();
                background = modal->getBackgroundColour();
                resizable = modal->isResizable();
                about = dynamic_cast<AboutDialog*> (modal->getContentComponent()) != nullptr;
                contentSize = modal->getContentComponent()->getLocalBounds();
                shownAt = juce::Time::getMillisecondCounter();
                return;
            }

            // Photographed where the X server has it, once the window
            // manager has placed it and it has held still.
            if (juce::Time::getMillisecondCounter() > shownAt + 700 && ! started && placement.settled (*modal))
            {
                started = true;
                closing.start (juce::StringArray { "/bin/bash", "-c",
                    screenshotCommand (screenBoundsOf (*modal->getContentComponent()), "about-box")
                    + screenshotCommand (screenBoundsOf (*modal), "about-dialog")
                    + "xdotool key Escape" }, 0);
            }
        }

        juce::DialogWindow* dialog = nullptr;
        juce::String title;
        juce::Colour background;
        bool resizable = true, about = false, started = false;
        juce::Rectangle<int> contentSize;
        PlacementWatch placement;
        juce::uint32 shownAt = 0;
        juce::ChildProcess closing;
    } watcher;
    watcher.startTimer (20);

    choose (Access::settings (*editor), 5);
    EXPECT_TRUE (pumpUntil ([&] { return watcher.started && ! watcher.closing.isRunning()
                                         && juce::Component::getCurrentlyModalComponent() == nullptr; }, 10000));
    watcher.stopTimer();

    ASSERT_NE (watcher.dialog, nullptr);
    EXPECT_EQ (watcher.title, "About");
    EXPECT_EQ (watcher.background.getARGB(), 0xfff0f0f0u);
    EXPECT_FALSE (watcher.resizable);
    EXPECT_TRUE (watcher.about);
    EXPECT_EQ (watcher.contentSize.getWidth(), 640);
    EXPECT_EQ (watcher.contentSize.getHeight(), 282);
    // Only the Escape key of the script closed it.
    EXPECT_TRUE (watcher.started) << "the dialog closed before it was photographed";
    EXPECT_EQ (juce::Component::getCurrentlyModalComponent(), nullptr);

    // What the screen showed: white, the picture at (24, 41), ink in the rows.
    const auto shot = juce::ImageFileFormat::loadFrom (artifactsFolder().getChildFile ("about-box.png"));
    ASSERT_TRUE (shot.isValid());
    EXPECT_EQ (shot.getWidth(), 640);
    EXPECT_EQ (shot.getHeight(), 282);
    EXPECT_TRUE (near (shot.getPixelAt (10, 10), juce::Colours::white, 0));
    EXPECT_TRUE (near (shot.getPixelAt (23, 141), juce::Colours::white, 0));
    EXPECT_GT (countWhere (shot, { 24, 41, 300, 200 }, [] (juce::Colour c) { return ! near (c, juce::Colours::white, 20); }), 20000);
    for (int row : { 24, 56, 88 })
        EXPECT_GT (countWhere (shot, { 332, row, 296, 24 }, [] (juce::Colour c) { return ! near (c, juce::Colours::white, 100); }), 30) << row;
}

// While the window manager takes a new window in, the X server can report a
// geometry the window has only for that moment (its frame's origin, or the
// size it was created with); on a busy machine the framework reads it before
// the window is first drawn. Another client's move stands in for that moment
// here: the window must still end where it was put, not keep the passing
// place, as the about box and the message boxes once did. Moved or resized
// later, by the window manager or the user, the window stays so, also when it
// is drawn again after its picture was dropped unused (after 3 s).
TEST_F (EditorWindow, AWindowStartsWhereItWasPutAndStaysWhereItWasMoved)
{
    VANTREL_REQUIRE_DISPLAY();

    const juce::Rectangle<int> wanted { 420, 300, 400, 240 };
    juce::DialogWindow dialog ("Placed", juce::Colours::white, true, false);
    dialog.setUsingNativeTitleBar (false);
    dialog.setResizable (true, false);
    dialog.setBounds (wanted);
    dialog.addToDesktop();
    dialog.setVisible (true);
    const auto id = windowOf (dialog);
    ASSERT_NE (id, 0u);

    // No event of this process is handled meanwhile: the window is mapped by
    // the manager and moved by the other client before it is drawn once.
    auto waitFor = [id] (auto condition)
    {
        for (int i = 0; i < 500 && ! condition (screenGeometryOf (id)); ++i)
            juce::Thread::sleep (10);

        return condition (screenGeometryOf (id));
    };
    ASSERT_TRUE (waitFor ([] (juce::Rectangle<int> r) { return ! r.isEmpty(); }));
    moveFromOutside (id, wanted.withPosition (40, 40));
    ASSERT_TRUE (waitFor ([] (juce::Rectangle<int> r) { return r.getPosition() == juce::Point<int> (40, 40); }));

    EXPECT_TRUE (pumpUntil ([&] { return screenGeometryOf (id) == wanted && dialog.getBounds() == wanted; }, 5000))
        << "the window is at " << screenGeometryOf (id).toString() << ", its component at " << dialog.getBounds().toString();

    for (const auto later : { juce::Rectangle<int> { 600, 200, 400, 240 }, juce::Rectangle<int> { 600, 200, 520, 330 } })
    {
        moveFromOutside (id, later);
        ASSERT_TRUE (pumpUntil ([&] { return dialog.getBounds() == later; }, 5000)) << later.toString();
        pump (4000);
        dialog.repaint();
        pump (500);
        EXPECT_EQ (screenGeometryOf (id), later) << "drawn again after a while, the window left " << later.toString();
        EXPECT_EQ (dialog.getBounds(), later);
    }
}

// When the focus moves, the framework asks the X server for the parents of the
// focused window, which can be another client's and be destroyed meanwhile (a
// window manager's frame of a dialog that closed). Inside a host the error for
// it would reach the host's X error handler, and GTK's ends the host.
TEST_F (EditorWindow, AWindowThatVanishesWhileTheFocusMovesRaisesNoXError)
{
    VANTREL_REQUIRE_DISPLAY();

    auto* peer = window->getPeer();
    ASSERT_NE (peer, nullptr);
    EXPECT_EQ (xErrorsWhileFocusedWindowsVanish ([peer] { (void) peer->isFocused(); }, 2000), 0);
}

// The host raises its main window, which keeps the plug-in window above it,
// while a dialog of the editor is open: the about box, a message box and the
// framework's own file dialog stay above both, so that the window blocked by
// a dialog is never the one in front.
TEST_F (EditorWindow, DialogsStayAboveThePluginWindowWhenTheHostRaisesItsMainWindow)
{
    VANTREL_REQUIRE_DISPLAY();

    ForeignWindow mainWindow ("Host main window", { 100, 100, 900, 700 });
    ASSERT_TRUE (mainWindow.isOpen());
    mainWindow.keepAboveThis (windowOf (*window));
    plugin->setSettingsFileChooser (nullptr);

    struct Case { const char* name; int menuItem; };
    const Case cases[] = { { "about box", 5 }, { "message box", 3 }, { "file dialog", 2 } };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        choose (Access::settings (*editor), c.menuItem);

        juce::Component* dialog = nullptr;
        ASSERT_TRUE (pumpUntil ([&] { dialog = juce::Component::getCurrentlyModalComponent();
                                      return dialog != nullptr && dialog->isShowing(); }));
        ASSERT_NE (windowOf (*dialog), 0u);
        pump (500);

        const auto position = [] (unsigned long id)
        {
            const auto order = stackingOrder();
            return (int) (std::find (order.begin(), order.end(), id) - order.begin());
        };

        // Activating a window raises it, with what the manager keeps above it.
        EXPECT_TRUE (runScript ("xdotool windowactivate --sync " + juce::String (mainWindow.id())));
        pumpUntil ([&] { return position (mainWindow.id()) > 0; }, 2000);
        pump (300);
        screenshot ({ 0, 0, 1280, 1024 }, "stacking-" + juce::String (c.name).replaceCharacter (' ', '-'));

        const auto order = stackingOrder();
        const auto dialogAt = position (windowOf (*dialog));
        ASSERT_LT (dialogAt, (int) order.size()) << "the dialog is not a managed window";
        EXPECT_GT (dialogAt, position (mainWindow.id())) << "the dialog fell behind the host's main window";
        EXPECT_GT (dialogAt, position (windowOf (*window))) << "the dialog fell behind the plug-in window";

        dialog->exitModalState (0);
        EXPECT_TRUE (pumpUntil ([] { return juce::Component::getCurrentlyModalComponent() == nullptr; }));
        pump (200);
    }
}

namespace
{
    juce::TextEditor* findFilenameBox (juce::Component& c)
    {
        if (auto* browser = dynamic_cast<juce::FileBrowserComponent*> (&c))
            for (auto* child : browser->getChildren())
                if (auto* box = dynamic_cast<juce::TextEditor*> (child))
                    return box;

        for (auto* child : c.getChildren())
            if (auto* box = findFilenameBox (*child))
                return box;

        return nullptr;
    }

    /** Waits for the file dialog, photographs it, clicks into its file name
        box and types the path and Return twice, as a person would. */
    struct DialogTyper : juce::Timer
    {
        DialogTyper (juce::String pathToType, juce::String shotName)
            : path (std::move (pathToType)), shot (std::move (shotName))
        {
            startTimer (50);
        }

        void timerCallback() override
        {
            if (started)
                return;

            auto* dialog = dynamic_cast<juce::FileChooserDialogBox*> (juce::Component::getCurrentlyModalComponent());
            auto* box = dialog != nullptr ? findFilenameBox (*dialog) : nullptr;

            if (box == nullptr || ! box->isShowing())
                return;

            if (seenAt == 0)
            {
                seenAt = juce::Time::getMillisecondCounter();
                title = dialog->getName();
                return;
            }

            // The click goes where the X server has the box, once the
            // window manager has placed the dialog and it has held still.
            if (juce::Time::getMillisecondCounter() < seenAt + 600 || ! placement.settled (*dialog))
                return;

            started = true;
            typing.start (juce::StringArray { "/bin/bash", "-c",
                screenshotCommand (screenBoundsOf (*dialog), shot)
                + clickCommand (screenBoundsOf (*box).getCentre()) + "sleep 0.2; "
                + "xdotool key ctrl+a; xdotool type --delay 10 '" + path + "'; sleep 0.2; "
                + "xdotool key Return; sleep 0.4; xdotool key Return" }, 0);
        }

        juce::String path, shot, title;
        juce::uint32 seenAt = 0;
        PlacementWatch placement;
        bool started = false;
        juce::ChildProcess typing;
    };
}

TEST_F (EditorWindow, SaveAndLoadThroughTheFileDialogsAsAPersonWould)
{
    VANTREL_REQUIRE_DISPLAY();

    // The processor's own dialogs: the framework's file browser on a
    // desktop without a native one.
    plugin->setSettingsFileChooser (nullptr);
    const auto folder = juce::File::createTempFile ("vantrel-dialogs");
    folder.createDirectory();

    setLive (1.0f, 1.0f, 1.0f, 0.5f);
    const auto saved = live();

    {
        DialogTyper typer (folder.getChildFile ("my mix").getFullPathName(), "dialog-save");
        ASSERT_TRUE (runScript (clickCommand (centreOf (Access::settings (*editor)))
                                + waitForWindowCommand ("menu") + "xdotool key Down key Down key Return"));
        EXPECT_TRUE (pumpUntil ([&] { return typer.started; }, 5000));
        EXPECT_EQ (typer.title, "Save settings to...");
        pumpUntil ([&] { return ! typer.typing.isRunning() && juce::Component::getCurrentlyModalComponent() == nullptr; }, 5000);
    }

    // The typed name got the extension; the file is the state chunk.
    const auto written = folder.getChildFile ("my mix.qwv");
    ASSERT_TRUE (written.existsAsFile());
    juce::MemoryBlock chunk, content;
    plugin->getStateInformation (chunk);
    written.loadFileAsData (content);
    EXPECT_EQ (content, chunk);

    setLive (0.0f, 0.0f, 0.0f, 0.0f);

    {
        DialogTyper typer (written.getFullPathName(), "dialog-load");
        ASSERT_TRUE (runScript (clickCommand (centreOf (Access::settings (*editor)))
                                + waitForWindowCommand ("menu") + "xdotool key Down key Return"));
        EXPECT_TRUE (pumpUntil ([&] { return typer.started; }, 5000));
        EXPECT_EQ (typer.title, "Open a settings file...");
        pumpUntil ([&] { return ! typer.typing.isRunning() && juce::Component::getCurrentlyModalComponent() == nullptr; }, 5000);
    }
    refresh();

    EXPECT_EQ (live(), saved);
    EXPECT_EQ (Access::bitDepth (*editor).getButtonText(), "16 bit");
    EXPECT_EQ (juce::Component::getCurrentlyModalComponent(), nullptr);
    folder.deleteRecursively();
}
