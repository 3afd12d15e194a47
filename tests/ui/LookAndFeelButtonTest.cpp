#include "UiTestSupport.h"

using uitest::LookAndFeelTest;
using juce::Colour;

namespace
{
    const Colour blue (0xFF306CF5);
    const Colour red (0xFFE03931);

    bool isDark (Colour c)    { return c.getAlpha() > 200 && c.getRed() < 60 && c.getGreen() < 60 && c.getBlue() < 60; }
    bool isBlueish (Colour c) { return c.getAlpha() > 0 && (int) c.getBlue() > (int) c.getRed() + 60; }
    bool isRed (Colour c)     { return c.getAlpha() > 0 && c.getRed() > 150 && c.getGreen() < 60 && c.getBlue() < 60; }

    // Paints a component the way the framework does, with its children.
    juce::Image paintComponent (juce::Component& c, Colour background = juce::Colours::transparentBlack)
    {
        return uitest::render (c.getWidth(), c.getHeight(), [&] (juce::Graphics& g) { c.paintEntireComponent (g, false); },
                               background);
    }
}

TEST_F (LookAndFeelTest, ColourScheme)
{
    const std::pair<int, juce::uint32> table[] = {
        { juce::PopupMenu::textColourId, 0xFF000000 },
        { juce::PopupMenu::backgroundColourId, 0xFFFFFFFF },
        { juce::PopupMenu::highlightedTextColourId, 0xFFFFFFFF },
        { juce::PopupMenu::highlightedBackgroundColourId, 0xFF3875D7 },
        { juce::ComboBox::buttonColourId, 0xFFBBBBFF },
        { juce::ComboBox::outlineColourId, 0xB3808080 },
        { juce::ToggleButton::textColourId, 0x99000000 },
        { juce::TextButton::textColourOnId, 0xFFF2F0EE },
        { juce::TextButton::textColourOffId, 0xFFF2F0EE },
        { juce::TextButton::buttonColourId, 0xFF306CF5 },
        { juce::TextButton::buttonOnColourId, 0xFFE03931 },
        { juce::ListBox::outlineColourId, 0xB3808080 },
        { juce::ScrollBar::backgroundColourId, 0x00000000 },
        { juce::ScrollBar::thumbColourId, 0xFFFFFFFF },
        { juce::Slider::thumbColourId, 0xFF306CF5 },
        { juce::Slider::trackColourId, 0xFFFFFFFF },
        { juce::Slider::textBoxOutlineColourId, 0xB3808080 },
        { juce::Slider::rotarySliderFillColourId, 0xFFFFFFFF },
        { juce::ProgressBar::backgroundColourId, 0xFFFFFFFF },
        { juce::ProgressBar::foregroundColourId, 0xFFAAAAEE },
        { juce::TextEditor::textColourId, 0xFF545454 },
        { juce::TextEditor::outlineColourId, 0xFF8F8F8F },
        { juce::TextEditor::shadowColourId, 0xFFFFFFFF },
        { juce::TextEditor::backgroundColourId, 0xFFFFFFFF },
        { juce::TextEditor::focusedOutlineColourId, 0xFF4682B4 },
        { juce::TextEditor::highlightedTextColourId, 0xFFFFFFFF },
        { juce::TextEditor::highlightColourId, 0xFF3875D7 },
        { juce::AlertWindow::backgroundColourId, 0xFFEDEDED },
        { juce::AlertWindow::textColourId, 0xFF000000 },
        { juce::AlertWindow::outlineColourId, 0xFF666666 },
        { juce::Label::textColourId, 0xFF404040 },
        { juce::Label::backgroundColourId, 0xFFFFFFFF },
    };

    for (const auto& [id, argb] : table)
        EXPECT_EQ (uitest::hex (laf->findColour (id)), uitest::hex (Colour (argb))) << "colour id 0x" << std::hex << id;

    // Ids the scheme leaves alone keep the V2 look's values.
    juce::LookAndFeel_V2 v2;
    for (int id : { (int) juce::Label::outlineColourId, (int) juce::TooltipWindow::backgroundColourId,
                    (int) juce::TooltipWindow::textColourId, (int) juce::TooltipWindow::outlineColourId,
                    (int) juce::ToggleButton::tickColourId })
        EXPECT_EQ (laf->findColour (id), v2.findColour (id)) << "colour id 0x" << std::hex << id;
}

TEST (LookAndFeelButtons, BaseColourOfAControl)
{
    const Colour white (0xFFFFFFFF);

    EXPECT_EQ (createBaseColour (white, false, true, false), white) << "brightness is already at its cap";
    EXPECT_EQ (createBaseColour (white, false, false, false), white);
    EXPECT_EQ (createBaseColour (white, false, true, true), white.withMultipliedBrightness (0.9f));
    EXPECT_EQ (createBaseColour (white, false, false, true), white.withMultipliedBrightness (0.9f));
    EXPECT_LT (createBaseColour (white, false, false, true).getBrightness(), 0.95f);

    EXPECT_EQ (createBaseColour (blue, false, true, false), blue.withMultipliedBrightness (1.3f));
    EXPECT_EQ (createBaseColour (blue, true, false, false), blue) << "keyboard focus changes nothing";

    const auto halfRed = Colour (0x80FF0000);
    EXPECT_EQ (createBaseColour (halfRed, false, false, true).getAlpha(), 0x80);
    EXPECT_FLOAT_EQ (createBaseColour (halfRed, false, false, true).getHue(), halfRed.getHue());
}

TEST_F (LookAndFeelTest, SphereIsALinearVerticalGradient)
{
    const auto image = uitest::render (40, 40, [&] (juce::Graphics& g) { laf->drawGradientSphere (g, 0.0f, 0.0f, 40.0f, blue, 0.5f); });
    uitest::saveArtifact (image, "sphere");

    EXPECT_TRUE (uitest::near (image.getPixelAt (20, 1), blue.brighter (0.5f), 8)) << uitest::hex (image.getPixelAt (20, 1));
    EXPECT_TRUE (uitest::near (image.getPixelAt (20, 38), blue, 8)) << uitest::hex (image.getPixelAt (20, 38));

    // Constant along a row (linear, not radial), brighter towards the top.
    EXPECT_TRUE (uitest::near (image.getPixelAt (5, 20), image.getPixelAt (20, 20), 1));
    EXPECT_TRUE (uitest::near (image.getPixelAt (34, 20), image.getPixelAt (20, 20), 1));
    EXPECT_GT (image.getPixelAt (20, 10).getRed(), image.getPixelAt (20, 30).getRed());

    EXPECT_EQ (image.getPixelAt (1, 1).getAlpha(), 0) << "the corners lie outside the circle";

    const auto none = uitest::render (40, 40, [&] (juce::Graphics& g) { laf->drawGradientSphere (g, 0.0f, 0.0f, 10.0f, blue, 10.0f); });
    EXPECT_TRUE (uitest::inkBounds (none).isEmpty()) << "thickness >= diameter draws nothing";
    const auto thin = uitest::render (40, 40, [&] (juce::Graphics& g) { laf->drawGradientSphere (g, 0.0f, 0.0f, 10.0f, blue, 9.9f); });
    EXPECT_FALSE (uitest::inkBounds (thin).isEmpty());
}

TEST_F (LookAndFeelTest, TextButtonBackground)
{
    juce::TextButton button;
    button.setSize (60, 18);

    const auto draw = [&] (Colour colour, bool over, bool down)
    {
        return uitest::render (60, 18, [&] (juce::Graphics& g) { laf->drawButtonBackground (g, button, colour, over, down); });
    };

    const auto normal = draw (blue, false, false);
    uitest::saveArtifact (normal, "button-background");

    // A vertical gradient over the full 18 pixels: the brightened colour at the
    // top, the colour itself at the bottom, the same across a row.
    EXPECT_TRUE (uitest::near (normal.getPixelAt (30, 0), blue.brighter (0.5f), 8)) << uitest::hex (normal.getPixelAt (30, 0));
    EXPECT_TRUE (uitest::near (normal.getPixelAt (30, 17), blue, 8)) << uitest::hex (normal.getPixelAt (30, 17));
    EXPECT_TRUE (uitest::near (normal.getPixelAt (6, 9), normal.getPixelAt (53, 9), 1));

    // Rounded corners of 4.0: the corner pixel is clear, the pixel diagonally
    // inside it lies within a radius of 4 (but not of 6).
    for (auto [cx, cy, ix, iy] : { std::array<int, 4> { 0, 0, 1, 1 }, { 59, 0, 58, 1 }, { 0, 17, 1, 16 }, { 59, 17, 58, 16 } })
    {
        EXPECT_LT (normal.getPixelAt (cx, cy).getAlpha(), 60) << cx << "," << cy;
        EXPECT_GT (normal.getPixelAt (ix, iy).getAlpha(), 120) << ix << "," << iy;
    }
    EXPECT_EQ (normal.getPixelAt (0, 9).getAlpha(), 255);

    // Under the mouse brighter, pressed darker.
    const auto over = draw (blue, true, false);
    const auto down = draw (blue, false, true);
    EXPECT_TRUE (uitest::near (over.getPixelAt (30, 17), blue.withMultipliedBrightness (1.3f), 8));
    EXPECT_TRUE (uitest::near (down.getPixelAt (30, 17), blue.withMultipliedBrightness (0.9f), 8));
    EXPECT_TRUE (uitest::near (draw (blue, true, true).getPixelAt (30, 17), blue.withMultipliedBrightness (0.9f), 8));

    // A disabled button at half alpha.
    button.setEnabled (false);
    const auto disabled = draw (blue, false, false);
    EXPECT_NEAR (disabled.getPixelAt (30, 17).getAlpha(), 128, 2);
    EXPECT_TRUE (uitest::near (disabled.getPixelAt (30, 17).withAlpha ((juce::uint8) 255), blue, 8));
}

TEST_F (LookAndFeelTest, AToggledButtonThatTogglesOnClickLooksPressed)
{
    const auto paint = [] (bool clickingToggles, bool on)
    {
        juce::TextButton button;
        button.setSize (60, 18);
        button.setClickingTogglesState (clickingToggles);
        button.setToggleState (on, juce::dontSendNotification);
        return paintComponent (button);
    };

    const auto toggledOn = paint (true, true);
    const auto toggledOff = paint (true, false);
    const auto onButNotClickToggling = paint (false, true);
    uitest::saveArtifact (toggledOn, "button-toggled-on");

    EXPECT_TRUE (uitest::near (toggledOn.getPixelAt (30, 17), red.withMultipliedBrightness (0.9f), 8)) << uitest::hex (toggledOn.getPixelAt (30, 17));
    EXPECT_TRUE (uitest::near (onButNotClickToggling.getPixelAt (30, 17), red, 8)) << uitest::hex (onButNotClickToggling.getPixelAt (30, 17));
    EXPECT_TRUE (uitest::near (toggledOff.getPixelAt (30, 17), blue, 8)) << uitest::hex (toggledOff.getPixelAt (30, 17));
}

TEST_F (LookAndFeelTest, TextButtonText)
{
    // Text wider than the area is squeezed to exactly its width, which shows
    // where the area lies.
    const auto drawText = [&] (int connectedEdges, bool enabled, int height = 18)
    {
        juce::TextButton button ("WWWWWW");
        button.setSize (60, height);
        button.setConnectedEdges (connectedEdges);
        button.setEnabled (enabled);
        return uitest::render (60, height, [&] (juce::Graphics& g) { laf->drawButtonText (g, button, false, false); });
    };

    const auto plain = drawText (0, true);
    uitest::saveArtifact (plain, "button-text-area");
    auto ink = uitest::inkBounds (plain);
    EXPECT_GE (ink.getX(), 6);
    EXPECT_LE (ink.getX(), 7);
    EXPECT_LE (ink.getRight(), 54);
    EXPECT_GE (ink.getRight(), 53);
    EXPECT_GE (ink.getY(), 0);
    EXPECT_LE (ink.getBottom(), 18);
    EXPECT_NEAR (ink.getCentreY(), 9, 2) << "centred vertically";

    // Connected on the left: a left indent of 2 + 9 / 4 = 4, the right one stays 6.
    ink = uitest::inkBounds (drawText (juce::Button::ConnectedOnLeft, true));
    EXPECT_GE (ink.getX(), 4);
    EXPECT_LE (ink.getX(), 5);
    EXPECT_GE (ink.getRight(), 53);
    EXPECT_LE (ink.getRight(), 54);

    // The text is in the button's text colour, at half alpha when disabled.
    const auto mostOpaque = [] (const juce::Image& image)
    {
        Colour best = juce::Colours::transparentBlack;
        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = 0; x < image.getWidth(); ++x)
                if (image.getPixelAt (x, y).getAlpha() > best.getAlpha())
                    best = image.getPixelAt (x, y);
        return best;
    };

    const auto enabledInk = mostOpaque (plain);
    const auto disabledInk = mostOpaque (drawText (0, false));
    EXPECT_TRUE (uitest::near (enabledInk.withAlpha ((juce::uint8) 255), Colour (0xFFF2F0EE), 3)) << uitest::hex (enabledInk);
    EXPECT_GT (enabledInk.getAlpha(), 180);
    EXPECT_NEAR (disabledInk.getAlpha(), enabledInk.getAlpha() / 2, 3);

    // A whole 60 x 18 button as the editor shows it.
    juce::TextButton button ("Dither");
    button.setSize (60, 18);
    uitest::saveArtifact (paintComponent (button, Colour (0xFFE6E6E6)), "button-editor");
}

TEST_F (LookAndFeelTest, TickBoxStyles)
{
    juce::Component box;

    // The tick box at (10, 10, 18, 18): a sphere of diameter 12.6 at the left
    // edge, centred vertically, as drawGradientSphere draws it in the given colour.
    const auto tickBox = [&] (const juce::String& name, bool ticked, bool enabled, bool over, bool down)
    {
        box.setName (name);
        return uitest::render (40, 40, [&] (juce::Graphics& g)
        {
            laf->drawTickBox (g, box, 10.0f, 10.0f, 18.0f, 18.0f, ticked, enabled, over, down);
        });
    };

    const auto sphere = [&] (Colour colour, float thickness = 0.5f)
    {
        return uitest::render (40, 40, [&] (juce::Graphics& g)
        {
            laf->drawGradientSphere (g, 10.0f, 12.7f, 12.6f, colour, thickness);
        });
    };

    // The framework's style: base colour from the mouse flags, a black tick
    // over the whole box area (reaching above the sphere), grey when disabled.
    const auto ticked = tickBox ("tick", true, true, false, false);
    uitest::saveArtifact (ticked, "tickbox-ticked");
    EXPECT_TRUE (uitest::identical (tickBox ("tick", false, true, false, false), sphere (blue)));
    EXPECT_TRUE (uitest::identical (tickBox ("tick", false, true, false, true), sphere (blue.withMultipliedBrightness (0.9f))));
    EXPECT_TRUE (uitest::identical (tickBox ("tick", false, true, true, false), sphere (blue.withMultipliedBrightness (1.3f))));
    EXPECT_TRUE (isDark (ticked.getPixelAt (21, 11))) << uitest::hex (ticked.getPixelAt (21, 11));
    EXPECT_GT (uitest::countWhere (ticked, isBlueish), 40);

    const auto disabledTicked = tickBox ("tick", true, false, false, false);
    uitest::saveArtifact (disabledTicked, "tickbox-ticked-disabled");
    EXPECT_TRUE (uitest::near (disabledTicked.getPixelAt (21, 11), Colour (0xFF808080), 40)) << uitest::hex (disabledTicked.getPixelAt (21, 11));
    EXPECT_TRUE (uitest::identical (tickBox ("tick", false, false, false, false), sphere (blue.withMultipliedAlpha (0.5f))))
        << "the disabled sphere is at half alpha";

    // The lamp: red while ticked, at full alpha even when disabled, never a
    // tick; its down flag is inverted.
    const auto lampOn = tickBox ("new toggle button", true, false, false, false);
    uitest::saveArtifact (lampOn, "tickbox-lamp-on-disabled");
    EXPECT_TRUE (uitest::identical (lampOn, sphere (Colour (0xFFFF0000).withMultipliedBrightness (0.9f), 0.3f)));
    EXPECT_GT (uitest::countWhere (lampOn, [] (Colour c) { return isRed (c) && c.getAlpha() == 255; }), 40);
    EXPECT_EQ (lampOn.getPixelAt (21, 11).getAlpha(), 0) << "no tick on a lamp";

    EXPECT_TRUE (uitest::identical (tickBox ("new toggle button", false, true, false, false), sphere (blue.withMultipliedBrightness (0.9f))));
    EXPECT_TRUE (uitest::identical (tickBox ("new toggle button", false, true, false, true), sphere (blue, 1.1f)));
    EXPECT_TRUE (uitest::identical (tickBox ("new toggle button", false, true, true, true), sphere (blue.withMultipliedBrightness (1.3f), 1.1f)));
    EXPECT_TRUE (uitest::identical (tickBox ("new toggle button", false, false, false, false),
                                    sphere (blue.withMultipliedAlpha (0.5f).withMultipliedBrightness (0.9f), 0.3f)));

    // A box so small that the sphere's diameter (w x 0.7) does not exceed the
    // thickness shows no sphere; the tick is still drawn.
    const auto tiny = [&] (bool tickedFlag, bool over)
    {
        box.setName ("tick");
        return uitest::render (8, 8, [&] (juce::Graphics& g) { laf->drawTickBox (g, box, 2.0f, 2.0f, 1.5f, 1.5f, tickedFlag, true, over, false); });
    };
    EXPECT_TRUE (uitest::inkBounds (tiny (false, true)).isEmpty()) << "1.05 <= 1.1 under the mouse";
    EXPECT_FALSE (uitest::inkBounds (tiny (false, false)).isEmpty()) << "1.05 > 0.5";
    EXPECT_FALSE (uitest::inkBounds (tiny (true, true)).isEmpty());
}

TEST_F (LookAndFeelTest, ToggleButtonLayout)
{
    juce::ToggleButton toggle;
    toggle.setSize (120, 20);

    // Without text the button is its tick box at (4, 1.75, 16.5, 16.5).
    const auto withoutText = paintComponent (toggle);
    const auto tickBoxOnly = uitest::render (120, 20, [&] (juce::Graphics& g)
    {
        laf->drawTickBox (g, toggle, 4.0f, 1.75f, 16.5f, 16.5f, false, true, false, false);
    });
    EXPECT_TRUE (uitest::identical (withoutText, tickBoxOnly));
    EXPECT_FALSE (uitest::inkBounds (tickBoxOnly).isEmpty());

    // The text starts at x 21 (16 + 5), in the 15.0 embedded face.
    toggle.setButtonText ("Dither");
    toggle.setToggleState (true, juce::dontSendNotification);
    const auto withText = paintComponent (toggle, juce::Colours::white);
    uitest::saveArtifact (withText, "toggle-button");

    const auto text = uitest::inkBounds (withText, juce::Colours::white, { 19, 0, 101, 20 });
    EXPECT_GE (text.getX(), 21);
    EXPECT_LE (text.getX(), 23);
    EXPECT_TRUE (uitest::inkBounds (withText, juce::Colours::white, { 18, 0, 3, 20 }).isEmpty())
        << "gap between the box and the text";

    // The text is drawn in the toggle's text colour (black at 0x99), its
    // opacity set to 0.5 when disabled.
    const auto darkest = [] (const juce::Image& image)
    {
        Colour best = juce::Colours::white;
        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = 24; x < image.getWidth(); ++x)
                if (image.getPixelAt (x, y).getRed() < best.getRed())
                    best = image.getPixelAt (x, y);
        return best;
    };

    const auto enabledInk = darkest (withText);
    EXPECT_EQ (enabledInk.getRed(), enabledInk.getBlue()) << "neutral grey on white";
    toggle.setEnabled (false);
    const auto disabledInk = darkest (paintComponent (toggle, juce::Colours::white));

    const auto darkness = [] (Colour c) { return (float) (255 - c.getRed()); };
    EXPECT_GT (darkness (enabledInk), 0.9f * 0.6f * 255.0f);
    EXPECT_NEAR (darkness (disabledInk) / darkness (enabledInk), 0.5f / 0.6f, 0.04f);
}
