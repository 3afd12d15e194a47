#pragma once

#include <cstdint>
#include <random>
#include <vector>

// A plain, unoptimised model of the requantiser, written from its description
// with std::mt19937 and 32-bit integer arithmetic, used as the oracle for the
// engine's output. Valid for inputs whose scaled value fits an int32. It keeps
// its own copy of the three coefficient sets, so a wrong coefficient in the
// engine shows as a difference.
struct ReferenceDither
{
    explicit ReferenceDither (uint32_t seed) : rng (seed) {}

    static constexpr double curve1[5] = { 2.033, -2.165, 1.959, -1.59, 0.6149 };
    static constexpr double curve2[9] = { 2.847, -4.685, 6.214, -7.184, 6.639, -5.032, 3.263, -1.632, 0.4191 };
    static constexpr double curve3[9] = { 2.412, -3.37, 3.937, -4.174, 3.353, -2.205, 1.281, -0.569, 0.0847 };

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

            const double* table = s.noiseShaping == 1 ? curve1
                                : s.noiseShaping == 2 ? curve2
                                : s.noiseShaping == 3 ? curve3 : nullptr;

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
