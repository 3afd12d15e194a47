#include "CpuDispatch.h"

#include "CpuidSource.h"

#include <iterator>

namespace vantrel::cpu
{

/*  Memory ordering.

    detectedFeatureMask is written (relaxed) before detectedFeatureMaskValid
    is set with release; readers load the flag with acquire before reading
    the mask. A reader that sees the flag therefore sees the whole mask; one
    that does not computes the same mask itself and stores the same value.

    dispatchLevel and enabledFeatureMask are relaxed: every construction
    stores the same values, and no other data is published through them.
    Being atomic only guarantees that a reader never sees a torn value.
*/
std::atomic<std::int32_t>  dispatchLevel            { -1 };
std::atomic<std::uint64_t> enabledFeatureMask       { 7 };
std::atomic<std::uint64_t> detectedFeatureMask      { 0 };
std::atomic<std::int32_t>  detectedFeatureMaskValid { 0 };

namespace
{
    constexpr bool hasBit (std::uint32_t reg, int bit) noexcept
    {
        return ((reg >> bit) & 1u) != 0;
    }

    constexpr bool hasAllBits (std::uint64_t value, std::uint64_t bits) noexcept
    {
        return (value & bits) == bits;
    }

    // Leaf 1 ECX bits 27 (OSXSAVE) and 28 (AVX).
    constexpr std::uint32_t osxsaveAndAvx = (1u << 27) | (1u << 28);

    // XCR0 bits 1 (SSE state) and 2 (AVX state).
    constexpr std::uint64_t xcr0SseAndAvxState = 0x6;

    // "Genu", "ineI", "ntel" as CPUID leaf 0 returns them in EBX, EDX, ECX.
    constexpr std::uint32_t vendorEbx = 0x756E6547;
    constexpr std::uint32_t vendorEdx = 0x49656E69;
    constexpr std::uint32_t vendorEcx = 0x6C65746E;

    // Bits a mask may carry that the processor can actually report.
    constexpr std::uint64_t knownFeatureRange = 0xFFFFFFFFull;

    struct LevelRow
    {
        std::uint64_t condition;  // all of these bits in the request
        std::int32_t  level;
        std::uint64_t features;   // what the level assumes
        bool          fits;       // false: the request lacks SSE2
    };

    // First matching row from the top wins; the last row always matches.
    constexpr LevelRow levelRows[] =
    {
        { feature::avx512f | feature::avx512cd | feature::avx512bw
              | feature::avx512dq | feature::avx512vl,                     6, 0x73081DF, true  },
        { feature::avx512f | feature::avx512cd | feature::avx512er
              | feature::avx512pf,                                         5, 0xF081DF,  true  },
        { feature::avx2,                                                   4, 0x81DF,    true  },
        { feature::avx,                                                    3, 0x1DF,     true  },
        { feature::sse42,                                                  2, 0xDF,      true  },
        { feature::sse41,                                                  1, 0x5F,      true  },
        { feature::movbe,                                                  1, 0x3F,      true  },
        { feature::ssse3,                                                  1, 0x1F,      true  },
        { feature::sse3,                                                   0, 0xF,       true  },
        { feature::sse2,                                                   0, 0x7,       true  },
        { feature::sse,                                                    0, 0x3,       false },
        { 0,                                                               0, 0x1,       false },
    };

    const LevelRow& levelRowFor (std::uint64_t requested) noexcept
    {
        for (const auto& row : levelRows)
            if (hasAllBits (requested, row.condition))
                return row;

        return levelRows[std::size (levelRows) - 1];
    }

    std::uint64_t maskFromLeaf1 (std::uint32_t ecx, std::uint32_t edx) noexcept
    {
        std::uint64_t mask = 0;

        if (hasBit (edx, 23)) mask |= feature::mmx;
        if (hasBit (edx, 25)) mask |= feature::sse;
        if (hasBit (edx, 26)) mask |= feature::sse2;
        if (hasBit (ecx, 0))  mask |= feature::sse3;
        if (hasBit (ecx, 9))  mask |= feature::ssse3;
        if (hasBit (ecx, 22)) mask |= feature::movbe;
        if (hasBit (ecx, 19)) mask |= feature::sse41;
        if (hasBit (ecx, 20)) mask |= feature::sse42;
        if (hasBit (ecx, 28)) mask |= feature::avx;
        if (hasBit (ecx, 25)) mask |= feature::aes;
        if (hasBit (ecx, 1))  mask |= feature::pclmulqdq;
        if (hasBit (ecx, 30)) mask |= feature::rdrand;
        if (hasBit (ecx, 29)) mask |= feature::f16c;

        // XGETBV faults unless OSXSAVE is reported, so only ask the
        // operating system when both OSXSAVE and AVX are there.
        if ((ecx & osxsaveAndAvx) == osxsaveAndAvx && osSupportsAvxState())
            mask |= feature::avxOsState;

        return mask;
    }

    std::uint64_t maskFromLeaf7 (std::uint32_t leaf1Ecx, std::uint32_t ebx, std::uint32_t ecx, std::uint32_t edx) noexcept
    {
        std::uint64_t mask = 0;

        // Bit 15 stands for the whole AVX2 generation: AVX2, BMI1, BMI2, FMA.
        if (hasBit (leaf1Ecx, 12) && hasBit (ebx, 5) && hasBit (ebx, 3) && hasBit (ebx, 8))
            mask |= feature::avx2;

        if (hasBit (ebx, 19)) mask |= feature::adx;
        if (hasBit (ebx, 18)) mask |= feature::rdseed;
        if (hasBit (ebx, 29)) mask |= feature::sha;
        if (hasBit (ebx, 16)) mask |= feature::avx512f;
        if (hasBit (ebx, 28)) mask |= feature::avx512cd;
        if (hasBit (ebx, 27)) mask |= feature::avx512er;
        if (hasBit (ebx, 26)) mask |= feature::avx512pf;
        if (hasBit (ebx, 30)) mask |= feature::avx512bw;
        if (hasBit (ebx, 17)) mask |= feature::avx512dq;
        if (hasBit (ebx, 31)) mask |= feature::avx512vl;
        if (hasBit (ecx, 1))  mask |= feature::avx512vbmi;
        if (hasBit (ebx, 14)) mask |= feature::mpx;
        if (hasBit (edx, 3))  mask |= feature::avx5124fmaps;
        if (hasBit (edx, 2))  mask |= feature::avx5124vnniw;

        return mask;
    }

    std::uint64_t detectFeatureMask() noexcept
    {
        std::uint32_t regs[4];

        cpuidQuery (regs, 0, 0);
        const std::uint32_t highestBasicLeaf = regs[0];

        cpuidQuery (regs, 0x80000000u, 0);
        const std::uint32_t highestExtendedLeaf = regs[0];

        cpuidQuery (regs, 1, 0);
        const std::uint32_t signature = regs[0];
        const std::uint32_t leaf1Ecx  = regs[2];
        const std::uint32_t leaf1Edx  = regs[3];

        std::uint64_t mask = maskFromLeaf1 (leaf1Ecx, leaf1Edx);

        if (highestBasicLeaf >= 7)
        {
            cpuidQuery (regs, 7, 0);
            mask |= maskFromLeaf7 (leaf1Ecx, regs[1], regs[2], regs[3]);
        }

        if (highestExtendedLeaf >= 0x80000001u)
        {
            cpuidQuery (regs, 0x80000001u, 0);
            if (hasBit (regs[2], 8))
                mask |= feature::prefetchw;
        }

        // Base family field 0xB, model field 1.
        if ((signature & 0xFF0u) == 0xB10u)
            mask |= feature::family0BModel1;

        return mask;
    }
}

//==============================================================================
std::int32_t getCpuFeatureMask (std::uint64_t& mask) noexcept
{
    if (detectedFeatureMaskValid.load (std::memory_order_acquire) != 0)
    {
        mask = detectedFeatureMask.load (std::memory_order_relaxed);
        return 1;
    }

    if (! cpuidAvailable())
        return 0;

    const auto detected = detectFeatureMask();

    // The mask must be complete before any thread can see the flag.
    detectedFeatureMask.store (detected, std::memory_order_relaxed);
    detectedFeatureMaskValid.store (1, std::memory_order_release);

    mask = detected;
    return 1;
}

std::int32_t selectCpuDispatchLevel (std::uint64_t requested, std::int32_t& level) noexcept
{
    level = 0;
    std::int32_t earlyStatus = status::success;

    if ((requested & feature::noCheckRequest) != 0)
    {
        // Taken as given: the current enabled mask becomes the detected mask.
        requested &= ~feature::noCheckRequest;
        detectedFeatureMask.store (enabledFeatureMask.load (std::memory_order_relaxed), std::memory_order_relaxed);
        detectedFeatureMaskValid.store (1, std::memory_order_release);
    }
    else
    {
        std::uint64_t detected = 0;  // stays empty if the features cannot be read
        getCpuFeatureMask (detected);

        if ((requested & feature::avxFamily) != 0 && (detected & feature::avxOsState) == 0)
        {
            requested &= ~feature::avxFamily;
            earlyStatus = status::featureNotPresent;
        }

        // Any requested feature the processor lacks, including every bit
        // above 31, which no processor can report. The request keeps such
        // bits; the level is still chosen from it.
        if ((requested & ~(detected & knownFeatureRange)) != 0)
            earlyStatus = status::featureNotPresent;
    }

    const auto& row = levelRowFor (requested);
    level = row.level;

    std::int32_t levelStatus = status::success;
    if (! row.fits)
        levelStatus = status::featuresUnreadable;
    else if (! hasAllBits (requested, row.features))
        levelStatus = status::levelFeatureMissing;

    // The level's features are enabled even when the request lacked some.
    setEnabledCpuFeatures (requested | row.features);

    return earlyStatus != status::success ? earlyStatus : levelStatus;
}

std::int32_t queryCpuFeatures (std::uint64_t* mask, std::uint32_t* words) noexcept
{
    std::uint64_t detected = 0;
    if (getCpuFeatureMask (detected) == 0)
        return status::featuresUnreadable;

    if (mask == nullptr)
        return status::noMaskPlace;

    const std::uint64_t tag = *mask;
    *mask = detected;

    if (words == nullptr)
        return status::success;

    if (tag == getInfoTag)
        cpuidQuery (words, words[0], words[2]);
    else
        cpuidQuery (words, 1, 0);

    return status::success;
}

std::int32_t initCpuDispatch() noexcept
{
    std::uint64_t mask = 0;

    if (queryCpuFeatures (&mask) != status::success)
    {
        // Without CPUID there is nothing to choose from: stay on the baseline
        // level and report that the features could not be read. The vendor
        // cannot be read either, so there is no vendor check.
        dispatchLevel.store (0, std::memory_order_relaxed);
        enabledFeatureMask.store (7, std::memory_order_relaxed);
        return status::featuresUnreadable;
    }

    std::int32_t level = 0;
    const auto selectionStatus = selectCpuDispatchLevel (mask, level);
    dispatchLevel.store (level, std::memory_order_relaxed);

    if (! isGenuineIntel())
        return status::notGenuineIntel;

    return selectionStatus;
}

std::int32_t setEnabledCpuFeatures (std::uint64_t mask) noexcept
{
    enabledFeatureMask.store (mask, std::memory_order_relaxed);
    return status::success;
}

bool cpuidAvailable() noexcept
{
    return activeCpuidSource().available();
}

bool osSupportsAvxState() noexcept
{
    if (! cpuidAvailable())
        return false;

    std::uint32_t regs[4];
    cpuidQuery (regs, 1, 0);

    if ((regs[2] & osxsaveAndAvx) != osxsaveAndAvx)
        return false;

    return hasAllBits (activeCpuidSource().xgetbv (0), xcr0SseAndAvxState);
}

bool isGenuineIntel() noexcept
{
    if (! cpuidAvailable())
        return false;

    std::uint32_t regs[4];
    cpuidQuery (regs, 0, 0);

    return regs[1] == vendorEbx && regs[3] == vendorEdx && regs[2] == vendorEcx;
}

void cpuidQuery (std::uint32_t regs[4], std::uint32_t leaf, std::uint32_t subleaf) noexcept
{
    activeCpuidSource().cpuid (leaf, subleaf, regs);
}

void resetCpuDispatchState() noexcept
{
    detectedFeatureMaskValid.store (0, std::memory_order_relaxed);
    detectedFeatureMask.store (0, std::memory_order_relaxed);
    enabledFeatureMask.store (7, std::memory_order_relaxed);
    dispatchLevel.store (-1, std::memory_order_relaxed);
}

} // namespace vantrel::cpu
