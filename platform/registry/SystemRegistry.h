#pragma once

#include <juce_core/juce_core.h>

/**
    Read-only access to the system registry by full value path, such as
    "HKEY_LOCAL_MACHINE\SOFTWARE\Maker\Product\Value".

    On Windows this is the Windows registry itself. Elsewhere the values live
    in one text file that an installer writes (by default /etc/vantrel/registry):
    one value a line, the full value path, "=" and the value's text, for example

        HKEY_LOCAL_MACHINE\SOFTWARE\Vantrel\Vantrel Dither 64bit\Help_file=/usr/share/doc/vantrel-dither/help.pdf

    Paths compare without regard to letter case, as the registry's do; the
    value is the rest of the line after the first "=", taken as it stands.
    Empty lines and lines that begin with "#" or ";" are ignored, and the
    first line for a path wins.
*/
class SystemRegistry
{
public:
    /** The value's text, or the default when the value or the store is missing. */
    static juce::String getValue (const juce::String& regValuePath, const juce::String& defaultValue = {});

   #if ! JUCE_WINDOWS
    /** The file that holds the values. */
    static juce::File getStoreFile();

    /** Makes the registry read another file (tests point it at a temporary
        one); an empty file goes back to the system-wide default. */
    static void setStoreFile (const juce::File& file);

    /** The value in the given store text, or the default. */
    static juce::String findValue (const juce::String& storeText, const juce::String& regValuePath,
                                   const juce::String& defaultValue);

    /** A store file larger than this is not read. */
    static constexpr int maxStoreSize = 1 << 20;
   #endif
};
