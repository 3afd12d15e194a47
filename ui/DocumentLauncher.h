#pragma once

#include <juce_core/juce_core.h>

#include <functional>

/**
    Opens a document, or a web address, with the application that the
    desktop associates with it (the shell on Windows, xdg-open on Linux).
    Tests put a handler of their own in its place, so that they see what
    would be opened and nothing starts.

    On Linux xdg-open is started directly, with the path as its one argument:
    no shell reads the path, so blanks, quotes, '$', backticks and backslashes
    in it are only characters of the name, and an executable document is
    opened rather than run. xdg-open is looked up in the absolute folders of
    $PATH only, never under the working folder. The opener runs in a process
    of its own that the host never has to reap, and it inherits none of the
    host's descriptors but the standard streams.
*/
class DocumentLauncher
{
public:
    /** Takes the path and tells whether the launch started. */
    using Handler = std::function<bool (const juce::String& path)>;

    /** Starts the opener for the document or address. Returns false when it could not be
        started (no xdg-open on the PATH, no process to be had); what the
        opener then does with the document is not reported. */
    static bool open (const juce::String& path);

    /** Replaces the desktop's launch by the handler; an empty handler
        restores it. Message thread only. */
    static void setHandler (Handler handler);
};
