#pragma once

#include <atomic>
#include <cstdint>

/**
    The dither settings of one processor and the two change markers through which
    the engine's timer and the editor learn that a setting changed.

    The settings are written by the host's automation on the audio thread, by the
    editor on the message thread and by state restores on host threads, and the
    engine reads them for every sample on the audio thread, so every field is an
    atomic. Loads and stores of the settings themselves are relaxed: each one is a
    single independent value, and the engine only needs to see some recent value.
    What must be seen together is ordered through the markers: a writer stores
    the field first and marks afterwards with release semantics, and the consumer
    reads the marker with acquire semantics before it reads the fields, so a
    consumer that sees a mark also sees the value that caused it.

    A marker holds -1 (nothing pending), 0 to 4 (exactly this parameter changed)
    or 5 (several changed, or the whole state was replaced). Internally each
    marker also carries a counter of how often it was written, so that a
    consumer can reset it only if nobody has marked it since the consumer looked.
*/
class DitherSettings
{
public:
    DitherSettings() = default;
    virtual ~DitherSettings() = default;

    std::atomic<bool> bypass { false };
    std::atomic<int> ditherType { 0 };
    std::atomic<int> noiseShaping { 0 };
    std::atomic<int> bitDepth { 0 };
    std::atomic<bool> enaAB { false };

    /** Marks a marker with a parameter index: -1 or the same index becomes the
        index, anything else becomes 5. Safe from any thread; no mark is lost. */
    void markUiChanged (int index) noexcept;
    void markDspChanged (int index) noexcept;

    /** The marker's current value. Reading the editor's marker also remembers
        what was seen, for acknowledgeUiChange. */
    int getUiChangedParam() const noexcept;
    int getDspChangedParam() const noexcept;

    /** Sets the editor's marker back to -1 once the engine has taken its own
        marker, unless the editor's marker was marked again since the editor last
        read it (that change still needs a refresh). */
    void acknowledgeUiChange() noexcept;

    /** Sets the engine's marker to -1 and returns the value it held, in one step,
        so that a mark arriving at the same moment is either returned or kept. */
    int clearDspChanged() noexcept;

protected:
    /** Sets both markers to the same value: used by construction. */
    void setBothMarkers (int value) noexcept;

private:
    static void mark (std::atomic<uint64_t>& marker, int index) noexcept;
    static void store (std::atomic<uint64_t>& marker, int value) noexcept;
    static int valueOf (uint64_t raw) noexcept { return (int) (uint32_t) raw; }
    static uint64_t next (uint64_t raw, int value) noexcept
    {
        return (((raw >> 32) + 1) << 32) | (uint32_t) value;
    }

    std::atomic<uint64_t> uiChangedParam { 0xFFFFFFFFu };
    std::atomic<uint64_t> dspChangedParam { 0xFFFFFFFFu };

    // What the message thread last read from uiChangedParam (value and counter).
    mutable std::atomic<uint64_t> uiSeen { 0xFFFFFFFFu };
};
