#include "AboutDialog.h"

#include "ui/DocumentLauncher.h"
#include "ui/resources/VantrelResources.h"

namespace
{
    const char* const productName = "Vantrel Dither";
    const char* const productVersion = "1.0.1";
    const char* const pluginFormat = " VST3";
    const char* const bitness = " 64bit";
    const char* const makerName = "Vantrel Audio Engineering";

    constexpr int rowHeight = 24;

    // The framework's link opens its address through /bin/sh -c and leaves a
    // zombie shell in the host per click; this one hands the address to the
    // same opener as Help, as its one argument, with nothing left to reap.
    // Looks and address are the framework link's.
    class WebLink : public juce::HyperlinkButton
    {
    public:
        using juce::HyperlinkButton::HyperlinkButton;

    protected:
        void clicked() override
        {
            const auto address = getURL();

            if (address.isWellFormed())
                DocumentLauncher::open (address.toString (false));
        }
    };

    void setUpRow (juce::Label& label)
    {
        label.setFont (juce::Font (15.0f, juce::Font::plain));
        label.setJustificationType (juce::Justification::centred);
        label.setEditable (false, false, false);
    }
}

juce::String AboutDialog::productLine()
{
    return juce::String (productName) + " " + productVersion + (juce::String (pluginFormat) + bitness);
}

juce::String AboutDialog::makerLine (int year)
{
    return "Copyright " + juce::String (year) + " " + makerName;
}

AboutDialog::AboutDialog()
{
    setAlwaysOnTop (true);

    productLabel = std::make_unique<juce::Label> (juce::String(), productLine());
    addAndMakeVisible (productLabel.get());
    setUpRow (*productLabel);

    // The year of the local clock when the box is opened.
    makerLabel = std::make_unique<juce::Label> (juce::String(), makerLine (juce::Time::getCurrentTime().getYear()));
    addAndMakeVisible (makerLabel.get());
    setUpRow (*makerLabel);

    webLink = std::make_unique<WebLink> (webHost, juce::URL (webAddress));
    addAndMakeVisible (webLink.get());
    webLink->setFont (juce::Font (15.0f, juce::Font::plain), false, juce::Justification::centred);

    const auto picture = VantrelResources::aboutImagePng();
    aboutImage = juce::ImageCache::getFromMemory (picture.data, picture.size);

    setSize (640, 282);
}

AboutDialog::~AboutDialog()
{
    productLabel.reset();
    makerLabel.reset();
    webLink.reset();
    aboutImage = {};
}

void AboutDialog::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour (0xffffffff));

    // A picture that could not be decoded is a null image of no size: nothing
    // is drawn for it.
    const auto y = (getHeight() - aboutImage.getHeight()) / 2;
    g.drawImage (aboutImage, 24, y, aboutImage.getWidth(), aboutImage.getHeight(),
                 0, 0, aboutImage.getWidth(), aboutImage.getHeight(), false);
}

void AboutDialog::resized()
{
    const auto half = getWidth() / 2;
    const auto x = half + 12;
    const auto width = half - 24;

    productLabel->setBounds (x, 24, width, rowHeight);
    makerLabel->setBounds (x, 56, width, rowHeight);
    webLink->setBounds (x, 88, width, rowHeight);
}
