#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

#include "engine/Algo.h"
#include "ReferenceDither.h"

namespace
{
    // The engine's table and the coefficients it must hold.
    struct Curve { const double* taps; const double* expected; int count; };
    const Curve curves[] = { { Algo::curve1Taps, ReferenceDither::curve1, 5 },
                             { Algo::curve2Taps, ReferenceDither::curve2, 9 },
                             { Algo::curve3Taps, ReferenceDither::curve3, 9 } };
}

TEST (ShapeError, ImpulseResponseIsTheTableThenZeros)
{
    for (const auto& curve : curves)
    {
        double history[9] = {};
        EXPECT_EQ (Algo::shapeError (1.0, curve.count, curve.taps, history), curve.expected[0]);

        for (int i = 1; i < curve.count; ++i)
            EXPECT_EQ (Algo::shapeError (0.0, curve.count, curve.taps, history), curve.expected[i]) << "tap " << i;

        for (int i = 0; i < 3; ++i)
            EXPECT_EQ (Algo::shapeError (0.0, curve.count, curve.taps, history), 0.0);
    }

    double history[9] = {};
    EXPECT_EQ (Algo::shapeError (0.0, 9, Algo::curve2Taps, history), 0.0);
    for (double h : history)
        EXPECT_EQ (h, 0.0);
}

TEST (ShapeError, FiveTapsLeaveTheUpperHistoryAlone)
{
    double history[9] = { 0, 0, 0, 0, 0, 5, 6, 7, 8 };
    for (int i = 0; i < 20; ++i)
        Algo::shapeError ((double) (i % 7) - 3.0, 5, Algo::curve1Taps, history);

    EXPECT_EQ (history[5], 5.0);
    EXPECT_EQ (history[8], 8.0);
}

TEST (ShapeError, SumsStrictlyInIndexOrder)
{
    // Values chosen so that another order of the additions rounds differently.
    double history[9] = {};
    const double errors[] = { 1.0e16, 3.0, -1.0e16, 7.0, 1.0, -5.0, 2.0, 9.0, -4.0 };
    double expectedAcc = 0.0;
    for (double e : errors)
        Algo::shapeError (e, 9, Algo::curve2Taps, history);

    const double newest = 11.0;
    double shifted[9] = { newest };
    for (int i = 1; i < 9; ++i)
        shifted[i] = history[i]; // element 0 still holds the last error, which is also element 1
    for (int i = 0; i < 9; ++i)
        expectedAcc = expectedAcc + ReferenceDither::curve2[i] * shifted[i];

    EXPECT_EQ (Algo::shapeError (newest, 9, Algo::curve2Taps, history), expectedAcc);
}

// The loop as a whole: with dither on and no signal, the requantisation error at
// the output has the spectrum of 1 - c0 z^-1 - ... - c(n-1) z^-n.
TEST (ShapeError, OutputErrorFollowsTheShapingCurve)
{
    constexpr int segment = 64, segments = 3000, total = segment * segments;

    for (int ns = 1; ns <= 3; ++ns)
    {
        const auto& curve = curves[ns - 1];
        DitherSettings settings;
        settings.ditherType = 1;
        settings.noiseShaping = ns;
        settings.bitDepth = 1;
        Algo algo (&settings, 99u);

        std::vector<float> left ((size_t) total, 0.0f), right ((size_t) total, 0.0f);
        float* channels[] = { left.data(), right.data() };
        juce::AudioSampleBuffer buffer (channels, 2, total);
        juce::MidiBuffer midi;
        algo.process (buffer, midi, false);

        std::vector<double> power (segment / 2 + 1, 0.0);
        for (int s = 0; s < segments; ++s)
            for (int k = 0; k <= segment / 2; ++k)
            {
                std::complex<double> sum;
                for (int n = 0; n < segment; ++n)
                {
                    const double window = 0.5 - 0.5 * std::cos (2.0 * M_PI * n / segment);
                    sum += window * (double) left[(size_t) (s * segment + n)] * 32768.0
                           * std::polar (1.0, -2.0 * M_PI * k * n / segment);
                }
                power[(size_t) k] += std::norm (sum) / segments;
            }

        auto expectedShape = [&curve] (int k)
        {
            std::complex<double> h = 1.0;
            for (int i = 0; i < curve.count; ++i)
                h -= curve.expected[i] * std::polar (1.0, -2.0 * M_PI * k * (i + 1) / segment);
            return std::norm (h);
        };

        // Compare shapes in dB relative to the loudest bin, over the bins within
        // 20 dB of it (deeper, the window's leakage dominates).
        int ref = 0;
        for (int k = 0; k <= segment / 2; ++k)
            if (expectedShape (k) > expectedShape (ref))
                ref = k;

        int checked = 0;
        for (int k = 1; k <= segment / 2; ++k)
        {
            const double measured = 10.0 * std::log10 (power[(size_t) k] / power[(size_t) ref]);
            const double expected = 10.0 * std::log10 (expectedShape (k) / expectedShape (ref));
            if (expected > -20.0)
            {
                EXPECT_NEAR (measured, expected, 1.0) << "curve " << ns << " bin " << k;
                ++checked;
            }
        }
        EXPECT_GE (checked, 8);
    }
}
