#pragma once

#include <juce_events/juce_events.h>

/**
    The framework's own message loop, which runs the test host, wakes for X
    events when the X connection's descriptor is readable. Xlib reads every
    event that has arrived into a queue of its own whenever the framework
    waits for a reply of the server, and those then wait there until the next
    event arrives. A host's toolkit looks into that queue as well (GTK does);
    this handles what it holds on a short timer, so that the test host's
    windows follow the X server as a real host's do.
*/
class ReadAheadEvents : private juce::Timer,
                        private juce::DeletedAtShutdown
{
public:
    /** Starts the one timer of the process, once. */
    static void start();

private:
    ReadAheadEvents();
    void timerCallback() override;
};
