#include "PluginHost.h"

juce::File PluginHost::bundle()
{
    if (auto* fromEnvironment = std::getenv ("VANTREL_VST3_BUNDLE"))
        return juce::File (juce::String::fromUTF8 (fromEnvironment));

   #ifdef VANTREL_VST3_BUNDLE_PATH
    return juce::File (VANTREL_VST3_BUNDLE_PATH);
   #else
    return juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile (".vst3/Vantrel_Dither.vst3");
   #endif
}

juce::OwnedArray<juce::PluginDescription> PluginHost::scan (const juce::File& bundleFile)
{
    juce::VST3PluginFormat format;
    juce::OwnedArray<juce::PluginDescription> found;
    format.findAllTypesForFile (found, bundleFile.getFullPathName());
    return found;
}

std::unique_ptr<juce::AudioPluginInstance> PluginHost::load (const juce::File& bundleFile,
                                                             double sampleRate, int blockSize,
                                                             juce::String& error)
{
    auto found = scan (bundleFile);

    if (found.isEmpty())
    {
        error = "no plug-in class found in " + bundleFile.getFullPathName();
        return {};
    }

    juce::VST3PluginFormat format;
    return format.createInstanceFromDescription (*found[0], sampleRate, blockSize, error);
}

void PluginHost::setParameter (juce::AudioPluginInstance& instance, int index, float value)
{
    instance.getParameters()[index]->setValue (value);
}
