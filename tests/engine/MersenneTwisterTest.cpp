#include <gtest/gtest.h>

#include <random>

#include "engine/MersenneTwister.h"

TEST (MersenneTwister, SameSequenceAsTheStandardGenerator)
{
    for (uint32_t s : { 0u, 1u, 5489u, 0xFFFFFFFFu, 1765432109u })
    {
        MersenneTwister fast (s);
        std::mt19937 standard (s);

        for (int i = 0; i < 624 * 5 + 17; ++i)
            ASSERT_EQ (fast(), standard()) << "seed " << s << " draw " << i;
    }
}

TEST (MersenneTwister, ReseedingRestartsTheSequence)
{
    MersenneTwister fast (3);
    for (int i = 0; i < 1000; ++i)
        fast();

    fast.setSeed (42);
    std::mt19937 standard (42);
    for (int i = 0; i < 700; ++i)
        ASSERT_EQ (fast(), standard());
}
