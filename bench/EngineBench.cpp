// Cost of the dither engine per stereo frame, next to the conversion a user
// would otherwise reach for (libswresample's float to 16-bit with its
// high-pass triangular dither and its shibata noise shaping), and next to the
// engine's own floor: the heaviest shaping loop with the generator idle.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "engine/Algo.h"

extern "C"
{
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace
{
    constexpr int frames = 512;

    juce::AudioBuffer<float> testSignal()
    {
        juce::AudioBuffer<float> buffer (2, frames);
        std::mt19937 gen (1);
        std::uniform_real_distribution<float> dist (-0.5f, 0.5f);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < frames; ++i)
                buffer.setSample (c, i, dist (gen));
        return buffer;
    }

    void perFrame (benchmark::State& state)
    {
        state.counters["ns_per_frame"] = benchmark::Counter ((double) frames * (double) state.iterations(),
                                                             benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    }

    void engine (benchmark::State& state, int ditherType, int noiseShaping)
    {
        juce::ScopedJuceInitialiser_GUI juce;
        DitherSettings settings;
        settings.ditherType = ditherType;
        settings.noiseShaping = noiseShaping;
        settings.bitDepth = 1;
        Algo algo (&settings, 1u);
        const auto source = testSignal();
        juce::AudioBuffer<float> buffer (2, frames);
        juce::MidiBuffer midi;

        buffer.makeCopyOf (source, true);

        // The same buffer again and again: requantised audio is audio too.
        for (auto _ : state)
        {
            algo.process (buffer, midi, false);
            benchmark::DoNotOptimize (buffer.getReadPointer (0));
        }

        perFrame (state);
    }

    void swresample (benchmark::State& state, const char* method)
    {
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        SwrContext* swr = nullptr;
        swr_alloc_set_opts2 (&swr, &stereo, AV_SAMPLE_FMT_S16, 48000, &stereo, AV_SAMPLE_FMT_FLT, 48000, 0, nullptr);
        av_opt_set (swr, "dither_method", method, 0);
        if (swr == nullptr || swr_init (swr) < 0)
        {
            state.SkipWithError ("libswresample could not be set up");
            return;
        }

        const auto source = testSignal();
        std::vector<float> interleaved (2 * frames);
        for (int i = 0; i < frames; ++i)
            for (int c = 0; c < 2; ++c)
                interleaved[(size_t) (2 * i + c)] = source.getSample (c, i);
        std::vector<int16_t> out (2 * frames);

        for (auto _ : state)
        {
            const uint8_t* in[] = { reinterpret_cast<const uint8_t*> (interleaved.data()) };
            uint8_t* o[] = { reinterpret_cast<uint8_t*> (out.data()) };
            swr_convert (swr, o, frames, in, frames);
            benchmark::DoNotOptimize (out.data());
        }

        perFrame (state);
        swr_free (&swr);
    }
}

BENCHMARK_CAPTURE (engine, tpdf_off, 1, 0);
BENCHMARK_CAPTURE (engine, tpdf_curve1, 1, 1);
BENCHMARK_CAPTURE (engine, tpdf_curve2, 1, 2);
BENCHMARK_CAPTURE (engine, tpdf_curve3, 1, 3);
BENCHMARK_CAPTURE (engine, hptpdf_off, 2, 0);
BENCHMARK_CAPTURE (engine, hptpdf_curve1, 2, 1);
BENCHMARK_CAPTURE (engine, hptpdf_curve2, 2, 2);
BENCHMARK_CAPTURE (engine, hptpdf_curve3, 2, 3);
BENCHMARK_CAPTURE (engine, floor_no_generator_curve2, 0, 2);
BENCHMARK_CAPTURE (swresample, triangular_hp, "triangular_hp");
BENCHMARK_CAPTURE (swresample, shibata, "shibata");

BENCHMARK_MAIN();
