#include "UiTestSupport.h"

#include <memory>

using uitest::LookAndFeelTest;
using juce::Colour;

namespace
{
    const Colour black (0xFF000000);

    bool hasInk (const juce::Image& image, int x, int y) { return image.getPixelAt (x, y).getAlpha() > 128; }

    // The slider's track area and positions as the framework would pass them.
    struct Track { int x, y, width, height; float pos, minPos, maxPos; };
}

TEST_F (LookAndFeelTest, SliderTextBox)
{
    juce::Slider slider;
    slider.setColour (juce::Slider::textBoxTextColourId, Colour (0xFF123456));
    slider.setColour (juce::Slider::trackColourId, Colour (0xFFFF0000));

    const std::unique_ptr<juce::Label> box (laf->createSliderTextBox (slider));
    ASSERT_NE (box, nullptr);
    EXPECT_EQ (box->getName(), "n");
    EXPECT_TRUE (box->getText().isEmpty());
    EXPECT_EQ (box->getJustificationType(), juce::Justification (juce::Justification::centred));
    EXPECT_EQ (box->findColour (juce::Label::textColourId), Colour (0xFF123456));
    EXPECT_EQ (box->findColour (juce::Label::backgroundColourId), Colour (0xFFFFFFFF)) << "the scheme's track colour, not the slider's";
    EXPECT_EQ (box->findColour (juce::Label::outlineColourId), Colour (0xFFC7BFAC));
    EXPECT_EQ (box->findColour (juce::TextEditor::backgroundColourId), Colour (0xFFFFFFFF));
    EXPECT_EQ (box->findColour (juce::TextEditor::outlineColourId), Colour (0xFF7575AC));
    EXPECT_EQ (box->findColour (juce::TextEditor::textColourId), Colour (0xFF123456));
    EXPECT_FLOAT_EQ (box->getFont().getHeight(), 11.0f);
    EXPECT_EQ (box->getFont().getTypefaceName(), juce::Font::getDefaultSansSerifFontName());
}

TEST_F (LookAndFeelTest, HorizontalTrackShowsThreeSegmentsUnderTheMouseOnly)
{
    // 200 x 20: thumb radius min(7, 10, 100) + 2 = 9, so r = 7 and the track is
    // 7 high from y 6.5.
    juce::Slider slider (juce::Slider::TwoValueHorizontal, juce::Slider::NoTextBox);
    slider.setSize (200, 20);
    const Track t { 10, 0, 180, 20, 100.0f, 60.0f, 140.0f };

    const auto track = [&] (bool over)
    {
        return uitest::render (200, 20, [&] (juce::Graphics& g)
        {
            laf->drawLinearSliderTrack (g, t.x, t.y, t.width, t.height, t.minPos, t.maxPos, slider, over);
        }, black);
    };

    const auto hovered = track (true);
    uitest::saveArtifact (hovered, "slider-track-hover");

    const std::tuple<int, int, Colour> segments[] = {
        { 8, 59, Colour (0xFFBB0000) },     // from ri = 7 to the minimum
        { 61, 139, Colour (0xFF0000BB) },   // between the two positions
        { 141, 192, Colour (0xFFFFD800) },  // from the maximum to the width less ri
    };

    for (const auto& [left, right, colour] : segments)
    {
        for (int x : { left, (left + right) / 2, right })
        {
            // Vertical gradient: the colour brightened by 1.0 at the top, the
            // colour at the bottom.
            EXPECT_TRUE (uitest::near (hovered.getPixelAt (x, 7), colour.brighter (1.0f), 30)) << x << " " << uitest::hex (hovered.getPixelAt (x, 7));
            EXPECT_TRUE (uitest::near (hovered.getPixelAt (x, 12), colour, 30)) << x << " " << uitest::hex (hovered.getPixelAt (x, 12));
        }
    }

    EXPECT_EQ (hovered.getPixelAt (5, 10), black);
    EXPECT_EQ (hovered.getPixelAt (195, 10), black);
    EXPECT_EQ (hovered.getPixelAt (100, 4), black);
    EXPECT_EQ (hovered.getPixelAt (100, 15), black);

    // Without the mouse: one flat bar in the scheme's track colour from
    // x - trunc(r / 2) = 7, ri wider than the area, from y trunc(6.5) = 6.
    slider.setColour (juce::Slider::trackColourId, Colour (0xFFFF0000));
    const auto flat = track (false);
    uitest::saveArtifact (flat, "slider-track");
    EXPECT_EQ (uitest::inkBounds (flat, black), juce::Rectangle<int> (7, 6, 187, 7));
    EXPECT_EQ (flat.getPixelAt (100, 6), Colour (0xFFFFFFFF));
    EXPECT_EQ (flat.getPixelAt (100, 12), Colour (0xFFFFFFFF));

    // The override itself: a headless slider is never under the mouse.
    const auto viaOverride = uitest::render (200, 20, [&] (juce::Graphics& g)
    {
        laf->drawLinearSliderBackground (g, t.x, t.y, t.width, t.height, t.pos, t.minPos, t.maxPos, slider.getSliderStyle(), slider);
    }, black);
    EXPECT_TRUE (uitest::identical (viaOverride, flat));
}

TEST_F (LookAndFeelTest, VerticalTrackIsAlwaysFlat)
{
    juce::Slider slider (juce::Slider::LinearVertical, juce::Slider::NoTextBox);
    slider.setSize (20, 200);

    for (bool over : { false, true })
    {
        const auto image = uitest::render (20, 200, [&] (juce::Graphics& g)
        {
            laf->drawLinearSliderTrack (g, 0, 10, 20, 180, 150.0f, 150.0f, slider, over);
        }, black);

        // trunc(10 - 3.5) = 6, y - trunc(3.5) = 7, 7 wide, 187 high.
        EXPECT_EQ (uitest::inkBounds (image, black), juce::Rectangle<int> (6, 7, 7, 187)) << over;
        EXPECT_EQ (image.getPixelAt (9, 100), Colour (0xFFFFFFFF)) << over;
    }
}

TEST_F (LookAndFeelTest, ThumbIsAFixedSizeSphere)
{
    juce::Slider slider (juce::Slider::LinearHorizontal, juce::Slider::NoTextBox);
    slider.setSize (100, 6);

    const auto thumb = [&] (juce::Slider::SliderStyle style)
    {
        return uitest::render (100, 20, [&] (juce::Graphics& g)
        {
            laf->drawLinearSliderThumb (g, 0, 5, 100, 6, 50.0f, 20.0f, 80.0f, style, slider);
        });
    };

    // Diameter 9.8 even on a 6-pixel slider, centred on the position and the
    // track's middle, in the thumb colour.
    const auto enabled = thumb (juce::Slider::LinearHorizontal);
    const auto expected = uitest::render (100, 20, [&] (juce::Graphics& g)
    {
        laf->drawGradientSphere (g, 45.1f, 3.1f, 9.8f, Colour (0xFF306CF5), 0.0f);
    });
    uitest::saveArtifact (enabled, "slider-thumb");
    EXPECT_TRUE (uitest::identical (enabled, expected));
    EXPECT_EQ (uitest::inkBounds (enabled).getWidth(), 10);

    slider.setEnabled (false);
    const auto disabled = thumb (juce::Slider::LinearHorizontal);
    EXPECT_NEAR (disabled.getPixelAt (50, 10).getAlpha(), 128, 2) << "half alpha";
    slider.setEnabled (true);

    for (auto style : { juce::Slider::LinearBar, juce::Slider::LinearBarVertical, juce::Slider::Rotary,
                        juce::Slider::RotaryHorizontalVerticalDrag, juce::Slider::IncDecButtons })
        EXPECT_TRUE (uitest::inkBounds (thumb (style)).isEmpty()) << "style " << (int) style;
}

TEST_F (LookAndFeelTest, GradientPointerDirections)
{
    const Colour colour (0xFF306CF5);

    // A 20 x 20 pointer at (10, 10): the tip is at the middle of one edge, the
    // two corners on either side of the tip are empty, the opposite ones full.
    const auto pointer = [&] (int direction, float thickness = 0.8f)
    {
        return uitest::render (40, 40, [&] (juce::Graphics& g) { laf->drawGradientPointer (g, 10.0f, 10.0f, 20.0f, colour, thickness, direction); });
    };

    struct Case { int direction; juce::Point<int> tip, emptyCorner, fullCorner; };
    const Case cases[] = {
        { 0, { 20, 11 }, { 11, 11 }, { 28, 28 } },  // up
        { 1, { 28, 20 }, { 28, 11 }, { 11, 28 } },  // right
        { 2, { 20, 28 }, { 11, 28 }, { 28, 11 } },  // down
        { 3, { 11, 20 }, { 11, 28 }, { 28, 11 } },  // left
        { 4, { 20, 11 }, { 28, 11 }, { 11, 28 } },  // up again
    };

    for (const auto& c : cases)
    {
        const auto image = pointer (c.direction);
        uitest::saveArtifact (image, "pointer-" + juce::String (c.direction));
        EXPECT_TRUE (hasInk (image, c.tip.x, c.tip.y)) << "direction " << c.direction;
        EXPECT_FALSE (hasInk (image, c.emptyCorner.x, c.emptyCorner.y)) << "direction " << c.direction;
        EXPECT_TRUE (hasInk (image, c.fullCorner.x, c.fullCorner.y)) << "direction " << c.direction;
        EXPECT_EQ (uitest::inkBounds (image), juce::Rectangle<int> (10, 10, 20, 20)) << "direction " << c.direction;

        // The gradient stays vertical on screen whatever the direction.
        const auto top = image.getPixelAt (20, 12), bottom = image.getPixelAt (20, 27);
        ASSERT_TRUE (hasInk (image, 20, 12) && hasInk (image, 20, 27)) << "direction " << c.direction;
        EXPECT_GT (top.getRed(), bottom.getRed()) << "direction " << c.direction;
    }

    EXPECT_TRUE (uitest::inkBounds (pointer (1, 20.0f)).isEmpty()) << "thickness >= diameter draws nothing";
}

TEST_F (LookAndFeelTest, RangePointersOfTwoValueSliders)
{
    // Horizontal, 10 high: the minimum pointer (pointing down) sits sr = 4.0 left
    // of its position and at y 0 instead of -4.8; the maximum one (pointing up)
    // 4.9 left of its position at y 0.2.
    juce::Slider slider (juce::Slider::TwoValueHorizontal, juce::Slider::NoTextBox);
    slider.setSize (100, 10);

    const auto horizontal = uitest::render (100, 10, [&] (juce::Graphics& g)
    {
        laf->drawLinearSliderThumb (g, 0, 0, 100, 10, 50.0f, 30.0f, 70.0f, juce::Slider::TwoValueHorizontal, slider);
    });
    const auto expectedH = uitest::render (100, 10, [&] (juce::Graphics& g)
    {
        laf->drawGradientPointer (g, 26.0f, 0.0f, 9.8f, Colour (0xFF306CF5), 0.8f, 2);
        laf->drawGradientPointer (g, 65.1f, 0.2f, 9.8f, Colour (0xFF306CF5), 0.8f, 4);
    });
    uitest::saveArtifact (horizontal, "slider-two-value-horizontal");
    EXPECT_TRUE (uitest::identical (horizontal, expectedH));
    EXPECT_EQ (uitest::inkBounds (horizontal, {}, { 0, 0, 50, 10 }).getX(), 26);

    // Vertical, 10 wide: the minimum pointer (pointing right) at x 0 instead of
    // -4.8, 4.9 above its position; the maximum one (pointing left) at x 0.2,
    // sr = 4.0 above its position.
    slider.setSliderStyle (juce::Slider::TwoValueVertical);
    slider.setSize (10, 100);
    const auto vertical = uitest::render (10, 100, [&] (juce::Graphics& g)
    {
        laf->drawLinearSliderThumb (g, 0, 0, 10, 100, 50.0f, 70.0f, 30.0f, juce::Slider::TwoValueVertical, slider);
    });
    const auto expectedV = uitest::render (10, 100, [&] (juce::Graphics& g)
    {
        laf->drawGradientPointer (g, 0.0f, 65.1f, 9.8f, Colour (0xFF306CF5), 0.8f, 1);
        laf->drawGradientPointer (g, 0.2f, 26.0f, 9.8f, Colour (0xFF306CF5), 0.8f, 3);
    });
    EXPECT_TRUE (uitest::identical (vertical, expectedV));

    // Three values: the sphere and both pointers.
    slider.setSliderStyle (juce::Slider::ThreeValueHorizontal);
    slider.setSize (100, 30);
    const auto three = uitest::render (100, 30, [&] (juce::Graphics& g)
    {
        laf->drawLinearSliderThumb (g, 0, 0, 100, 30, 50.0f, 20.0f, 80.0f, juce::Slider::ThreeValueHorizontal, slider);
    });
    uitest::saveArtifact (three, "slider-three-value-horizontal");
    EXPECT_FALSE (uitest::inkBounds (three, {}, { 40, 0, 20, 30 }).isEmpty());
    EXPECT_FALSE (uitest::inkBounds (three, {}, { 10, 0, 20, 30 }).isEmpty());
    EXPECT_FALSE (uitest::inkBounds (three, {}, { 70, 0, 20, 30 }).isEmpty());
}
