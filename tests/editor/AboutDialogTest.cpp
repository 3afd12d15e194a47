#include "EditorTestSupport.h"

using Access = AboutDialogTestAccess;

TEST (AboutDialog, ThreeRowsOnTheRightHalfBesideThePicture)
{
    AboutDialog about;

    EXPECT_EQ (about.getWidth(), 640);
    EXPECT_EQ (about.getHeight(), 282);
    EXPECT_TRUE (about.isAlwaysOnTop());

    EXPECT_EQ (Access::product (about).getText(), "Vantrel Dither 1.0.1 VST3 64bit");
    EXPECT_EQ (Access::maker (about).getText(),
               "Copyright " + juce::String (juce::Time::getCurrentTime().getYear()) + " Vantrel Audio Engineering");
    EXPECT_EQ (Access::link (about).getButtonText(), "www.vantrel-audio.example");
    EXPECT_EQ (Access::link (about).getURL().toString (false), "https://www.vantrel-audio.example");

    EXPECT_EQ (Access::product (about).getBounds(), juce::Rectangle<int> (332, 24, 296, 24));
    EXPECT_EQ (Access::maker (about).getBounds(), juce::Rectangle<int> (332, 56, 296, 24));
    EXPECT_EQ (Access::link (about).getBounds(), juce::Rectangle<int> (332, 88, 296, 24));

    for (auto* label : { &Access::product (about), &Access::maker (about) })
    {
        EXPECT_EQ (label->getFont().getHeight(), 15.0f);
        EXPECT_EQ (label->getJustificationType(), juce::Justification::centred);
        EXPECT_FALSE (label->isEditable());
        EXPECT_TRUE (label->getName().isEmpty());
    }
}

TEST (AboutDialog, TheMakerLineCarriesTheYearItIsGiven)
{
    EXPECT_EQ (AboutDialog::makerLine (2031), "Copyright 2031 Vantrel Audio Engineering");
    EXPECT_EQ (AboutDialog::makerLine (1999), "Copyright 1999 Vantrel Audio Engineering");
}

TEST (AboutDialog, ThePictureIsCentredVerticallyAt24)
{
    AboutDialog about;
    const auto& picture = Access::image (about);
    ASSERT_EQ (picture.getWidth(), 300);
    ASSERT_EQ (picture.getHeight(), 200);

    // Draw the box alone, without its rows, and find the picture's ink.
    juce::Image canvas (juce::Image::ARGB, 640, 282, true);
    {
        juce::Graphics g (canvas);
        about.paint (g);
    }

    EXPECT_EQ (canvas.getPixelAt (10, 10).getARGB(), 0xffffffffu);
    EXPECT_EQ (canvas.getPixelAt (400, 200).getARGB(), 0xffffffffu);

    // Every picture pixel lands 24 right and 41 down, over the white.
    for (auto [x, y] : { std::pair { 0, 0 }, { 150, 100 }, { 299, 199 }, { 37, 161 }, { 260, 20 } })
    {
        const auto expected = juce::Colours::white.overlaidWith (picture.getPixelAt (x, y));
        const auto actual = canvas.getPixelAt (24 + x, 41 + y);
        EXPECT_NEAR (actual.getRed(), expected.getRed(), 2) << x << ", " << y;
        EXPECT_NEAR (actual.getGreen(), expected.getGreen(), 2) << x << ", " << y;
        EXPECT_NEAR (actual.getBlue(), expected.getBlue(), 2) << x << ", " << y;
    }
    EXPECT_EQ (canvas.getPixelAt (23, 141).getARGB(), 0xffffffffu);
    EXPECT_EQ (canvas.getPixelAt (100, 40).getARGB(), 0xffffffffu);
}
