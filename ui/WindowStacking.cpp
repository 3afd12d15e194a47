// The framework's X11 declarations (its display and its dynamically loaded
// Xlib functions) are only visible with this set before its header.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1

#include "WindowStacking.h"

namespace
{
   #if JUCE_LINUX || JUCE_BSD
    bool hasProperty (::Display* display, ::Window window, ::Atom property)
    {
        auto& x = *juce::X11Symbols::getInstance();
        ::Atom type = None;
        int format = 0;
        unsigned long items = 0, remaining = 0;
        unsigned char* data = nullptr;

        const auto status = x.xGetWindowProperty (display, window, property, 0, 0, False, AnyPropertyType,
                                                  &type, &format, &items, &remaining, &data);
        if (data != nullptr)
            x.xFree (data);

        return status == Success && type != None;
    }

    // The window that the window manager manages for the one given: the
    // first of it and its ancestors that carries WM_STATE, which the manager
    // puts on each client window it manages (an embedded editor's window
    // lies inside the host's client window, which lies inside the manager's
    // frame). Without a window manager: the ancestor just below the root.
    ::Window clientWindowHolding (::Display* display, ::Window window)
    {
        auto& x = *juce::X11Symbols::getInstance();
        const auto wmState = x.xInternAtom (display, "WM_STATE", True);

        // A bound on the depth, against a tree that changes meanwhile.
        for (int depth = 0; depth < 64; ++depth)
        {
            if (wmState != None && hasProperty (display, window, wmState))
                return window;

            ::Window root = 0, parent = 0;
            ::Window* children = nullptr;
            unsigned int count = 0;

            if (x.xQueryTree (display, window, &root, &parent, &children, &count) == 0)
                return 0;

            if (children != nullptr)
                x.xFree (children);

            if (parent == 0 || parent == root)
                return window;

            window = parent;
        }

        return 0;
    }
   #endif
}

void WindowStacking::keepAbove (juce::Component& dialog, juce::Component& owner)
{
   #if JUCE_LINUX || JUCE_BSD
    auto* dialogPeer = dialog.getPeer();
    auto* ownerPeer = owner.getPeer();
    auto* system = juce::XWindowSystem::getInstanceWithoutCreating();

    if (dialogPeer == nullptr || ownerPeer == nullptr || dialogPeer == ownerPeer || system == nullptr)
        return;

    auto* display = system->getDisplay();
    if (display == nullptr)
        return;

    juce::XWindowSystemUtilities::ScopedXLock lock;
    auto& x = *juce::X11Symbols::getInstance();

    const auto dialogWindow = (::Window) (juce::pointer_sized_uint) dialogPeer->getNativeHandle();
    auto ownerWindow = clientWindowHolding (display, (::Window) (juce::pointer_sized_uint) ownerPeer->getNativeHandle());

    if (dialogWindow == 0 || ownerWindow == 0 || ownerWindow == dialogWindow)
        return;

    // The window managers watch the property also on a window already shown.
    x.xChangeProperty (display, dialogWindow, XA_WM_TRANSIENT_FOR, XA_WINDOW, 32, PropModeReplace,
                       reinterpret_cast<unsigned char*> (&ownerWindow), 1);
    x.xFlush (display);
   #else
    juce::ignoreUnused (dialog, owner);
   #endif
}
