#include <juce_gui_basics/juce_gui_basics.h>

#include <gtest/gtest.h>

// The user interface's tests run on the framework's message thread: the
// framework's GUI is initialised here, before any test, and shut down (which
// deletes the deleted-at-shutdown objects) after the last.
int main (int argc, char** argv)
{
    testing::InitGoogleTest (&argc, argv);

    const juce::ScopedJuceInitialiser_GUI framework;
    return RUN_ALL_TESTS();
}
