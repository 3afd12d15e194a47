#include "ParameterMapping.h"

#include <cmath>
#include <limits>

int ParameterMapping::nearestStep (float value, int steps) noexcept
{
    const float scaled = value * (float) steps + 0.5f;

    if (std::isnan (scaled))
        return 0;

    if (std::fabs (scaled) < 2147483648.0f)
        return (int) scaled;

    return scaled > 0.0f ? std::numeric_limits<int>::max() : std::numeric_limits<int>::min();
}

juce::String ParameterMapping::name (int index)
{
    switch (index)
    {
        case 0:  return "Bypass";
        case 1:  return "Dither Type";
        case 2:  return "Noiseshaping Type";
        case 3:  return "Bitdepth";
        case 4:  return "AB";
        default: return {};
    }
}

juce::String ParameterMapping::text (float value)
{
    const double magnitude = std::fabs ((double) value);
    const double hundredths = std::trunc (100.0 * magnitude + 0.5);
    const juce::String sign = value < 0.0f ? "-" : "";

    if (! (hundredths < 9.0e15)) // beyond what an integer text holds exactly (or NaN)
        return sign + juce::String (magnitude, 2);

    const auto whole = (juce::int64) hundredths;
    return sign + juce::String (whole / 100) + "." + juce::String (whole % 100).paddedLeft ('0', 2);
}
