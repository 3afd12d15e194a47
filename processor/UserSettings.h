#pragma once

#include <juce_data_structures/juce_data_structures.h>

#include <memory>

/**
    The per-user settings file of the processor: where it lives, how it is
    opened, taken over from the older file name, or given first-run values.
*/
class UserSettings
{
public:
    static constexpr const char* ditherTypeKey = "zeTyc4KU5HB";
    static constexpr const char* noiseShapingKey = "WMFLWlN9u2G";
    static constexpr const char* bitDepthKey = "VgVZZ62N1QI";
    static constexpr const char* tooltipsKey = "Rj3PktA2kCQ";

    /** The options for a settings file named after the given name. */
    static juce::PropertiesFile::Options options (const juce::String& name, const juce::String& osxSubFolder);

    /** Opens the file of the options. On Linux it lives in the user's
        configuration folder ($XDG_CONFIG_HOME, else ~/.config) rather than in a
        folder of its own in the home folder. */
    static std::unique_ptr<juce::PropertiesFile> open (const juce::PropertiesFile::Options& options);

    /** Opens the current file for the product; if it does not exist yet, takes
        over the file under the older name (copying every key and saving at
        once) or, failing that, sets the first-run values, which the delayed
        save writes later. */
    static std::unique_ptr<juce::PropertiesFile> openForProduct (const juce::String& productName);

    /** Decimal integer text as the settings store it: leading white space,
        an optional sign and digits; no digits gives 0, and a number beyond the
        int range gives the nearest end of the range. */
    static int parseInt (const juce::String& text) noexcept;
};
