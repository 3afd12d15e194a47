#include "MersenneTwister.h"

namespace
{
    constexpr int n = MersenneTwister::stateSize;
    constexpr int m = 397;
    constexpr uint32_t matrixA = 0x9908B0DFu;
    constexpr uint32_t upperMask = 0x80000000u;
    constexpr uint32_t lowerMask = 0x7FFFFFFFu;

    inline uint32_t twist (uint32_t current, uint32_t following, uint32_t farther) noexcept
    {
        const auto y = (current & upperMask) | (following & lowerMask);
        // The matrix term as a mask instead of a branch on the low bit.
        return farther ^ (y >> 1) ^ (matrixA & (0u - (y & 1u)));
    }
}

void MersenneTwister::setSeed (uint32_t seed) noexcept
{
    state[0] = seed;

    for (uint32_t i = 1; i < (uint32_t) n; ++i)
        state[i] = 1812433253u * (state[i - 1] ^ (state[i - 1] >> 30)) + i;

    next = n;
}

void MersenneTwister::refill() noexcept
{
    // The regeneration split where its source index wraps, so that each loop
    // reads only values it has not yet overwritten or has already finished.
    for (int i = 0; i < n - m; ++i)
        state[i] = twist (state[i], state[i + 1], state[i + m]);

    for (int i = n - m; i < n - 1; ++i)
        state[i] = twist (state[i], state[i + 1], state[i + m - n]);

    state[n - 1] = twist (state[n - 1], state[0], state[m - 1]);

    for (int i = 0; i < n; ++i)
    {
        auto y = state[i];
        y ^= y >> 11;
        y ^= (y << 7) & 0x9D2C5680u;
        y ^= (y << 15) & 0xEFC60000u;
        y ^= y >> 18;
        output[i] = y;
    }

    next = 0;
}
