#pragma once

#include <juce_core/juce_core.h>

/**
    The conversions between the processor's settings and the normalised values
    (0 to 1) through which the host and the editor see them.

    Parameter 0 is bypass, 1 dither type, 2 noise shaping, 3 bit depth and 4
    the A/B set. All arithmetic is single precision, and values are not
    clamped in either direction.
*/
class ParameterMapping
{
public:
    static constexpr int numParameters = 5;

    /** trunc(value x steps + 0.5) in single precision, toward zero. A value
        whose result does not fit an int saturates, and NaN gives 0. */
    static int nearestStep (float value, int steps) noexcept;

    /** A switch is on strictly above 0.5. */
    static bool isOn (float value) noexcept   { return value > 0.5f; }

    /** A setting of 0, 1 or 2 steps as a normalised value (x 0.5). */
    static float halfSteps (int field) noexcept   { return (float) field * 0.5f; }

    /** A setting of 0 to 3 steps as a normalised value (/ 3). */
    static float thirdSteps (int field) noexcept   { return (float) field / 3.0f; }

    /** The parameter's name, empty outside 0 to 4. */
    static juce::String name (int index);

    /** A normalised value as text with two decimals: trunc(100 x |v| + 0.5)
        in double precision, with a minus sign before a negative value. */
    static juce::String text (float value);
};
