#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

/**
    Helpers for the tests that show real windows on the X display: they drive
    the mouse and keyboard with xdotool, as a person would, and take
    screenshots with ImageMagick's import.
*/
namespace windowtest
{
    /** True when an X display is set. */
    bool haveDisplay();

    /** $VANTREL_ARTIFACTS_DIR/editor, else the build's artifacts/editor. */
    juce::File artifactsFolder();

    /** Where the component is on the screen as the X server has it: the
        framework's own idea of its window's position can lag behind the
        window manager's placing, and a click or screenshot there would miss. */
    juce::Rectangle<int> screenBoundsOf (const juce::Component& component);

    /** Waits, running the message loop, until the window manager has framed
        and mapped the component's window and it has held still on the screen
        for a while, as the X server has it. */
    bool waitUntilPlaced (const juce::Component& component, int timeoutMs = 20000);

    /** The same without waiting, for a timer that looks again and again:
        true once the window has held still for a while. */
    class PlacementWatch
    {
    public:
        bool settled (const juce::Component& component);

    private:
        juce::Rectangle<int> last;
        juce::uint32 since = 0;
    };

    /** True when the X server has the pointer over the component: inside its
        bounds on the screen and, of all windows, over the component's own. A
        click then goes to it; the framework's isMouseOver can still be true
        when another window has come between. */
    bool pointerIsOver (const juce::Component& component);

    /** The X window under the pointer, deepest first, and the pointer's
        position: for a log when a click went astray. */
    juce::String describePointer();

    /** Runs the message loop for the given time. */
    void pump (int milliseconds);

    /** Runs the message loop until the condition holds or the time is over. */
    bool pumpUntil (const std::function<bool()>& condition, int timeoutMs = 5000);

    /** Runs a shell script (bash) and keeps the message loop going until it
        ends, so that the events it causes are handled meanwhile, also inside
        the nested loop of a menu it opens. False when it failed or timed out. */
    bool runScript (const juce::String& script, int timeoutMs = 20000);

    /** xdotool commands: move to the point (screen pixels) and click, with
        the Control key held when asked. */
    juce::String clickCommand (juce::Point<int> screenPoint, bool withControl = false);

    /** The command that waits until a window with the title is on the screen
        (or, with shown false, until none is) and fails the script after ten
        seconds. */
    juce::String waitForWindowCommand (const juce::String& title, bool shown = true);

    /** Every click or key that a test repeats because the first showed no
        effect is a line of this log (artefacts/editor/repeats.log), with the
        test's name; a test that needs more than one repeat fails. */
    juce::File repeatLog();

    /** Logs a repeat of the running test. */
    void logRepeat (const juce::String& what);

    /** The repeats the running test has logged so far. */
    int repeatsInThisTest();

    /** The command that clicks at the point until a window with the title is
        on the screen: it clicks once more, logged, when five seconds after
        the click no such window exists, and fails after ten seconds without it. */
    juce::String clickForWindowCommand (juce::Point<int> screenPoint, const juce::String& title);

    /** The command that makes the window with the title the active one, waits
        until it is, and presses the key that closes it: the key reaches that
        window whatever had the focus before. It presses the key once more,
        logged, when the window is still there five seconds later, and fails
        when it is still there ten seconds after that. */
    juce::String closeWithKeyCommand (const juce::String& title, const juce::String& key);

    /** The command that saves the screen area as <name>.png in the artefacts. */
    juce::String screenshotCommand (juce::Rectangle<int> screenArea, const juce::String& name);

    /** Takes the screenshot now and loads it; a null image when it failed. */
    juce::Image screenshot (juce::Rectangle<int> screenArea, const juce::String& name);

    /** True when each channel differs by at most the tolerance. */
    bool near (juce::Colour a, juce::Colour b, int tolerance = 8);

    /** The number of pixels in the area that the predicate accepts. */
    int countWhere (const juce::Image& image, juce::Rectangle<int> area, const std::function<bool (juce::Colour)>& accept);

    /** A top-level window that holds a component, at a fixed place on the
        screen, brought to the front with keyboard focus. */
    class TestWindow : public juce::DocumentWindow
    {
    public:
        TestWindow (const juce::String& title, juce::Component& content, juce::Point<int> topLeft);
        ~TestWindow() override;

        void closeButtonPressed() override {}

        /** Where the content lies on the screen. */
        juce::Rectangle<int> contentScreenBounds() const;

        /** Waits until the window manager has framed the window and it holds
            still on the screen where it was asked to be, then gives it time
            to be drawn. A window that the manager put elsewhere is moved
            there, and the X server asked again, until it is. */
        bool waitUntilShown();

    private:
        juce::Point<int> wantedTopLeft;
    };

    /** Skips the test when there is no display. */
    #define VANTREL_REQUIRE_DISPLAY() \
        if (! windowtest::haveDisplay()) GTEST_SKIP() << "no X display (DISPLAY is not set)"
}
