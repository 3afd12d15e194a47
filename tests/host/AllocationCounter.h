#pragma once

#include <cstdint>

// Counts heap allocations made on one thread while counting is switched on for
// it. The counting versions of operator new and the malloc family live in the
// host executable and are exported, so a plug-in that the host loads calls them
// too. Builds with a sanitizer keep the sanitizer's allocator and count nothing.
namespace AllocationCounter
{
    bool isAvailable() noexcept;

    /** Starts counting on the calling thread. */
    void begin() noexcept;

    /** Stops counting and returns the number of allocations since begin(). */
    uint64_t end() noexcept;
}
