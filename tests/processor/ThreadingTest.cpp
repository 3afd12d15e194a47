#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

#include "processor/JucePlugin.h"
#include "processor/UserSettings.h"

// Audio on one thread, automation on another and the message thread running
// the engine's timer and an editor-like consumer of the editor's marker, all
// at once. Under ThreadSanitizer this shows data races; in any build it shows
// that no change gets lost: once everything settles, the consumer's last
// refresh saw the final values.
TEST (Threading, AudioAutomationAndTimersTogether)
{
    JucePlugin plugin;
    plugin.prepareToPlay (48000.0, 256);

    struct EditorProbe : juce::Timer
    {
        explicit EditorProbe (JucePlugin& p) : plugin (p) { startTimer (3); }
        ~EditorProbe() override { stopTimer(); }

        void timerCallback() override
        {
            if (plugin.getUiChangedParam() > -1)
            {
                for (int i = 0; i < 5; ++i)
                    seen[i] = plugin.getParameter (i);
                ++refreshes;
                plugin.acknowledgeUiChange();
            }
        }

        JucePlugin& plugin;
        float seen[5] = {};
        int refreshes = 0;
    } probe (plugin);

    std::atomic<bool> stop { false };
    std::atomic<long> blocks { 0 };

    std::thread audio ([&]
    {
        juce::AudioBuffer<float> buffer (2, 256);
        juce::MidiBuffer midi;
        while (! stop.load())
        {
            for (int c = 0; c < 2; ++c)
                for (int i = 0; i < 256; ++i)
                    buffer.setSample (c, i, 0.25f * (float) ((i * 7 + c) % 13) / 13.0f);
            plugin.processBlock (buffer, midi);
            ++blocks;
        }
    });

    std::thread automation ([&]
    {
        std::mt19937 gen (3);
        for (int i = 0; i < 3000; ++i)
        {
            plugin.setParameter ((int) (gen() % 5), (float) (gen() % 4) / 3.0f);
            if (i % 50 == 0)
                std::this_thread::sleep_for (std::chrono::milliseconds (2));
        }
    });

    auto settle = [&]
    {
        for (int i = 0; i < 300 && (plugin.getDspChangedParam() != -1 || plugin.getUiChangedParam() != -1); ++i)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (10);
    };

    // Keep the message loop going while automation runs.
    std::atomic<bool> automationDone { false };
    std::thread waiter ([&] { automation.join(); automationDone = true; });
    while (! automationDone.load())
        juce::MessageManager::getInstance()->runDispatchLoopUntil (10);
    waiter.join();

    settle();
    stop = true;
    audio.join();

    EXPECT_EQ (plugin.getDspChangedParam(), -1);
    EXPECT_EQ (plugin.getUiChangedParam(), -1);
    EXPECT_GT (probe.refreshes, 0);
    EXPECT_GT (blocks.load(), 10);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ (probe.seen[i], plugin.getParameter (i)) << "parameter " << i;
}

// A restore applies the fields before it marks: a consumer on another thread
// that sees the engine's mark reads the restored settings, down to the store
// entry applied last, never the ones from before.
TEST (Threading, WhoeverSeesARestoresMarkSeesItsSettings)
{
    JucePlugin plugin;
    plugin.getAlgo().stopTimer();
    juce::MemoryBlock chunks[2];
    for (int k = 0; k < 2; ++k)
    {
        plugin.ditherType = k + 1;
        plugin.bBuf[3] = k == 0 ? 0.25f : 0.75f;
        plugin.getStateInformation (chunks[k]);
    }

    constexpr int rounds = 300;
    std::atomic<int> round { -1 }, done { 0 }, stale { 0 };

    std::thread consumer ([&]
    {
        for (int r = 0; r < rounds; ++r)
        {
            while (round.load() != r) {}
            while (plugin.getDspChangedParam() != 5) {}
            if (plugin.bBuf[3].load() != (r % 2 == 0 ? 0.25f : 0.75f) || plugin.ditherType.load() != r % 2 + 1)
                ++stale;
            done = r + 1;
        }
    });

    for (int r = 0; r < rounds; ++r)
    {
        plugin.clearDspChanged();
        round = r;
        plugin.setStateInformation (chunks[r % 2].getData(), (int) chunks[r % 2].getSize());
        while (done.load() != r + 1) {}
    }

    consumer.join();
    EXPECT_EQ (stale.load(), 0);
}

// Without a delay a change is written at once, but not from the setter,
// which holds the set's lock that a merge takes second. Changes on one thread
// and saves on another: no lock-order inversion (under ThreadSanitizer), no
// deadlock, and the last change reaches the file.
TEST (Threading, SettingsWithoutDelayChangedAndSavedAtOnce)
{
    const auto file = juce::File::createTempFile ("vantrel-threading").getChildFile ("Dither.settings");
    auto options = UserSettings::options ("Dither", "Application Support");
    options.millisecondsBeforeSaving = 0;
    {
        UserSettings settings (file, options);
        settings.setValue (UserSettings::ditherTypeKey, 0);   // alone: a setter's lock order shows before any deadlock
        std::thread saves ([&] { for (int i = 0; i < 100; ++i) settings.save(); });
        for (int i = 1; i <= 100; ++i)
            settings.setValue (UserSettings::ditherTypeKey, i);
        saves.join();

        for (int i = 0; i < 200 && ! file.loadFileAsString().contains ("val=\"100\""); ++i)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (10);
        EXPECT_TRUE (file.loadFileAsString().contains ("val=\"100\""));
    }
    file.getParentDirectory().deleteRecursively();
}
