#include "HardwareCpuidSource.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
 #define VANTREL_CPUID_GNU_X64 1
 #include <cpuid.h>
#elif defined(_M_X64) && defined(_MSC_VER)
 #define VANTREL_CPUID_MSVC_X64 1
 #include <intrin.h>
 #include <immintrin.h>
#endif

namespace vantrel::cpu
{

bool HardwareCpuidSource::available() noexcept
{
#if defined(VANTREL_CPUID_GNU_X64) || defined(VANTREL_CPUID_MSVC_X64)
    return true;
#else
    return false;
#endif
}

void HardwareCpuidSource::cpuid (std::uint32_t leaf, std::uint32_t subleaf, std::uint32_t regs[4]) noexcept
{
#if defined(VANTREL_CPUID_GNU_X64)
    unsigned int a = 0, b = 0, c = 0, d = 0;
    __cpuid_count (leaf, subleaf, a, b, c, d);
    regs[0] = a;
    regs[1] = b;
    regs[2] = c;
    regs[3] = d;
#elif defined(VANTREL_CPUID_MSVC_X64)
    int r[4] {};
    __cpuidex (r, static_cast<int> (leaf), static_cast<int> (subleaf));
    for (int i = 0; i < 4; ++i)
        regs[i] = static_cast<std::uint32_t> (r[i]);
#else
    (void) leaf;
    (void) subleaf;
    regs[0] = regs[1] = regs[2] = regs[3] = 0;
#endif
}

std::uint64_t HardwareCpuidSource::xgetbv (std::uint32_t index) noexcept
{
#if defined(VANTREL_CPUID_GNU_X64)
    // Inline assembly rather than the _xgetbv intrinsic, which would need
    // the whole translation unit compiled with -mxsave.
    std::uint32_t eax = 0, edx = 0;
    __asm__ __volatile__ ("xgetbv" : "=a" (eax), "=d" (edx) : "c" (index));
    return (static_cast<std::uint64_t> (edx) << 32) | eax;
#elif defined(VANTREL_CPUID_MSVC_X64)
    return static_cast<std::uint64_t> (_xgetbv (index));
#else
    (void) index;
    return 0;
#endif
}

} // namespace vantrel::cpu
