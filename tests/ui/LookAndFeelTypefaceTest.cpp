#include "UiTestSupport.h"

#include <memory>

using Access = VantrelLookAndFeelTestAccess;
using uitest::LookAndFeelTest;

namespace
{
    juce::Font named (const juce::String& name, float height, int style)
    {
        return juce::Font (name, height, style);
    }

    bool isEmbedded (VantrelLookAndFeel& laf, const juce::Typeface::Ptr& t)
    {
        return t == Access::regular (laf) || t == Access::italic (laf)
            || t == Access::bold (laf) || t == Access::boldItalic (laf);
    }
}

// The typefaces made from memory take FreeType's family and style names; the
// lookup below relies on the regular face being called "Source Sans Pro".
TEST_F (LookAndFeelTest, EmbeddedFacesAreTheFourSourceSansProStyles)
{
    const std::pair<juce::Typeface::Ptr, const char*> faces[] = {
        { Access::regular (*laf), "Regular" },
        { Access::italic (*laf), "Italic" },
        { Access::bold (*laf), "Bold" },
        { Access::boldItalic (*laf), "Bold Italic" },
    };

    for (const auto& [face, style] : faces)
    {
        ASSERT_NE (face, nullptr) << style;
        EXPECT_EQ (face->getName(), "Source Sans Pro") << style;
        EXPECT_EQ (face->getStyle(), style);
    }
}

TEST_F (LookAndFeelTest, SourceSansProFontsGetTheMatchingEmbeddedFace)
{
    struct Case { int style; juce::Typeface::Ptr expected; };
    const Case cases[] = {
        { juce::Font::plain, Access::regular (*laf) },
        { juce::Font::italic, Access::italic (*laf) },
        { juce::Font::bold, Access::bold (*laf) },
        { juce::Font::bold | juce::Font::italic, Access::boldItalic (*laf) },
    };

    for (const auto& c : cases)
    {
        for (float height : { 6.0f, 15.0f, 72.0f })
        {
            const auto font = named ("Source Sans Pro", height, c.style);
            EXPECT_EQ (laf->getTypefaceForFont (font), c.expected) << "style " << c.style << " height " << height;
        }

        // The same through the framework's typeface cache, which asks the
        // default look-and-feel.
        EXPECT_EQ (named ("Source Sans Pro", 15.0f, c.style).getTypefacePtr(), c.expected) << "style " << c.style;
    }
}

TEST_F (LookAndFeelTest, OtherFontNamesGetTheFrameworksFace)
{
    for (const char* name : { "source sans pro", "SOURCE SANS PRO", "Source Sans", "Source Sans Pro ",
                              "DejaVu Sans", "" })
    {
        for (int style : { (int) juce::Font::plain, (int) juce::Font::bold })
        {
            const auto face = laf->getTypefaceForFont (named (name, 15.0f, style));
            ASSERT_NE (face, nullptr) << "'" << name << "'";
            EXPECT_FALSE (isEmbedded (*laf, face)) << "'" << name << "' got an embedded face";
        }
    }

    // A font that names no typeface (the tooltip's, the slider text box's).
    EXPECT_FALSE (isEmbedded (*laf, juce::Font (13.0f, juce::Font::bold).getTypefacePtr()));
    EXPECT_FALSE (isEmbedded (*laf, laf->getTypefaceForFont (juce::Font (11.0f))));
}

TEST (LookAndFeelTypefaces, AMissingFaceHandsEveryFontToTheFramework)
{
    using Field = juce::Typeface::Ptr& (*) (VantrelLookAndFeel&);

    for (Field field : { Field (&Access::regular), Field (&Access::italic), Field (&Access::bold), Field (&Access::boldItalic) })
    {
        const std::unique_ptr<VantrelLookAndFeel> own (Access::construct());
        const auto regular = Access::regular (*own);
        ASSERT_NE (regular, nullptr);
        EXPECT_EQ (own->getTypefaceForFont (named ("Source Sans Pro", 15.0f, juce::Font::plain)), regular);

        field (*own) = nullptr;

        for (int style : { 0, 1, 2, 3 })
        {
            const auto face = own->getTypefaceForFont (named ("Source Sans Pro", 15.0f, style));
            ASSERT_NE (face, nullptr);
            EXPECT_FALSE (isEmbedded (*own, face) || face == regular) << "style " << style;
        }
    }
}

// The operations' fonts all name the embedded family, except the slider text
// box's, at the heights the controls ask for.
TEST_F (LookAndFeelTest, FontsOfTheOperations)
{
    const auto expectEmbedded = [] (const juce::Font& f, float height, const char* what)
    {
        EXPECT_EQ (f.getTypefaceName(), "Source Sans Pro") << what;
        EXPECT_FLOAT_EQ (f.getHeight(), height) << what;
        EXPECT_FALSE (f.isBold() || f.isItalic()) << what;
    };

    juce::TextButton button;
    button.setSize (60, 40);
    expectEmbedded (laf->getTextButtonFont (button, 40), 15.0f, "text button");
    expectEmbedded (laf->getPopupMenuFont(), 15.0f, "pop-up menu");
    expectEmbedded (laf->getAlertWindowMessageFont(), 15.0f, "alert message");
    expectEmbedded (laf->getAlertWindowFont(), 15.0f, "alert window");

    juce::ComboBox box;
    box.setSize (100, 10);
    expectEmbedded (laf->getComboBoxFont (box), 8.5f, "combo box 10 high");
    box.setSize (100, 20);
    expectEmbedded (laf->getComboBoxFont (box), 12.0f, "combo box 20 high");

    juce::Label label;
    label.setFont (juce::Font (10.0f));
    expectEmbedded (laf->getLabelFont (label), 14.0f, "label font 10");
    label.setFont (juce::Font (20.0f, juce::Font::bold | juce::Font::italic));
    expectEmbedded (laf->getLabelFont (label), 20.0f, "bold italic label font 20");

    juce::Slider slider;
    expectEmbedded (laf->getSliderPopupFont (slider), 15.0f, "slider pop-up");

    // The framework derives the alert title from the message font.
    const auto title = laf->getAlertWindowTitleFont();
    EXPECT_TRUE (title.isBold());
    EXPECT_NEAR (title.getHeight(), 16.5f, 0.01f);
}

// Text in the embedded family is drawn with the embedded outlines, not a
// substitute: the same string drawn through the font name and through the
// typeface itself gives the same pixels, and a system face gives others.
TEST_F (LookAndFeelTest, TextNamedSourceSansProIsDrawnWithTheEmbeddedFace)
{
    const auto draw = [] (const juce::Font& font)
    {
        return uitest::render (160, 30, [&] (juce::Graphics& g)
        {
            g.setColour (juce::Colours::black);
            g.setFont (font);
            g.drawText ("Dither 1.0 Ag", 0, 0, 160, 30, juce::Justification::centredLeft, false);
        }, juce::Colours::white);
    };

    const auto byName = draw (named ("Source Sans Pro", 20.0f, juce::Font::bold));
    const auto byFace = draw (juce::Font (Access::bold (*laf)).withHeight (20.0f));
    const auto system = draw (named ("DejaVu Sans", 20.0f, juce::Font::bold));

    uitest::saveArtifact (byName, "typeface-source-sans-pro-bold");
    uitest::saveArtifact (system, "typeface-system-bold");

    EXPECT_TRUE (uitest::identical (byName, byFace));
    EXPECT_NE (uitest::inkBounds (byName, juce::Colours::white), uitest::inkBounds (system, juce::Colours::white));
}
