#pragma once

#include "CpuidSource.h"

#include <cstdint>
#include <utility>
#include <vector>

/** A processor described register by register. Installs itself as the
    detection's source for its lifetime and logs every query. Leaves it does
    not model answer { leaf, subleaf, ~leaf, ~subleaf }. */
class FakeCpuidSource final : public vantrel::cpu::CpuidSource
{
public:
    FakeCpuidSource();   // a GenuineIntel processor with nothing but leaves
    ~FakeCpuidSource() override;

    void setVendor (const char (&twelveChars)[13]);

    bool hasCpuid = true;
    std::uint32_t highestBasicLeaf = 7;
    std::uint32_t highestExtendedLeaf = 0x80000001;
    std::uint32_t signature = 0;
    std::uint32_t leaf1Ecx = 0, leaf1Edx = 0;
    std::uint32_t leaf7Ebx = 0, leaf7Ecx = 0, leaf7Edx = 0;
    std::uint32_t extLeaf1Ecx = 0;
    std::uint64_t xcr0 = 0;

    std::vector<std::pair<std::uint32_t, std::uint32_t>> queries;   // (leaf, subleaf)
    int xgetbvCalls = 0;

    bool available() noexcept override { return hasCpuid; }
    void cpuid (std::uint32_t leaf, std::uint32_t subleaf, std::uint32_t regs[4]) noexcept override;
    std::uint64_t xgetbv (std::uint32_t index) noexcept override;

private:
    std::uint32_t vendorEbx = 0, vendorEdx = 0, vendorEcx = 0;
};
