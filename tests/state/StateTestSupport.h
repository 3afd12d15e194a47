#pragma once

#include <juce_core/juce_core.h>

#include <cstdint>
#include <string>

// A chunk around the given text: magic, the length field (the text's length
// unless given), the text and, unless left out, the closing NUL.
inline juce::MemoryBlock chunkOf (const std::string& text, int64_t lengthField = -1, bool closingNul = true)
{
    const auto length = (uint32_t) (lengthField < 0 ? (int64_t) text.size() : lengthField);
    juce::MemoryBlock chunk ("VC2!", 4);

    for (int i = 0; i < 4; ++i)
    {
        const auto byte = (char) (length >> (8 * i));
        chunk.append (&byte, 1);
    }

    chunk.append (text.data(), text.size());

    if (closingNul)
        chunk.append ("", 1);

    return chunk;
}

inline std::string textOf (const juce::MemoryBlock& chunk)
{
    return { static_cast<const char*> (chunk.getData()) + 8, chunk.getSize() - 9 };
}
