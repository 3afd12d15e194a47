#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <atomic>

/**
    The base colour of a control in a given state: darkened by 0.9 while it is
    pressed, else brightened by 1.3 under the mouse (brightness capped at 1.0),
    else unchanged. hasKeyboardFocus does not change the colour.
*/
juce::Colour createBaseColour (juce::Colour colour, bool hasKeyboardFocus,
                               bool isMouseOverButton, bool isButtonDown);

/**
    The look-and-feel of every window the plug-in shows: the framework's V2 look
    with the plug-in's colour scheme, the four embedded Source Sans Pro faces for
    every font of that name, and its own drawing of buttons, tick boxes, labels,
    alert boxes, tooltips, menus, text editors and linear sliders.

    There is one per process, made on first use by getInstance() and deleted with
    the framework's other deleted-at-shutdown objects; a later getInstance()
    makes a new one. Its drawing operations run on the message thread and keep
    no state between calls.
*/
class VantrelLookAndFeel : public juce::LookAndFeel_V2,
                           public juce::DeletedAtShutdown
{
public:
    /** The look-and-feel of the process, created on the first call. A call made
        while the object is being constructed returns nullptr. Callers never
        delete it.
    */
    static VantrelLookAndFeel* getInstance();

    ~VantrelLookAndFeel() override;

    //==============================================================================
    /** The embedded face for a font named exactly "Source Sans Pro" (by its bold
        and italic flags), else the framework's choice.
    */
    juce::Typeface::Ptr getTypefaceForFont (const juce::Font& font) override;

    /** A circle of the given diameter with its bounding box at (x, y), filled with
        a vertical gradient from the colour brightened at the top to the colour at
        the bottom. Nothing is drawn when thickness >= diameter.
    */
    void drawGradientSphere (juce::Graphics& g, float x, float y, float diameter,
                             const juce::Colour& colour, float thickness);

    /** A pentagonal pointer in the d x d square at (x, y), pointing up and turned
        clockwise by a quarter turn per direction step (1 right, 2 down, 3 left,
        4 up), filled with a vertical gradient. Nothing is drawn when
        thickness >= diameter.
    */
    void drawGradientPointer (juce::Graphics& g, float x, float y, float diameter,
                              const juce::Colour& colour, float thickness, int direction);

    //==============================================================================
    void drawButtonBackground (juce::Graphics& g, juce::Button& button, const juce::Colour& backgroundColour,
                               bool isMouseOverButton, bool isButtonDown) override;
    juce::Font getTextButtonFont (juce::TextButton& button, int buttonHeight) override;
    void drawButtonText (juce::Graphics& g, juce::TextButton& button,
                         bool isMouseOverButton, bool isButtonDown) override;
    void drawToggleButton (juce::Graphics& g, juce::ToggleButton& button,
                           bool isMouseOverButton, bool isButtonDown) override;
    void drawTickBox (juce::Graphics& g, juce::Component& component,
                      float x, float y, float w, float h,
                      bool ticked, bool isEnabled,
                      bool isMouseOverButton, bool isButtonDown) override;

    //==============================================================================
    void fillTextEditorBackground (juce::Graphics& g, int width, int height, juce::TextEditor& editor) override;
    void drawTextEditorOutline (juce::Graphics& g, int width, int height, juce::TextEditor& editor) override;

    void drawAlertBox (juce::Graphics& g, juce::AlertWindow& alert,
                       const juce::Rectangle<int>& textArea, juce::TextLayout& textLayout) override;
    juce::Font getAlertWindowMessageFont() override;
    juce::Font getAlertWindowFont() override;

    void drawPopupMenuBackground (juce::Graphics& g, int width, int height) override;
    juce::Font getPopupMenuFont() override;

    juce::Font getComboBoxFont (juce::ComboBox& box) override;

    void drawLabel (juce::Graphics& g, juce::Label& label) override;
    juce::Font getLabelFont (juce::Label& label) override;

    void drawTooltip (juce::Graphics& g, const juce::String& text, int width, int height) override;

    //==============================================================================
    void drawLinearSliderBackground (juce::Graphics& g, int x, int y, int width, int height,
                                     float sliderPos, float minSliderPos, float maxSliderPos,
                                     juce::Slider::SliderStyle style, juce::Slider& slider) override;
    void drawLinearSliderThumb (juce::Graphics& g, int x, int y, int width, int height,
                                float sliderPos, float minSliderPos, float maxSliderPos,
                                juce::Slider::SliderStyle style, juce::Slider& slider) override;
    juce::Label* createSliderTextBox (juce::Slider& slider) override;
    juce::Font getSliderPopupFont (juce::Slider& slider) override;

    /** The track of a linear slider as drawLinearSliderBackground() draws it, with
        the slider's hover state given: a horizontal slider under the mouse shows
        three coloured segments split at the minimum and maximum positions, any
        other slider one flat bar in the track colour.
    */
    void drawLinearSliderTrack (juce::Graphics& g, int x, int y, int width, int height,
                                float minSliderPos, float maxSliderPos,
                                juce::Slider& slider, bool isMouseOverSlider);

private:
    VantrelLookAndFeel();

    /** Runs the creation of the instance with the given factory: the test without
        the lock, then the locked test and the construction, guarded against
        re-entry from the constructor.
    */
    static VantrelLookAndFeel* getOrCreateInstance (VantrelLookAndFeel* (*create)());

    friend struct VantrelLookAndFeelTestAccess;

    juce::Typeface::Ptr regularTypeface;
    juce::Typeface::Ptr italicTypeface;
    juce::Typeface::Ptr boldTypeface;
    juce::Typeface::Ptr boldItalicTypeface;

    static std::atomic<VantrelLookAndFeel*> lookAndFeelInstance;
    static juce::CriticalSection lookAndFeelLock;
    static bool creatingInstance;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VantrelLookAndFeel)
};
