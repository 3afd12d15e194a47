#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>

// Loads the built VST3 bundle the way a digital audio workstation does: scan
// the bundle, pick its one class, create an instance through the framework's
// VST3 hosting.
class PluginHost
{
public:
    /** The bundle named by VANTREL_VST3_BUNDLE, else the path compiled in. */
    static juce::File bundle();

    /** The bundle's classes as the host's scan reports them. */
    static juce::OwnedArray<juce::PluginDescription> scan (const juce::File& bundleFile);

    /** A new instance of the bundle's first class, or null with the reason. */
    static std::unique_ptr<juce::AudioPluginInstance> load (const juce::File& bundleFile,
                                                            double sampleRate, int blockSize,
                                                            juce::String& error);

    /** Sets a plug-in parameter by index the way a host's automation does. */
    static void setParameter (juce::AudioPluginInstance& instance, int index, float value);
};
