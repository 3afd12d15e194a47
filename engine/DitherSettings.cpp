#include "DitherSettings.h"

void DitherSettings::mark (std::atomic<uint64_t>& marker, int index) noexcept
{
    // acq_rel: release publishes the setting stored before the mark to whoever
    // reads the marker with acquire; acquire on the read side of the exchange
    // keeps successive marks in one order.
    auto raw = marker.load (std::memory_order_relaxed);

    for (;;)
    {
        const auto current = valueOf (raw);
        const auto value = (current == -1 || current == index) ? index : 5;

        if (marker.compare_exchange_weak (raw, next (raw, value),
                                          std::memory_order_acq_rel, std::memory_order_relaxed))
            return;
    }
}

void DitherSettings::store (std::atomic<uint64_t>& marker, int value) noexcept
{
    auto raw = marker.load (std::memory_order_relaxed);

    while (! marker.compare_exchange_weak (raw, next (raw, value),
                                           std::memory_order_acq_rel, std::memory_order_relaxed))
    {
    }
}

void DitherSettings::markUiChanged (int index) noexcept   { mark (uiChangedParam, index); }
void DitherSettings::markDspChanged (int index) noexcept  { mark (dspChangedParam, index); }

int DitherSettings::getUiChangedParam() const noexcept
{
    // acquire: pairs with the release of mark, so the refresh that follows
    // reads settings at least as new as the mark it saw.
    const auto raw = uiChangedParam.load (std::memory_order_acquire);
    uiSeen.store (raw, std::memory_order_relaxed);
    return valueOf (raw);
}

int DitherSettings::getDspChangedParam() const noexcept
{
    return valueOf (dspChangedParam.load (std::memory_order_acquire));
}

void DitherSettings::acknowledgeUiChange() noexcept
{
    if (getDspChangedParam() != -1)
        return;

    // Only if the marker still holds exactly what the editor read before its
    // refresh (the counter makes an equal value marked again count as new).
    auto seen = uiSeen.load (std::memory_order_relaxed);
    uiChangedParam.compare_exchange_strong (seen, next (seen, -1),
                                            std::memory_order_acq_rel, std::memory_order_relaxed);
}

int DitherSettings::clearDspChanged() noexcept
{
    auto raw = dspChangedParam.load (std::memory_order_relaxed);

    while (! dspChangedParam.compare_exchange_weak (raw, next (raw, -1),
                                                    std::memory_order_acq_rel, std::memory_order_relaxed))
    {
    }

    return valueOf (raw);
}

void DitherSettings::setBothMarkers (int value) noexcept
{
    store (uiChangedParam, value);
    store (dspChangedParam, value);
}
