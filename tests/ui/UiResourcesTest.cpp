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

// The embedded font files are the TrueType faces that the look-and-feel loads.
TEST (UiResources, FontFilesAreTrueType)
{
    for (auto file : { VantrelResources::sourceSansProRegularTtf(), VantrelResources::sourceSansProItalicTtf(),
                       VantrelResources::sourceSansProBoldTtf(), VantrelResources::sourceSansProBoldItalicTtf() })
    {
        ASSERT_GT (file.size, 100000);
        const auto* bytes = reinterpret_cast<const unsigned char*> (file.data);
        EXPECT_EQ (juce::ByteOrder::bigEndianInt (bytes), 0x00010000u) << "sfnt version 1.0";
    }
}
