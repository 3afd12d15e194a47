// libFuzzer target: arbitrary bytes as host state, restored into one processor.
//
// Beyond the sanitizers' own checks, every state that a restore leaves behind
// must survive its own save and restore unchanged.
//
// With VANTREL_FUZZ_WRITE_SEEDS=<dir> the program writes state chunks of a few
// processor settings into <dir> as a seed corpus and exits.

#include <juce_events/juce_events.h>

#include "processor/JucePlugin.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

namespace
{
    struct Fuzzing
    {
        juce::ScopedJuceInitialiser_GUI juce;
        JucePlugin plugin;
    };

    Fuzzing* fuzzing = nullptr;   // lives for the whole run
    std::string configHome = "/tmp/state_fuzzer.XXXXXX";

    void removeConfigHome()
    {
        juce::File (configHome).deleteRecursively();
    }

    void setState (JucePlugin& plugin, bool bypass, int ditherType, int noiseShaping, int bitDepth, bool enaAB,
                   std::initializer_list<float> aValues, std::initializer_list<float> bValues)
    {
        plugin.bypass = bypass;
        plugin.ditherType = ditherType;
        plugin.noiseShaping = noiseShaping;
        plugin.bitDepth = bitDepth;
        plugin.enaAB = enaAB;

        int i = 0;
        for (auto v : aValues) plugin.aBuf[i++] = v;
        i = 0;
        for (auto v : bValues) plugin.bBuf[i++] = v;
    }

    void writeSeeds (JucePlugin& plugin, const juce::File& directory)
    {
        directory.createDirectory();

        auto save = [&] (const char* name, size_t cutTo = 0)
        {
            juce::MemoryBlock chunk;
            plugin.getStateInformation (chunk);

            if (cutTo > 0)
                chunk.setSize (cutTo);

            directory.getChildFile (name).replaceWithData (chunk.getData(), chunk.getSize());
        };

        setState (plugin, false, 0, 0, 0, false, { 0, 0, 0, 0, 0 }, { 0, 0, 0, 0, 0 });
        save ("zero");
        setState (plugin, true, 2, 3, 1, true, { 1, 1.0f / 3, 0.5f, 2.0f / 3, 1 }, { 0.00001f, 0.5f, 1, 0, 0 });
        save ("typical");
        save ("cut", 100);
        setState (plugin, false, 7, -3, 12, true, { -2.5f, 1.0e30f, 1.0e-40f, 123456789.0f, 0 }, { 3.0e38f, -0.0f, 0.25f, 1.0e-4f, 0 });
        save ("outside");
    }
}

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    // The processor keeps per-user files under XDG_CONFIG_HOME: a directory of
    // this run, never the real user's.
    if (mkdtemp (configHome.data()) == nullptr || setenv ("XDG_CONFIG_HOME", configHome.c_str(), 1) != 0)
        std::abort();

    std::atexit (removeConfigHome);
    fuzzing = new Fuzzing();

    if (const auto* seeds = std::getenv ("VANTREL_FUZZ_WRITE_SEEDS"))
    {
        writeSeeds (fuzzing->plugin, juce::File (juce::String (juce::CharPointer_UTF8 (seeds))));
        std::exit (0);
    }

    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    if (size > (size_t) std::numeric_limits<int>::max())
        return 0;

    auto& plugin = fuzzing->plugin;
    plugin.setStateInformation (data, (int) size);

    juce::MemoryBlock saved, savedAgain;
    plugin.getStateInformation (saved);
    plugin.setStateInformation (saved.getData(), (int) saved.getSize());
    plugin.getStateInformation (savedAgain);

    if (saved != savedAgain)
    {
        std::fprintf (stderr, "state changed by its own save and restore:\n%s\n%s\n",
                      static_cast<const char*> (saved.getData()) + 8,
                      static_cast<const char*> (savedAgain.getData()) + 8);
        std::abort();
    }

    return 0;
}
