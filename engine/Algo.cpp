#include "Algo.h"

#include <cmath>
#include <ctime>
#include <limits>

#if defined (__SSE2__)
 #include <emmintrin.h>
#endif

const double Algo::curve1Taps[5] = { 2.033, -2.165, 1.959, -1.59, 0.6149 };
const double Algo::curve2Taps[9] = { 2.847, -4.685, 6.214, -7.184, 6.639, -5.032, 3.263, -1.632, 0.4191 };
const double Algo::curve3Taps[9] = { 2.412, -3.37, 3.937, -4.174, 3.353, -2.205, 1.281, -0.569, 0.0847 };

namespace
{
    constexpr float scale = 8388608.0f;          // 2^23: one step of a 24-bit word
    constexpr float inverseScale = 1.0f / scale; // exactly 2^-23
    constexpr float int32Limit = 2147483648.0f;  // 2^31

    // A scaled sample whose value does not fit a 32-bit integer: infinities and
    // huge values saturate, NaN counts as silence and is reported so that the
    // sample comes out as 0.
    [[gnu::noinline]] int64_t saturateScaled (float scaled, bool& isNaN) noexcept
    {
        if (std::isnan (scaled))
        {
            isNaN = true;
            return 0;
        }

        return scaled > 0.0f ? std::numeric_limits<int32_t>::max()
                             : std::numeric_limits<int32_t>::min();
    }

    // trunc(sample x 2^23) toward zero, exactly as a float-to-int conversion
    // does for every value that fits.
    inline int64_t toSteps (float sample, bool& isNaN) noexcept
    {
        const float scaled = sample * scale;

       #if defined (__SSE2__)
        // The processor's truncating conversion is defined for every input: it
        // gives INT_MIN for NaN and for values outside the range, so only that
        // one result needs a second look.
        const int32_t steps = _mm_cvttss_si32 (_mm_set_ss (scaled));

        if (steps != std::numeric_limits<int32_t>::min())
            return steps;
       #else
        if (std::fabs (scaled) < int32Limit)
            return (int32_t) scaled;
       #endif

        return scaled == -int32Limit ? std::numeric_limits<int32_t>::min()
                                     : saturateScaled (scaled, isNaN);
    }

    // The error filter as the sample loop uses it: the same products summed in
    // the same order as Algo::shapeError, but starting from c0 x h0 instead of
    // 0.0 + c0 x h0. The two differ only when c0 x h0 is -0.0 (the other gives
    // +0.0), and every later addition of a non-zero value gives the same
    // result from either; so the sums differ at most in the sign of a zero,
    // which the truncation to an integer drops. It saves one addition on the
    // loop's critical path, which runs from one sample's error to the next.
    // c0 x e for every error e that the loop can produce (|e| stays below
    // 512 steps): a load instead of a conversion and a multiplication on the
    // loop's critical path. Filled when the module loads.
    struct NewestTerms
    {
        static constexpr int offset = 512, size = 1024;

        NewestTerms()
        {
            const double* tables[] = { Algo::curve1Taps, Algo::curve2Taps, Algo::curve3Taps };
            for (int c = 0; c < 3; ++c)
                for (int i = 0; i < size; ++i)
                    values[c][i] = tables[c][0] * (double) (i - offset);
        }

        double values[3][size];
    };

    const NewestTerms newestTerms;

    template <int taps>
    inline double shapedSum (int curve, int32_t error, const double* table, double* history) noexcept
    {
        history[0] = (double) error;
        const auto index = (uint32_t) (error + NewestTerms::offset);
        double acc = index < (uint32_t) NewestTerms::size ? newestTerms.values[curve][index]
                                                          : table[0] * history[0];

        for (int i = 1; i < taps; ++i)
            acc = acc + table[i] * history[i];

        for (int i = taps - 2; i >= 0; --i)
            history[i + 1] = history[i];

        return acc;
    }

    // The filter output truncated toward zero. The errors it filters are bounded
    // by a few hundred steps, so this never saturates in practice; the guard only
    // keeps the conversion defined whatever happens.
    inline int64_t truncateShaped (double shaped) noexcept
    {
       #if defined (__SSE2__)
        // Defined for every input (INT_MIN when out of range), and the value
        // is always far inside the range anyway.
        return _mm_cvttsd_si32 (_mm_set_sd (shaped));
       #else
        if (std::fabs (shaped) < 2147483648.0)
            return (int32_t) shaped;

        return shaped > 0.0 ? std::numeric_limits<int32_t>::max()
                            : std::numeric_limits<int32_t>::min();
       #endif
    }

}

Algo::Algo (DitherSettings* ownerToUse)
    : Algo (ownerToUse, (uint32_t) std::time (nullptr))
{
}

Algo::Algo (DitherSettings* ownerToUse, uint32_t seed)
    : owner (ownerToUse), rng (seed)
{
    startTimer (50);
}

Algo::~Algo()
{
    stopTimer();
}

void Algo::resetState() noexcept
{
    resetPending.store (true, std::memory_order_relaxed);
}

void Algo::clearHistory() noexcept
{
    for (int i = 0; i < 9; ++i)
    {
        histL[i] = 0.0;
        histR[i] = 0.0;
    }

    errL = 0;
    errR = 0;
}

void Algo::timerCallback()
{
    if (owner->getDspChangedParam() < 0)
        return;

    // Take the marker and its value in one step: a mark arriving meanwhile is
    // either the value taken here or stays for the next tick.
    const int taken = owner->clearDspChanged();

    if ((taken >= 1 && taken <= 3) || taken >= 5)
        resetState();
}

void Algo::process (juce::AudioSampleBuffer& buffer, juce::MidiBuffer&, bool skip)
{
    const int numSamples = buffer.getNumSamples();

    if (skip || numSamples <= 0 || buffer.getNumChannels() < 2)
        return;

    // Word length and rounding offset hold for the whole block.
    const int depth = owner->bitDepth.load (std::memory_order_relaxed);
    const int32_t mask = depth == 1 ? 0xFF : (depth == 2 ? 0x0F : 0);
    const uint32_t drawMask = (uint32_t) mask;
    const int64_t halfStep = owner->ditherType.load (std::memory_order_relaxed) > 0 ? ((mask + 1) >> 1) : 0;
    const int64_t keepMask = ~(int64_t) mask;

    float* left = buffer.getWritePointer (0);
    float* right = buffer.getWritePointer (1);

    // The state lives in locals for the block, so that it stays in registers
    // across the per-sample reads of the shared settings; it goes back to the
    // members at the end.
    uint32_t randL = lastRandL, randR = lastRandR;
    int32_t eL = errL, eR = errR;
    double hL[9], hR[9];
    for (int i = 0; i < 9; ++i)
    {
        hL[i] = histL[i];
        hR[i] = histR[i];
    }

    {
        MersenneTwister::Reader draw (rng);

        for (int n = 0; n < numSamples; ++n)
        {
            if (owner->bypass.load (std::memory_order_relaxed))
                continue;

            if (resetPending.load (std::memory_order_relaxed)
                 && resetPending.exchange (false, std::memory_order_relaxed))
            {
                for (int i = 0; i < 9; ++i)
                    hL[i] = hR[i] = 0.0;
                eL = eR = 0;
            }

            bool hasNaN = false;
            int64_t xL = toSteps (left[n], hasNaN);
            int64_t xR = toSteps (right[n], hasNaN);

            int64_t dL = 0, dR = 0;
            const int type = owner->ditherType.load (std::memory_order_relaxed);

            if (type > 0)
            {
                uint32_t aL, aR;
                draw.reserve (4);

                if (type == 1)
                {
                    aL = draw.take() & drawMask;
                    aR = draw.take() & drawMask;
                }
                else
                {
                    aL = randL;
                    aR = randR;
                }

                randL = draw.take() & drawMask;
                randR = draw.take() & drawMask;
                dL = (int64_t) randL - (int64_t) aL;
                dR = (int64_t) randR - (int64_t) aR;
            }

            switch (owner->noiseShaping.load (std::memory_order_relaxed))
            {
                case 1:
                    xL -= truncateShaped (shapedSum<5> (0, eL, Algo::curve1Taps, hL));
                    xR -= truncateShaped (shapedSum<5> (0, eR, Algo::curve1Taps, hR));
                    break;
                case 2:
                    xL -= truncateShaped (shapedSum<9> (1, eL, Algo::curve2Taps, hL));
                    xR -= truncateShaped (shapedSum<9> (1, eR, Algo::curve2Taps, hR));
                    break;
                case 3:
                    xL -= truncateShaped (shapedSum<9> (2, eL, Algo::curve3Taps, hL));
                    xR -= truncateShaped (shapedSum<9> (2, eR, Algo::curve3Taps, hR));
                    break;
                default:
                    break;
            }

            const int64_t yL = (xL + dL + halfStep) & keepMask;
            const int64_t yR = (xR + dR + halfStep) & keepMask;

            // A NaN was processed as silence and comes out as 0.
            if (hasNaN)
            {
                left[n] = std::isnan (left[n]) ? 0.0f : (float) yL * inverseScale;
                right[n] = std::isnan (right[n]) ? 0.0f : (float) yR * inverseScale;
            }
            else
            {
                left[n] = (float) yL * inverseScale;
                right[n] = (float) yR * inverseScale;
            }

            // Bounded by the rounding step plus the dither, so always an int32.
            eL = (int32_t) (yL - xL);
            eR = (int32_t) (yR - xR);
        }
    }

    lastRandL = randL;
    lastRandR = randR;
    errL = eL;
    errR = eR;
    for (int i = 0; i < 9; ++i)
    {
        histL[i] = hL[i];
        histR[i] = hR[i];
    }
}
