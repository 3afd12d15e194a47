#include "JucePlugin.h"

#include "ParameterMapping.h"
#include "StateChunk.h"
#include "UserSettings.h"
#include "CpuDispatch.h"
#include "ui/VantrelLookAndFeel.h"
#include "ui/JuceEditor.h"
#include "ui/SettingsFileChooser.h"
#include "SettingsFile.h"

#include <cmath>
#include <limits>

namespace
{
    const char* const productName = "Vantrel Dither";

    // A number read from the state as an integer field: truncated toward zero,
    // limited to the int range, NaN as 0.
    int toIntField (double value) noexcept
    {
        if (std::isnan (value))
            return 0;

        if (value >= 2147483647.0)
            return std::numeric_limits<int>::max();

        if (value <= -2147483648.0)
            return std::numeric_limits<int>::min();

        return (int) value;
    }
}

// 'QWVB' read as a big-endian 32-bit number.
const char* const JucePlugin::stateTag = "1364678210";

JucePlugin::JucePlugin()
    : juce::AudioProcessor (BusesProperties()
                                .withInput ("Audio Input", juce::AudioChannelSet::stereo(), true)
                                .withOutput ("Audio Output", juce::AudioChannelSet::stereo(), true))
{
    // What the detection finds is not used anywhere; its status neither.
    vantrel::cpu::initCpuDispatch();

    juce::LookAndFeel::setDefaultLookAndFeel (VantrelLookAndFeel::getInstance());
    juce::Logger::setCurrentLogger (nullptr);

    bypass.store (false);
    ditherType.store (0);
    noiseShaping.store (0);
    bitDepth.store (0);
    enaAB.store (false);

    // Both stores start from the settings above, before any default is read.
    for (int i = 0; i < 4; ++i)
    {
        aBuf[i].store (getParameter (i), std::memory_order_relaxed);
        bBuf[i].store (getParameter (i), std::memory_order_relaxed);
    }

    aBuf[4].store (0.0f, std::memory_order_relaxed);
    bBuf[4].store (0.0f, std::memory_order_relaxed);

    settings = UserSettings::openForProduct (getName());

    setBothMarkers (5);

    auto readDefault = [this] (const char* key, std::atomic<int>& field)
    {
        const auto current = juce::String (field.load (std::memory_order_relaxed));
        field.store (UserSettings::parseInt (settings->getValue (key, current)), std::memory_order_relaxed);
    };

    readDefault (UserSettings::ditherTypeKey, ditherType);
    readDefault (UserSettings::noiseShapingKey, noiseShaping);
    readDefault (UserSettings::bitDepthKey, bitDepth);

    algo = std::make_unique<Algo> (this);
    settingsFileChooser = std::make_unique<SettingsFileChooser>();
}

JucePlugin::~JucePlugin()
{
    // An open file dialog first: its choice can no longer reach this
    // processor. Then the engine (its timer stops), then the settings file,
    // which writes what is still pending.
    settingsFileChooser.reset();
    algo.reset();
    settings.reset();
}

//==============================================================================
const juce::String JucePlugin::getName() const   { return productName; }

void JucePlugin::prepareToPlay (double, int)
{
    algo->resetState();
}

void JucePlugin::releaseResources() {}
void JucePlugin::reset() {}

bool JucePlugin::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    return layouts.inputBuses.size() == 1 && layouts.outputBuses.size() == 1
        && layouts.getMainInputChannelSet() == juce::AudioChannelSet::stereo()
        && layouts.getMainOutputChannelSet() == juce::AudioChannelSet::stereo();
}

void JucePlugin::processBlock (juce::AudioSampleBuffer& buffer, juce::MidiBuffer& midi)
{
    algo->process (buffer, midi, false);

    for (int channel = getTotalNumInputChannels(); channel < getTotalNumOutputChannels(); ++channel)
        buffer.clear (channel, 0, buffer.getNumSamples());
}

void JucePlugin::processBlockBypassed (juce::AudioSampleBuffer& buffer, juce::MidiBuffer& midi)
{
    algo->process (buffer, midi, true);

    for (int channel = getTotalNumInputChannels(); channel < getTotalNumOutputChannels(); ++channel)
        buffer.clear (channel, 0, buffer.getNumSamples());
}

const juce::String JucePlugin::getInputChannelName (int channelIndex) const   { return juce::String (channelIndex + 1); }
const juce::String JucePlugin::getOutputChannelName (int channelIndex) const  { return getInputChannelName (channelIndex); }
bool JucePlugin::isInputChannelStereoPair (int) const   { return true; }
bool JucePlugin::isOutputChannelStereoPair (int) const  { return true; }
bool JucePlugin::silenceInProducesSilenceOut() const    { return false; }
double JucePlugin::getTailLengthSeconds() const         { return 0.0; }
bool JucePlugin::acceptsMidi() const                    { return false; }
bool JucePlugin::producesMidi() const                   { return false; }

juce::AudioProcessorEditor* JucePlugin::createEditor()  { return new JuceEditor (this); }
bool JucePlugin::hasEditor() const                      { return true; }

//==============================================================================
int JucePlugin::getNumParameters()   { return ParameterMapping::numParameters; }

const juce::String JucePlugin::getParameterName (int index)   { return ParameterMapping::name (index); }

float JucePlugin::getParameter (int index)
{
    switch (index)
    {
        case 0:  return bypass.load (std::memory_order_relaxed) ? 1.0f : 0.0f;
        case 1:  return ParameterMapping::halfSteps (ditherType.load (std::memory_order_relaxed));
        case 2:  return ParameterMapping::thirdSteps (noiseShaping.load (std::memory_order_relaxed));
        case 3:  return ParameterMapping::halfSteps (bitDepth.load (std::memory_order_relaxed));
        case 4:  return enaAB.load (std::memory_order_relaxed) ? 1.0f : 0.0f;
        default: return 0.0f;
    }
}

const juce::String JucePlugin::getParameterText (int index)
{
    return ParameterMapping::text (getParameter (index));
}

float JucePlugin::getParameterDefaultValue (int)   { return 0.0f; }

void JucePlugin::setParameter (int index, float newValue)
{
    // Relaxed stores: the marks that follow publish them (see DitherSettings).
    switch (index)
    {
        case 0: bypass.store (ParameterMapping::isOn (newValue), std::memory_order_relaxed); break;
        case 1: ditherType.store (ParameterMapping::nearestStep (newValue, 2), std::memory_order_relaxed); break;
        case 2: noiseShaping.store (ParameterMapping::nearestStep (newValue, 3), std::memory_order_relaxed); break;
        case 3: bitDepth.store (ParameterMapping::nearestStep (newValue, 2), std::memory_order_relaxed); break;
        case 4: enaAB.store (ParameterMapping::isOn (newValue), std::memory_order_relaxed); break;
        default: break;
    }

    markDspChanged (index);
    markUiChanged (index);
}

bool JucePlugin::isMetaParameter (int) const   { return false; }

//==============================================================================
int JucePlugin::getNumPrograms()                                  { return 0; }
int JucePlugin::getCurrentProgram()                               { return 0; }
void JucePlugin::setCurrentProgram (int)                          {}
const juce::String JucePlugin::getProgramName (int)               { return {}; }
void JucePlugin::changeProgramName (int, const juce::String&)     {}

juce::XmlElement JucePlugin::createStateXml() const
{
    juce::XmlElement element (stateTag);

    element.setAttribute ("fxBypass", bypass.load (std::memory_order_relaxed) ? 1 : 0);
    element.setAttribute ("fxDitherType", ditherType.load (std::memory_order_relaxed));
    element.setAttribute ("fxNoiseShaping", noiseShaping.load (std::memory_order_relaxed));
    element.setAttribute ("fxBitDepth", bitDepth.load (std::memory_order_relaxed));
    element.setAttribute ("fxEnaAB", enaAB.load (std::memory_order_relaxed) ? 1 : 0);

    for (int i = 0; i < 4; ++i)
    {
        element.setAttribute ("A_Buf" + juce::String (i), StateChunk::realText (aBuf[i].load (std::memory_order_relaxed)));
        element.setAttribute ("B_Buf" + juce::String (i), StateChunk::realText (bBuf[i].load (std::memory_order_relaxed)));
    }

    return element;
}

void JucePlugin::applyStateXml (const juce::XmlElement& element)
{
    // A number attribute read as decimal only (StateChunk::number); an absent
    // one leaves the current value.
    auto readNumber = [&element] (const juce::String& name, double current)
    {
        return element.hasAttribute (name) ? StateChunk::number (element.getStringAttribute (name)) : current;
    };

    auto readInt = [&readNumber] (const char* name, const std::atomic<int>& field)
    {
        return toIntField (readNumber (name, (double) field.load (std::memory_order_relaxed)));
    };

    bypass.store (element.getBoolAttribute ("fxBypass", bypass.load (std::memory_order_relaxed)), std::memory_order_relaxed);
    ditherType.store (readInt ("fxDitherType", ditherType), std::memory_order_relaxed);
    noiseShaping.store (readInt ("fxNoiseShaping", noiseShaping), std::memory_order_relaxed);
    bitDepth.store (readInt ("fxBitDepth", bitDepth), std::memory_order_relaxed);
    enaAB.store (element.getBoolAttribute ("fxEnaAB", enaAB.load (std::memory_order_relaxed)), std::memory_order_relaxed);

    for (int i = 0; i < 4; ++i)
    {
        const auto a = readNumber ("A_Buf" + juce::String (i), (double) aBuf[i].load (std::memory_order_relaxed));
        aBuf[i].store ((float) a, std::memory_order_relaxed);
        const auto b = readNumber ("B_Buf" + juce::String (i), (double) bBuf[i].load (std::memory_order_relaxed));
        bBuf[i].store ((float) b, std::memory_order_relaxed);
    }
}

void JucePlugin::getStateInformation (juce::MemoryBlock& destData)
{
    StateChunk::write (createStateXml(), destData);
}

void JucePlugin::setStateInformation (const void* data, int sizeInBytes)
{
    applyStateChunk (data, sizeInBytes);
}

void JucePlugin::applyStateChunk (const void* data, int sizeInBytes)
{
    if (auto element = StateChunk::read (data, sizeInBytes))
    {
        if (element->hasTagName (stateTag))
        {
            applyStateXml (*element);
            // The fields first, then the marks that publish them.
            markDspChanged (5);
            markUiChanged (5);
        }
    }
}

void JucePlugin::changeStateOutsideParameters (const std::function<void()>& change)
{
    JUCE_ASSERT_MESSAGE_THREAD

    const auto before = createStateXml();
    change();

    // The VST3 wrapper turns this into IComponentHandler2::setDirty (true).
    if (! createStateXml().isEquivalentTo (&before, false))
        updateHostDisplay (juce::AudioProcessorListener::ChangeDetails().withNonParameterStateChanged (true));
}

//==============================================================================
void JucePlugin::setSettingsFileChooser (std::unique_ptr<SettingsFileChooser> chooser)
{
    settingsFileChooser = chooser != nullptr ? std::move (chooser) : std::make_unique<SettingsFileChooser>();
}

void JucePlugin::cancelSettingsFileDialog()
{
    settingsFileChooser->cancel();
}

// The dialogs report back later, from the message loop. Capturing this is
// safe: the chooser belongs to the processor and runs no callback once it is
// destroyed or replaced.
void JucePlugin::loadSettingsFile()
{
    settingsFileChooser->setDialogOwner (getActiveEditor());
    settingsFileChooser->chooseFileToLoad ([this] (const juce::File& chosen)
    {
        if (chosen == juce::File())
            return;

        // Any file the user picks, whatever its name; only a chunk of this
        // plug-in's state changes anything.
        juce::MemoryBlock content;

        if (! SettingsFile::read (chosen, content))
            return;

        // The stores and the live values change, but no parameter change
        // reaches the host: it hears of a state change instead.
        changeStateOutsideParameters ([&] { applyStateChunk (content.getData(), (int) content.getSize()); });
    });
}

void JucePlugin::saveSettingsFile()
{
    settingsFileChooser->setDialogOwner (getActiveEditor());
    settingsFileChooser->chooseFileToSave ([this] (const juce::File& chosen)
    {
        if (chosen == juce::File())
            return;

        juce::MemoryBlock chunk;
        StateChunk::write (createStateXml(), chunk);

        // A failed write leaves whatever file was there before.
        SettingsFile::write (SettingsFile::withSettingsExtension (chosen), chunk);
    });
}

//==============================================================================
juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new JucePlugin();
}
