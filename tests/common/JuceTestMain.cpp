// Test entry point for programs that need the framework's message system:
// timers and components need a MessageManager. Per-user files go to a fresh
// temporary folder so that tests never touch the real user's settings.
#include <juce_events/juce_events.h>
#include <gtest/gtest.h>

#include <cstdlib>

int main (int argc, char** argv)
{
    const auto home = juce::File::createTempFile ("vantrel-test-config");
    home.createDirectory();
    setenv ("XDG_CONFIG_HOME", home.getFullPathName().toRawUTF8(), 1);

    ::testing::InitGoogleTest (&argc, argv);
    int result = 0;
    {
        juce::ScopedJuceInitialiser_GUI juce;
        result = RUN_ALL_TESTS();
        juce::DeletedAtShutdown::deleteAll();
    }
    home.deleteRecursively();
    return result;
}
