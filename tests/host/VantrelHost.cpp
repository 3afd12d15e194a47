// A small command-line host: loads the plug-in bundle through the framework's
// VST3 hosting, prints what a host sees, plays a test signal through it and
// prints what came out.
//
//   vantrel_host [path/to/Vantrel_Dither.vst3]
#include "PluginHost.h"

#include <chrono>
#include <cmath>
#include <iostream>

int main (int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI juce;

    const auto bundle = argc > 1 ? juce::File::getCurrentWorkingDirectory().getChildFile (argv[1])
                                 : PluginHost::bundle();
    std::cout << "Bundle: " << bundle.getFullPathName() << "\n";

    auto found = PluginHost::scan (bundle);
    if (found.isEmpty())
    {
        std::cout << "No plug-in found.\n";
        return 1;
    }

    for (auto* d : found)
        std::cout << "Class: \"" << d->name << "\" by \"" << d->manufacturerName << "\", category "
                  << d->category << ", version " << d->version << ", " << d->numInputChannels
                  << " in / " << d->numOutputChannels << " out\n";

    constexpr double sampleRate = 48000.0;
    constexpr int blockSize = 512;
    juce::String error;
    auto plugin = PluginHost::load (bundle, sampleRate, blockSize, error);
    if (plugin == nullptr)
    {
        std::cout << "Could not load: " << error << "\n";
        return 1;
    }

    std::cout << "Buses: " << plugin->getBusCount (true) << " in ("
              << plugin->getChannelLayoutOfBus (true, 0).getDescription() << "), "
              << plugin->getBusCount (false) << " out ("
              << plugin->getChannelLayoutOfBus (false, 0).getDescription() << ")\n";

    auto& parameters = plugin->getParameters();
    for (auto* p : parameters)
        std::cout << "Parameter " << p->getParameterIndex() << ": \"" << p->getName (64) << "\" = "
                  << p->getCurrentValueAsText() << "\n";

    // 16 bit, TPDF, "Curve 2".
    parameters[1]->setValue (0.5f);
    parameters[2]->setValue (2.0f / 3.0f);
    parameters[3]->setValue (0.5f);
    plugin->prepareToPlay (sampleRate, blockSize);

    const int seconds = 10;
    const int totalBlocks = (int) (sampleRate * seconds) / blockSize;
    juce::AudioBuffer<float> buffer (2, blockSize);
    juce::MidiBuffer midi;
    double phase = 0.0, errorPower = 0.0, peak = 0.0;
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
                peak = std::max (peak, std::fabs (out));
                offGrid += (out * 32768.0 != std::floor (out * 32768.0)) ? 1 : 0;
                ++samples;
            }
    }

    std::cout << "Processed " << seconds << " s of a 997 Hz sine at -20 dBFS with 16 bit, TPDF, Curve 2:\n"
              << "  peak out " << juce::String (20.0 * std::log10 (peak), 2) << " dBFS\n"
              << "  error (out - in) " << juce::String (10.0 * std::log10 (errorPower / (double) samples), 2) << " dBFS RMS\n"
              << "  samples off the 16-bit grid: " << offGrid << " of " << samples << "\n"
              << "  speed: " << juce::String ((double) seconds / processSeconds, 0) << " x real time\n";

    plugin->releaseResources();
    return offGrid == 0 ? 0 : 2;
}
