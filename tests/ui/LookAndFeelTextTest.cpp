#include "UiTestSupport.h"

#include "ui/resources/VantrelResources.h"

#include <memory>

using uitest::LookAndFeelTest;
using juce::Colour;

namespace
{
    const Colour grey (0xFF808080);

    bool isWhite (Colour c) { return c.getAlpha() == 255 && c.getRed() >= 250 && c.getGreen() >= 250 && c.getBlue() >= 250; }

    // The rows that hold pixels the predicate accepts, split into bands at rows
    // that hold none; each band's bounds.
    std::vector<juce::Rectangle<int>> lineBands (const juce::Image& image, const std::function<bool (Colour)>& ink,
                                                 juce::Rectangle<int> within)
    {
        std::vector<juce::Rectangle<int>> bands;
        int start = -1;

        for (int y = within.getY(); y <= within.getBottom(); ++y)
        {
            const bool hasInk = y < within.getBottom()
                             && uitest::countWhere (image, ink, { within.getX(), y, within.getWidth(), 1 }) > 0;

            if (hasInk && start < 0)
                start = y;

            if (! hasInk && start >= 0)
            {
                bands.push_back (uitest::boundsWhere (image, ink, { within.getX(), start, within.getWidth(), y - start }));
                start = -1;
            }
        }

        return bands;
    }

    bool isDarkText (Colour c) { return c.getRed() < 90; }
}

TEST_F (LookAndFeelTest, TextEditorBackgroundAndOutline)
{
    juce::TextEditor editor;
    editor.setBounds (40, 40, 100, 24);
    editor.setColour (juce::TextEditor::backgroundColourId, Colour (0xFFFF0000));
    editor.setColour (juce::TextEditor::focusedOutlineColourId, Colour (0xFF00FF00));

    const auto background = uitest::render (100, 24, [&] (juce::Graphics& g) { laf->fillTextEditorBackground (g, 100, 24, editor); });
    EXPECT_EQ (background.getPixelAt (50, 12), Colour (0xFFFFFFFF)) << "the editor's own background colour is ignored";

    const auto outline = [&]
    {
        return uitest::render (100, 24, [&] (juce::Graphics& g) { laf->drawTextEditorOutline (g, 100, 24, editor); });
    };

    EXPECT_TRUE (uitest::inkBounds (outline()).isEmpty()) << "no outline without the focus";

    // Only a window on a display can take the keyboard focus.
    if (juce::String (std::getenv ("DISPLAY")).isEmpty())
        GTEST_SKIP() << "no X display (DISPLAY is not set): the focused cases need a window";

    editor.addToDesktop (0);
    editor.setVisible (true);
    for (const auto end = juce::Time::getMillisecondCounter() + 5000;
         ! editor.hasKeyboardFocus (true) && juce::Time::getMillisecondCounter() < end;)
    {
        editor.toFront (true);
        editor.grabKeyboardFocus();
        juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
    }
    ASSERT_TRUE (editor.hasKeyboardFocus (true));

    const auto focused = outline();
    EXPECT_EQ (focused.getPixelAt (0, 12), Colour (0xFF00FF00)) << "the editor's own focused-outline colour";
    EXPECT_EQ (focused.getPixelAt (1, 12), Colour (0xFF00FF00)) << "2 pixels wide";
    EXPECT_TRUE (uitest::inkBounds (focused, juce::Colours::transparentBlack, { 2, 2, 96, 20 }).isEmpty());

    editor.setReadOnly (true);
    ASSERT_TRUE (editor.hasKeyboardFocus (true));
    EXPECT_TRUE (uitest::inkBounds (outline()).isEmpty()) << "no outline when read-only";
    editor.setReadOnly (false);
    editor.setEnabled (false);
    EXPECT_TRUE (uitest::inkBounds (outline()).isEmpty()) << "no outline when disabled";
}

TEST_F (LookAndFeelTest, PopupMenuBackground)
{
    const auto image = uitest::render (100, 50, [&] (juce::Graphics& g) { laf->drawPopupMenuBackground (g, 100, 50); });
    uitest::saveArtifact (image, "popup-menu-background");

    EXPECT_EQ (image.getPixelAt (50, 25), Colour (0xFFFFFFFF));
    for (auto [x, y] : { std::pair { 0, 25 }, { 99, 25 }, { 50, 0 }, { 50, 49 } })
        EXPECT_TRUE (uitest::near (image.getPixelAt (x, y), Colour (0xFF666666), 2)) << x << "," << y << " " << uitest::hex (image.getPixelAt (x, y));
    EXPECT_EQ (image.getPixelAt (1, 25), Colour (0xFFFFFFFF)) << "a 1-pixel outline";
}

TEST_F (LookAndFeelTest, AlertBoxIconAndText)
{
    const Colour background (0xFFEDEDED);
    const juce::Rectangle<int> textArea (20, 40, 300, 60);

    struct Case { juce::MessageBoxIconType type; VantrelResources::EmbeddedFile (*icon)(); const char* name; };
    const Case cases[] = {
        { juce::MessageBoxIconType::QuestionIcon, &VantrelResources::alertQuestionPng, "question" },
        { juce::MessageBoxIconType::WarningIcon, &VantrelResources::alertWarningPng, "warning" },
        { juce::MessageBoxIconType::InfoIcon, &VantrelResources::alertInfoPng, "info" },
        { juce::MessageBoxIconType::NoIcon, nullptr, "none" },
    };

    for (const auto& c : cases)
    {
        juce::AlertWindow alert ("Vantrel Dither", "Dither settings have been saved as default.", c.type);
        alert.setSize (400, 150);

        juce::AttributedString message;
        message.setJustification (juce::Justification::topLeft);
        message.append ("Dither settings have been saved as default.", laf->getAlertWindowMessageFont(), juce::Colours::black);
        juce::TextLayout layout;
        layout.createLayout (message, 300.0f);

        const auto image = uitest::render (400, 150, [&] (juce::Graphics& g) { laf->drawAlertBox (g, alert, textArea, layout); });
        uitest::saveArtifact (image, juce::String ("alert-box-") + c.name);

        EXPECT_EQ (image.getPixelAt (390, 140), background) << c.name;
        EXPECT_EQ (image.getPixelAt (0, 75), Colour (0xFF666666)) << c.name;
        EXPECT_EQ (image.getPixelAt (399, 75), Colour (0xFF666666)) << c.name;
        EXPECT_EQ (image.getPixelAt (200, 0), Colour (0xFF666666)) << c.name;

        const auto text = uitest::inkBounds (image, background, { c.icon != nullptr ? 76 : 10, 40, 300, 60 });
        ASSERT_FALSE (text.isEmpty()) << c.name;

        if (c.icon != nullptr)
        {
            // The icon at (5, 5) at its own size, the message shifted right by its width.
            const auto file = c.icon();
            const auto icon = juce::ImageCache::getFromMemory (file.data, file.size);
            ASSERT_EQ (icon.getWidth(), 70);
            const auto expected = uitest::render (400, 150, [&] (juce::Graphics& g) { g.drawImageAt (icon, 5, 5); }, background);

            EXPECT_TRUE (uitest::identical (image.getClippedImage ({ 1, 1, 88, 148 }), expected.getClippedImage ({ 1, 1, 88, 148 })))
                << c.name << ": icon not at (5, 5)";
            EXPECT_GE (text.getX(), 90) << c.name;
            EXPECT_LE (text.getX(), 92) << c.name;
        }
        else
        {
            EXPECT_TRUE (uitest::inkBounds (image, background, { 1, 1, 398, 39 }).isEmpty()) << "no icon";
            EXPECT_GE (text.getX(), 20);
            EXPECT_LE (text.getX(), 22);
        }
    }

    // The alert's own colours win over the scheme.
    juce::AlertWindow alert ("", "", juce::MessageBoxIconType::NoIcon);
    alert.setSize (100, 50);
    alert.setColour (juce::AlertWindow::backgroundColourId, Colour (0xFF203040));
    alert.setColour (juce::AlertWindow::outlineColourId, Colour (0xFFFF0000));
    juce::TextLayout empty;
    const auto own = uitest::render (100, 50, [&] (juce::Graphics& g) { laf->drawAlertBox (g, alert, { 10, 10, 80, 30 }, empty); });
    EXPECT_EQ (own.getPixelAt (50, 25), Colour (0xFF203040));
    EXPECT_EQ (own.getPixelAt (0, 25), Colour (0xFFFF0000));
}

// The two message boxes of the editor's commands, laid out and painted by the
// framework's alert window with this look.
TEST_F (LookAndFeelTest, AlertWindowsAsTheEditorShowsThem)
{
    const std::tuple<const char*, const char*, juce::MessageBoxIconType, const char*> boxes[] = {
        { "Vantrel Dither", "Dither settings have been saved as default.", juce::MessageBoxIconType::InfoIcon, "alert-window-info" },
        { "Error!", "Help file Vantrel Dither.pdf not found. Please re-install the software.", juce::MessageBoxIconType::WarningIcon, "alert-window-warning" },
    };

    for (const auto& [title, message, type, name] : boxes)
    {
        juce::Component desk;
        desk.setSize (1000, 700);

        juce::AlertWindow alert (title, message, type);
        desk.addAndMakeVisible (alert);
        alert.addButton ("OK", 1);

        const auto image = uitest::render (alert.getWidth(), alert.getHeight(),
                                           [&] (juce::Graphics& g) { alert.paintEntireComponent (g, false); });
        uitest::saveArtifact (image, name);

        // The window's hidden copy of its message for screen readers (a label
        // with transparent colours of its own) stays unseen.
        int hiddenLabels = 0;
        for (auto* child : alert.getChildren())
            if (auto* label = dynamic_cast<juce::Label*> (child))
            {
                ++hiddenLabels;
                const auto drawn = uitest::render (label->getWidth(), label->getHeight(), [&] (juce::Graphics& g) { laf->drawLabel (g, *label); });
                EXPECT_TRUE (uitest::inkBounds (drawn).isEmpty()) << name;
            }
        EXPECT_EQ (hiddenLabels, 1) << name;

        // The icon sits in the corner and the title, the first thing the layout
        // holds, starts to its right.
        EXPECT_FALSE (uitest::inkBounds (image, Colour (0xFFEDEDED), { 5, 5, 70, 70 }).isEmpty()) << name;
        const auto titleInk = uitest::inkBounds (image, Colour (0xFFEDEDED), { 76, 1, alert.getWidth() - 77, 30 });
        EXPECT_FALSE (titleInk.isEmpty()) << name;
        EXPECT_GE (titleInk.getX(), 80) << name;
    }
}

TEST_F (LookAndFeelTest, LabelEmbossedCopyAndColours)
{
    juce::Label label ("new label", "Ag Dither");
    label.setSize (120, 24);
    label.setJustificationType (juce::Justification::topLeft);
    label.setColour (juce::Label::textColourId, Colour (0xFFFF0000));

    const auto draw = [&] { return uitest::render (120, 24, [&] (juce::Graphics& g) { laf->drawLabel (g, label); }, grey); };

    const auto enabled = draw();
    uitest::saveArtifact (enabled, "label-embossed");

    ASSERT_FALSE (uitest::boundsWhere (enabled, isDarkText).isEmpty());
    ASSERT_FALSE (uitest::boundsWhere (enabled, isWhite).isEmpty()) << "no embossed white copy";

    // The white copy alone (text colour made transparent, on grey) lies one
    // pixel below the text alone (on white, where the copy cannot be seen).
    {
        const std::unique_ptr<VantrelLookAndFeel> own (VantrelLookAndFeelTestAccess::construct());
        const auto textOnly = uitest::render (120, 24, [&] (juce::Graphics& g) { own->drawLabel (g, label); }, juce::Colours::white);
        own->setColour (juce::Label::textColourId, juce::Colours::transparentBlack);
        const auto copyOnly = uitest::render (120, 24, [&] (juce::Graphics& g) { own->drawLabel (g, label); }, grey);

        const auto textInk = uitest::inkBounds (textOnly, juce::Colours::white);
        ASSERT_FALSE (textInk.isEmpty());
        EXPECT_EQ (uitest::inkBounds (copyOnly, grey), textInk.translated (0, 1));
    }

    EXPECT_EQ (uitest::countWhere (enabled, [] (Colour c) { return c.getRed() > (int) c.getGreen() + 40; }), 0)
        << "a text colour set on the label is ignored";
    EXPECT_EQ (enabled.getPixelAt (110, 20), grey) << "no background fill";

    // Disabled: the white copy stays opaque, the text is at half alpha.
    label.setEnabled (false);
    const auto disabled = draw();
    uitest::saveArtifact (disabled, "label-disabled");
    EXPECT_FALSE (uitest::boundsWhere (disabled, isWhite).isEmpty());
    EXPECT_TRUE (uitest::boundsWhere (disabled, [] (Colour c) { return c.getRed() < 80; }).isEmpty());
    EXPECT_FALSE (uitest::boundsWhere (disabled, [] (Colour c) { return c.getRed() < 104; }).isEmpty());

    // Editable: the rounded white background, no embossed copy.
    label.setEnabled (true);
    label.setEditable (true);
    const auto editable = draw();
    uitest::saveArtifact (editable, "label-editable");
    EXPECT_EQ (editable.getPixelAt (110, 20), Colour (0xFFFFFFFF));
    EXPECT_TRUE (uitest::near (editable.getPixelAt (0, 0), grey, 40)) << "rounded corner of radius 4";
    EXPECT_FALSE (uitest::boundsWhere (editable, [] (Colour c) { return c.getRed() < 80; }).isEmpty());
}

TEST_F (LookAndFeelTest, LabelLineLimit)
{
    // The height of the text's ink, drawn on white so that only the text shows.
    const auto inkHeight = [&] (int height)
    {
        juce::Label label ("new label", "Alpha Beta Gamma Delta Epsilon");
        label.setSize (110, height);
        label.setFont (juce::Font (10.0f));
        label.setJustificationType (juce::Justification::centredLeft);

        const auto image = uitest::render (110, height, [&] (juce::Graphics& g) { laf->drawLabel (g, label); }, juce::Colours::white);
        uitest::saveArtifact (image, "label-lines-" + juce::String (height));
        return uitest::inkBounds (image, juce::Colours::white).getHeight();
    };

    // The label's font is drawn at 14: two lines fit the 28 pixels inside the
    // border of a 30-pixel label, one line the 27 of a 29-pixel one.
    EXPECT_GT (inkHeight (30), 20);
    EXPECT_LE (inkHeight (29), 16);
    EXPECT_GT (inkHeight (29), 8);

    // Lower than one line still allows one.
    EXPECT_GT (inkHeight (10), 5);
}

TEST_F (LookAndFeelTest, LabelBeingEdited)
{
    juce::Label label ("new label", "Ag Dither");
    label.setSize (120, 24);
    label.setEditable (true);
    label.setColour (juce::Label::outlineColourId, Colour (0xFFFF0000));
    label.showEditor();
    ASSERT_TRUE (label.isBeingEdited());

    const auto editing = uitest::render (120, 24, [&] (juce::Graphics& g) { laf->drawLabel (g, label); });
    EXPECT_EQ (editing.getPixelAt (0, 12), Colour (0xFFFF0000)) << "the label's own outline colour";
    EXPECT_TRUE (uitest::inkBounds (editing, juce::Colours::transparentBlack, { 1, 1, 118, 22 }).isEmpty())
        << "nothing but the outline";

    label.setEnabled (false);
    ASSERT_TRUE (label.isBeingEdited());
    const auto disabled = uitest::render (120, 24, [&] (juce::Graphics& g) { laf->drawLabel (g, label); });
    EXPECT_TRUE (uitest::inkBounds (disabled).isEmpty()) << "a disabled label being edited draws nothing";

    label.hideEditor (true);
}

TEST_F (LookAndFeelTest, Tooltip)
{
    const Colour background (0xFFEEEEBB);

    const auto draw = [&] (const juce::String& text, int width, int height)
    {
        return uitest::render (width, height, [&] (juce::Graphics& g) { laf->drawTooltip (g, text, width, height); });
    };

    const auto small = draw ("Dither type", 120, 40);
    uitest::saveArtifact (small, "tooltip");
    EXPECT_EQ (small.getPixelAt (100, 3), background);
    EXPECT_TRUE (uitest::near (small.getPixelAt (0, 20), background.overlaidWith (Colour (0x4C000000)), 2));

    const auto ink = uitest::inkBounds (small, background, { 1, 1, 118, 38 });
    EXPECT_GE (ink.getX(), 5);
    EXPECT_LE (ink.getX(), 7) << "left-aligned 5 pixels in";

    // Vertically centred: 20 pixels more height move the text down by 10.
    const auto taller = uitest::inkBounds (draw ("Dither type", 120, 60), background, { 1, 1, 118, 58 });
    EXPECT_EQ (taller.getY() - ink.getY(), 10);
    EXPECT_EQ (taller.getX(), ink.getX());

    // A long tip is wrapped into lines of similar length, in a window sized by
    // the framework.
    const juce::String longTip ("Noise shaping moves the quantisation error to where the ear hears it least.");
    const auto bounds = laf->getTooltipBounds (longTip, {}, { 0, 0, 4000, 4000 });
    const auto wrapped = draw (longTip, bounds.getWidth(), bounds.getHeight());
    uitest::saveArtifact (wrapped, "tooltip-wrapped");

    const auto bands = lineBands (wrapped, [] (Colour c) { return c.getRed() < 160; }, wrapped.getBounds().reduced (1));
    ASSERT_EQ (bands.size(), 2u);
    EXPECT_GT ((float) bands[1].getWidth() / (float) bands[0].getWidth(), 0.75f);
    EXPECT_LT ((float) bands[1].getWidth() / (float) bands[0].getWidth(), 1.33f);
    EXPECT_GE (bands[0].getX(), 5);
    EXPECT_GE (bands[1].getX(), 5);
}
