#include "CpuidSource.h"

#include "HardwareCpuidSource.h"

#include <atomic>

namespace vantrel::cpu
{

namespace
{
    // Constant-initialised (constexpr constructor), so it is usable from
    // any static initialiser and never needs a guard.
    HardwareCpuidSource hardwareSource;

    // Release on install / acquire on use: a thread that picks up an
    // installed source also sees the object fully constructed.
    std::atomic<CpuidSource*> installedSource { nullptr };
}

CpuidSource& activeCpuidSource() noexcept
{
    if (auto* source = installedSource.load (std::memory_order_acquire))
        return *source;

    return hardwareSource;
}

void installCpuidSource (CpuidSource* source) noexcept
{
    installedSource.store (source, std::memory_order_release);
}

} // namespace vantrel::cpu
