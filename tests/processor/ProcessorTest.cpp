#include <gtest/gtest.h>

#include <cstring>

#include "processor/JucePlugin.h"

namespace
{
    juce::AudioBuffer<float> ramp (int channels, int samples)
    {
        juce::AudioBuffer<float> b (channels, samples);
        for (int c = 0; c < channels; ++c)
            for (int i = 0; i < samples; ++i)
                b.setSample (c, i, 0.37f * (float) (i + 1) / (float) samples * (c % 2 == 0 ? 1.0f : -1.0f));
        return b;
    }

    bool sameChannel (const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b, int c)
    {
        return std::memcmp (a.getReadPointer (c), b.getReadPointer (c), sizeof (float) * (size_t) a.getNumSamples()) == 0;
    }
}

TEST (Processor, Identity)
{
    JucePlugin p;
    EXPECT_EQ (p.getName(), "Vantrel Dither");
    EXPECT_EQ (p.getInputChannelName (0), "1");
    EXPECT_EQ (p.getOutputChannelName (1), "2");
    EXPECT_TRUE (p.isInputChannelStereoPair (0));
    EXPECT_FALSE (p.silenceInProducesSilenceOut());
    EXPECT_EQ (p.getTailLengthSeconds(), 0.0);
    EXPECT_FALSE (p.acceptsMidi());
    EXPECT_FALSE (p.producesMidi());
    EXPECT_EQ (p.getNumPrograms(), 0);
    EXPECT_EQ (p.getCurrentProgram(), 0);
    EXPECT_EQ (p.getProgramName (3), "");
    p.setCurrentProgram (2);
    p.changeProgramName (0, "x");
    EXPECT_EQ (p.getCurrentProgram(), 0);

    auto layout = p.getBusesLayout();
    EXPECT_EQ (layout.getMainInputChannelSet(), juce::AudioChannelSet::stereo());
    EXPECT_EQ (layout.getMainOutputChannelSet(), juce::AudioChannelSet::stereo());
    layout.inputBuses.getReference (0) = juce::AudioChannelSet::mono();
    EXPECT_FALSE (p.checkBusesLayoutSupported (layout));
}

TEST (Processor, RequantisesTwoChannelsAndLeavesTheRest)
{
    JucePlugin p;
    p.setParameter (3, 0.5f);
    p.prepareToPlay (48000.0, 64);
    auto buffer = ramp (4, 64);
    const auto input = buffer;
    juce::MidiBuffer midi;
    p.processBlock (buffer, midi);

    EXPECT_FALSE (sameChannel (buffer, input, 0));
    EXPECT_FALSE (sameChannel (buffer, input, 1));
    EXPECT_TRUE (sameChannel (buffer, input, 2));
    EXPECT_TRUE (sameChannel (buffer, input, 3));

    buffer = input;
    p.processBlockBypassed (buffer, midi);
    for (int c = 0; c < 4; ++c)
        EXPECT_TRUE (sameChannel (buffer, input, c));
}

// reset() keeps the shaping history, prepareToPlay() clears it: compare a
// processor that went through one of them with one that processed from fresh.
TEST (Processor, PrepareToPlayClearsTheHistoryAndResetDoesNot)
{
    auto run = [] (int what)
    {
        JucePlugin p;
        p.setParameter (2, 1.0f);
        p.setParameter (3, 0.5f);
        juce::MidiBuffer midi;
        auto first = ramp (2, 100);
        p.processBlock (first, midi);
        if (what == 1) p.reset();
        if (what == 2) p.prepareToPlay (48000.0, 100);
        auto second = ramp (2, 100);
        p.processBlock (second, midi);
        return second;
    };

    auto fresh = [] ()
    {
        JucePlugin p;
        p.setParameter (2, 1.0f);
        p.setParameter (3, 0.5f);
        juce::MidiBuffer midi;
        auto b = ramp (2, 100);
        p.processBlock (b, midi);
        return b;
    };

    const auto carried = run (0), afterReset = run (1), afterPrepare = run (2), fromFresh = fresh();
    EXPECT_TRUE (sameChannel (carried, afterReset, 0));
    EXPECT_TRUE (sameChannel (afterPrepare, fromFresh, 0));
    EXPECT_FALSE (sameChannel (carried, afterPrepare, 0));
}
