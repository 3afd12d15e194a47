#include "UiTestSupport.h"

#include "ui/resources/VantrelResources.h"

using juce::Colour;

namespace
{
    juce::Image decode (VantrelResources::EmbeddedFile file)
    {
        juce::MemoryInputStream in (file.data, (size_t) file.size, false);
        return juce::PNGImageFormat().decodeImage (in);
    }

    bool isGreen (Colour c) { return c.getAlpha() == 255 && c.getGreen() > c.getRed() + 50 && c.getGreen() > c.getBlue() + 50; }
    bool isAmber (Colour c) { return c.getAlpha() == 255 && c.getRed() > 200 && c.getGreen() > 120 && c.getBlue() < 80; }
    bool isBlue (Colour c)  { return c.getAlpha() == 255 && c.getBlue() > c.getRed() + 80; }
    bool isWhite (Colour c) { return c.getAlpha() == 255 && c.getRed() > 245 && c.getGreen() > 245 && c.getBlue() > 245; }
    bool isBlack (Colour c) { return c.getAlpha() == 255 && c.getRed() < 20 && c.getGreen() < 20 && c.getBlue() < 20; }

    // A string of the font's name table: the Windows English (US) record of
    // the id, UTF-16 big-endian; empty when there is none.
    juce::String fontName (const unsigned char* font, int size, int nameId)
    {
        const auto u16 = [&] (int at) { return at + 2 <= size ? (int) juce::ByteOrder::bigEndianShort (font + at) : -1; };
        const auto u32 = [&] (int at) { return at + 4 <= size ? (int) juce::ByteOrder::bigEndianInt (font + at) : -1; };

        for (int table = 0; table < u16 (4); ++table)
        {
            const auto entry = 12 + 16 * table;
            if (u32 (entry) != (int) juce::ByteOrder::bigEndianInt ("name"))
                continue;

            const auto names = u32 (entry + 8);
            const auto strings = names + u16 (names + 4);

            for (int r = 0; r < u16 (names + 2); ++r)
            {
                const auto record = names + 6 + 12 * r;
                if (u16 (record) != 3 || u16 (record + 2) != 1 || u16 (record + 4) != 0x409 || u16 (record + 6) != nameId)
                    continue;

                juce::String text;
                for (int i = 0; i < u16 (record + 8); i += 2)
                    text += (juce::juce_wchar) u16 (strings + u16 (record + 10) + i);
                return text;
            }
        }

        return {};
    }
}

// The embedded pictures: sizes, transparency and the colours that tell the
// three alert icons apart (disc or triangle colour, glyph colour).
TEST (UiResources, AlertIconsAndAboutPicture)
{
    struct Case
    {
        VantrelResources::EmbeddedFile file;
        bool (*body) (Colour);
        bool (*glyph) (Colour);
        const char* name;
    };

    const Case icons[] = {
        { VantrelResources::alertQuestionPng(), isGreen, isWhite, "question" },
        { VantrelResources::alertWarningPng(), isAmber, isBlack, "warning" },
        { VantrelResources::alertInfoPng(), isBlue, isWhite, "info" },
    };

    for (const auto& c : icons)
    {
        const auto image = decode (c.file);
        ASSERT_TRUE (image.isValid()) << c.name;
        EXPECT_EQ (image.getWidth(), 70) << c.name;
        EXPECT_EQ (image.getHeight(), 70) << c.name;
        EXPECT_TRUE (image.hasAlphaChannel()) << c.name;
        EXPECT_EQ (image.getPixelAt (0, 0).getAlpha(), 0) << c.name << ": transparent corner";

        // The body covers much of the icon, the glyph sits in its middle.
        EXPECT_GT (uitest::countWhere (image, c.body), 1200) << c.name;
        EXPECT_GT (uitest::countWhere (image, c.glyph, { 25, 15, 20, 45 }), 80) << c.name;
        EXPECT_EQ (uitest::countWhere (image, c.glyph, { 0, 0, 25, 70 }), 0) << c.name << ": glyph off centre";
    }

    const auto about = decode (VantrelResources::aboutImagePng());
    ASSERT_TRUE (about.isValid());
    EXPECT_EQ (about.getWidth(), 300);
    EXPECT_EQ (about.getHeight(), 200);
    EXPECT_TRUE (about.hasAlphaChannel());
    EXPECT_EQ (about.getPixelAt (150, 100).getAlpha(), 255);
}

// The embedded font files are the TrueType faces that the look-and-feel loads,
// Source Sans Pro 2.020 (upright) and 1.075 (italic), with their sizes.
TEST (UiResources, FontFilesAreTheSourceSansProReleaseOfTheTable)
{
    struct Case { VantrelResources::EmbeddedFile file; int size; const char* version; const char* postScriptName; };
    const Case cases[] = {
        { VantrelResources::sourceSansProRegularTtf(), 293956, "Version 2.020", "SourceSansPro-Regular" },
        { VantrelResources::sourceSansProItalicTtf(), 104236, "Version 1.075", "SourceSansPro-It" },
        { VantrelResources::sourceSansProBoldTtf(), 291424, "Version 2.020", "SourceSansPro-Bold" },
        { VantrelResources::sourceSansProBoldItalicTtf(), 103608, "Version 1.075", "SourceSansPro-BoldIt" },
    };

    for (const auto& c : cases)
    {
        ASSERT_EQ (c.file.size, c.size) << c.postScriptName;
        const auto* bytes = reinterpret_cast<const unsigned char*> (c.file.data);
        EXPECT_EQ (juce::ByteOrder::bigEndianInt (bytes), 0x00010000u) << "sfnt version 1.0";
        EXPECT_TRUE (fontName (bytes, c.size, 1) == "Source Sans Pro") << c.postScriptName;
        EXPECT_TRUE (fontName (bytes, c.size, 5).startsWith (juce::String (c.version) + ";")) << fontName (bytes, c.size, 5);
        EXPECT_EQ (fontName (bytes, c.size, 6), c.postScriptName);
    }
}
