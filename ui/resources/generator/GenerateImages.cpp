// Draws the about-box picture and the three alert-box icons with JUCE's software
// renderer and writes them as PNG files beside the fonts in ui/resources/.
//
//   GenerateImages <ui/resources directory>
//
// The glyphs are taken from the embedded Source Sans Pro Bold face in
// <directory>/fonts, so the icons match the typeface the plug-in draws with.
// The output depends only on the code below and the font file, so running it
// again reproduces the committed PNGs byte for byte.

#include <juce_graphics/juce_graphics.h>

#include <cmath>
#include <iostream>

namespace
{
    constexpr int iconSize = 70;
    constexpr int aboutWidth = 300;
    constexpr int aboutHeight = 200;

    juce::Image makeCanvas (int width, int height)
    {
        return juce::Image (juce::Image::ARGB, width, height, true, juce::SoftwareImageType());
    }

    // The outline of a text in the given font, moved so that the centre of its
    // ink bounds sits at centre and scaled so that its ink is inkHeight high.
    juce::Path glyphPath (const juce::String& text, const juce::Font& font,
                          juce::Point<float> centre, float inkHeight)
    {
        juce::GlyphArrangement glyphs;
        glyphs.addLineOfText (font, text, 0.0f, 0.0f);

        juce::Path path;
        glyphs.createPath (path);

        const auto ink = path.getBounds();
        const auto scale = inkHeight / ink.getHeight();
        path.applyTransform (juce::AffineTransform::translation (-ink.getCentreX(), -ink.getCentreY())
                                 .scaled (scale)
                                 .translated (centre));
        return path;
    }

    // A disc with a soft top highlight, a darker rim and a faint shadow below,
    // and the glyph in the middle.
    juce::Image drawDiscIcon (juce::Colour base, const juce::String& glyph,
                              juce::Colour glyphColour, const juce::Font& font, float inkHeight)
    {
        auto image = makeCanvas (iconSize, iconSize);
        juce::Graphics g (image);

        const juce::Rectangle<float> disc (4.0f, 3.0f, 62.0f, 62.0f);

        g.setColour (juce::Colours::black.withAlpha (0.18f));
        g.fillEllipse (disc.translated (0.0f, 2.0f).expanded (0.5f));

        g.setGradientFill (juce::ColourGradient (base.brighter (0.45f), 0.0f, disc.getY(),
                                                 base.darker (0.25f), 0.0f, disc.getBottom(), false));
        g.fillEllipse (disc);

        g.setColour (base.darker (0.45f));
        g.drawEllipse (disc.reduced (0.75f), 1.5f);

        // The glossy cap on the upper half.
        const auto cap = disc.reduced (9.0f, 5.0f).withHeight (disc.getHeight() * 0.42f);
        g.setGradientFill (juce::ColourGradient (juce::Colours::white.withAlpha (0.45f), 0.0f, cap.getY(),
                                                 juce::Colours::white.withAlpha (0.0f), 0.0f, cap.getBottom(), false));
        g.fillEllipse (cap);

        g.setColour (glyphColour);
        g.fillPath (glyphPath (glyph, font, disc.getCentre(), inkHeight));
        return image;
    }

    juce::Image drawWarningIcon (const juce::Font& font)
    {
        auto image = makeCanvas (iconSize, iconSize);
        juce::Graphics g (image);

        const juce::Colour amber (0xFFF2A900);

        juce::Path triangle;
        triangle.addTriangle (35.0f, 6.0f, 66.0f, 62.0f, 4.0f, 62.0f);
        triangle = triangle.createPathWithRoundedCorners (7.0f);

        g.setColour (juce::Colours::black.withAlpha (0.18f));
        g.fillPath (triangle, juce::AffineTransform::translation (0.0f, 2.0f));

        g.setGradientFill (juce::ColourGradient (amber.brighter (0.4f), 0.0f, 6.0f,
                                                 amber.darker (0.15f), 0.0f, 62.0f, false));
        g.fillPath (triangle);

        g.setColour (amber.darker (0.5f));
        g.strokePath (triangle, juce::PathStrokeType (1.5f));

        g.setColour (juce::Colours::black);
        g.fillPath (glyphPath ("!", font, { 35.0f, 42.0f }, 30.0f));
        return image;
    }

    // The picture of the about box: a dark card with a sine wave and the staircase
    // that a coarse quantiser makes of it, and the product's name.
    juce::Image drawAboutImage (const juce::Font& boldFont, const juce::Font& regularFont)
    {
        auto image = makeCanvas (aboutWidth, aboutHeight);
        juce::Graphics g (image);

        const auto card = image.getBounds().toFloat().reduced (0.5f);
        juce::Path cardShape;
        cardShape.addRoundedRectangle (card, 14.0f);

        g.setGradientFill (juce::ColourGradient (juce::Colour (0xFF23406E), 0.0f, 0.0f,
                                                 juce::Colour (0xFF0E1A2E), 0.0f, (float) aboutHeight, false));
        g.fillPath (cardShape);

        g.reduceClipRegion (cardShape);

        // The quantisation grid.
        const float midY = 82.0f;
        const float step = 11.0f;
        g.setColour (juce::Colours::white.withAlpha (0.07f));
        for (int level = -5; level <= 5; ++level)
            g.fillRect (juce::Rectangle<float> (0.0f, midY + (float) level * step - 0.5f, (float) aboutWidth, 1.0f));

        // One and a half periods of a sine and its quantised copy.
        const float amplitude = 50.0f;
        const auto signal = [&] (float x)
        {
            return midY - amplitude * std::sin (x / (float) aboutWidth * juce::MathConstants<float>::twoPi * 1.5f);
        };

        juce::Path stairs;
        const float hold = 12.0f;
        for (float x = 0.0f; x < (float) aboutWidth; x += hold)
        {
            const auto level = midY + step * std::round ((signal (x + hold * 0.5f) - midY) / step);
            if (x == 0.0f)
                stairs.startNewSubPath (x, level);
            else
                stairs.lineTo (x, level);
            stairs.lineTo (x + hold, level);
        }

        g.setColour (juce::Colour (0xFFF2A900).withAlpha (0.9f));
        g.strokePath (stairs, juce::PathStrokeType (2.0f, juce::PathStrokeType::mitered, juce::PathStrokeType::square));

        juce::Path wave;
        wave.startNewSubPath (0.0f, signal (0.0f));
        for (float x = 1.0f; x <= (float) aboutWidth; x += 1.0f)
            wave.lineTo (x, signal (x));

        g.setColour (juce::Colour (0xFF8FC3FF));
        g.strokePath (wave, juce::PathStrokeType (2.5f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));

        // A faint band of dither noise along the bottom of the wave area.
        juce::Random noise (20240101);
        g.setColour (juce::Colours::white.withAlpha (0.22f));
        for (int x = 0; x < aboutWidth; x += 2)
        {
            const auto h = 2.0f + noise.nextFloat() * 6.0f;
            g.fillRect (juce::Rectangle<float> ((float) x, 148.0f - h, 1.0f, h));
        }

        // The name.
        g.setColour (juce::Colours::white);
        g.setFont (boldFont.withHeight (30.0f));
        g.drawText ("Vantrel", juce::Rectangle<int> (18, 150, 200, 34), juce::Justification::bottomLeft, false);

        g.setColour (juce::Colour (0xFF8FC3FF));
        g.setFont (regularFont.withHeight (18.0f).withExtraKerningFactor (0.25f));
        g.drawText ("DITHER", juce::Rectangle<int> (114, 150, 150, 31), juce::Justification::bottomLeft, false);

        return image;
    }

    bool writePng (const juce::Image& image, const juce::File& file)
    {
        file.deleteFile();
        juce::FileOutputStream out (file);
        juce::PNGImageFormat png;

        if (! out.openedOk() || ! png.writeImageToStream (image, out))
        {
            std::cerr << "cannot write " << file.getFullPathName() << "\n";
            return false;
        }

        std::cout << file.getFullPathName() << "\n";
        return true;
    }

    juce::Typeface::Ptr loadTypeface (const juce::File& file)
    {
        juce::MemoryBlock data;
        if (! file.loadFileAsData (data))
            return nullptr;

        return juce::Typeface::createSystemTypefaceFor (data.getData(), data.getSize());
    }
}

int main (int argc, char* argv[])
{
    if (argc != 2)
    {
        std::cerr << "usage: GenerateImages <ui/resources directory>\n";
        return 2;
    }

    const juce::File resources (juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]));
    int status = 0;

    {
        const auto bold = loadTypeface (resources.getChildFile ("fonts/SourceSansPro-Bold.ttf"));
        const auto regular = loadTypeface (resources.getChildFile ("fonts/SourceSansPro-Regular.ttf"));

        if (bold == nullptr || regular == nullptr || bold->getName().isEmpty() || regular->getName().isEmpty())
        {
            std::cerr << "cannot load the fonts from " << resources.getFullPathName() << "/fonts\n";
            status = 1;
        }
        else
        {
            const juce::Font boldFont (bold);
            const juce::Font regularFont (regular);

            const bool ok =
                writePng (drawDiscIcon (juce::Colour (0xFF2E9E48), "?", juce::Colours::white, boldFont, 36.0f),
                          resources.getChildFile ("alertQuestion.png"))
                && writePng (drawWarningIcon (boldFont), resources.getChildFile ("alertWarning.png"))
                && writePng (drawDiscIcon (juce::Colour (0xFF2F6FD6), "i", juce::Colours::white, boldFont, 36.0f),
                             resources.getChildFile ("alertInfo.png"))
                && writePng (drawAboutImage (boldFont, regularFont), resources.getChildFile ("aboutImage.png"));

            status = ok ? 0 : 1;
        }
    }

    juce::DeletedAtShutdown::deleteAll();
    return status;
}
