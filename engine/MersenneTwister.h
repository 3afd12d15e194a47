#pragma once

#include <cstdint>

/**
    The standard 32-bit Mersenne Twister (MT19937): for a given seed it yields
    exactly the sequence of std::mt19937 seeded the same way.

    It computes the state's next 624 outputs in one pass and hands them out one
    by one, so that a draw is a load and an index increment; the batch pass has
    no data-dependent branch and vectorises. Draws are only ever made on the
    audio thread; the object is not shared.
*/
class MersenneTwister
{
public:
    static constexpr int stateSize = 624;

    explicit MersenneTwister (uint32_t seed = 5489u) noexcept   { setSeed (seed); }

    /** Standard seeding, as std::mt19937's constructor does it. */
    void setSeed (uint32_t seed) noexcept;

    uint32_t operator()() noexcept
    {
        if (next == stateSize)
            refill();

        return output[next++];
    }

private:
    void refill() noexcept;

    uint32_t state[stateSize];
    uint32_t output[stateSize];
    int next = stateSize;
};
