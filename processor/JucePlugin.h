#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <atomic>
#include <functional>
#include <memory>

#include "engine/Algo.h"
#include "engine/DitherSettings.h"

class SettingsFileChooser;
class UserSettings;

/**
    The plug-in's audio processor: five index-based parameters, two A/B stores,
    the host state chunk, the user's settings files and the per-user defaults,
    and the dither engine that processes every block.

    The dither settings and the change markers come from DitherSettings, which
    the engine reads; they and the A/B stores are atomics because the audio
    thread, the message thread and host threads all touch them.
*/
class JucePlugin : public juce::AudioProcessor,
                   public DitherSettings
{
public:
    JucePlugin();
    ~JucePlugin() override;

    //==============================================================================
    const juce::String getName() const override;
    void prepareToPlay (double sampleRate, int estimatedSamplesPerBlock) override;
    void releaseResources() override;
    void processBlock (juce::AudioSampleBuffer& buffer, juce::MidiBuffer& midi) override;
    void processBlockBypassed (juce::AudioSampleBuffer& buffer, juce::MidiBuffer& midi) override;
    bool isBusesLayoutSupported (const BusesLayout& layouts) const override;

    const juce::String getInputChannelName (int channelIndex) const override;
    const juce::String getOutputChannelName (int channelIndex) const override;
    bool isInputChannelStereoPair (int index) const override;
    bool isOutputChannelStereoPair (int index) const override;
    bool silenceInProducesSilenceOut() const override;
    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;
    void reset() override;

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;

    //==============================================================================
    int getNumParameters() override;
    const juce::String getParameterName (int index) override;
    float getParameter (int index) override;
    const juce::String getParameterText (int index) override;
    float getParameterDefaultValue (int index) override;
    void setParameter (int index, float newValue) override;
    bool isMetaParameter (int index) const override;

    // The framework's name and text overloads with a length limit stay its own.
    using juce::AudioProcessor::getParameterName;
    using juce::AudioProcessor::getParameterText;

    //==============================================================================
    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram (int index) override;
    const juce::String getProgramName (int index) override;
    void changeProgramName (int index, const juce::String& newName) override;

    void getStateInformation (juce::MemoryBlock& destData) override;
    void setStateInformation (const void* data, int sizeInBytes) override;

    /** The state element: the five settings and entries 0 to 3 of both A/B
        stores, as attributes of one element named after the plug-in code. */
    juce::XmlElement createStateXml() const;

    /** Sets the fields from the element's attributes; an absent attribute
        leaves its field alone. Tests neither the tag nor the markers. */
    void applyStateXml (const juce::XmlElement& element);

    /** The root tag of the state element: the plug-in code as a number. */
    static const char* const stateTag;

    //==============================================================================
    /** The engine, for tests and the editor's needs; owned by the processor. */
    Algo& getAlgo() noexcept   { return *algo; }

    /** The per-user settings file, owned by the processor. */
    UserSettings* getSettings() const noexcept   { return settings.get(); }

    /** Opens the dialog in which the user picks a settings file and returns;
        when the user has chosen a file that holds this plug-in's state chunk,
        applies it and marks both markers with 5. Reports no parameter change;
        tells the host that the state changed if the chunk differs. */
    void loadSettingsFile();

    /** Opens the dialog in which the user picks a file and returns; when the
        user has chosen one, writes the state chunk as its whole content,
        adding ".qwv" unless the name ends with it. Reports nothing. */
    void saveSettingsFile();

    /** Closes a load or save dialog that is still open, choosing nothing. */
    void cancelSettingsFileDialog();

    /** Replaces the dialogs in which the user picks settings files (tests
        answer without a window); null restores the native dialogs. A dialog
        of the chooser replaced is closed. */
    void setSettingsFileChooser (std::unique_ptr<SettingsFileChooser> chooser);

    /** Runs the change and, when it altered the state chunk, tells the host
        that the plug-in's state changed (a VST3 host hears setDirty), so that
        it counts its project as modified: for changes that no parameter
        change reports, such as the A/B stores. Message thread only; never for
        a state that the host restores itself. */
    void changeStateOutsideParameters (const std::function<void()>& change);

    /** The A/B stores: normalised values of parameters 0 to 4. */
    std::atomic<float> aBuf[5];
    std::atomic<float> bBuf[5];

private:
    /** Applies a state chunk that holds this plug-in's element and marks both
        markers with 5; anything else changes nothing. */
    void applyStateChunk (const void* data, int sizeInBytes);

    std::unique_ptr<UserSettings> settings;
    std::unique_ptr<Algo> algo;
    std::unique_ptr<SettingsFileChooser> settingsFileChooser;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (JucePlugin)
};
