#include "WindowTestSupport.h"
#include "ReadAheadEvents.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <vector>

#include <X11/Xlib.h>
#include <unistd.h>

namespace
{
    // A host's toolkit handles X errors itself, as GTK does. The framework
    // installs its handler only in a stand-alone application, so in this
    // test host Xlib's default one would end the process on the first
    // BadWindow that a window closed meanwhile (a dialog, a menu) causes.
    int ignoreXError (Display*, XErrorEvent*)   { return 0; }

    [[maybe_unused]] const auto xErrorHandlerOfTheHost = XSetErrorHandler (ignoreXError);

    /** A connection of the tests' own to the X server, for questions about
        windows; the framework's stays with the framework. */
    ::Display* xDisplay()
    {
        static ::Display* const display = XOpenDisplay (nullptr);
        return display;
    }

    /** True once the window is viewable and the window manager has put a
        frame around it (it sets _NET_FRAME_EXTENTS when it does). */
    bool isFramedAndViewable (::Window window)
    {
        auto* display = xDisplay();
        XWindowAttributes attributes;

        if (display == nullptr || XGetWindowAttributes (display, window, &attributes) == 0 || attributes.map_state != IsViewable)
            return false;

        Atom type = None;
        int format = 0;
        unsigned long items = 0, remaining = 0;
        unsigned char* data = nullptr;
        const auto extents = XInternAtom (display, "_NET_FRAME_EXTENTS", False);
        const auto status = XGetWindowProperty (display, window, extents, 0, 4, False, AnyPropertyType,
                                                &type, &format, &items, &remaining, &data);
        if (data != nullptr)
            XFree (data);

        return status == Success && type != None && items == 4;
    }
}

namespace windowtest
{
    bool haveDisplay()
    {
        const auto* display = std::getenv ("DISPLAY");
        return display != nullptr && *display != 0;
    }

    juce::File artifactsFolder()
    {
        juce::File folder;

        if (const auto* fromEnvironment = std::getenv ("VANTREL_ARTIFACTS_DIR"); fromEnvironment != nullptr && *fromEnvironment != 0)
            folder = juce::File (juce::String::fromUTF8 (fromEnvironment)).getChildFile ("editor");
        else
            folder = juce::File (VANTREL_DEFAULT_ARTIFACTS_DIR);

        folder.createDirectory();
        return folder;
    }

    juce::Rectangle<int> screenBoundsOf (const juce::Component& component)
    {
        auto* peer = component.getPeer();
        auto* display = xDisplay();
        int x = 0, y = 0;
        ::Window child = 0;

        if (peer == nullptr || display == nullptr
            || ! XTranslateCoordinates (display, (::Window) peer->getNativeHandle(), DefaultRootWindow (display), 0, 0, &x, &y, &child))
            return component.getScreenBounds();

        const auto inWindow = peer->getComponent().getLocalPoint (&component, juce::Point<int>());
        return component.getLocalBounds().withPosition (inWindow + juce::Point<int> (x, y));
    }

    bool PlacementWatch::settled (const juce::Component& component)
    {
        auto* peer = component.getPeer();
        const auto now = peer != nullptr && isFramedAndViewable ((::Window) peer->getNativeHandle())
                       ? screenBoundsOf (component) : juce::Rectangle<int>();

        if (now != last || since == 0)
        {
            last = now;
            since = juce::Time::getMillisecondCounter();
        }

        return ! now.isEmpty() && juce::Time::getMillisecondCounter() - since >= 250;
    }

    bool waitUntilPlaced (const juce::Component& component, int timeoutMs)
    {
        PlacementWatch watch;
        return pumpUntil ([&] { return watch.settled (component); }, timeoutMs);
    }

    namespace
    {
        /** The windows under the pointer from the root down to the deepest. */
        std::vector<::Window> windowsUnderPointer (juce::Point<int>& position)
        {
            std::vector<::Window> chain;
            auto* display = xDisplay();

            if (display == nullptr)
                return chain;

            ::Window window = DefaultRootWindow (display);

            while (window != 0)
            {
                ::Window root = 0, child = 0;
                int rootX = 0, rootY = 0, x = 0, y = 0;
                unsigned int mask = 0;

                if (! XQueryPointer (display, window, &root, &child, &rootX, &rootY, &x, &y, &mask))
                    break;

                position = { rootX, rootY };
                chain.push_back (window);
                window = child;
            }

            return chain;
        }
    }

    bool pointerIsOver (const juce::Component& component)
    {
        auto* peer = component.getPeer();

        if (peer == nullptr)
            return false;

        juce::Point<int> position;
        const auto chain = windowsUnderPointer (position);

        // The deepest window is the component's own or one inside it (a
        // plug-in's view is a window of its own within the host's).
        const auto own = (::Window) peer->getNativeHandle();
        return screenBoundsOf (component).contains (position)
            && std::find (chain.begin(), chain.end(), own) != chain.end();
    }

    juce::String describePointer()
    {
        juce::Point<int> position;
        juce::StringArray windows;

        for (auto window : windowsUnderPointer (position))
            windows.add ("0x" + juce::String::toHexString ((juce::pointer_sized_int) window));

        return "pointer at " + position.toString() + " over " + windows.joinIntoString (" > ");
    }

    void pump (int milliseconds)
    {
        juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
    }

    bool pumpUntil (const std::function<bool()>& condition, int timeoutMs)
    {
        const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;

        while (! condition())
        {
            if (juce::Time::getMillisecondCounter() > end)
                return false;

            pump (10);
        }

        return true;
    }

    bool runScript (const juce::String& script, int timeoutMs)
    {
        // The script's commands, each with the time it started, go to a file:
        // when it fails, they show which step did and when.
        juce::TemporaryFile trace (".trace");
        juce::ChildProcess process;

        if (! process.start (juce::StringArray { "/bin/bash", "-c",
                                                 "exec 2>'" + trace.getFile().getFullPathName() + "'; "
                                                 "PS4='+ ${EPOCHREALTIME} '; set -x; " + script }, 0))
            return false;

        const auto finished = pumpUntil ([&] { return ! process.isRunning(); }, timeoutMs);

        if (! finished)
            process.kill();

        const auto status = finished ? (int) process.getExitCode() : -1;

        if (status != 0)
        {
            auto lines = juce::StringArray::fromLines (trace.getFile().loadFileAsString());
            lines.removeRange (0, lines.size() - 12);
            std::cout << "script " << (finished ? "ended with status " + juce::String (status) : juce::String ("timed out"))
                      << " at " << juce::Time::getCurrentTime().formatted ("%H:%M:%S").toStdString()
                      << ", its last commands:\n" << lines.joinIntoString ("\n") << std::endl;
        }

        if (! finished)
            ADD_FAILURE() << "script timed out: " << script;

        return status == 0;
    }

    juce::String clickCommand (juce::Point<int> p, bool withControl)
    {
        const auto move = "xdotool mousemove " + juce::String (p.x) + " " + juce::String (p.y) + "; sleep 0.15; ";

        if (withControl)
            return move + "xdotool keydown ctrl; sleep 0.1; xdotool click 1; sleep 0.1; xdotool keyup ctrl; ";

        return move + "xdotool click 1; ";
    }

    juce::String waitForWindowCommand (const juce::String& title, bool shown)
    {
        const juce::String search ("xdotool search --onlyvisible --name '^" + title + "$' > /dev/null");
        return "timeout 10 bash -c \"" + juce::String (shown ? "until " : "while ") + search
             + "; do sleep 0.02; done\" || exit 1; ";
    }

    juce::File repeatLog()
    {
        return artifactsFolder().getChildFile ("repeats.log");
    }

    namespace
    {
        /** How a repeat of the running test starts its line in the log. */
        juce::String repeatPrefix()
        {
            const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
            const juce::String name = test != nullptr ? juce::String (test->test_suite_name()) + "." + test->name() : "(no test)";
            return name + " (process " + juce::String (getpid()) + "): ";
        }

        /** The shell's text for a line of the log. */
        juce::String logRepeatCommand (const juce::String& what)
        {
            return "echo \"$(date -u +%FT%T) " + repeatPrefix() + what + "\" >> '" + repeatLog().getFullPathName() + "'; ";
        }
    }

    void logRepeat (const juce::String& what)
    {
        repeatLog().appendText (juce::Time::getCurrentTime().toISO8601 (false) + " " + repeatPrefix() + what + "\n");
    }

    int repeatsInThisTest()
    {
        juce::StringArray lines;
        lines.addLines (repeatLog().loadFileAsString());
        const auto prefix = repeatPrefix();
        int count = 0;

        for (const auto& line : lines)
            count += line.contains (prefix) ? 1 : 0;

        return count;
    }

    juce::String clickForWindowCommand (juce::Point<int> p, const juce::String& title)
    {
        // A click is repeated only after five seconds without the window (a
        // slow one shows within a fraction of that, and within seconds with
        // every core busy) and only while none of that title exists, shown or
        // not, so a window on its way is never clicked away.
        const juce::String name ("--name '^" + title + "$' > /dev/null");
        return "for click in 1 2; do " + clickCommand (p)
             + "timeout 5 bash -c \"until xdotool search --onlyvisible " + name + "; do sleep 0.02; done\" && break; "
             + "if xdotool search " + name + "; then " + waitForWindowCommand (title) + "break; fi; "
             + "[ $click = 2 ] && exit 1; "
             + logRepeatCommand ("no window '" + title + "' 5 s after the click at " + juce::String (p.x) + "," + juce::String (p.y)
                                 + " ($(xdotool getmouselocation 2>&1)): clicked again")
             + "done; ";
    }

    juce::String closeWithKeyCommand (const juce::String& title, const juce::String& key)
    {
        // The key again only while the window is still there: a window that
        // has gone took it, and a second key would go to another.
        const juce::String search ("xdotool search --onlyvisible --name '^" + title + "$'");
        return waitForWindowCommand (title)
             + "for press in 1 2; do " + search + " windowactivate --sync > /dev/null || break; xdotool key " + key + "; "
             + "timeout 5 bash -c \"while " + search + " > /dev/null; do sleep 0.02; done\" && break; "
             + "[ $press = 2 ] && exit 1; "
             + logRepeatCommand ("window '" + title + "' still there 5 s after " + key + ": pressed again")
             + "done; " + waitForWindowCommand (title, false);
    }

    juce::String screenshotCommand (juce::Rectangle<int> area, const juce::String& name)
    {
        const auto file = artifactsFolder().getChildFile (name + ".png");
        return "import -window root -crop " + juce::String (area.getWidth()) + "x" + juce::String (area.getHeight())
             + "+" + juce::String (area.getX()) + "+" + juce::String (area.getY()) + " +repage '"
             + file.getFullPathName() + "'; ";
    }

    juce::Image screenshot (juce::Rectangle<int> area, const juce::String& name)
    {
        const auto file = artifactsFolder().getChildFile (name + ".png");
        file.deleteFile();

        if (! runScript (screenshotCommand (area, name)))
            return {};

        return juce::ImageFileFormat::loadFrom (file);
    }

    bool near (juce::Colour a, juce::Colour b, int tolerance)
    {
        return std::abs (a.getRed() - b.getRed()) <= tolerance
            && std::abs (a.getGreen() - b.getGreen()) <= tolerance
            && std::abs (a.getBlue() - b.getBlue()) <= tolerance;
    }

    int countWhere (const juce::Image& image, juce::Rectangle<int> area, const std::function<bool (juce::Colour)>& accept)
    {
        int count = 0;
        area = area.getIntersection (image.getBounds());

        for (int y = area.getY(); y < area.getBottom(); ++y)
            for (int x = area.getX(); x < area.getRight(); ++x)
                if (accept (image.getPixelAt (x, y)))
                    ++count;

        return count;
    }

    //==============================================================================
    TestWindow::TestWindow (const juce::String& title, juce::Component& content, juce::Point<int> topLeft)
        // Not on the desktop before it has its content: the framework would
        // create its X window at once, at the window's 128 x 128 minimum, and
        // again for the native title bar, then resize it. Under load the
        // window manager could still apply that first size after the resize,
        // and the window and the host's editor in it stayed 128 x 128 while
        // the plug-in's view inside was drawn at its own size, clipped. Made
        // visible below, the window is created once, at its content's size.
        : juce::DocumentWindow (title, juce::Colours::lightgrey, juce::DocumentWindow::closeButton, false)
    {
        ReadAheadEvents::start();
        setUsingNativeTitleBar (true);
        setContentNonOwned (&content, true);
        setTopLeftPosition (topLeft);
        wantedTopLeft = topLeft;
        addToDesktop();
        setVisible (true);
        toFront (true);
    }

    TestWindow::~TestWindow()
    {
        clearContentComponent();
    }

    juce::Rectangle<int> TestWindow::contentScreenBounds() const
    {
        if (auto* content = getContentComponent())
            return content->getScreenBounds();

        return {};
    }

    bool TestWindow::waitUntilShown()
    {
        if (! pumpUntil ([this] { return getPeer() != nullptr && isShowing() && isOnDesktop(); }, 5000))
            return false;

        // The window manager frames, places and maps the window in its own
        // time, later still on a busy machine, and now and then not where
        // the window asked to be: it is moved by what is missing until the X
        // server has it there. The manager may add its frame's offset to a
        // request, so each request corrects the last one by the error seen.
        auto* display = xDisplay();
        const auto window = (::Window) getPeer()->getNativeHandle();
        auto placed = waitUntilPlaced (*this);
        auto request = screenBoundsOf (*this).getPosition();

        for (int attempt = 0; placed && attempt < 5 && screenBoundsOf (*this).getPosition() != wantedTopLeft; ++attempt)
        {
            request += wantedTopLeft - screenBoundsOf (*this).getPosition();
            XMoveWindow (display, window, request.x, request.y);
            XSync (display, False);
            placed = waitUntilPlaced (*this);
        }

        // Then it is painted.
        pump (200);
        return placed && screenBoundsOf (*this).getPosition() == wantedTopLeft;
    }
}
