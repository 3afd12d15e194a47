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
        17-significant-digit decimal, with three exponent digits. An infinity
        is written as a decimal beyond every double ("1e+999"), which reads
        back as the same infinity. */
    static juce::String realText (double value);

    /** A number field of the state: the decimal number at the start of the
        text, after any white space, and 0 when the text does not start with
        one (JUCE's own reader also takes the words nan, inf and infinity).
        A decimal beyond the double range gives an infinity, as JUCE's does. */
    static double number (const juce::String& text);
};
