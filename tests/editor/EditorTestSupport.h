#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <gtest/gtest.h>

#include <optional>

#include "processor/JucePlugin.h"
#include "processor/UserSettings.h"
#include "ui/AboutDialog.h"
#include "ui/JuceEditor.h"

/** Reaches the editor's members for the tests. */
struct JuceEditorTestAccess
{
    static juce::TextButton& bypass (JuceEditor& e)        { return *e.bypassButton; }
    static juce::TextButton& settings (JuceEditor& e)      { return *e.settingsButton; }
    static juce::TextButton& ab (JuceEditor& e)            { return *e.abButton; }
    static juce::TextButton& bitDepth (JuceEditor& e)      { return *e.bitDepthButton; }
    static juce::TextButton& noiseShaping (JuceEditor& e)  { return *e.noiseShapingButton; }
    static juce::TextButton& ditherType (JuceEditor& e)    { return *e.ditherTypeButton; }
    static SwitchableTooltipWindow& tooltips (JuceEditor& e) { return e.tooltipWindow; }
    static void help (JuceEditor& e)                       { e.openHelpFile(); }
};

/** Reaches the about box's children for the tests. */
struct AboutDialogTestAccess
{
    static juce::Label& product (AboutDialog& d)          { return *d.productLabel; }
    static juce::Label& maker (AboutDialog& d)            { return *d.makerLabel; }
    static juce::HyperlinkButton& link (AboutDialog& d)   { return *d.webLink; }
    static const juce::Image& image (AboutDialog& d)      { return d.aboutImage; }
};

namespace editortest
{
    /** A processor that reports chosen normalised values for some parameters,
        as a host could make it hold values between the steps. */
    struct ValuesPlugin : JucePlugin
    {
        float getParameter (int index) override
        {
            if (juce::isPositiveAndBelow (index, 5) && reported[index].has_value())
                return *reported[index];

            return JucePlugin::getParameter (index);
        }

        std::optional<float> reported[5];
    };

    /** Counts what the processor reports to its listeners (the host's side of
        an edit). */
    struct EditRecorder : juce::AudioProcessorListener
    {
        void audioProcessorParameterChanged (juce::AudioProcessor*, int index, float value) override
        {
            edits.push_back ({ index, value });
        }

        void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}

        std::vector<std::pair<int, float>> edits;
    };

    /** Runs the message loop for the given time. */
    inline void pump (int milliseconds)
    {
        juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
    }

    /** Runs the message loop until the condition holds or the time is over. */
    template <typename Condition>
    bool pumpUntil (Condition&& condition, int timeoutMs = 5000)
    {
        const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;

        while (! condition())
        {
            if (juce::Time::getMillisecondCounter() > end)
                return false;

            pump (10);
        }

        return true;
    }
}
