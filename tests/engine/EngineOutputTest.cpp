#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "engine/Algo.h"
#include "ReferenceDither.h"

namespace
{
    constexpr uint32_t seed = 20261207u;

    struct Stereo
    {
        std::vector<float> left, right;

        explicit Stereo (int n, float value = 0.0f) : left ((size_t) n, value), right ((size_t) n, value) {}

        static Stereo noise (int n, uint32_t noiseSeed, float amplitude = 1.2f)
        {
            Stereo s (n);
            std::mt19937 gen (noiseSeed);
            std::uniform_real_distribution<float> dist (-amplitude, amplitude);
            for (int i = 0; i < n; ++i)
            {
                s.left[(size_t) i] = dist (gen);
                s.right[(size_t) i] = dist (gen);
            }
            return s;
        }

        int size() const { return (int) left.size(); }
    };

    struct Engine
    {
        explicit Engine (uint32_t engineSeed = seed) : algo (&settings, engineSeed) {}

        void set (const ReferenceDither::Settings& s)
        {
            settings.bypass = s.bypass;
            settings.ditherType = s.ditherType;
            settings.noiseShaping = s.noiseShaping;
            settings.bitDepth = s.bitDepth;
        }

        void process (Stereo& block, bool skip = false)
        {
            float* channels[] = { block.left.data(), block.right.data() };
            juce::AudioSampleBuffer buffer (channels, 2, block.size());
            juce::MidiBuffer midi;
            algo.process (buffer, midi, skip);
        }

        DitherSettings settings;
        Algo algo;
    };

    bool sameBits (const Stereo& a, const Stereo& b)
    {
        return a.left.size() == b.left.size()
            && std::memcmp (a.left.data(), b.left.data(), a.left.size() * sizeof (float)) == 0
            && std::memcmp (a.right.data(), b.right.data(), a.right.size() * sizeof (float)) == 0;
    }

    float processOne (float in, const ReferenceDither::Settings& s, uint32_t engineSeed = seed)
    {
        Engine engine (engineSeed);
        engine.set (s);
        Stereo block (1, in);
        engine.process (block);
        return block.left[0];
    }

    bool onGrid (float v, int bits)
    {
        const double steps = (double) v * std::ldexp (1.0, bits - 1);
        return steps == std::floor (steps);
    }
}

// Every combination of dither kind, curve and word length, block after block
// with the settings changing between blocks: bit for bit what the plain model
// gives, generator draws and carried state included.
TEST (EngineOutput, MatchesPlainModelInEveryMode)
{
    Engine engine;
    ReferenceDither model (seed);
    std::mt19937 choose (7);
    const int blockSizes[] = { 1, 17, 512, 4096, 3 };

    for (int round = 0; round < 300; ++round)
    {
        ReferenceDither::Settings s;
        s.ditherType = (int) (choose() % 4);   // 3: outside the table, high-pass TPDF
        s.noiseShaping = (int) (choose() % 5); // 4: outside the table, off
        s.bitDepth = (int) (choose() % 4);     // 3: outside the table, off
        s.bypass = choose() % 10 == 0;

        auto input = Stereo::noise (blockSizes[round % 5], (uint32_t) round, round % 3 == 0 ? 0.001f : 1.5f);
        auto expected = input;
        auto actual = input;

        engine.set (s);
        engine.process (actual);
        model.process (expected.left.data(), expected.right.data(), expected.size(), s);

        ASSERT_TRUE (sameBits (expected, actual)) << "round " << round << " dither " << s.ditherType
                                                  << " shaping " << s.noiseShaping << " depth " << s.bitDepth;

        if (round % 37 == 36) // a reset between blocks, as prepareToPlay or the timer asks for
        {
            engine.algo.resetState();
            model.reset();
        }
    }
}

TEST (EngineOutput, WorkedValues)
{
    const ReferenceDither::Settings plain;
    EXPECT_EQ (processOne (0.1f, plain), (float) 0.09999990463256836);
    EXPECT_EQ (processOne (-0.1f, plain), (float) -0.09999990463256836);
    EXPECT_EQ (processOne (0.5f, plain), 0.5f);
    EXPECT_EQ (processOne (1.0f, plain), 1.0f);

    ReferenceDither::Settings sixteen;
    sixteen.bitDepth = 1;
    EXPECT_EQ (processOne (300.0f / 8388608.0f, sixteen), 256.0f / 8388608.0f);
    EXPECT_EQ (processOne (-300.0f / 8388608.0f, sixteen), -512.0f / 8388608.0f);

    ReferenceDither::Settings tpdf16 = sixteen;
    tpdf16.ditherType = 1;
    for (uint32_t s = 0; s < 50; ++s)
    {
        const float out = processOne (1.0f, tpdf16, s);
        EXPECT_TRUE (out == 0.999969482421875f || out == 1.0f || out == 1.000030517578125f) << out;
    }
}

TEST (EngineOutput, OutputsLieOnTheWordLengthGrid)
{
    for (int depth : { 1, 2 })
        for (int type : { 0, 1, 2 })
            for (int shaping : { 0, 1, 2, 3 })
            {
                Engine engine;
                engine.set ({ false, type, shaping, depth });
                auto block = Stereo::noise (4096, 11);
                engine.process (block);

                for (int i = 0; i < block.size(); ++i)
                {
                    ASSERT_TRUE (onGrid (block.left[(size_t) i], depth == 1 ? 16 : 20));
                    ASSERT_TRUE (onGrid (block.right[(size_t) i], depth == 1 ? 16 : 20));
                }
            }
}

TEST (EngineOutput, DitherStaysWithinItsRangeWithoutShaping)
{
    for (int depth : { 1, 2 })
        for (int type : { 1, 2 })
        {
            Engine engine;
            engine.set ({ false, type, 0, depth });
            const auto input = Stereo::noise (8192, 5, 0.9f);
            auto block = input;
            engine.process (block);

            const int mask = depth == 1 ? 255 : 15;
            for (int i = 0; i < block.size(); ++i)
            {
                // x + d + half, rounded down to the step: within mask + half + step of x.
                const double x = std::trunc ((double) input.left[(size_t) i] * 8388608.0);
                const double y = (double) block.left[(size_t) i] * 8388608.0;
                ASSERT_LE (std::fabs (y - x), 2.0 * mask + 1.0);
            }
        }
}

// TPDF draws four values per sample, high-pass TPDF two, no dither none: after
// n samples the generator stands where a fresh one stands after 4n, 2n or 0
// draws. The word length is off meanwhile, so the draws do not show.
TEST (EngineOutput, GeneratorDrawsPerSample)
{
    for (auto [type, perSample] : { std::pair { 0, 0 }, std::pair { 1, 4 }, std::pair { 2, 2 } })
    {
        Engine engine;
        engine.set ({ false, type, 0, 0 });
        Stereo warmUp (100, 0.25f);
        engine.process (warmUp);

        Stereo block (64);
        engine.set ({ false, 1, 0, 1 });
        engine.process (block);

        ReferenceDither model (seed);
        model.rng.discard ((unsigned long long) (100 * perSample));
        if (type > 0) // the last draws carry over; at word length off they are 0
            model.lastL = model.lastR = 0;
        Stereo expected (64);
        model.process (expected.left.data(), expected.right.data(), 64, { false, 1, 0, 1 });

        EXPECT_TRUE (sameBits (expected, block)) << "dither type " << type;
    }
}

TEST (EngineOutput, SameSecondSameSequenceAndEmptyBlocksChangeNothing)
{
    Engine a, b;
    for (auto* e : { &a, &b })
        e->set ({ false, 1, 2, 1 });

    Stereo empty (0);
    a.process (empty);

    auto x = Stereo::noise (300, 3), y = x;
    a.process (x);
    b.process (y);
    EXPECT_TRUE (sameBits (x, y));
}

TEST (EngineOutput, BypassAndSkipLeaveEverythingUntouched)
{
    Engine engine;
    engine.set ({ false, 1, 2, 1 });
    auto input = Stereo::noise (777, 9);
    input.left[5] = std::numeric_limits<float>::quiet_NaN();
    input.right[6] = std::numeric_limits<float>::infinity();

    auto skipped = input;
    engine.process (skipped, true);
    EXPECT_TRUE (sameBits (input, skipped));

    engine.set ({ true, 1, 2, 1 });
    auto bypassed = input;
    engine.process (bypassed);
    EXPECT_TRUE (sameBits (input, bypassed));

    // Nothing was drawn and no state moved: the next block matches a fresh engine.
    engine.set ({ false, 1, 2, 1 });
    Engine fresh;
    fresh.set ({ false, 1, 2, 1 });
    auto a = Stereo::noise (100, 4), b = a;
    engine.process (a);
    fresh.process (b);
    EXPECT_TRUE (sameBits (a, b));
}

TEST (EngineOutput, HighPassDitherAcrossAChangeOfWordLength)
{
    // The first sample at 20 bits subtracts draws masked for 16 bits, so its
    // dither may lie anywhere in -255 .. +15; the samples after it in -15 .. +15.
    int widest = 0;
    for (uint32_t s = 0; s < 40; ++s)
    {
        Engine engine (s);
        engine.set ({ false, 2, 0, 1 });
        Stereo first (8);
        engine.process (first);

        engine.set ({ false, 2, 0, 2 });
        Stereo second (8);
        engine.process (second);

        const int y0 = (int) (second.left[0] * 8388608.0f); // (d + 8) & ~15
        EXPECT_GE (y0, -256);
        EXPECT_LE (y0, 16);
        widest = std::min (widest, y0);

        for (int i = 1; i < 8; ++i)
            EXPECT_LE (std::abs ((int) (second.left[(size_t) i] * 8388608.0f)), 16);
    }
    EXPECT_LT (widest, -16);
}

// Samples whose scaled value does not fit an int32 saturate at its ends and then
// take the usual path; NaN comes out as 0.
TEST (EngineOutput, ExtremeSamplesAreSafe)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inputs[] = { inf, -inf, 1.0e30f, -1.0e30f, 256.0f, -256.0f, 255.99998f, nan };
    // Without dither and shaping, by bit depth Off, 16 and 20 bits: 2^31 - 1
    // with the low bits cleared, as a float times 2^-23.
    const float below = 256.0f - 1.0f / 32768.0f, justBelow = 256.0f - 1.0f / 65536.0f;
    const float plain[3][8] = { { 256.0f, -256.0f, 256.0f, -256.0f, 256.0f, -256.0f, justBelow, 0.0f },
                                { below, -256.0f, below, -256.0f, below, -256.0f, below, 0.0f },
                                { 256.0f, -256.0f, 256.0f, -256.0f, 256.0f, -256.0f, justBelow, 0.0f } };

    for (int type : { 0, 1, 2 })
        for (int shaping : { 0, 1, 2, 3 })
            for (int depth : { 0, 1, 2 })
            {
                Engine engine;
                engine.set ({ false, type, shaping, depth });
                Stereo block (64);
                for (int i = 0; i < 64; ++i)
                    block.left[(size_t) i] = block.right[(size_t) i] = inputs[i % 8];
                const auto input = block;
                engine.process (block);

                for (int i = 0; i < 64; ++i)
                {
                    const float in = input.left[(size_t) i], out = block.left[(size_t) i];
                    ASSERT_FALSE (std::isnan (out));
                    if (type == 0 && shaping == 0)
                        ASSERT_EQ (out, plain[depth][i % 8]) << in << " depth " << depth;
                    else if (std::isnan (in))
                        ASSERT_EQ (out, 0.0f);
                    else // the saturated input within a step, the dither and the shaped error
                        ASSERT_NEAR (out, std::clamp (in, -256.0f, 256.0f), 0.01f) << in;
                }
            }
}

// The timer takes the engine's marker: dither type, shaping and word length
// changes (or several changes) clear the shaping state, bypass and A/B alone
// do not. Observed through the output against the model with and without a reset.
TEST (EngineTimer, ClearsTheHistoryOnlyForShapingRelevantChanges)
{
    struct Case { std::vector<int> marks; bool clears; };
    const Case cases[] = { { { 0 }, false }, { { 4 }, false }, { { 1 }, true }, { { 2 }, true },
                           { { 3 }, true }, { { 3, 0 }, true }, { { 0, 4 }, true }, { {}, false } };

    for (const auto& c : cases)
    {
        Engine engine;
        ReferenceDither model (seed);
        const ReferenceDither::Settings s { false, 1, 2, 1 };
        engine.set (s);

        auto input = Stereo::noise (200, 1), expected = input;
        engine.process (input);
        model.process (expected.left.data(), expected.right.data(), 200, s);

        for (int m : c.marks)
            engine.settings.markDspChanged (m);
        EXPECT_EQ (engine.algo.getTimerInterval(), 50);
        engine.algo.timerCallback();
        EXPECT_EQ (engine.settings.getDspChangedParam(), -1);

        if (c.clears)
            model.reset();

        auto next = Stereo::noise (200, 2), nextExpected = next;
        engine.process (next);
        model.process (nextExpected.left.data(), nextExpected.right.data(), 200, s);
        EXPECT_TRUE (sameBits (nextExpected, next)) << "marks " << c.marks.size() << " first " << (c.marks.empty() ? -1 : c.marks[0]);
    }
}
