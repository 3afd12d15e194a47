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

    /** The element of a chunk, or nothing when the bytes hold none: the text
        is min (L, size - 8) bytes read as UTF-8 and parsed by JUCE's parser.
        A text that stops between two attributes gives the element with the
        attributes before the stop; one that stops inside an attribute gives
        nothing. Texts on which JUCE 7.0.5's parser misbehaves (a document
        type, deeply nested or entity-made content, processing instructions in
        the content) are refused. */
    static std::unique_ptr<juce::XmlElement> read (const void* data, int sizeInBytes);

    /** A real value as state text: general notation from the nearest
        17-significant-digit decimal, with three exponent digits. */
    static juce::String realText (double value);
};
