#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <memory>
#include <vector>

namespace windowtest
{
    /**
        A top-level window of another toolkit on the display, on an X
        connection of its own, as a host's main window is: the framework in
        this process knows nothing of it, so its modal state does not reach
        it. The window manager manages it like any other.
    */
    class ForeignWindow
    {
    public:
        ForeignWindow (const juce::String& title, juce::Rectangle<int> area);
        ~ForeignWindow();

        /** False when the display could not be opened. */
        bool isOpen() const;

        unsigned long id() const;

        /** Makes the window of the given id transient for this one, as hosts
            do with their plug-in windows: the manager keeps it above this one. */
        void keepAboveThis (unsigned long windowId);

    private:
        struct Connection;
        std::unique_ptr<Connection> connection;
    };

    /** The windows the manager manages, from the bottom to the top
        (_NET_CLIENT_LIST_STACKING of the root window). */
    std::vector<unsigned long> stackingOrder();

    /** The first managed window with the title, from the top; 0 for none. */
    unsigned long managedWindowNamed (const juce::String& title);

    /** Where the X server has the window on the screen, once it is mapped;
        empty while it is not, or for no such window. */
    juce::Rectangle<int> screenGeometryOf (unsigned long windowId);

    /** Asks, from a connection of its own, for the window to take the
        position and size, as another program or the window manager would. */
    void moveFromOutside (unsigned long windowId, juce::Rectangle<int> area);

    /** The X window of a component on the desktop; 0 for none. */
    unsigned long windowOf (juce::Component& component);

    /** Calls the probe again and again for the time given while another
        client gives the focus to windows of its own and destroys them at
        once, as a window manager does with the frame of a dialog that
        closes. Meanwhile an X error handler stands in for a host's (GTK's
        ends the host): the number of X errors it saw for this process's own
        requests. */
    int xErrorsWhileFocusedWindowsVanish (const std::function<void()>& probe, int milliseconds);
}
