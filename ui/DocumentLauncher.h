#pragma once

#include <juce_core/juce_core.h>

#include <functional>

/**
    Opens a document with the application that the desktop associates with it
    (the shell on Windows, xdg-open on Linux). Tests put a handler of their own
    in its place, so that they see what would be opened and nothing starts.
*/
class DocumentLauncher
{
public:
    using Handler = std::function<void (const juce::String& path)>;

    /** Opens the document; what the desktop does with it is not reported. */
    static void open (const juce::String& path);

    /** Replaces the desktop's launch by the handler; an empty handler
        restores it. Message thread only. */
    static void setHandler (Handler handler);
};
