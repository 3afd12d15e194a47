#include "StateChunk.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

namespace
{
    constexpr uint8_t magic[4] = { 0x56, 0x43, 0x32, 0x21 };   // "VC2!"
    constexpr size_t headerSize = 8;

    // Elements that the parser may nest (it recurses once per level, on the
    // caller's stack, which on a host thread can be small). The state element
    // has no children at all; text with more tags than this is refused.
    constexpr int maxTagsInContent = 256;

    void putLittleEndian32 (uint8_t* destination, uint32_t value) noexcept
    {
        for (int i = 0; i < 4; ++i)
            destination[i] = (uint8_t) (value >> (8 * i));
    }

    uint32_t getLittleEndian32 (const uint8_t* source) noexcept
    {
        return (uint32_t) source[0] | ((uint32_t) source[1] << 8)
             | ((uint32_t) source[2] << 16) | ((uint32_t) source[3] << 24);
    }

    //==============================================================================
    // The length of a well-formed UTF-8 sequence at p (at most `available` bytes),
    // or 0 when the bytes there are not one.
    size_t utf8SequenceLength (const uint8_t* p, size_t available) noexcept
    {
        const auto lead = p[0];

        if (lead < 0x80)
            return 1;

        size_t length = 0;
        uint8_t low = 0x80, high = 0xbf;   // range of the second byte

        if (lead >= 0xc2 && lead <= 0xdf)        { length = 2; }
        else if (lead == 0xe0)                   { length = 3; low = 0xa0; }
        else if (lead >= 0xe1 && lead <= 0xec)   { length = 3; }
        else if (lead == 0xed)                   { length = 3; high = 0x9f; }   // no surrogates
        else if (lead >= 0xee && lead <= 0xef)   { length = 3; }
        else if (lead == 0xf0)                   { length = 4; low = 0x90; }
        else if (lead >= 0xf1 && lead <= 0xf3)   { length = 4; }
        else if (lead == 0xf4)                   { length = 4; high = 0x8f; }   // up to U+10FFFF
        else                                     { return 0; }

        if (available < length || p[1] < low || p[1] > high)
            return 0;

        for (size_t i = 2; i < length; ++i)
            if ((p[i] & 0xc0) != 0x80)
                return 0;

        return length;
    }

    /*  The chunk's text as the parser gets to see it: the bytes up to the first
        NUL, with every byte that does not belong to a well-formed UTF-8 sequence
        replaced by U+FFFD.

        JUCE's UTF-8 pointer steps over as many bytes as a lead byte announces
        without looking at them, so a malformed sequence at the end of the text
        would carry the parser past the string's terminator. Everything the
        writer produces is ASCII, so this only touches foreign bytes. */
    std::string textOfChunk (const uint8_t* bytes, size_t size)
    {
        size = std::min (size, (size_t) (std::find (bytes, bytes + size, (uint8_t) 0) - bytes));

        std::string text;
        text.reserve (size);

        for (size_t i = 0; i < size;)
        {
            if (const auto length = utf8SequenceLength (bytes + i, size - i))
            {
                text.append (reinterpret_cast<const char*> (bytes + i), length);
                i += length;
            }
            else
            {
                text.append ("\xef\xbf\xbd");
                ++i;
            }
        }

        return text;
    }

    /*  JUCE 7.0.5's entity reader steps one character past the end of the text
        when the text stops inside a hexadecimal character reference ("&#x" and
        up to eight hex digits). Closing the reference with ';' keeps it inside
        the string; the outcome does not change, since a text that stops there
        stops inside a value or inside content and is an error either way, or
        lies after the element and is never read. */
    void closeTrailingCharacterReference (std::string& text)
    {
        size_t hexDigits = 0;

        auto isHexDigit = [] (char c)
        {
            return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        };

        while (hexDigits < text.size() && hexDigits <= 8 && isHexDigit (text[text.size() - 1 - hexDigits]))
            ++hexDigits;

        if (hexDigits > 8 || text.size() < hexDigits + 3)
            return;

        const auto start = text.size() - hexDigits - 3;

        if (text[start] == '&' && text[start + 1] == '#' && (text[start + 2] == 'x' || text[start + 2] == 'X'))
            text += ';';
    }

    //==============================================================================
    /*  How the text around the root element's start tag looks, read the way
        JUCE's parser reads it: white space, comments and processing
        instructions before the element and between its attributes are skipped,
        names are runs of the same characters it takes for names. */
    enum class StartTag
    {
        other,                  // no element start found; the parser decides
        hasDocumentType,        // a document type declaration comes first
        endsBetweenAttributes,  // the text stops after a complete attribute (or the tag)
        endsInsideAttribute,    // the text stops inside a name, after '=', or inside a value
        closedEmpty,            // "/>"
        closedWithContent,      // ">": children and text follow
        malformed               // something the parser rejects or stops at
    };

    using CharPointer = juce::String::CharPointerType;

    bool isNameCharacter (juce::juce_wchar c) noexcept
    {
        if (c < 0x80)
            return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
                || c == '_' || c == '-' || c == ':' || c == '.';

        if (c < 0xa0)
            return false;

        return juce::CharacterFunctions::isLetterOrDigit (c);
    }

    CharPointer endOfName (CharPointer p) noexcept
    {
        while (isNameCharacter (*p))
            ++p;

        return p;
    }

    // Skips white space, comments and processing instructions; false when the
    // text ends (also inside an unterminated comment or instruction).
    bool skipGap (CharPointer& p) noexcept
    {
        for (;;)
        {
            p.incrementToEndOfWhitespace();

            if (p.isEmpty())
                return false;

            if (*p == '<' && p[1] == '!' && p[2] == '-' && p[3] == '-')
            {
                p += 4;
                const auto close = p.indexOf (juce::CharPointer_ASCII ("-->"));

                if (close < 0)
                    return false;

                p += close + 3;
                continue;
            }

            if (*p == '<' && p[1] == '?')
            {
                p += 2;
                const auto close = p.indexOf (juce::CharPointer_ASCII ("?>"));

                if (close < 0)
                    return false;

                p += close + 2;
                continue;
            }

            return true;
        }
    }

    StartTag inspectStartTag (const juce::String& text, CharPointer& endOfTag)
    {
        auto p = text.getCharPointer();

        if (! skipGap (p))
            return StartTag::other;

        if (p.compareUpTo (juce::CharPointer_ASCII ("<!DOCTYPE"), 9) == 0)
            return StartTag::hasDocumentType;

        if (*p != '<')
            return StartTag::other;

        ++p;
        auto nameEnd = endOfName (p);

        if (nameEnd == p)
        {
            if (! skipGap (p))
                return StartTag::other;

            nameEnd = endOfName (p);

            if (nameEnd == p)
                return StartTag::malformed;
        }

        p = nameEnd;

        for (;;)
        {
            if (! skipGap (p))
                return StartTag::endsBetweenAttributes;

            const auto c = *p;

            if (c == '/' && p[1] == '>')
            {
                endOfTag = p + 2;
                return StartTag::closedEmpty;
            }

            if (c == '>')
            {
                endOfTag = p + 1;
                return StartTag::closedWithContent;
            }

            if (! isNameCharacter (c))
                return StartTag::malformed;

            p = endOfName (p);

            if (! skipGap (p))
                return StartTag::endsInsideAttribute;

            if (*p != '=')
                return StartTag::malformed;

            ++p;

            if (! skipGap (p))
                return StartTag::endsInsideAttribute;

            const auto quote = *p;

            if (quote != '"' && quote != '\'')
                return StartTag::malformed;

            ++p;
            const auto close = p.indexOf (quote);

            if (close < 0)
                return StartTag::endsInsideAttribute;

            p += close + 1;
        }
    }

    //==============================================================================
    /*  JUCE 7.0.5's number reader gathers the digits of an exponent in an int
        without any bound, which overflows (undefined behaviour, a wrong value in
        practice) for an exponent of ten digits or more. Any exponent beyond 999
        already gives infinity or zero, so such an exponent is written again as
        the smallest one that gives the same result: 999 when positive, and when
        negative 999 more than the mantissa's own digits can make up. */
    juce::String withBoundedExponent (const juce::String& value)
    {
        // White space as the reader skips it; everything after it that matters
        // here is ASCII.
        const auto* const start = value.toRawUTF8();
        const auto* p = value.getCharPointer().findEndOfWhitespace().getAddress();

        if (*p == '-' || *p == '+')
            ++p;

        // Integer digits past the 18 significant ones the reader keeps raise
        // the number's scale, one power of ten each.
        int64_t extraScale = 0, significantDigits = 0;

        for (; *p >= '0' && *p <= '9'; ++p)
            if (significantDigits > 0 || *p != '0')
                if (++significantDigits > 18)
                    ++extraScale;

        if (*p == '.')
            for (++p; *p >= '0' && *p <= '9'; ++p) {}

        if (*p != 'e' && *p != 'E')
            return value;

        ++p;
        const bool negative = *p == '-';

        if (*p == '-' || *p == '+')
            ++p;

        const auto* const digitsStart = p;
        int64_t exponent = 0;

        for (; *p >= '0' && *p <= '9'; ++p)
            exponent = std::min<int64_t> (exponent * 10 + (*p - '0'), (int64_t) 1 << 40);

        const auto bounded = negative ? extraScale + 999 : (int64_t) 999;

        if (exponent <= bounded)
            return value;

        return juce::String (juce::CharPointer_UTF8 (start), juce::CharPointer_UTF8 (digitsStart))
             + juce::String (bounded)
             + juce::String (juce::CharPointer_UTF8 (p));
    }

    void boundExponents (juce::XmlElement& element)
    {
        for (int i = 0; i < element.getNumAttributes(); ++i)
        {
            const auto& value = element.getAttributeValue (i);
            const auto bounded = withBoundedExponent (value);

            if (bounded != value)
                element.setAttribute (element.getAttributeName (i), bounded);
        }
    }
}

//==============================================================================
void StateChunk::write (const juce::XmlElement& element, juce::MemoryBlock& destination)
{
    // The element's one-line text without an XML declaration: JUCE's own
    // copyXmlToBinary would put "<?xml ...?> " in front of it.
    juce::MemoryOutputStream text;
    element.writeTo (text, juce::XmlElement::TextFormat().singleLine().withoutHeader());

    const auto length = text.getDataSize();
    destination.setSize (headerSize + length + 1, false);

    auto* bytes = static_cast<uint8_t*> (destination.getData());
    std::memcpy (bytes, magic, sizeof (magic));
    putLittleEndian32 (bytes + 4, (uint32_t) length);
    std::memcpy (bytes + headerSize, text.getData(), length);
    bytes[headerSize + length] = 0;
}

std::unique_ptr<juce::XmlElement> StateChunk::read (const void* data, int sizeInBytes)
{
    if (data == nullptr || sizeInBytes <= (int) headerSize)
        return {};

    const auto* bytes = static_cast<const uint8_t*> (data);

    if (std::memcmp (bytes, magic, sizeof (magic)) != 0)
        return {};

    // The length counts as a signed number: 0 or the top bit set means no text.
    const auto length = getLittleEndian32 (bytes + 4);

    if (length == 0 || (length & 0x80000000u) != 0)
        return {};

    // A length beyond the data is cut to the data; the closing NUL is not needed.
    auto utf8 = textOfChunk (bytes + headerSize, std::min ((size_t) length, (size_t) sizeInBytes - headerSize));
    closeTrailingCharacterReference (utf8);
    const juce::String text (juce::CharPointer_UTF8 (utf8.data()), juce::CharPointer_UTF8 (utf8.data() + utf8.size()));

    auto endOfTag = text.getCharPointer();

    switch (inspectStartTag (text, endOfTag))
    {
        // A text that stops inside an attribute gives nothing. JUCE 7.0.5
        // itself still gives the element when the text stops right after "="
        // or after an opening quote (the attribute then empty), or inside a
        // value at an '&'.
        case StartTag::endsInsideAttribute:
            return {};

        // JUCE 7.0.5 expands the entities declared there recursively and
        // without a bound; a state text never has one.
        case StartTag::hasDocumentType:
            return {};

        case StartTag::closedWithContent:
        {
            // In the content, JUCE 7.0.5's parser
            // - recurses once per nested element: refused when that could run deep;
            // - reads an unknown entity that starts with '<' as more elements,
            //   and past the entity's end when that ends in "&#x";
            // - loops forever on a processing instruction followed by text.
            int tags = 0;

            for (auto p = endOfTag; ! p.isEmpty(); ++p)
            {
                const auto c = *p;

                if ((c == '<' && (++tags > maxTagsInContent || p[1] == '?')) || (c == '&' && p[1] == '<'))
                    return {};
            }

            break;
        }

        case StartTag::other:
        case StartTag::endsBetweenAttributes:
        case StartTag::closedEmpty:
        case StartTag::malformed:
            break;
    }

    auto element = juce::parseXML (text);

    if (element != nullptr)
        boundExponents (*element);

    return element;
}

double StateChunk::number (const juce::String& text)
{
    auto p = text.getCharPointer().findEndOfWhitespace();

    if (*p == '-' || *p == '+')
        ++p;

    if (! ((*p >= '0' && *p <= '9') || *p == '.'))
        return 0.0;

    return withBoundedExponent (text).getDoubleValue();
}

juce::String StateChunk::realText (double value)
{
    // Not finite. No state gives a NaN (the reader takes decimal numbers
    // only); an infinity comes from a decimal beyond the float range, and is
    // written as one beyond every double.
    if (std::isnan (value))
        return "nan";

    if (std::isinf (value))
        return value < 0 ? "-1e+999" : "1e+999";

    if (value == 0.0)
        return "0";   // also for -0

    // The nearest 17-significant-digit decimal, "d.dddddddddddddddde±x", made
    // without the C locale, which a host may have changed.
    char scientific[40];
    const auto converted = std::to_chars (scientific, scientific + sizeof (scientific) - 1,
                                          value, std::chars_format::scientific, 16);
    *converted.ptr = 0;

    const char* p = scientific;
    const bool negative = *p == '-';

    if (negative)
        ++p;

    std::string digits;

    for (; *p != 'e'; ++p)
        if (*p != '.')
            digits += *p;

    ++p;
    const bool negativeExponent = *p == '-';
    int exponentMagnitude = 0;
    std::from_chars (p + 1, converted.ptr, exponentMagnitude);
    const int exponent = negativeExponent ? -exponentMagnitude : exponentMagnitude;

    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    std::string text;

    if (negative)
        text += '-';

    if (exponent >= -4 && exponent <= 19)
    {
        if (exponent < 0)
        {
            text += "0.";
            text.append ((size_t) (-exponent - 1), '0');
            text += digits;
        }
        else
        {
            const auto integerDigits = (size_t) exponent + 1;

            for (size_t i = 0; i < integerDigits; ++i)
                text += i < digits.size() ? digits[i] : '0';

            if (digits.size() > integerDigits)
                text += "." + digits.substr (integerDigits);
        }
    }
    else
    {
        text += digits[0];

        if (digits.size() > 1)
            text += "." + digits.substr (1);

        text += negativeExponent ? "e-" : "e+";
        text += (char) ('0' + exponentMagnitude / 100);
        text += (char) ('0' + exponentMagnitude / 10 % 10);
        text += (char) ('0' + exponentMagnitude % 10);
    }

    return juce::String (text.c_str());
}
