// The framework's X window system is declared with the X headers, which this
// file alone includes: their macros (None, Status) collide with the tests'.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include "ReadAheadEvents.h"

#include <juce_gui_basics/juce_gui_basics.h>
#include <juce_events/native/juce_linux_EventLoopInternal.h>

void ReadAheadEvents::start()
{
    // Deleted with the framework's other singletons at shutdown.
    [[maybe_unused]] static auto* const instance = new ReadAheadEvents();
}

ReadAheadEvents::ReadAheadEvents()
{
    startTimer (10);
}

void ReadAheadEvents::timerCallback()
{
    auto* display = juce::XWindowSystem::getInstance()->getDisplay();

    if (display != nullptr && XEventsQueued (display, QueuedAlready) > 0)
        juce::LinuxEventLoopInternal::invokeEventLoopCallbackForFd (ConnectionNumber (display));
}
