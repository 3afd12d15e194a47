#include "FakeCpuidSource.h"

#include <cstring>

FakeCpuidSource::FakeCpuidSource()
{
    setVendor ("GenuineIntel");
    vantrel::cpu::installCpuidSource (this);
}

FakeCpuidSource::~FakeCpuidSource()
{
    vantrel::cpu::installCpuidSource (nullptr);
}

void FakeCpuidSource::setVendor (const char (&twelveChars)[13])
{
    std::memcpy (&vendorEbx, twelveChars, 4);
    std::memcpy (&vendorEdx, twelveChars + 4, 4);
    std::memcpy (&vendorEcx, twelveChars + 8, 4);
}

void FakeCpuidSource::cpuid (std::uint32_t leaf, std::uint32_t subleaf, std::uint32_t regs[4]) noexcept
{
    queries.emplace_back (leaf, subleaf);

    auto answer = [regs] (std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d)
    {
        regs[0] = a; regs[1] = b; regs[2] = c; regs[3] = d;
    };

    if (leaf == 0)                answer (highestBasicLeaf, vendorEbx, vendorEcx, vendorEdx);
    else if (leaf == 1)           answer (signature, 0, leaf1Ecx, leaf1Edx);
    else if (leaf == 7 && subleaf == 0) answer (0, leaf7Ebx, leaf7Ecx, leaf7Edx);
    else if (leaf == 0x80000000u) answer (highestExtendedLeaf, 0, 0, 0);
    else if (leaf == 0x80000001u) answer (0, 0, extLeaf1Ecx, 0);
    else                          answer (leaf, subleaf, ~leaf, ~subleaf);
}

std::uint64_t FakeCpuidSource::xgetbv (std::uint32_t) noexcept
{
    ++xgetbvCalls;
    return xcr0;
}
