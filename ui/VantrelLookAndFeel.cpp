#include "VantrelLookAndFeel.h"

#include "ui/resources/VantrelResources.h"

using namespace juce;

namespace
{
    const String embeddedFamily ("Source Sans Pro");

    // A plain font of the given height that names the embedded family, so that
    // the look-and-feel's typeface lookup hands it the embedded regular face.
    Font embeddedFont (float height)
    {
        Font font (height, Font::plain);
        font.setTypefaceName (embeddedFamily);
        return font;
    }

    // A typeface made from a font file compiled into the module. A face that the
    // font engine cannot read comes back without a name; it counts as missing.
    Typeface::Ptr loadEmbeddedTypeface (VantrelResources::EmbeddedFile file)
    {
        if (file.data == nullptr || file.size <= 0)
            return nullptr;

        auto typeface = Typeface::createSystemTypefaceFor (file.data, (size_t) file.size);

        if (typeface == nullptr || typeface->getName().isEmpty())
            return nullptr;

        return typeface;
    }

    Image alertIconFor (MessageBoxIconType type)
    {
        VantrelResources::EmbeddedFile file { nullptr, 0 };

        switch (type)
        {
            case MessageBoxIconType::QuestionIcon:  file = VantrelResources::alertQuestionPng(); break;
            case MessageBoxIconType::InfoIcon:      file = VantrelResources::alertInfoPng();     break;
            case MessageBoxIconType::WarningIcon:   file = VantrelResources::alertWarningPng();  break;
            case MessageBoxIconType::NoIcon:
            default:                                return {};
        }

        return ImageCache::getFromMemory (file.data, file.size);
    }

    constexpr float thumbRadius = 4.9f;
    constexpr float thumbDiameter = 9.8f;
}

//==============================================================================
Colour createBaseColour (Colour colour, bool /*hasKeyboardFocus*/, bool isMouseOverButton, bool isButtonDown)
{
    if (isButtonDown)
        return colour.withMultipliedBrightness (0.9f);

    if (isMouseOverButton)
        return colour.withMultipliedBrightness (1.3f);

    return colour;
}

//==============================================================================
std::atomic<VantrelLookAndFeel*> VantrelLookAndFeel::lookAndFeelInstance { nullptr };
CriticalSection VantrelLookAndFeel::lookAndFeelLock;
bool VantrelLookAndFeel::creatingInstance = false;

VantrelLookAndFeel* VantrelLookAndFeel::getInstance()
{
    return getOrCreateInstance ([]() -> VantrelLookAndFeel* { return new VantrelLookAndFeel(); });
}

VantrelLookAndFeel* VantrelLookAndFeel::getOrCreateInstance (VantrelLookAndFeel* (*create)())
{
    if (auto* existing = lookAndFeelInstance.load (std::memory_order_acquire))
        return existing;

    const ScopedLock sl (lookAndFeelLock);

    if (lookAndFeelInstance.load (std::memory_order_relaxed) == nullptr && ! creatingInstance)
    {
        // Publish the object only once it is complete: a re-entrant call from the
        // constructor sees the flag and gets nullptr, another thread waits on
        // the lock.
        creatingInstance = true;
        auto* created = create();
        creatingInstance = false;
        lookAndFeelInstance.store (created, std::memory_order_release);
    }

    return lookAndFeelInstance.load (std::memory_order_relaxed);
}

VantrelLookAndFeel::VantrelLookAndFeel()
{
    setColour (PopupMenu::textColourId,                   Colour (0xFF000000));
    setColour (PopupMenu::backgroundColourId,             Colour (0xFFFFFFFF));
    setColour (PopupMenu::highlightedTextColourId,        Colour (0xFFFFFFFF));
    setColour (PopupMenu::highlightedBackgroundColourId,  Colour (0xFF3875D7));
    setColour (ComboBox::buttonColourId,                  Colour (0xFFBBBBFF));
    // Grey at alpha 0.7, taken as the byte 179 (0.7 x 256 truncated); the float
    // overload of withAlpha would round it down to 178.
    setColour (ComboBox::outlineColourId,                 Colour (0xFF808080).withAlpha ((uint8) 179));
    setColour (ToggleButton::textColourId,                Colour (0x99000000));
    setColour (TextButton::textColourOnId,                Colour (0xFFF2F0EE));
    setColour (TextButton::textColourOffId,               Colour (0xFFF2F0EE));
    setColour (TextButton::buttonColourId,                Colour (0xFF306CF5));
    setColour (TextButton::buttonOnColourId,              Colour (0xFFE03931));
    setColour (ListBox::outlineColourId,                  findColour (ComboBox::outlineColourId));
    setColour (ScrollBar::backgroundColourId,             Colour (0x00000000));
    setColour (ScrollBar::thumbColourId,                  Colour (0xFFFFFFFF));
    setColour (Slider::thumbColourId,                     findColour (TextButton::buttonColourId));
    setColour (Slider::trackColourId,                     Colour (0xFFFFFFFF));
    setColour (Slider::textBoxOutlineColourId,            findColour (ComboBox::outlineColourId));
    setColour (Slider::rotarySliderFillColourId,          Colour (0xFFFFFFFF));
    setColour (ProgressBar::backgroundColourId,           Colour (0xFFFFFFFF));
    setColour (ProgressBar::foregroundColourId,           Colour (0xFFAAAAEE));
    setColour (TextEditor::textColourId,                  Colour (0xFF545454));
    setColour (TextEditor::outlineColourId,               Colour (0xFF8F8F8F));
    setColour (TextEditor::shadowColourId,                Colour (0xFFFFFFFF));
    setColour (TextEditor::backgroundColourId,            Colour (0xFFFFFFFF));
    setColour (TextEditor::focusedOutlineColourId,        Colour (0xFF4682B4));
    setColour (TextEditor::highlightedTextColourId,       Colour (0xFFFFFFFF));
    setColour (TextEditor::highlightColourId,             Colour (0xFF3875D7));
    setColour (AlertWindow::backgroundColourId,           Colour (0xFFEDEDED));
    setColour (AlertWindow::textColourId,                 Colour (0xFF000000));
    setColour (AlertWindow::outlineColourId,              Colour (0xFF666666));
    setColour (Label::textColourId,                       Colour (0xFF404040));
    setColour (Label::backgroundColourId,                 Colour (0xFFFFFFFF));

    regularTypeface    = loadEmbeddedTypeface (VantrelResources::sourceSansProRegularTtf());
    italicTypeface     = loadEmbeddedTypeface (VantrelResources::sourceSansProItalicTtf());
    boldTypeface       = loadEmbeddedTypeface (VantrelResources::sourceSansProBoldTtf());
    boldItalicTypeface = loadEmbeddedTypeface (VantrelResources::sourceSansProBoldItalicTtf());
}

VantrelLookAndFeel::~VantrelLookAndFeel()
{
    auto* self = this;
    lookAndFeelInstance.compare_exchange_strong (self, nullptr);

    boldItalicTypeface = nullptr;
    boldTypeface = nullptr;
    italicTypeface = nullptr;
    regularTypeface = nullptr;
}

//==============================================================================
Typeface::Ptr VantrelLookAndFeel::getTypefaceForFont (const Font& font)
{
    if (regularTypeface != nullptr && italicTypeface != nullptr
         && boldTypeface != nullptr && boldItalicTypeface != nullptr)
    {
        const auto name = font.getTypefaceName();

        if (name.isNotEmpty() && name == regularTypeface->getName())
        {
            if (font.isBold())
                return font.isItalic() ? boldItalicTypeface : boldTypeface;

            return font.isItalic() ? italicTypeface : regularTypeface;
        }
    }

    return LookAndFeel::getTypefaceForFont (font);
}

void VantrelLookAndFeel::drawGradientSphere (Graphics& g, float x, float y, float diameter,
                                             const Colour& colour, float thickness)
{
    if (thickness >= diameter)
        return;

    Path sphere;
    sphere.addEllipse (x, y, diameter, diameter);

    g.setGradientFill (ColourGradient (colour.brighter (0.5f), 0.0f, y,
                                       colour, 0.0f, y + diameter, false));
    g.fillPath (sphere);
}

void VantrelLookAndFeel::drawGradientPointer (Graphics& g, float x, float y, float diameter,
                                              const Colour& colour, float thickness, int direction)
{
    if (thickness >= diameter)
        return;

    const auto d = diameter;

    Path pointer;
    pointer.startNewSubPath (x + d * 0.5f, y);
    pointer.lineTo (x + d, y + d * 0.6f);
    pointer.lineTo (x + d, y + d);
    pointer.lineTo (x, y + d);
    pointer.lineTo (x, y + d * 0.6f);
    pointer.closeSubPath();

    pointer.applyTransform (AffineTransform::rotation ((float) direction * 1.5707964f,
                                                       x + d * 0.5f, y + d * 0.5f));

    ColourGradient gradient (colour.brighter (0.5f), 0.0f, y, colour, 0.0f, y + d, false);
    gradient.addColour (0.4, Colours::white.overlaidWith (colour));

    g.setGradientFill (gradient);
    g.fillPath (pointer);
}

//==============================================================================
void VantrelLookAndFeel::drawButtonBackground (Graphics& g, Button& button, const Colour& backgroundColour,
                                               bool isMouseOverButton, bool isButtonDown)
{
    // A button that toggles on click looks pressed for as long as it is on.
    const bool down = isButtonDown || (button.getClickingTogglesState() && button.getToggleState());

    const auto base = createBaseColour (backgroundColour, button.hasKeyboardFocus (true), isMouseOverButton, down)
                          .withMultipliedAlpha (button.isEnabled() ? 1.0f : 0.5f);

    const auto width = (float) button.getWidth();
    const auto height = (float) button.getHeight();

    g.setGradientFill (ColourGradient (base.brighter (0.5f), 0.0f, 0.0f, base, 0.0f, height, false));
    g.fillRoundedRectangle (0.0f, 0.0f, width, height, 4.0f);
}

Font VantrelLookAndFeel::getTextButtonFont (TextButton&, int)
{
    return embeddedFont (15.0f);
}

void VantrelLookAndFeel::drawButtonText (Graphics& g, TextButton& button, bool, bool)
{
    const auto font = getTextButtonFont (button, button.getHeight());
    g.setFont (font);
    g.setColour (button.findColour (button.getToggleState() ? TextButton::textColourOnId
                                                            : TextButton::textColourOffId)
                     .withMultipliedAlpha (button.isEnabled() ? 1.0f : 0.5f));

    const int yIndent = jmin (button.proportionOfHeight (0.3f), 2) - 2;
    const int cornerSize = jmin (button.getWidth(), button.getHeight()) / 2;
    const int fontHeight = roundToInt (font.getHeight() * 0.6f);
    const int leftIndent  = jmin (fontHeight, 2 + cornerSize / (button.isConnectedOnLeft()  ? 4 : 2));
    const int rightIndent = jmin (fontHeight, 2 + cornerSize / (button.isConnectedOnRight() ? 4 : 2));

    g.drawFittedText (button.getButtonText(),
                      leftIndent, yIndent,
                      button.getWidth() - leftIndent - rightIndent, button.getHeight() - yIndent,
                      Justification::centred, 2, 0.0f);
}

void VantrelLookAndFeel::drawToggleButton (Graphics& g, ToggleButton& button,
                                           bool isMouseOverButton, bool isButtonDown)
{
    const float fontSize = jmin (15.0f, (float) button.getHeight() * 0.75f);
    const float tickWidth = fontSize * 1.1f;

    drawTickBox (g, button, 4.0f, ((float) button.getHeight() - tickWidth) * 0.5f,
                 tickWidth, tickWidth,
                 button.getToggleState(), button.isEnabled(),
                 isMouseOverButton, isButtonDown);

    g.setFont (embeddedFont (15.0f));
    g.setColour (button.findColour (ToggleButton::textColourId));

    if (! button.isEnabled())
        g.setOpacity (0.5f);

    const int textX = (int) tickWidth + 5;

    g.drawFittedText (button.getButtonText(),
                      textX, 0, button.getWidth() - textX - 2, button.getHeight(),
                      Justification::centredLeft, 10, 0.0f);
}

void VantrelLookAndFeel::drawTickBox (Graphics& g, Component& component,
                                      float x, float y, float w, float h,
                                      bool ticked, bool isEnabled,
                                      bool isMouseOverButton, bool isButtonDown)
{
    const float boxSize = w * 0.7f;
    const float thickness = ! isEnabled ? 0.3f
                                        : ((isButtonDown || isMouseOverButton) ? 1.1f : 0.5f);
    const float sphereY = y + (h - boxSize) * 0.5f;
    const float enabledAlpha = isEnabled ? 1.0f : 0.5f;

    if (component.getName() == "new toggle button")
    {
        // A lamp: red while ticked, never with a tick mark. It is drawn darkened
        // while it is not pressed, so pressing it lights it up.
        const auto colour = ticked ? Colour (0xFFFF0000)
                                   : component.findColour (TextButton::buttonColourId).withMultipliedAlpha (enabledAlpha);

        drawGradientSphere (g, x, sphereY, boxSize,
                            createBaseColour (colour, true, isMouseOverButton, ! isButtonDown),
                            thickness);
        return;
    }

    const auto colour = component.findColour (TextButton::buttonColourId).withMultipliedAlpha (enabledAlpha);

    drawGradientSphere (g, x, sphereY, boxSize,
                        createBaseColour (colour, true, isMouseOverButton, isButtonDown),
                        thickness);

    if (ticked)
    {
        // The tick is laid out in a 9 x 9 space stretched over the whole box area.
        Path tick;
        tick.startNewSubPath (1.5f, 3.0f);
        tick.lineTo (3.0f, 6.0f);
        tick.lineTo (6.0f, 0.0f);

        g.setColour (isEnabled ? Colour (0xFF000000) : Colour (0xFF808080));
        g.strokePath (tick, PathStrokeType (2.5f),
                      AffineTransform::scale (w / 9.0f, h / 9.0f).translated (x, y));
    }
}

//==============================================================================
void VantrelLookAndFeel::fillTextEditorBackground (Graphics& g, int, int, TextEditor&)
{
    g.fillAll (findColour (TextEditor::backgroundColourId));
}

void VantrelLookAndFeel::drawTextEditorOutline (Graphics& g, int width, int height, TextEditor& editor)
{
    if (editor.isEnabled() && editor.hasKeyboardFocus (true) && ! editor.isReadOnly())
    {
        g.setColour (editor.findColour (TextEditor::focusedOutlineColourId));
        g.drawRect (0, 0, width, height, 2);
    }
}

void VantrelLookAndFeel::drawAlertBox (Graphics& g, AlertWindow& alert,
                                       const Rectangle<int>& textArea, TextLayout& textLayout)
{
    g.fillAll (alert.findColour (AlertWindow::backgroundColourId));

    const auto icon = alertIconFor (alert.getAlertType());
    const int iconWidth = icon.getWidth();
    const int iconHeight = icon.getHeight();

    g.drawImage (icon, 5, 5, iconWidth, iconHeight, 0, 0, iconWidth, iconHeight, false);

    // The message makes room for the icon on its left.
    g.setColour (alert.findColour (AlertWindow::textColourId));
    textLayout.draw (g, Rectangle<int> (textArea.getX() + iconWidth, textArea.getY(),
                                        textArea.getWidth() - iconWidth, textArea.getHeight()).toFloat());

    g.setColour (alert.findColour (AlertWindow::outlineColourId));
    g.drawRect (0, 0, alert.getWidth(), alert.getHeight(), 1);
}

Font VantrelLookAndFeel::getAlertWindowMessageFont()
{
    return embeddedFont (15.0f);
}

Font VantrelLookAndFeel::getAlertWindowFont()
{
    return getAlertWindowMessageFont();
}

void VantrelLookAndFeel::drawPopupMenuBackground (Graphics& g, int width, int height)
{
    g.fillAll (findColour (PopupMenu::backgroundColourId));
    g.setColour (findColour (PopupMenu::textColourId).withAlpha (0.6f));
    g.drawRect (0, 0, width, height, 1);
}

Font VantrelLookAndFeel::getPopupMenuFont()
{
    return getAlertWindowMessageFont();
}

Font VantrelLookAndFeel::getComboBoxFont (ComboBox& box)
{
    return embeddedFont (jmin (12.0f, (float) box.getHeight() * 0.85f));
}

void VantrelLookAndFeel::drawLabel (Graphics& g, Label& label)
{
    // A label given a fully transparent text colour of its own is meant to be
    // unseen: the framework's alert windows carry one that repeats the message
    // for screen readers. Drawn in this look's colours it would show the
    // message a second time.
    if (label.isColourSpecified (Label::textColourId) && label.findColour (Label::textColourId).isTransparent())
        return;

    if (label.isBeingEdited())
    {
        // The open editor draws the text; the label only frames it.
        if (label.isEnabled())
        {
            g.setColour (label.findColour (Label::outlineColourId));
            g.drawRect (0, 0, label.getWidth(), label.getHeight(), 1);
        }

        return;
    }

    const float alpha = label.isEnabled() ? 1.0f : 0.5f;
    const auto font = getLabelFont (label);
    g.setFont (font);

    const auto text = label.getText();
    const auto justification = label.getJustificationType();
    const auto minimumScale = label.getMinimumHorizontalScale();
    const auto textArea = label.getBorderSize().subtractedFrom (label.getLocalBounds());

    const auto linesFor = [&font] (Rectangle<int> area)
    {
        return jmax (1, (int) ((float) area.getHeight() / font.getHeight()));
    };

    if (label.isEditable())
    {
        g.setColour (findColour (Label::backgroundColourId));
        g.fillRoundedRectangle (0.0f, 0.0f, (float) label.getWidth(), (float) label.getHeight(), 4.0f);
    }
    else
    {
        // An embossed white copy one pixel lower, behind the text.
        const auto embossArea = textArea.withTrimmedTop (1);
        g.setColour (Colours::white);
        g.drawFittedText (text, embossArea, justification, linesFor (embossArea), minimumScale);
    }

    g.setColour (findColour (Label::textColourId).withMultipliedAlpha (alpha));
    g.drawFittedText (text, textArea, justification, linesFor (textArea), minimumScale);

    g.setColour (findColour (Label::outlineColourId).withMultipliedAlpha (alpha));
    g.drawRect (0, 0, label.getWidth(), label.getHeight(), 1);
}

Font VantrelLookAndFeel::getLabelFont (Label& label)
{
    return embeddedFont (jmax (14.0f, label.getFont().getHeight()));
}

void VantrelLookAndFeel::drawTooltip (Graphics& g, const String& text, int width, int height)
{
    g.fillAll (findColour (TooltipWindow::backgroundColourId));

    g.setColour (findColour (TooltipWindow::outlineColourId));
    g.drawRect (0, 0, width, height, 1);

    AttributedString tip;
    tip.setJustification (Justification::centredLeft);
    tip.append (text, Font (13.0f, Font::bold), findColour (TooltipWindow::textColourId));

    TextLayout layout;
    layout.createLayoutWithBalancedLineLengths (tip, 400.0f);
    layout.draw (g, Rectangle<float> (5.0f, 5.0f, (float) width - 10.0f, (float) height - 10.0f));
}

//==============================================================================
void VantrelLookAndFeel::drawLinearSliderBackground (Graphics& g, int x, int y, int width, int height,
                                                     float, float minSliderPos, float maxSliderPos,
                                                     Slider::SliderStyle, Slider& slider)
{
    drawLinearSliderTrack (g, x, y, width, height, minSliderPos, maxSliderPos,
                           slider, slider.isMouseOver (false));
}

void VantrelLookAndFeel::drawLinearSliderTrack (Graphics& g, int x, int y, int width, int height,
                                                float minSliderPos, float maxSliderPos,
                                                Slider& slider, bool isMouseOverSlider)
{
    const auto r = (float) (getSliderThumbRadius (slider) - 2);
    const auto ri = (int) r;

    if (! slider.isHorizontal())
    {
        g.setColour (findColour (Slider::trackColourId));
        g.fillRect ((int) ((float) x + (float) width * 0.5f - r * 0.5f), y - (int) (r * 0.5f),
                    ri, height + ri);
        return;
    }

    if (! isMouseOverSlider)
    {
        g.setColour (findColour (Slider::trackColourId));
        g.fillRect (x - (int) (r * 0.5f), (int) ((float) y + (float) height * 0.5f - r * 0.5f),
                    width + ri, ri);
        return;
    }

    // Under the mouse the track shows the range below the minimum, between the
    // two positions and above the maximum in three colours.
    const auto top = (float) y + (float) height * 0.5f - r * 0.5f;
    const auto minI = (int) minSliderPos;
    const auto maxI = (int) maxSliderPos;

    const auto fillSegment = [&] (Colour colour, int left, int segmentWidth)
    {
        g.setGradientFill (ColourGradient (colour.brighter (1.0f), 0.0f, top, colour, 0.0f, top + r, false));
        g.fillRect (Rectangle<float> ((float) left, top, (float) segmentWidth, r));
    };

    fillSegment (Colour (0xFFBB0000), ri, minI - ri);
    fillSegment (Colour (0xFF0000BB), minI, maxI - minI);
    fillSegment (Colour (0xFFFFD800), maxI, slider.getWidth() - maxI - ri);
}

void VantrelLookAndFeel::drawLinearSliderThumb (Graphics& g, int x, int y, int width, int height,
                                                float sliderPos, float minSliderPos, float maxSliderPos,
                                                Slider::SliderStyle style, Slider& slider)
{
    const bool enabled = slider.isEnabled();

    const auto knob = createBaseColour (slider.findColour (Slider::thumbColourId),
                                        slider.hasKeyboardFocus (false) && enabled,
                                        slider.isMouseOverOrDragging() && enabled,
                                        slider.isMouseButtonDown() && enabled)
                          .withMultipliedAlpha (enabled ? 1.0f : 0.5f);

    const float thickness = enabled ? 0.8f : 0.3f;

    const auto fx = (float) x, fy = (float) y, fw = (float) width, fh = (float) height;

    const auto horizontalSphere = [&]
    {
        drawGradientSphere (g, sliderPos - thumbRadius, fy + fh * 0.5f - thumbRadius, thumbDiameter, knob, thickness);
    };

    const auto verticalSphere = [&]
    {
        drawGradientSphere (g, fx + fw * 0.5f - thumbRadius, sliderPos - thumbRadius, thumbDiameter, knob, thickness);
    };

    // The minimum pointer sits above the track pointing down, the maximum one
    // below it pointing up.
    const auto horizontalPointers = [&]
    {
        const float sr = jmin (thumbRadius, fh * 0.4f);
        drawGradientPointer (g, minSliderPos - sr, jmax (0.0f, fy + fh * 0.5f - thumbDiameter),
                             thumbDiameter, knob, thickness, 2);
        drawGradientPointer (g, maxSliderPos - thumbRadius, jmin (fy + fh - thumbDiameter, fy + fh * 0.5f),
                             thumbDiameter, knob, thickness, 4);
    };

    // The minimum pointer sits left of the track pointing right, the maximum one
    // right of it pointing left.
    const auto verticalPointers = [&]
    {
        const float sr = jmin (thumbRadius, fw * 0.4f);
        drawGradientPointer (g, jmax (0.0f, fx + fw * 0.5f - thumbDiameter), minSliderPos - thumbRadius,
                             thumbDiameter, knob, thickness, 1);
        drawGradientPointer (g, jmin (fx + fw - thumbDiameter, fx + fw * 0.5f), maxSliderPos - sr,
                             thumbDiameter, knob, thickness, 3);
    };

    switch (style)
    {
        case Slider::LinearHorizontal:      horizontalSphere(); break;
        case Slider::LinearVertical:        verticalSphere(); break;
        case Slider::ThreeValueHorizontal:  horizontalSphere(); horizontalPointers(); break;
        case Slider::ThreeValueVertical:    verticalSphere(); verticalPointers(); break;
        case Slider::TwoValueHorizontal:    horizontalPointers(); break;
        case Slider::TwoValueVertical:      verticalPointers(); break;

        case Slider::LinearBar:
        case Slider::LinearBarVertical:
        case Slider::Rotary:
        case Slider::RotaryHorizontalDrag:
        case Slider::RotaryVerticalDrag:
        case Slider::RotaryHorizontalVerticalDrag:
        case Slider::IncDecButtons:
        default:
            break;
    }
}

Label* VantrelLookAndFeel::createSliderTextBox (Slider& slider)
{
    auto* box = new Label ("n", {});

    box->setJustificationType (Justification::centred);
    box->setColour (Label::textColourId,            slider.findColour (Slider::textBoxTextColourId));
    box->setColour (Label::backgroundColourId,      findColour (Slider::trackColourId));
    box->setColour (Label::outlineColourId,         Colour (0xFFC7BFAC));
    box->setColour (TextEditor::backgroundColourId, Colour (0xFFFFFFFF));
    box->setColour (TextEditor::outlineColourId,    Colour (0xFF7575AC));
    box->setColour (TextEditor::textColourId,       slider.findColour (Slider::textBoxTextColourId));
    box->setFont (Font (11.0f, Font::plain));

    return box;
}

Font VantrelLookAndFeel::getSliderPopupFont (Slider&)
{
    return embeddedFont (15.0f);
}
