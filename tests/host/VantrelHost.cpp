// A small command-line host: loads the plug-in bundle through the framework's
// VST3 hosting, prints what a host sees, plays a test signal through it and
// prints what came out. `vantrel_host --help` says how to call it.
#include "PluginHost.h"

#include <chrono>
#include <cmath>
#include <cstring>
#include <dlfcn.h>
#include <iostream>
#include <sys/utsname.h>

namespace
{
    const char* const usage =
        "Usage: vantrel_host [BUNDLE]\n"
        "       vantrel_host --help\n"
        "\n"
        "Loads the Vantrel Dither VST3 plug-in as a host does, lists what a host sees\n"
        "(its class, buses and parameters), plays 10 s of a 997 Hz sine at -20 dBFS\n"
        "through it with 16 bit, TPDF dither and noise-shaping curve 2, and reports\n"
        "what came out.\n"
        "\n"
        "BUNDLE is the plug-in's folder, for example ~/.vst3/Vantrel_Dither.vst3.\n"
        "Without it, the folder named by $VANTREL_VST3_BUNDLE, else the one that\n"
        "this build made.\n"
        "\n"
        "Exit status: 0 when every output sample lies on the 16-bit grid, 1 when the\n"
        "bundle cannot be used, 2 on a usage error, 3 when the output is wrong.\n";

    const char* const ourName = "Vantrel Dither";
    const char* const ourMaker = "Vantrel Audio Engineering";

    int fail (const juce::File& bundle, const juce::String& reason)
    {
        std::cerr << "vantrel_host: " << bundle.getFullPathName() << ": " << reason << "\n";
        return 1;
    }

    // The module of a bundle, where the framework's VST3 hosting looks for it.
    juce::File moduleOf (const juce::File& bundle)
    {
        utsname machine {};
        uname (&machine);
        return bundle.getChildFile ("Contents")
                     .getChildFile (juce::String (machine.machine) + "-linux")
                     .getChildFile (bundle.getFileNameWithoutExtension() + ".so");
    }

    // Why the bundle cannot hold a VST3 plug-in, or nothing. The framework's
    // scan only says that it found nothing, so the host looks first.
    juce::String bundleProblem (const juce::File& bundle)
    {
        if (! bundle.exists())
            return "no such file or directory";

        if (! bundle.isDirectory() || ! bundle.hasFileExtension (".vst3"))
            return "not a VST3 bundle (a VST3 plug-in on Linux is a folder NAME.vst3 "
                   "that holds Contents/<architecture>-linux/NAME.so)";

        const auto module = moduleOf (bundle);

        if (! module.existsAsFile())
            return "no loadable module: " + module.getFullPathName() + " does not exist";

        // The handle stays open: the framework's own load then finds the
        // module already in the process.
        auto* handle = dlopen (module.getFullPathName().toRawUTF8(), RTLD_NOW | RTLD_LOCAL);

        if (handle == nullptr)
            return "no loadable module: " + juce::String (dlerror());

        if (dlsym (handle, "GetPluginFactory") == nullptr)
            return "no loadable module: " + module.getFullPathName()
                 + " is not a VST3 module (it exports no GetPluginFactory)";

        return {};
    }

    // What the editor shows for a parameter value; the host's own text of the
    // value is the plug-in's number.
    juce::String meaning (int index, float v)
    {
        const auto step = [v] (int steps) { return (int) (v * (float) steps + 0.5f); };
        const auto pick = [] (int i, juce::StringArray texts) { return juce::isPositiveAndBelow (i, texts.size()) ? texts[i] : juce::String ("?"); };

        switch (index)
        {
            case 0:  return v > 0.5f ? "On" : "Off";
            case 1:  return pick (step (2), { "Off", "TPDF", "HP TPDF" });
            case 2:  return pick (step (3), { "Off", "Curve 1", "Curve 2", "Curve 3" });
            case 3:  return pick (step (2), { "Off", "16 bit", "20 bit" });
            case 4:  return v > 0.5f ? "Set B" : "Set A";
            default: return {};
        }
    }

    void listParameters (juce::AudioPluginInstance& plugin)
    {
        std::cout << "Parameters, as a host lists them:\n"
                  << "  id  name               value  host shows  meaning\n";

        for (auto* p : plugin.getParameters())
        {
            const auto index = p->getParameterIndex();
            std::cout << "  " << juce::String (index).paddedRight (' ', 4) << p->getName (64).paddedRight (' ', 19)
                      << juce::String (p->getValue(), 2).paddedRight (' ', 7)
                      << p->getCurrentValueAsText().paddedRight (' ', 12);

            if (p == plugin.getBypassParameter())
                std::cout << "the host's own bypass switch, not one of the plug-in's five parameters: the plug-in "
                             "framework adds it because VST3 hosts expect one\n";
            else
                std::cout << meaning (index, p->getValue()) << "\n";
        }
    }
}

int main (int argc, char** argv)
{
    juce::File bundle;
    bool bundleGiven = false;

    for (int i = 1; i < argc; ++i)
    {
        const juce::String arg (argv[i]);

        if (arg == "--help" || arg == "-h")
        {
            std::cout << usage;
            return 0;
        }

        if (arg.startsWithChar ('-'))
        {
            std::cerr << "vantrel_host: unknown option " << arg << "\n\n" << usage;
            return 2;
        }

        if (bundleGiven)
        {
            std::cerr << "vantrel_host: one bundle at most, but " << arg << " follows " << argv[i - 1] << "\n\n" << usage;
            return 2;
        }

        bundle = juce::File::getCurrentWorkingDirectory().getChildFile (arg);
        bundleGiven = true;
    }

    if (! bundleGiven)
        bundle = PluginHost::bundle();

    if (const auto problem = bundleProblem (bundle); problem.isNotEmpty())
        return fail (bundle, problem);

    juce::ScopedJuceInitialiser_GUI juce;

    std::cout << "Bundle: " << bundle.getFullPathName() << "\n";

    auto found = PluginHost::scan (bundle);
    const juce::PluginDescription* ours = nullptr;
    juce::StringArray others;

    for (auto* d : found)
    {
        if (d->name == ourName && d->manufacturerName == ourMaker)
            ours = d;
        else
            others.add ("\"" + d->name + "\" by \"" + d->manufacturerName + "\"");
    }

    if (ours == nullptr)
        return fail (bundle, "no " + juce::String (ourName) + " plug-in in it ("
                                 + (others.isEmpty() ? juce::String ("its factory lists no plug-in")
                                                     : "it holds " + others.joinIntoString (", ")) + ")");

    std::cout << "Plug-in: \"" << ours->name << "\" by \"" << ours->manufacturerName << "\", category "
              << ours->category << ", version " << ours->version << ", " << ours->numInputChannels
              << " channels in, " << ours->numOutputChannels << " out\n";

    constexpr double sampleRate = 48000.0;
    constexpr int blockSize = 512;
    juce::String error;
    juce::VST3PluginFormat format;
    auto plugin = format.createInstanceFromDescription (*ours, sampleRate, blockSize, error);

    if (plugin == nullptr)
        return fail (bundle, "the plug-in could not be created: " + error);

    std::cout << "Buses: " << plugin->getBusCount (true) << " input ("
              << plugin->getChannelLayoutOfBus (true, 0).getDescription() << "), "
              << plugin->getBusCount (false) << " output ("
              << plugin->getChannelLayoutOfBus (false, 0).getDescription() << ")\n";

    listParameters (*plugin);

    // 16 bit, TPDF, "Curve 2".
    auto& parameters = plugin->getParameters();
    parameters[1]->setValue (0.5f);
    parameters[2]->setValue (2.0f / 3.0f);
    parameters[3]->setValue (0.5f);
    plugin->prepareToPlay (sampleRate, blockSize);

    const int seconds = 10;
    const int totalBlocks = (int) (sampleRate * seconds) / blockSize;
    juce::AudioBuffer<float> buffer (2, blockSize);
    juce::MidiBuffer midi;
    double phase = 0.0, errorPower = 0.0, peakIn = 0.0, peakOut = 0.0;
    const double amplitude = std::pow (10.0, -20.0 / 20.0), step = 2.0 * M_PI * 997.0 / sampleRate;
    long offGrid = 0, samples = 0;
    double processSeconds = 0.0;

    for (int b = 0; b < totalBlocks; ++b)
    {
        juce::AudioBuffer<float> input (2, blockSize);
        for (int i = 0; i < blockSize; ++i, phase += step)
            for (int c = 0; c < 2; ++c)
                input.setSample (c, i, (float) (amplitude * std::sin (phase)));
        buffer.makeCopyOf (input);

        const auto start = std::chrono::steady_clock::now();
        plugin->processBlock (buffer, midi);
        processSeconds += std::chrono::duration<double> (std::chrono::steady_clock::now() - start).count();

        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < blockSize; ++i)
            {
                const double out = buffer.getSample (c, i), in = input.getSample (c, i);
                errorPower += (out - in) * (out - in);
                peakIn = std::max (peakIn, std::fabs (in));
                peakOut = std::max (peakOut, std::fabs (out));
                offGrid += (out * 32768.0 != std::floor (out * 32768.0)) ? 1 : 0;
                ++samples;
            }
    }

    const auto dB = [] (double v, int decimals) { return juce::String (v, decimals) + " dBFS"; };
    const auto settingText = [&] (int i) { return parameters[i]->getName (64) + " = " + meaning (i, parameters[i]->getValue()); };

    std::cout << "Played " << seconds << " s of a 997 Hz sine at -20 dBFS (" << sampleRate << " Hz, blocks of "
              << blockSize << " samples) with " << settingText (1) << ", " << settingText (2) << ", "
              << settingText (3) << ":\n"
              << "  Output peak level:                       " << dB (20.0 * std::log10 (peakOut), 2)
              << " (input " << dB (20.0 * std::log10 (peakIn), 2) << ")\n"
              << "  Added noise and error (output - input):  " << dB (10.0 * std::log10 (errorPower / (double) samples), 1)
              << " RMS\n"
              << "  Output samples not on the 16-bit grid:   " << offGrid << " of " << samples << "\n"
              << "  Processing speed:                        " << juce::roundToInt ((double) seconds / processSeconds)
              << " times real time\n";

    plugin->releaseResources();

    if (offGrid != 0)
    {
        std::cout << "Result: FAILED: some output samples are not 16-bit values.\n";
        return 3;
    }

    std::cout << "Result: passed: every output sample is a 16-bit value.\n";
    return 0;
}
