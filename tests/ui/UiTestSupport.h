#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <gtest/gtest.h>

#include <functional>

#include "ui/VantrelLookAndFeel.h"

/** Reaches the singleton's internals and the typeface fields for the tests. */
struct VantrelLookAndFeelTestAccess
{
    static VantrelLookAndFeel* current() { return VantrelLookAndFeel::lookAndFeelInstance.load(); }

    static VantrelLookAndFeel* getOrCreate (VantrelLookAndFeel* (*create)())
    {
        return VantrelLookAndFeel::getOrCreateInstance (create);
    }

    /** A new object outside the singleton; the caller owns it. */
    static VantrelLookAndFeel* construct() { return new VantrelLookAndFeel(); }

    /** Deletes the process's instance, if there is one, as the framework's
        shut-down would, after taking it out of the desktop's default. */
    static void destroyInstance()
    {
        juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
        delete current();
    }

    static juce::Typeface::Ptr& regular (VantrelLookAndFeel& l)    { return l.regularTypeface; }
    static juce::Typeface::Ptr& italic (VantrelLookAndFeel& l)     { return l.italicTypeface; }
    static juce::Typeface::Ptr& bold (VantrelLookAndFeel& l)       { return l.boldTypeface; }
    static juce::Typeface::Ptr& boldItalic (VantrelLookAndFeel& l) { return l.boldItalicTypeface; }
};

namespace uitest
{
    /** A software-rendered ARGB image filled with the given colour. */
    juce::Image makeCanvas (int width, int height, juce::Colour background = juce::Colours::transparentBlack);

    /** Renders with the given painter into a new canvas. */
    juce::Image render (int width, int height, const std::function<void (juce::Graphics&)>& paint,
                        juce::Colour background = juce::Colours::transparentBlack);

    /** Writes the image as <name>.png into the artefact folder
        ($VANTREL_ARTIFACTS_DIR, else the build's artifacts/ui). */
    void saveArtifact (const juce::Image& image, const juce::String& name);

    /** True when every channel of a and b (alpha included) differs by at most tolerance. */
    bool near (juce::Colour a, juce::Colour b, int tolerance = 3);

    /** The bounds of the pixels that the predicate accepts; empty when none. */
    juce::Rectangle<int> boundsWhere (const juce::Image& image, const std::function<bool (juce::Colour)>& accept,
                                      juce::Rectangle<int> within = {});

    /** The bounds of the pixels that differ from the background by more than a small tolerance. */
    juce::Rectangle<int> inkBounds (const juce::Image& image, juce::Colour background = juce::Colours::transparentBlack,
                                    juce::Rectangle<int> within = {});

    /** The number of pixels that the predicate accepts. */
    int countWhere (const juce::Image& image, const std::function<bool (juce::Colour)>& accept,
                    juce::Rectangle<int> within = {});

    /** True when both images have the same size and the same pixels. */
    bool identical (const juce::Image& a, const juce::Image& b);

    /** Prints a colour as 0xAARRGGBB in assertion messages. */
    std::string hex (juce::Colour c);

    /** Without an X display the framework knows no screen, and components that
        size themselves from the screen (alert windows) would find none; this
        gives the desktop one 1920 x 1080 display when it has none. */
    void ensureDisplay();

    /** The look-and-feel of the process, installed as the default one (as the
        processor does), with the typeface cache cleared so that fonts are
        resolved through it. */
    class LookAndFeelTest : public ::testing::Test
    {
    protected:
        void SetUp() override;

        VantrelLookAndFeel* laf = nullptr;
    };
}
