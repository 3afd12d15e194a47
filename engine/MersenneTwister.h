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

    MersenneTwister (const MersenneTwister&) = delete;
    MersenneTwister& operator= (const MersenneTwister&) = delete;

    /** Standard seeding, as std::mt19937's constructor does it. */
    void setSeed (uint32_t seed) noexcept;

    uint32_t operator()() noexcept
    {
        if (next == end)
            refill();

        return output[next++];
    }

    /**
        Draws from the generator with the read position held in local
        variables, so that a loop that draws keeps it in registers; the
        position goes back to the generator when the reader ends. A caller that
        needs several values reserves them at once and then takes them without
        further checks.
    */
    class Reader
    {
    public:
        explicit Reader (MersenneTwister& g) noexcept : generator (g), position (g.next), end (g.end) {}
        ~Reader()   { generator.next = position; }

        /** Makes sure that the next count values (at most maxReserve) can be taken. */
        void reserve (int count) noexcept
        {
            if (end - position < count)
            {
                generator.next = position;
                generator.refill();
                position = 0;
                end = generator.end;
            }
        }

        /** The next value; reserve() must have made it available. */
        uint32_t take() noexcept   { return generator.output[position++]; }

        uint32_t operator()() noexcept
        {
            reserve (1);
            return take();
        }

    private:
        MersenneTwister& generator;
        int position, end;

    public:
        Reader (const Reader&) = delete;
        Reader& operator= (const Reader&) = delete;
    };

    static constexpr int maxReserve = 8;

private:
    void refill() noexcept;

    // The state is regenerated from one array into the other, so that the
    // regeneration never reads what it has just written and vectorises.
    uint32_t stateA[stateSize];
    uint32_t stateB[stateSize];
    uint32_t* state = stateA;
    // Values not yet taken when a batch is made move to the front, so that a
    // reservation spanning two batches still reads them in order.
    uint32_t output[stateSize + maxReserve];
    int next = 0, end = 0;
};
