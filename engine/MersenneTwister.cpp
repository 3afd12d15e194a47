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
    state = stateA;
    next = end = 0;
    state[0] = seed;

    for (uint32_t i = 1; i < (uint32_t) n; ++i)
        state[i] = 1812433253u * (state[i - 1] ^ (state[i - 1] >> 30)) + i;
}

// The batch is integer arithmetic only, so every variant gives the same
// values; on x86-64 an AVX2 variant is picked at load time on processors that
// have it. Sanitizer builds keep one variant.
#if defined (__x86_64__) && defined (__GNUC__) && ! defined (VANTREL_SANITIZER_BUILD)
 __attribute__ ((target_clones ("avx2", "default")))
#endif
static void regenerate (const uint32_t* __restrict current, uint32_t* __restrict fresh,
                        uint32_t* __restrict output) noexcept
{
    for (int i = 0; i < n - m; ++i)
        fresh[i] = twist (current[i], current[i + 1], current[i + m]);

    // From here the farther element is one regenerated above.
    for (int i = n - m; i < n - 1; ++i)
        fresh[i] = twist (current[i], current[i + 1], fresh[i + m - n]);

    fresh[n - 1] = twist (current[n - 1], fresh[0], fresh[m - 1]);

    for (int i = 0; i < n; ++i)
    {
        auto y = fresh[i];
        y ^= y >> 11;
        y ^= (y << 7) & 0x9D2C5680u;
        y ^= (y << 15) & 0xEFC60000u;
        y ^= y >> 18;
        output[i] = y;
    }
}

void MersenneTwister::refill() noexcept
{
    const int carried = end - next;

    for (int i = 0; i < carried; ++i)
        output[i] = output[next + i];

    uint32_t* fresh = (state == stateA) ? stateB : stateA;
    regenerate (state, fresh, output + carried);
    state = fresh;
    next = 0;
    end = carried + n;
}
