#pragma once

#include <juce_core/juce_core.h>

#include <memory>

/**
    The byte layout of the processor's state chunk, which is also the whole of a
    user settings file: the magic "VC2!", a little-endian 32-bit text length L,
    L bytes of one-line XML (no declaration) and one NUL byte.
*/
class StateChunk
{
public:
    /** Replaces the block's content with the chunk of the element. */
    static void write (const juce::XmlElement& element, juce::MemoryBlock& destination);

    /** The element of a chunk, or nothing when the bytes hold none. */
    static std::unique_ptr<juce::XmlElement> read (const void* data, int sizeInBytes);

    /** A real value as state text: general notation from the nearest
        17-significant-digit decimal, with three exponent digits. */
    static juce::String realText (double value);
};
