#pragma once

#include <cstdint>

namespace vantrel::cpu
{

/** Answers the two processor-identification instructions the feature
    detection needs. The detection talks only to this interface, so a test
    can stand in for any processor and see which queries were made.

    Implementations must not allocate and must not throw.
*/
class CpuidSource
{
public:
    virtual ~CpuidSource() = default;

    /** True when the CPUID instruction can be executed at all. */
    virtual bool available() noexcept = 0;

    /** Executes CPUID with EAX = leaf and ECX = subleaf and stores
        EAX, EBX, ECX, EDX in regs[0..3]. */
    virtual void cpuid (std::uint32_t leaf, std::uint32_t subleaf, std::uint32_t regs[4]) noexcept = 0;

    /** Executes XGETBV with ECX = index and returns EDX:EAX. Only called
        after CPUID has reported OSXSAVE, as the instruction faults otherwise. */
    virtual std::uint64_t xgetbv (std::uint32_t index) noexcept = 0;

protected:
    CpuidSource() = default;
    CpuidSource (const CpuidSource&) = default;
    CpuidSource& operator= (const CpuidSource&) = default;
};

/** The source the detection uses: the one installed with installCpuidSource,
    or the real processor when none is installed. */
CpuidSource& activeCpuidSource() noexcept;

/** Replaces the source the detection uses; nullptr restores the real
    processor. The caller keeps ownership and must keep the object alive
    until it is uninstalled. Meant for tests: the detected-mask cache is not
    touched, see resetCpuDispatchState(). */
void installCpuidSource (CpuidSource* source) noexcept;

} // namespace vantrel::cpu
