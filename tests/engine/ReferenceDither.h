#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "engine/Algo.h"

// A plain, unoptimised model of the requantiser, written from its description
// with std::mt19937 and 32-bit integer arithmetic, used as the oracle for the
// engine's output. Valid for inputs whose scaled value fits an int32.
struct ReferenceDither
{
    explicit ReferenceDither (uint32_t seed) : rng (seed) {}

    struct Settings { bool bypass = false; int ditherType = 0, noiseShaping = 0, bitDepth = 0; };

    void reset()
    {
        for (auto& h : histL) h = 0.0;
        for (auto& h : histR) h = 0.0;
        errL = errR = 0;
    }

    static double shape (double e, int n, const double* c, double* h)
    {
        h[0] = e;
        double acc = 0.0;
        for (int i = 0; i < n; ++i)
            acc += c[i] * h[i];
        for (int i = n - 2; i >= 0; --i)
            h[i + 1] = h[i];
        return acc;
    }

    void process (float* left, float* right, int numSamples, const Settings& s)
    {
        const int mask = s.bitDepth == 1 ? 255 : (s.bitDepth == 2 ? 15 : 0);
        const int half = s.ditherType > 0 ? (mask + 1) >> 1 : 0;

        for (int i = 0; i < numSamples; ++i)
        {
            if (s.bypass)
                continue;

            int xL = (int) (left[i] * 8388608.0f);
            int xR = (int) (right[i] * 8388608.0f);
            int dL = 0, dR = 0;

            if (s.ditherType > 0)
            {
                uint32_t aL, aR;
                if (s.ditherType == 1) { aL = rng() & (uint32_t) mask; aR = rng() & (uint32_t) mask; }
                else                   { aL = lastL; aR = lastR; }
                lastL = rng() & (uint32_t) mask;
                lastR = rng() & (uint32_t) mask;
                dL = (int) lastL - (int) aL;
                dR = (int) lastR - (int) aR;
            }

            const double* table = s.noiseShaping == 1 ? Algo::curve1Taps
                                : s.noiseShaping == 2 ? Algo::curve2Taps
                                : s.noiseShaping == 3 ? Algo::curve3Taps : nullptr;

            if (table != nullptr)
            {
                const int taps = s.noiseShaping == 1 ? 5 : 9;
                xL -= (int) shape ((double) errL, taps, table, histL);
                xR -= (int) shape ((double) errR, taps, table, histR);
            }

            const int yL = (xL + dL + half) & ~mask;
            const int yR = (xR + dR + half) & ~mask;
            left[i] = (float) yL * (1.0f / 8388608.0f);
            right[i] = (float) yR * (1.0f / 8388608.0f);
            errL = yL - xL;
            errR = yR - xR;
        }
    }

    std::mt19937 rng;
    uint32_t lastL = 0, lastR = 0;
    int errL = 0, errR = 0;
    double histL[9] = {}, histR[9] = {};
};
