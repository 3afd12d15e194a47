#pragma once

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_events/juce_events.h>

#include <atomic>
#include <cstdint>

#include "DitherSettings.h"
#include "MersenneTwister.h"

/**
    The dither engine: requantises channels 0 and 1 of a block in place to the
    final word length, with TPDF or high-pass TPDF dither and error-feedback
    noise shaping, as its owner's settings say.

    It is also a 50 ms timer that takes the owner's engine change marker and
    clears the noise-shaping history after a change of dither type, noise
    shaping or bit depth.

    Threads: process() runs on the audio thread and is the only code that
    touches the errors, histories, last draws and generator. The timer and
    resetState() (message or host threads) only raise a flag; the audio thread
    clears the history itself before it shapes its next sample, so a sample is
    never shaped from a partly cleared history and nothing is shared unguarded.
*/
class Algo : public juce::Timer
{
public:
    /** Seeds the generator from the calendar time and starts the timer. */
    explicit Algo (DitherSettings* owner);

    /** The same with a chosen seed, for reproducible output. */
    Algo (DitherSettings* owner, uint32_t seed);

    ~Algo() override;

    void process (juce::AudioSampleBuffer& buffer, juce::MidiBuffer& midi, bool skip);

    /** Clears the errors and shaping histories (not the last draws or the
        generator) before the next sample that is shaped. */
    void resetState() noexcept;

    void timerCallback() override;

    /** The error-feedback filter: stores error as the newest history element,
        returns sum(table[i] x history[i]) summed strictly in index order, and
        moves the history on by one. Uses only its arguments. */
    static double shapeError (double error, int taps, const double* table, double* history) noexcept
    {
        history[0] = error;
        double acc = 0.0;

        for (int i = 0; i < taps; ++i)
            acc = acc + table[i] * history[i];

        for (int i = taps - 2; i >= 0; --i)
            history[i + 1] = history[i];

        return acc;
    }

    static const double curve1Taps[5];
    static const double curve2Taps[9];
    static const double curve3Taps[9];

private:
    void clearHistory() noexcept;

    DitherSettings* owner;
    uint32_t lastRandL = 0;
    uint32_t lastRandR = 0;
    int32_t errL = 0;
    int32_t errR = 0;
    double histL[9] = {};
    double histR[9] = {};
    MersenneTwister rng;

    // Raised by resetState() on any thread, taken by the audio thread. Relaxed
    // is enough: the flag carries the whole request, and the clearing itself is
    // done by the thread that owns the history.
    std::atomic<bool> resetPending { false };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Algo)
};
