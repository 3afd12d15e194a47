#include "WindowTestSupport.h"

#include <cstdlib>

#include <X11/Xlib.h>

namespace
{
    // A host's toolkit handles X errors itself, as GTK does. The framework
    // installs its handler only in a stand-alone application, so in this
    // test host Xlib's default one would end the process on the first
    // BadWindow that a window closed meanwhile (a dialog, a menu) causes.
    int ignoreXError (Display*, XErrorEvent*)   { return 0; }

    [[maybe_unused]] const auto xErrorHandlerOfTheHost = XSetErrorHandler (ignoreXError);
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
        juce::ChildProcess process;

        if (! process.start (juce::StringArray { "/bin/bash", "-c", script }, 0))
            return false;

        if (! pumpUntil ([&] { return ! process.isRunning(); }, timeoutMs))
        {
            process.kill();
            ADD_FAILURE() << "script timed out: " << script;
            return false;
        }

        return process.getExitCode() == 0;
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

    juce::String keyToWindowCommand (const juce::String& title, const juce::String& key)
    {
        return "timeout 10 xdotool search --onlyvisible --name '^" + title + "$' windowactivate --sync || exit 1; "
             + "xdotool key " + key + "; ";
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
        : juce::DocumentWindow (title, juce::Colours::lightgrey, juce::DocumentWindow::closeButton)
    {
        setUsingNativeTitleBar (true);
        setContentNonOwned (&content, true);
        setTopLeftPosition (topLeft);
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
        const auto shown = pumpUntil ([this] { return getPeer() != nullptr && isShowing() && isOnDesktop(); }, 5000);

        // The window manager places and maps the window, then it is painted.
        pump (600);
        return shown;
    }
}
