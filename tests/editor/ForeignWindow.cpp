#include "ForeignWindow.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <atomic>
#include <thread>

namespace windowtest
{
    struct ForeignWindow::Connection
    {
        Display* display = nullptr;
        Window window = 0;
    };

    ForeignWindow::ForeignWindow (const juce::String& title, juce::Rectangle<int> area)
        : connection (std::make_unique<Connection>())
    {
        auto& c = *connection;
        c.display = XOpenDisplay (nullptr);

        if (c.display == nullptr)
            return;

        const auto screen = DefaultScreen (c.display);
        c.window = XCreateSimpleWindow (c.display, RootWindow (c.display, screen), area.getX(), area.getY(),
                                        (unsigned) area.getWidth(), (unsigned) area.getHeight(), 0,
                                        BlackPixel (c.display, screen), 0x4060a0);
        XStoreName (c.display, c.window, title.toRawUTF8());

        XWMHints hints {};
        hints.flags = InputHint;
        hints.input = True;
        XSetWMHints (c.display, c.window, &hints);

        XSizeHints size {};
        size.flags = USPosition | USSize;
        size.x = area.getX();
        size.y = area.getY();
        size.width = area.getWidth();
        size.height = area.getHeight();
        XSetWMNormalHints (c.display, c.window, &size);

        XMapWindow (c.display, c.window);
        XSync (c.display, False);
    }

    ForeignWindow::~ForeignWindow()
    {
        if (connection->display != nullptr)
        {
            XDestroyWindow (connection->display, connection->window);
            XCloseDisplay (connection->display);
        }
    }

    bool ForeignWindow::isOpen() const
    {
        return connection->display != nullptr && connection->window != 0;
    }

    unsigned long ForeignWindow::id() const
    {
        return connection->window;
    }

    void ForeignWindow::keepAboveThis (unsigned long windowId)
    {
        if (! isOpen())
            return;

        XSetTransientForHint (connection->display, (Window) windowId, connection->window);
        XSync (connection->display, False);
    }

    std::vector<unsigned long> stackingOrder()
    {
        std::vector<unsigned long> order;
        auto* display = XOpenDisplay (nullptr);

        if (display == nullptr)
            return order;

        Atom type = 0;
        int format = 0;
        unsigned long count = 0, remaining = 0;
        unsigned char* data = nullptr;

        if (XGetWindowProperty (display, DefaultRootWindow (display), XInternAtom (display, "_NET_CLIENT_LIST_STACKING", False),
                                0, 4096, False, XA_WINDOW, &type, &format, &count, &remaining, &data) == Success
            && data != nullptr && format == 32)
        {
            const auto* windows = reinterpret_cast<const unsigned long*> (data);
            order.assign (windows, windows + count);
        }

        if (data != nullptr)
            XFree (data);

        XCloseDisplay (display);
        return order;
    }

    unsigned long managedWindowNamed (const juce::String& title)
    {
        const auto order = stackingOrder();
        auto* display = XOpenDisplay (nullptr);
        unsigned long found = 0;

        if (display == nullptr)
            return found;

        for (auto w = order.rbegin(); w != order.rend() && found == 0; ++w)
        {
            // The framework writes WM_NAME as UTF8_STRING, which XFetchName
            // does not return.
            XTextProperty name {};

            if (XGetWMName (display, (Window) *w, &name) != 0 && name.value != nullptr)
            {
                if (title == juce::String::fromUTF8 (reinterpret_cast<const char*> (name.value), (int) name.nitems))
                    found = *w;

                XFree (name.value);
            }
        }

        XCloseDisplay (display);
        return found;
    }

    juce::Rectangle<int> screenGeometryOf (unsigned long windowId)
    {
        auto* display = XOpenDisplay (nullptr);
        juce::Rectangle<int> area;

        if (display == nullptr)
            return area;

        XWindowAttributes atts {};
        Window child = 0;
        int x = 0, y = 0;

        if (XGetWindowAttributes (display, (Window) windowId, &atts) != 0 && atts.map_state == IsViewable
            && XTranslateCoordinates (display, (Window) windowId, atts.root, 0, 0, &x, &y, &child) != 0)
            area = { x, y, atts.width, atts.height };

        XCloseDisplay (display);
        return area;
    }

    void moveFromOutside (unsigned long windowId, juce::Rectangle<int> area)
    {
        if (auto* display = XOpenDisplay (nullptr))
        {
            XMoveResizeWindow (display, (Window) windowId, area.getX(), area.getY(), (unsigned) area.getWidth(), (unsigned) area.getHeight());
            XSync (display, False);
            XCloseDisplay (display);
        }
    }

    unsigned long windowOf (juce::Component& component)
    {
        if (auto* peer = component.getPeer())
            return (unsigned long) (juce::pointer_sized_uint) peer->getNativeHandle();

        return 0;
    }

    namespace
    {
        // The client that makes the windows: its own errors are not counted.
        std::atomic<Display*> churnDisplay { nullptr };
        std::atomic<int> errorsSeen { 0 };

        int countError (Display* display, XErrorEvent*)
        {
            if (display != churnDisplay.load())
                ++errorsSeen;

            return 0;
        }
    }

    int xErrorsWhileFocusedWindowsVanish (const std::function<void()>& probe, int milliseconds)
    {
        auto* display = XOpenDisplay (nullptr);

        if (display == nullptr)
            return -1;

        churnDisplay = display;
        errorsSeen = 0;
        const auto previousHandler = XSetErrorHandler (countError);
        std::atomic<bool> stop { false };

        // Windows that the manager leaves alone, so that each can take the
        // focus as soon as it is mapped.
        std::thread churn ([display, &stop]
        {
            XSetWindowAttributes attributes {};
            attributes.override_redirect = True;

            while (! stop)
            {
                const auto w = XCreateWindow (display, DefaultRootWindow (display), 0, 0, 8, 8, 0, CopyFromParent,
                                              InputOutput, CopyFromParent, CWOverrideRedirect, &attributes);
                XMapWindow (display, w);
                XSetInputFocus (display, w, RevertToPointerRoot, CurrentTime);
                XSync (display, False);
                XDestroyWindow (display, w);
                XSync (display, False);
            }
        });

        for (const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) milliseconds; juce::Time::getMillisecondCounter() < end;)
            probe();

        stop = true;
        churn.join();
        XSetErrorHandler (previousHandler);
        churnDisplay = nullptr;
        XCloseDisplay (display);
        return errorsSeen;
    }
}
