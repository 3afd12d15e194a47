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

// Reserving several values at once across the end of a batch keeps the order:
// the values not yet taken move in front of the next batch.
TEST (MersenneTwister, ReservationsAcrossBatchesKeepTheSequence)
{
    MersenneTwister fast (77);
    std::mt19937 standard (77);
    {
        MersenneTwister::Reader reader (fast);
        for (int i = 0; i < 5000; ++i)
        {
            const int count = 1 + i % 4;
            reader.reserve (count);
            for (int k = 0; k < count; ++k)
                ASSERT_EQ (reader.take(), standard());
        }
    }
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ (fast(), standard());
}
