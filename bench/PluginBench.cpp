// The whole plug-in as a host runs it: the built bundle loaded through the
// framework's VST3 hosting, 48 kHz stereo in blocks of 512 frames, in its
// heaviest mode (16 bit, TPDF, "Curve 2"). Reports the real-time factor.
#include <benchmark/benchmark.h>

#include "PluginHost.h"

namespace
{
    void plugin (benchmark::State& state)
    {
        juce::ScopedJuceInitialiser_GUI juce;
        constexpr double sampleRate = 48000.0;
        constexpr int frames = 512;

        juce::String error;
        auto instance = PluginHost::load (PluginHost::bundle(), sampleRate, frames, error);
        if (instance == nullptr)
        {
            state.SkipWithError (error.toRawUTF8());
            return;
        }

        PluginHost::setParameter (*instance, 1, 0.5f);
        PluginHost::setParameter (*instance, 2, 2.0f / 3.0f);
        PluginHost::setParameter (*instance, 3, 0.5f);
        instance->prepareToPlay (sampleRate, frames);

        juce::AudioBuffer<float> buffer (2, frames);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < frames; ++i)
                buffer.setSample (c, i, 0.3f * std::sin (0.05f * (float) i + (float) c));
        juce::MidiBuffer midi;

        for (auto _ : state)
        {
            instance->processBlock (buffer, midi);
            benchmark::DoNotOptimize (buffer.getReadPointer (0));
        }

        // Seconds of audio per second of processing.
        state.counters["x_real_time"] = benchmark::Counter ((double) frames / sampleRate * (double) state.iterations(),
                                                            benchmark::Counter::kIsRate);
        state.counters["ns_per_frame"] = benchmark::Counter ((double) frames * (double) state.iterations(),
                                                             benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
        instance->releaseResources();
    }
}

BENCHMARK (plugin)->Unit (benchmark::kMicrosecond);

BENCHMARK_MAIN();
