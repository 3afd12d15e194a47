#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/**
    Keeps a dialog's window above the window that it belongs to.

    The about box, the message boxes and the framework's own file dialog are
    top-level windows of their own that block the editor while they are open.
    Without a relation between them the window manager stacks them like any
    other window: when the host raises its main window, the dialog can end up
    behind it while the plug-in window (which hosts keep above their main
    window) stays in front and no longer reacts.
*/
namespace WindowStacking
{
    /** Marks the dialog's window on X11 as transient for the top-level
        window that holds the owner: the host's plug-in window when the
        editor is embedded in one, else the owner's own. The window manager
        then keeps the dialog above that window, and above every window that
        one is kept above. Does nothing when either has no window on the
        desktop, or on other platforms. Message thread only. */
    void keepAbove (juce::Component& dialog, juce::Component& owner);
}
