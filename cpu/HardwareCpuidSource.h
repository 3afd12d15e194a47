#pragma once

#include "CpuidSource.h"

namespace vantrel::cpu
{

/** Executes the real CPUID and XGETBV instructions.

    On x86-64 CPUID always exists. On any other target the source reports
    itself unavailable and answers every query with zeros, which sends the
    detection down its "features cannot be read" path.
*/
class HardwareCpuidSource final : public CpuidSource
{
public:
    constexpr HardwareCpuidSource() noexcept = default;

    bool available() noexcept override;
    void cpuid (std::uint32_t leaf, std::uint32_t subleaf, std::uint32_t regs[4]) noexcept override;
    std::uint64_t xgetbv (std::uint32_t index) noexcept override;
};

} // namespace vantrel::cpu
