#include "SystemRegistry.h"

#if JUCE_WINDOWS

juce::String SystemRegistry::getValue (const juce::String& regValuePath, const juce::String& defaultValue)
{
    return juce::WindowsRegistry::getValue (regValuePath, defaultValue);
}

#else

#include <mutex>

namespace
{
    const char* const systemStorePath = "/etc/vantrel/registry";

    std::mutex storeLock;
    juce::File storeOverride;
}

juce::File SystemRegistry::getStoreFile()
{
    const std::lock_guard<std::mutex> lock (storeLock);
    return storeOverride != juce::File() ? storeOverride : juce::File (systemStorePath);
}

void SystemRegistry::setStoreFile (const juce::File& file)
{
    const std::lock_guard<std::mutex> lock (storeLock);
    storeOverride = file;
}

juce::String SystemRegistry::findValue (const juce::String& storeText, const juce::String& regValuePath,
                                        const juce::String& defaultValue)
{
    juce::StringArray lines;
    lines.addLines (storeText);

    for (const auto& line : lines)
    {
        if (line.isEmpty() || line.startsWithChar ('#') || line.startsWithChar (';'))
            continue;

        const auto equals = line.indexOfChar ('=');

        if (equals > 0 && line.substring (0, equals).equalsIgnoreCase (regValuePath))
            return line.substring (equals + 1);
    }

    return defaultValue;
}

juce::String SystemRegistry::getValue (const juce::String& regValuePath, const juce::String& defaultValue)
{
    juce::FileInputStream in (getStoreFile());

    if (! in.openedOk())
        return defaultValue;

    juce::MemoryBlock bytes;

    if (in.readIntoMemoryBlock (bytes, maxStoreSize + 1) > (size_t) maxStoreSize)
        return defaultValue;

    return findValue (juce::String::fromUTF8 (static_cast<const char*> (bytes.getData()), (int) bytes.getSize()),
                      regValuePath, defaultValue);
}

#endif
