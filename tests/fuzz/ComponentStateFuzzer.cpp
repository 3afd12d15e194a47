// libFuzzer target: arbitrary bytes as a component state, restored into the
// built plug-in as a host restores a project (IComponent::setState, then the
// edit controller's setComponentState), through the framework's VST3 wrapper.
//
// Beyond the sanitizers' own checks: a state that the component refuses must
// leave what the host sees (the saved state and the controller's values)
// unchanged, and the controller must refuse what the component refuses.
//
// With VANTREL_FUZZ_WRITE_SEEDS=<dir> the program writes saved component
// states of a few settings, a bank without its header and preset images
// holding them into <dir> as a seed corpus and exits.

#include <juce_audio_processors/juce_audio_processors.h>

#include "PluginHost.h"
#include "Vst3Restore.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{
    struct Fuzzing
    {
        Fuzzing()
        {
            juce::String error;
            instance = PluginHost::load (PluginHost::bundle(), 48000.0, 512, error);

            if (instance == nullptr)
            {
                std::fprintf (stderr, "cannot load the plug-in: %s\n", error.toRawUTF8());
                std::abort();
            }

            restore = std::make_unique<Vst3Restore> (*instance);

            if (! restore->isReady())
                std::abort();
        }

        juce::ScopedJuceInitialiser_GUI juce;
        std::unique_ptr<juce::AudioPluginInstance> instance;
        std::unique_ptr<Vst3Restore> restore;
    };

    Fuzzing* fuzzing = nullptr;   // lives for the whole run
    std::string configHome = "/tmp/component_state_fuzzer.XXXXXX";

    void removeConfigHome()
    {
        juce::File (configHome).deleteRecursively();
    }


    void writeSeeds (Fuzzing& f, const juce::File& directory)
    {
        directory.createDirectory();
        auto& p = *f.instance;

        auto save = [&] (const juce::String& name, const juce::MemoryBlock& bytes)
        {
            directory.getChildFile (name).replaceWithData (bytes.getData(), bytes.getSize());
        };

        const float settings[][5] = { { 0, 0, 0, 0, 0 }, { 1, 0.5f, 2.0f / 3, 1, 1 }, { 0, 1, 1.0f / 3, 0.5f, 0 } };

        for (int s = 0; s < 3; ++s)
        {
            for (int i = 0; i < 5; ++i)
                PluginHost::setParameter (p, i, settings[s][i]);

            juce::AudioBuffer<float> block (2, 1);
            block.clear();
            juce::MidiBuffer midi;
            p.processBlock (block, midi);

            const auto state = f.restore->seen().state;
            save ("state" + juce::String (s), state);
            save ("image" + juce::String (s), Vst3Restore::presetImage (state));

            if (s == 1)
                save ("bank", juce::MemoryBlock (static_cast<const char*> (state.getData()) + 16, state.getSize() - 16));
        }
    }
}

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    // The plug-in keeps per-user files under XDG_CONFIG_HOME: a directory of
    // this run, never the real user's.
    if (mkdtemp (configHome.data()) == nullptr || setenv ("XDG_CONFIG_HOME", configHome.c_str(), 1) != 0)
        std::abort();

    std::atexit (removeConfigHome);
    fuzzing = new Fuzzing();

    if (const auto* seeds = std::getenv ("VANTREL_FUZZ_WRITE_SEEDS"))
    {
        writeSeeds (*fuzzing, juce::File (juce::String (juce::CharPointer_UTF8 (seeds))));
        std::exit (0);
    }

    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    if (size > (size_t) std::numeric_limits<int32_t>::max())
        return 0;

    auto& restore = *fuzzing->restore;
    const auto before = restore.seen();
    const auto [component, controller] = restore.restore (data, size);

    if ((component == Steinberg::kResultFalse) != (controller == Steinberg::kResultFalse))
    {
        std::fprintf (stderr, "component and controller disagree: %d, %d\n", (int) component, (int) controller);
        std::abort();
    }

    if (component == Steinberg::kResultFalse && ! (restore.seen() == before))
    {
        std::fprintf (stderr, "a refused state changed what the host sees\n");
        std::abort();
    }

    return 0;
}
