#pragma once

#include <atomic>
#include <cstdint>

/*  Processor feature detection.

    Each processor construction calls initCpuDispatch(), which reads the
    instruction-set extensions of the host processor with CPUID, the
    operating system's support of the AVX register state with XGETBV, and
    records an optimisation level (0 to 6) and the feature mask that level may
    use in the process-wide variables below. Nothing in the audio path depends
    on the result.

    None of these functions allocates, throws or takes a lock.
*/

namespace vantrel::cpu
{

//==============================================================================
// Feature mask bits.
namespace feature
{
    constexpr std::uint64_t mmx          = 1ull << 0;
    constexpr std::uint64_t sse          = 1ull << 1;
    constexpr std::uint64_t sse2         = 1ull << 2;
    constexpr std::uint64_t sse3         = 1ull << 3;
    constexpr std::uint64_t ssse3        = 1ull << 4;
    constexpr std::uint64_t movbe        = 1ull << 5;
    constexpr std::uint64_t sse41        = 1ull << 6;
    constexpr std::uint64_t sse42        = 1ull << 7;
    constexpr std::uint64_t avx          = 1ull << 8;   // CPUID only
    constexpr std::uint64_t avxOsState   = 1ull << 9;   // OSXSAVE + AVX + XCR0 bits 1, 2
    constexpr std::uint64_t aes          = 1ull << 10;
    constexpr std::uint64_t pclmulqdq    = 1ull << 11;
    constexpr std::uint64_t rdrand       = 1ull << 13;
    constexpr std::uint64_t f16c         = 1ull << 14;
    constexpr std::uint64_t avx2         = 1ull << 15;  // AVX2 + BMI1 + BMI2 + FMA
    constexpr std::uint64_t adx          = 1ull << 16;
    constexpr std::uint64_t rdseed       = 1ull << 17;
    constexpr std::uint64_t prefetchw    = 1ull << 18;
    constexpr std::uint64_t sha          = 1ull << 19;
    constexpr std::uint64_t avx512f      = 1ull << 20;
    constexpr std::uint64_t avx512cd     = 1ull << 21;
    constexpr std::uint64_t avx512er     = 1ull << 22;
    constexpr std::uint64_t avx512pf     = 1ull << 23;
    constexpr std::uint64_t avx512bw     = 1ull << 24;
    constexpr std::uint64_t avx512dq     = 1ull << 25;
    constexpr std::uint64_t avx512vl     = 1ull << 26;
    constexpr std::uint64_t avx512vbmi   = 1ull << 27;
    constexpr std::uint64_t mpx          = 1ull << 28;
    constexpr std::uint64_t avx5124fmaps = 1ull << 29;
    constexpr std::uint64_t avx5124vnniw = 1ull << 30;
    constexpr std::uint64_t family0BModel1 = 1ull << 31;

    /** Features that need the operating system to save the AVX state. */
    constexpr std::uint64_t avxFamily = 0x7F08100;

    /** In a requested mask only: take the request as it is, without checking
        it against the processor. Never set by the detection. */
    constexpr std::uint64_t noCheckRequest = 1ull << 63;
}

/** Incoming value of the mask place that makes queryCpuFeatures() execute the
    leaf and sub-leaf given in words[0] and words[2]: "getinfoa" read as a
    little-endian 64-bit value. */
constexpr std::uint64_t getInfoTag = 0x616F666E69746567ull;

//==============================================================================
// Status values.
namespace status
{
    constexpr std::int32_t success             = 0;
    constexpr std::int32_t notGenuineIntel     = 20;
    constexpr std::int32_t featuresUnreadable  = 36;  // or no level fits (no SSE2)
    constexpr std::int32_t featureNotPresent   = 49;
    constexpr std::int32_t levelFeatureMissing = 51;
    constexpr std::int32_t noMaskPlace         = -8;
}

//==============================================================================
// Process-wide state, shared by every processor instance in the module.

/** Level chosen by the last initCpuDispatch(); -1 before the first. */
extern std::atomic<std::int32_t> dispatchLevel;

/** Features the chosen level may use; 7 (MMX, SSE, SSE2) initially. */
extern std::atomic<std::uint64_t> enabledFeatureMask;

/** The detected mask; meaningful once detectedFeatureMaskValid is 1. */
extern std::atomic<std::uint64_t> detectedFeatureMask;

/** 1 once detectedFeatureMask holds the detected mask, else 0. */
extern std::atomic<std::int32_t> detectedFeatureMaskValid;

//==============================================================================
/** Detects the features (first call only), chooses the level, stores
    dispatchLevel and enabledFeatureMask. Returns 20 on a processor whose
    vendor is not GenuineIntel, otherwise the selection's status; 36 when the
    features cannot be read (level 0, enabled mask 7). */
std::int32_t initCpuDispatch() noexcept;

/** Stores the detected mask in *mask. The incoming *mask is a request tag:
    when it equals getInfoTag and words is given, CPUID leaf words[0]
    sub-leaf words[2] is executed into words[0..3]; with any other tag,
    leaf 1. Returns 0, 36 (features cannot be read) or -8 (mask is null). */
std::int32_t queryCpuFeatures (std::uint64_t* mask, std::uint32_t* words = nullptr) noexcept;

/** Chooses the level for a requested mask and stores the mask the level may
    use in enabledFeatureMask. With feature::noCheckRequest set, the request
    is not checked and the current enabled mask replaces the detected mask.
    Returns 0, 36, 49 or 51. */
std::int32_t selectCpuDispatchLevel (std::uint64_t requested, std::int32_t& level) noexcept;

/** Writes the detected mask, computing and caching it on first use.
    Returns 1, or 0 without writing when CPUID cannot be executed. */
std::int32_t getCpuFeatureMask (std::uint64_t& mask) noexcept;

/** Stores mask in enabledFeatureMask; returns 0. */
std::int32_t setEnabledCpuFeatures (std::uint64_t mask) noexcept;

/** True when CPUID can be executed: always on x86-64. */
bool cpuidAvailable() noexcept;

/** True when CPUID leaf 1 reports OSXSAVE and AVX and XCR0 has the SSE and
    AVX state bits (1 and 2) set. */
bool osSupportsAvxState() noexcept;

/** True when CPUID leaf 0 reports the vendor string "GenuineIntel". */
bool isGenuineIntel() noexcept;

/** Executes CPUID with EAX = leaf, ECX = subleaf; stores EAX, EBX, ECX, EDX
    in regs[0..3]. */
void cpuidQuery (std::uint32_t regs[4], std::uint32_t leaf, std::uint32_t subleaf) noexcept;

//==============================================================================
/** Puts the four process-wide variables back to their initial values, so the
    next call detects afresh. For tests; not safe against concurrent callers. */
void resetCpuDispatchState() noexcept;

} // namespace vantrel::cpu
