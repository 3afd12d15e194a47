#include "UiTestSupport.h"

#include <atomic>
#include <chrono>
#include <thread>

using Access = VantrelLookAndFeelTestAccess;

namespace
{
    std::atomic<int> constructions { 0 };
    VantrelLookAndFeel* seenDuringConstruction = reinterpret_cast<VantrelLookAndFeel*> (1);

    // A construction slow enough that a second thread reaches the lock while the
    // first is still building the object.
    VantrelLookAndFeel* slowConstruction()
    {
        ++constructions;
        std::this_thread::sleep_for (std::chrono::milliseconds (100));
        return Access::construct();
    }

    // A construction that asks for the instance while it runs.
    VantrelLookAndFeel* reentrantConstruction()
    {
        ++constructions;
        seenDuringConstruction = VantrelLookAndFeel::getInstance();
        return Access::construct();
    }
}

TEST (LookAndFeelSingleton, SameObjectUntilShutdownThenANewOne)
{
    auto* first = VantrelLookAndFeel::getInstance();
    ASSERT_NE (first, nullptr);
    EXPECT_EQ (VantrelLookAndFeel::getInstance(), first);
    EXPECT_EQ (Access::current(), first);

    // As in the plug-in: the instance is the default look-and-feel when the
    // framework shuts down. Only its destructor clears the instance pointer.
    juce::LookAndFeel::setDefaultLookAndFeel (first);

    juce::DeletedAtShutdown::deleteAll();

    EXPECT_EQ (Access::current(), nullptr) << "the instance was not deleted at shut-down";

    auto* second = VantrelLookAndFeel::getInstance();
    ASSERT_NE (second, nullptr);
    EXPECT_EQ (Access::current(), second);
    EXPECT_EQ (VantrelLookAndFeel::getInstance(), second);
    EXPECT_EQ (second->findColour (juce::TextButton::buttonColourId), juce::Colour (0xFF306CF5));
}

TEST (LookAndFeelSingleton, RacingThreadsGetOneObject)
{
    for (auto create : { &slowConstruction, static_cast<VantrelLookAndFeel* (*)()> (nullptr) })
    {
        Access::destroyInstance();
        ASSERT_EQ (Access::current(), nullptr);
        constructions = 0;

        std::atomic<bool> go { false };
        VantrelLookAndFeel* results[2] = { nullptr, nullptr };

        std::thread threads[2];
        for (int i = 0; i < 2; ++i)
            threads[i] = std::thread ([&, i]
            {
                while (! go)
                    std::this_thread::yield();

                results[i] = create != nullptr ? Access::getOrCreate (create)
                                               : VantrelLookAndFeel::getInstance();
            });

        go = true;
        for (auto& t : threads)
            t.join();

        ASSERT_NE (results[0], nullptr);
        EXPECT_EQ (results[0], results[1]);
        EXPECT_EQ (Access::current(), results[0]);

        if (create != nullptr)
        {
            EXPECT_EQ (constructions.load(), 1);
        }
    }
}

TEST (LookAndFeelSingleton, CallDuringConstructionReturnsNull)
{
    Access::destroyInstance();
    constructions = 0;

    auto* created = Access::getOrCreate (&reentrantConstruction);

    EXPECT_EQ (seenDuringConstruction, nullptr);
    EXPECT_EQ (constructions.load(), 1) << "the re-entrant call constructed a second object";
    ASSERT_NE (created, nullptr);
    EXPECT_EQ (VantrelLookAndFeel::getInstance(), created);
}
