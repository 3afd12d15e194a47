#include "UiTestSupport.h"

#include <climits>
#include <cstdlib>
#include <iomanip>
#include <sstream>

namespace uitest
{
    juce::Image makeCanvas (int width, int height, juce::Colour background)
    {
        juce::Image image (juce::Image::ARGB, width, height, true, juce::SoftwareImageType());

        if (! background.isTransparent())
            image.clear (image.getBounds(), background);

        return image;
    }

    juce::Image render (int width, int height, const std::function<void (juce::Graphics&)>& paint,
                        juce::Colour background)
    {
        auto image = makeCanvas (width, height, background);
        {
            juce::Graphics g (image);
            paint (g);
        }
        return image;
    }

    void saveArtifact (const juce::Image& image, const juce::String& name)
    {
        const auto* fromEnv = std::getenv ("VANTREL_ARTIFACTS_DIR");
        const juce::File folder (fromEnv != nullptr && *fromEnv != 0 ? juce::String (fromEnv)
                                                                       : juce::String (VANTREL_DEFAULT_ARTIFACTS_DIR));
        folder.createDirectory();

        const auto file = folder.getChildFile (name + ".png");
        file.deleteFile();

        juce::FileOutputStream out (file);
        juce::PNGImageFormat png;
        EXPECT_TRUE (out.openedOk() && png.writeImageToStream (image, out))
            << "cannot write " << file.getFullPathName();
    }

    bool near (juce::Colour a, juce::Colour b, int tolerance)
    {
        return std::abs ((int) a.getAlpha() - (int) b.getAlpha()) <= tolerance
            && std::abs ((int) a.getRed() - (int) b.getRed()) <= tolerance
            && std::abs ((int) a.getGreen() - (int) b.getGreen()) <= tolerance
            && std::abs ((int) a.getBlue() - (int) b.getBlue()) <= tolerance;
    }

    static juce::Rectangle<int> clipTo (const juce::Image& image, juce::Rectangle<int> within)
    {
        return within.isEmpty() ? image.getBounds() : within.getIntersection (image.getBounds());
    }

    juce::Rectangle<int> boundsWhere (const juce::Image& image, const std::function<bool (juce::Colour)>& accept,
                                      juce::Rectangle<int> within)
    {
        const auto area = clipTo (image, within);
        int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;

        for (int y = area.getY(); y < area.getBottom(); ++y)
            for (int x = area.getX(); x < area.getRight(); ++x)
                if (accept (image.getPixelAt (x, y)))
                {
                    left = std::min (left, x);
                    right = std::max (right, x);
                    top = std::min (top, y);
                    bottom = std::max (bottom, y);
                }

        if (left == INT_MAX)
            return {};

        return { left, top, right - left + 1, bottom - top + 1 };
    }

    juce::Rectangle<int> inkBounds (const juce::Image& image, juce::Colour background, juce::Rectangle<int> within)
    {
        return boundsWhere (image, [background] (juce::Colour c) { return ! near (c, background, 8); }, within);
    }

    int countWhere (const juce::Image& image, const std::function<bool (juce::Colour)>& accept,
                    juce::Rectangle<int> within)
    {
        const auto area = clipTo (image, within);
        int count = 0;

        for (int y = area.getY(); y < area.getBottom(); ++y)
            for (int x = area.getX(); x < area.getRight(); ++x)
                if (accept (image.getPixelAt (x, y)))
                    ++count;

        return count;
    }

    bool identical (const juce::Image& a, const juce::Image& b)
    {
        if (a.getBounds() != b.getBounds())
            return false;

        for (int y = 0; y < a.getHeight(); ++y)
            for (int x = 0; x < a.getWidth(); ++x)
                if (a.getPixelAt (x, y) != b.getPixelAt (x, y))
                    return false;

        return true;
    }

    std::string hex (juce::Colour c)
    {
        std::ostringstream s;
        s << "0x" << std::hex << std::uppercase << std::setw (8) << std::setfill ('0') << c.getARGB();
        return s.str();
    }

    void ensureDisplay()
    {
        auto& displays = const_cast<juce::Displays&> (juce::Desktop::getInstance().getDisplays());

        if (! displays.displays.isEmpty())
            return;

        juce::Displays::Display display {};
        display.isMain = true;
        display.totalArea = display.userArea = { 0, 0, 1920, 1080 };
        display.scale = 1.0;
        display.dpi = 96.0;
        displays.displays.add (display);
    }

    void LookAndFeelTest::SetUp()
    {
        ensureDisplay();

        laf = VantrelLookAndFeel::getInstance();
        ASSERT_NE (laf, nullptr);
        juce::LookAndFeel::setDefaultLookAndFeel (laf);
        juce::Typeface::clearTypefaceCache();
    }
}
