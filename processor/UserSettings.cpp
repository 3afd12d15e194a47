#include "UserSettings.h"

#include <cstdlib>
#include <limits>

juce::PropertiesFile::Options UserSettings::options (const juce::String& name, const juce::String& osxSubFolder)
{
    juce::PropertiesFile::Options o;
    o.applicationName = name;
    o.folderName = name;
    o.filenameSuffix = ".settings";
    o.osxLibrarySubFolder = osxSubFolder;
    return o;
}

std::unique_ptr<juce::PropertiesFile> UserSettings::open (const juce::PropertiesFile::Options& o)
{
   #if JUCE_LINUX || JUCE_BSD
    // The XDG configuration folder: $XDG_CONFIG_HOME when it names an absolute
    // path, else what the framework gives (~/.config).
    auto folder = juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory);
    if (const auto* xdg = std::getenv ("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/')
        folder = juce::File (juce::String::fromUTF8 (xdg));

    if (folder != juce::File())
        return std::make_unique<juce::PropertiesFile> (folder.getChildFile (o.folderName)
                                                             .getChildFile (o.applicationName + o.filenameSuffix),
                                                       o);
   #endif

    return std::make_unique<juce::PropertiesFile> (o);
}

std::unique_ptr<juce::PropertiesFile> UserSettings::openForProduct (const juce::String& productName)
{
    const auto name = productName.replace ("Vantrel ", "").replaceCharacter (' ', '_');
    auto settings = open (options (name, "Application Support"));

    if (settings->getFile().exists())
        return settings;

    const auto legacyName = productName.replaceCharacter (' ', '_');

    for (auto* subFolder : { "Application Support", "Preferences" })
    {
        auto legacy = open (options (legacyName, subFolder));

        if (legacy->getFile().exists())
        {
            settings->addAllPropertiesFrom (*legacy);
            settings->save();
            return settings;
        }
    }

    // The first-run values are the settings a new processor starts with.
    settings->setValue (ditherTypeKey, juce::String (0));
    settings->setValue (noiseShapingKey, juce::String (0));
    settings->setValue (bitDepthKey, juce::String (0));
    settings->setValue (tooltipsKey, juce::String (1));
    return settings;
}

int UserSettings::parseInt (const juce::String& text) noexcept
{
    auto p = text.getCharPointer().findEndOfWhitespace();
    bool negative = false;

    if (*p == '-' || *p == '+')
    {
        negative = *p == '-';
        ++p;
    }

    juce::int64 value = 0;
    const juce::int64 limit = negative ? -(juce::int64) std::numeric_limits<int>::min()
                                       : (juce::int64) std::numeric_limits<int>::max();

    while (*p >= '0' && *p <= '9')
    {
        value = juce::jmin (limit, value * 10 + (juce::int64) (*p - '0'));
        ++p;
    }

    return (int) (negative ? -value : value);
}
