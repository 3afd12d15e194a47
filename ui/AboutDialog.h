#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

/**
    The content of the about box: the picture on the left half and, on the
    right half, the product line, the maker line with the current year and a
    link to the maker's web site. A fixed 640 x 282 component; the editor's
    "About" command shows it in a modal dialog window that owns it.
*/
class AboutDialog : public juce::Component
{
public:
    AboutDialog();
    ~AboutDialog() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

    /** "Vantrel Dither 1.0.1 VST3 64bit". */
    static juce::String productLine();

    /** The copyright notice of the given year. */
    static juce::String makerLine (int year);

    static constexpr const char* webHost = "www.vantrel-audio.example";
    static constexpr const char* webAddress = "https://www.vantrel-audio.example";

private:
    friend struct AboutDialogTestAccess;

    std::unique_ptr<juce::Label> productLabel;
    std::unique_ptr<juce::Label> makerLabel;
    std::unique_ptr<juce::HyperlinkButton> webLink;
    juce::Image aboutImage;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (AboutDialog)
};
