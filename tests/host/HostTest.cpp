#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

#include "AllocationCounter.h"
#include "PluginHost.h"
#include "Vst3Restore.h"
#include "tests/engine/ReferenceDither.h"

namespace
{
    constexpr double sampleRate = 48000.0;
    constexpr int maxBlock = 4096;

    struct Loaded
    {
        Loaded()
        {
            juce::String error;
            instance = PluginHost::load (PluginHost::bundle(), sampleRate, maxBlock, error);
            if (instance == nullptr)
                ADD_FAILURE() << error;
            else
                instance->prepareToPlay (sampleRate, maxBlock);
        }

        ~Loaded()
        {
            if (instance != nullptr)
                instance->releaseResources();
        }

        std::unique_ptr<juce::AudioPluginInstance> instance;
    };

    juce::AudioBuffer<float> noise (int numSamples, uint32_t seed, float amplitude = 1.1f)
    {
        juce::AudioBuffer<float> buffer (2, numSamples);
        std::mt19937 gen (seed);
        std::uniform_real_distribution<float> dist (-amplitude, amplitude);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < numSamples; ++i)
                buffer.setSample (c, i, dist (gen));
        return buffer;
    }

    bool sameBits (const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
    {
        if (a.getNumSamples() != b.getNumSamples())
            return false;
        for (int c = 0; c < 2; ++c)
            if (std::memcmp (a.getReadPointer (c), b.getReadPointer (c), sizeof (float) * (size_t) a.getNumSamples()) != 0)
                return false;
        return true;
    }

    // What the plain model of the requantiser gives for the same settings and
    // input. Without dither the generator plays no part, so the seed does not
    // matter.
    struct PlainModel
    {
        PlainModel (int type, int shaping, int depth) : settings { false, type, shaping, depth } {}

        void process (juce::AudioBuffer<float>& buffer)
        {
            model.process (buffer.getWritePointer (0), buffer.getWritePointer (1), buffer.getNumSamples(), settings);
        }

        ReferenceDither::Settings settings;
        ReferenceDither model { 1u };
    };

    const float ditherValues[] = { 0.0f, 0.5f, 1.0f };
    const float shapingValues[] = { 0.0f, 1.0f / 3.0f, 2.0f / 3.0f, 1.0f };
    const float depthValues[] = { 0.0f, 0.5f, 1.0f };
}

TEST (Host, ModuleExportsItsEntryPoints)
{
    juce::DynamicLibrary module;
    ASSERT_TRUE (module.open (PluginHost::bundle().getChildFile ("Contents/x86_64-linux/Vantrel_Dither.so").getFullPathName()));
    EXPECT_NE (module.getFunction ("GetPluginFactory"), nullptr);

    using EntryPoint = bool (*)();
    for (auto* name : { "InitDll", "ExitDll" })
    {
        auto entry = reinterpret_cast<EntryPoint> (module.getFunction (name));
        ASSERT_NE (entry, nullptr) << name;
        EXPECT_TRUE (entry());
    }
}

TEST (Host, SeesOneStereoMasteringEffect)
{
    auto found = PluginHost::scan (PluginHost::bundle());
    ASSERT_EQ (found.size(), 1);
    const auto& d = *found[0];
    EXPECT_EQ (d.name, "Vantrel Dither");
    EXPECT_EQ (d.manufacturerName, "Vantrel Audio Engineering");
    EXPECT_EQ (d.category, "Fx|Mastering");
    EXPECT_EQ (d.version, "1.0.1");
    EXPECT_EQ (d.pluginFormatName, "VST3");
    EXPECT_FALSE (d.isInstrument);
    EXPECT_EQ (d.numInputChannels, 2);
    EXPECT_EQ (d.numOutputChannels, 2);

    Loaded loaded;
    ASSERT_NE (loaded.instance, nullptr);
    auto& p = *loaded.instance;
    EXPECT_EQ (p.getBusCount (true), 1);
    EXPECT_EQ (p.getBusCount (false), 1);
    EXPECT_EQ (p.getChannelLayoutOfBus (true, 0), juce::AudioChannelSet::stereo());
    EXPECT_EQ (p.getChannelLayoutOfBus (false, 0), juce::AudioChannelSet::stereo());
    EXPECT_FALSE (p.acceptsMidi());
    EXPECT_FALSE (p.producesMidi());
}

// With dither off, the plug-in's output is bit for bit the engine library's,
// for every curve and word length, on blocks of every size.
TEST (Host, OutputMatchesTheEngineWithoutDither)
{
    Loaded loaded;
    ASSERT_NE (loaded.instance, nullptr);
    auto& p = *loaded.instance;
    juce::MidiBuffer midi;

    for (int shaping = 0; shaping < 4; ++shaping)
        for (int depth = 0; depth < 3; ++depth)
        {
            PluginHost::setParameter (p, 1, 0.0f);
            PluginHost::setParameter (p, 2, shapingValues[shaping]);
            PluginHost::setParameter (p, 3, depthValues[depth]);

            // Let the settings arrive and the plug-in's change timer take them
            // (it clears the shaping history, which must not happen halfway
            // through the comparison), then start from a cleared history.
            juce::AudioBuffer<float> silence (2, 1);
            silence.clear();
            p.processBlock (silence, midi);
            juce::MessageManager::getInstance()->runDispatchLoopUntil (150);
            p.releaseResources();
            p.prepareToPlay (sampleRate, maxBlock); // clears the shaping history
            PlainModel library (0, shaping, depth);

            uint32_t seed = 1;
            for (int size : { 1, 17, 512, 4096, 17, 1 })
            {
                auto buffer = noise (size, seed++);
                auto expected = buffer;
                p.processBlock (buffer, midi);
                library.process (expected);
                ASSERT_TRUE (sameBits (expected, buffer)) << "shaping " << shaping << " depth " << depth << " size " << size;
            }
        }
}

TEST (Host, DitheredOutputLiesOnTheGrid)
{
    Loaded loaded;
    ASSERT_NE (loaded.instance, nullptr);
    auto& p = *loaded.instance;
    juce::MidiBuffer midi;

    for (int type = 1; type < 3; ++type)
        for (int shaping = 0; shaping < 4; ++shaping)
            for (int depth = 1; depth < 3; ++depth)
            {
                PluginHost::setParameter (p, 1, ditherValues[type]);
                PluginHost::setParameter (p, 2, shapingValues[shaping]);
                PluginHost::setParameter (p, 3, depthValues[depth]);
                const double steps = depth == 1 ? 32768.0 : 524288.0;
                const double range = depth == 1 ? 2.0 * 255 + 1 : 2.0 * 15 + 1;

                // The first high-pass sample after a change of word length may
                // still subtract a draw of the old width: let it pass first.
                auto warmUp = noise (1, 0);
                p.processBlock (warmUp, midi);

                for (int size : { 1, 17, 512, 4096 })
                {
                    auto buffer = noise (size, (uint32_t) size, 0.9f);
                    const auto input = buffer;
                    p.processBlock (buffer, midi);

                    for (int c = 0; c < 2; ++c)
                        for (int i = 0; i < size; ++i)
                        {
                            const double v = (double) buffer.getSample (c, i) * steps;
                            ASSERT_EQ (v, std::floor (v));
                            if (shaping == 0)
                                ASSERT_LE (std::fabs ((double) buffer.getSample (c, i) - std::trunc ((double) input.getSample (c, i) * 8388608.0) / 8388608.0),
                                           range / 8388608.0);
                        }
                }
            }
}

TEST (Host, BypassIsBitTransparent)
{
    Loaded loaded;
    ASSERT_NE (loaded.instance, nullptr);
    auto& p = *loaded.instance;
    juce::MidiBuffer midi;
    PluginHost::setParameter (p, 1, 0.5f);
    PluginHost::setParameter (p, 2, 1.0f);
    PluginHost::setParameter (p, 3, 0.5f);

    // The host's own bypass: the plug-in's processBlockBypassed.
    auto buffer = noise (512, 3);
    auto input = buffer;
    p.processBlockBypassed (buffer, midi);
    EXPECT_TRUE (sameBits (input, buffer));

    // The plug-in's "Bypass" parameter.
    p.processBlock (buffer, midi);
    PluginHost::setParameter (p, 0, 1.0f);
    buffer = noise (512, 4);
    input = buffer;
    p.processBlock (buffer, midi);
    EXPECT_TRUE (sameBits (input, buffer));
}

TEST (Host, ExtremeInputNeverSpikesAndEmptyBlocksAreFine)
{
    Loaded loaded;
    ASSERT_NE (loaded.instance, nullptr);
    auto& p = *loaded.instance;
    juce::MidiBuffer midi;
    PluginHost::setParameter (p, 1, 1.0f);
    PluginHost::setParameter (p, 2, 2.0f / 3.0f);
    PluginHost::setParameter (p, 3, 0.5f);

    juce::AudioBuffer<float> empty (2, 0);
    p.processBlock (empty, midi);

    juce::AudioBuffer<float> buffer (2, 64);
    const float values[] = { INFINITY, -INFINITY, NAN, 3.0e38f, -3.0e38f, 1.0f, -1.0f, 0.0f };
    for (int i = 0; i < 64; ++i)
        for (int c = 0; c < 2; ++c)
            buffer.setSample (c, i, values[i % 8]);
    const auto input = buffer;
    p.processBlock (buffer, midi);

    for (int i = 0; i < 64; ++i)
    {
        const float in = input.getSample (0, i), out = buffer.getSample (0, i);
        ASSERT_FALSE (std::isnan (out));
        if (std::isnan (in))
            ASSERT_EQ (out, 0.0f);
        else
            ASSERT_LE (std::fabs (out), std::fabs (in) + 0.01f);
    }
}

// The whole audio path, the framework's VST3 wrapper included, allocates
// nothing while it processes, in any mode and with automation.
TEST (Host, ProcessingAllocatesNothing)
{
    if (! AllocationCounter::isAvailable())
        GTEST_SKIP() << "allocations are not counted in sanitizer builds";

    Loaded loaded;
    ASSERT_NE (loaded.instance, nullptr);
    auto& p = *loaded.instance;
    juce::MidiBuffer midi;
    auto buffer = noise (512, 8, 0.5f);

    // The host side grows its own buffers on the first call.
    p.processBlock (buffer, midi);

    uint64_t allocations = 0;
    int blocks = 0;
    for (int bypass = 0; bypass < 2; ++bypass)
        for (int type = 0; type < 3; ++type)
            for (int shaping = 0; shaping < 4; ++shaping)
                for (int depth = 0; depth < 3; ++depth)
                    for (int i = 0; i < 60; ++i)
                    {
                        PluginHost::setParameter (p, 0, (float) bypass);
                        PluginHost::setParameter (p, 1, ditherValues[type]);
                        PluginHost::setParameter (p, 2, shapingValues[shaping]);
                        PluginHost::setParameter (p, 3, depthValues[depth]);
                        PluginHost::setParameter (p, 4, (float) (i & 1));

                        AllocationCounter::begin();
                        if (i % 7 == 6)
                            p.processBlockBypassed (buffer, midi);
                        else
                            p.processBlock (buffer, midi);
                        allocations += AllocationCounter::end();
                        ++blocks;
                    }

    EXPECT_GT (blocks, 4000);
    EXPECT_EQ (allocations, 0u);
}

TEST (Host, SeesTheFiveParameters)
{
    Loaded loaded;
    ASSERT_NE (loaded.instance, nullptr);
    auto& params = loaded.instance->getParameters();
    ASSERT_GE (params.size(), 5);

    const char* names[] = { "Bypass", "Dither Type", "Noiseshaping Type", "Bitdepth", "AB" };
    for (int i = 0; i < 5; ++i)
    {
        auto* p = dynamic_cast<juce::HostedAudioProcessorParameter*> (params[i]);
        ASSERT_NE (p, nullptr);
        EXPECT_EQ (p->getParameterID(), juce::String (i));
        EXPECT_EQ (p->getName (64), names[i]);
        EXPECT_EQ (p->getValue(), 0.0f);
        EXPECT_EQ (p->getDefaultValue(), 0.0f);
    }

    // The framework's wrapper adds its own bypass after ours; nothing else.
    EXPECT_LE (params.size(), 6);

    struct Text { int index; float value; const char* text; };
    const Text texts[] = { { 2, 0.0f, "0.00" }, { 2, 1.0f / 3.0f, "0.33" }, { 1, 0.5f, "0.50" },
                           { 2, 2.0f / 3.0f, "0.67" }, { 3, 1.0f, "1.00" } };
    // The index-based interface has texts for the current value only, so the
    // host reads each text once the value has reached the plug-in.
    juce::MidiBuffer midi;
    for (const auto& t : texts)
    {
        PluginHost::setParameter (*loaded.instance, t.index, t.value);
        juce::AudioBuffer<float> one (2, 1);
        one.clear();
        loaded.instance->processBlock (one, midi);
        EXPECT_EQ (params[t.index]->getCurrentValueAsText(), t.text);
    }
}

// Automation of all five parameters before one block takes effect in that
// block, as the engine with the same settings shows.
TEST (Host, AutomationTakesEffectFromTheNextBlock)
{
    Loaded loaded;
    ASSERT_NE (loaded.instance, nullptr);
    auto& p = *loaded.instance;
    juce::MidiBuffer midi;

    auto before = noise (256, 1);
    auto unchanged = before;
    p.processBlock (before, midi);
    PlainModel plain (0, 0, 0);
    plain.process (unchanged);
    EXPECT_TRUE (sameBits (unchanged, before));

    PluginHost::setParameter (p, 0, 0.0f);
    PluginHost::setParameter (p, 1, 0.0f);
    PluginHost::setParameter (p, 2, 1.0f);
    PluginHost::setParameter (p, 3, 1.0f);
    PluginHost::setParameter (p, 4, 1.0f);

    // A silent sample carries the automation in; the change timer's clearing
    // of the (still empty) history then has nothing to disturb.
    juce::AudioBuffer<float> silence (2, 1);
    silence.clear();
    p.processBlock (silence, midi);
    EXPECT_EQ (silence.getSample (0, 0), 0.0f);
    juce::MessageManager::getInstance()->runDispatchLoopUntil (150);

    auto after = noise (256, 2);
    auto expected = after;
    p.processBlock (after, midi);
    PlainModel shaped (0, 3, 2);
    shaped.process (expected);
    EXPECT_TRUE (sameBits (expected, after));
    EXPECT_EQ (p.getParameters()[4]->getValue(), 1.0f);

    PluginHost::setParameter (p, 0, 1.0f);
    auto bypassed = noise (256, 3);
    const auto input = bypassed;
    p.processBlock (bypassed, midi);
    EXPECT_TRUE (sameBits (input, bypassed));
}

namespace
{
    // The component state (IComponent::getState) inside the host's own state.
    juce::MemoryBlock componentState (juce::AudioPluginInstance& p)
    {
        juce::MemoryBlock hostState;
        p.getStateInformation (hostState);
        auto xml = juce::AudioProcessor::getXmlFromBinary (hostState.getData(), (int) hostState.getSize());
        juce::MemoryBlock component;
        if (xml != nullptr)
            if (auto* e = xml->getChildByName ("IComponent"))
                component.fromBase64Encoding (e->getAllSubText());
        return component;
    }

    uint32_t bigEndian (const juce::MemoryBlock& b, size_t offset)
    {
        return juce::ByteOrder::bigEndianInt (static_cast<const char*> (b.getData()) + offset);
    }

    // What a plug-in reports to its host: edits (with or without a gesture)
    // and display or state updates. The framework's hosting also re-reads every
    // parameter after a component restore and notifies listeners of each value
    // (its own resynchronisation, once per parameter); edits reported by the
    // plug-in would come on top of that.
    struct ReportCounter : juce::AudioProcessorParameter::Listener, juce::AudioProcessorListener
    {
        void parameterValueChanged (int, float) override   { ++valueNotifications; }
        void parameterGestureChanged (int, bool) override  { ++gestures; }
        void audioProcessorParameterChanged (juce::AudioProcessor*, int, float) override {}
        void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails& d) override
        {
            if (d.latencyChanged || d.nonParameterStateChanged)
                ++updates;
            else
                ++valueRefreshes;
        }
        int valueNotifications = 0, gestures = 0, updates = 0, valueRefreshes = 0;
    };
}

TEST (Host, ComponentStateCarriesTheChunkBehindTheBankHeaders)
{
    Loaded a;
    ASSERT_NE (a.instance, nullptr);
    juce::MidiBuffer midi;
    const float values[] = { 0.0f, 0.0f, 2.0f / 3.0f, 1.0f, 1.0f };
    for (int i = 0; i < 5; ++i)
        PluginHost::setParameter (*a.instance, i, values[i]);
    auto block = noise (16, 1);
    a.instance->processBlock (block, midi);

    const auto state = componentState (*a.instance);
    ASSERT_GT (state.getSize(), 176u + 9u);

    // "VstW", header size 8, version 1, bypass 0.
    EXPECT_EQ (bigEndian (state, 0), juce::ByteOrder::bigEndianInt ("VstW"));
    EXPECT_EQ (bigEndian (state, 4), 8u);
    EXPECT_EQ (bigEndian (state, 8), 1u);
    EXPECT_EQ (bigEndian (state, 12), 0u);

    // The bank header in its opaque-chunk form. What it holds is the chunk and
    // then the framework's own private data (the state of its bypass), which
    // the framework takes off again before it hands the chunk back.
    const auto content = state.getSize() - 176;
    const auto* chunk = static_cast<const char*> (state.getData()) + 176;
    const size_t chunkSize = juce::ByteOrder::littleEndianInt (chunk + 4) + 9;
    ASSERT_LE (chunkSize, content);
    ASSERT_GE (content - chunkSize, 15u);
    EXPECT_EQ (std::memcmp (chunk + content - 15, "JUCEPrivateData", 15), 0);
    EXPECT_EQ (bigEndian (state, 16), juce::ByteOrder::bigEndianInt ("CcnK"));
    EXPECT_EQ (bigEndian (state, 20), (uint32_t) (content + 152));
    EXPECT_EQ (bigEndian (state, 24), juce::ByteOrder::bigEndianInt ("FBCh"));
    EXPECT_EQ (bigEndian (state, 28), 2u);
    EXPECT_EQ (bigEndian (state, 32), juce::ByteOrder::bigEndianInt ("QWVB"));
    EXPECT_EQ (bigEndian (state, 36), 0x1000Au);
    for (size_t offset = 40; offset < 172; offset += 4)
        ASSERT_EQ (bigEndian (state, offset), 0u) << offset;
    EXPECT_EQ (bigEndian (state, 172), (uint32_t) content);

    // The processor's own chunk at offset 176.
    EXPECT_EQ (juce::String (chunk, 4), "VC2!");
    const juce::String text (chunk + 8, chunkSize - 9);
    EXPECT_TRUE (text.startsWith ("<1364678210 fxBypass=\"0\" fxDitherType=\"0\" fxNoiseShaping=\"2\" fxBitDepth=\"2\" fxEnaAB=\"1\" A_Buf0="));
    EXPECT_TRUE (text.endsWith ("/>"));
    EXPECT_EQ (chunk[chunkSize - 1], 0);
}

TEST (Host, RestoringTheStateInAnotherInstance)
{
    Loaded a, b;
    ASSERT_NE (a.instance, nullptr);
    ASSERT_NE (b.instance, nullptr);
    juce::MidiBuffer midi;
    const float values[] = { 0.0f, 0.0f, 1.0f / 3.0f, 0.5f, 1.0f };
    for (int i = 0; i < 5; ++i)
        PluginHost::setParameter (*a.instance, i, values[i]);
    auto warm = noise (8, 1);
    a.instance->processBlock (warm, midi);

    juce::MemoryBlock hostState;
    a.instance->getStateInformation (hostState);

    ReportCounter counter;
    b.instance->addListener (&counter);
    for (auto* p : b.instance->getParameters())
        p->addListener (&counter);
    b.instance->setStateInformation (hostState.getData(), (int) hostState.getSize());
    juce::MessageManager::getInstance()->runDispatchLoopUntil (100);
    for (auto* p : b.instance->getParameters())
        p->removeListener (&counter);
    b.instance->removeListener (&counter);
    EXPECT_EQ (counter.gestures, 0);
    EXPECT_EQ (counter.updates, 0);
    // The framework's VST3 wrapper asks the host once to re-read all values
    // after it copied them into its controller; nothing else comes.
    EXPECT_LE (counter.valueRefreshes, 1);
    EXPECT_EQ (counter.valueNotifications % b.instance->getParameters().size(), 0);

    for (int i = 0; i < 5; ++i)
        EXPECT_EQ (b.instance->getParameters()[i]->getValue(), values[i]) << "parameter " << i;

    // Same settings, same audio (no dither, so no generator involved), once
    // both have cleared their shaping history.
    for (auto* p : { a.instance.get(), b.instance.get() })
    {
        p->releaseResources();
        p->prepareToPlay (sampleRate, maxBlock);
    }
    auto x = noise (512, 5), y = x;
    a.instance->processBlock (x, midi);
    b.instance->processBlock (y, midi);
    EXPECT_TRUE (sameBits (x, y));
    EXPECT_EQ (componentState (*a.instance), componentState (*b.instance));
}

namespace
{
    using namespace Steinberg;

    juce::MemoryBlock withBigEndian (juce::MemoryBlock b, size_t offset, uint32_t value)
    {
        for (size_t i = 0; i < 4; ++i)
            b[offset + i] = (char) (value >> (24 - 8 * i));
        return b;
    }

    juce::MemoryBlock withLittleEndian (juce::MemoryBlock b, size_t offset, uint64_t value, size_t numBytes)
    {
        for (size_t i = 0; i < numBytes; ++i)
            b[offset + i] = (char) (value >> (8 * i));
        return b;
    }

}

// Damaged component states restored as a host restores a project: nothing
// crashes, neither the component nor the controller takes any of them, the
// host sees the same state and values as before, and a sound state still
// restores exactly afterwards.
TEST (Host, DamagedComponentStatesChangeNothing)
{
    Loaded source, receiver;
    ASSERT_NE (source.instance, nullptr);
    ASSERT_NE (receiver.instance, nullptr);
    juce::MidiBuffer midi;
    const float values[] = { 1.0f, 0.5f, 2.0f / 3.0f, 1.0f, 1.0f };
    for (int i = 0; i < 5; ++i)
        PluginHost::setParameter (*source.instance, i, values[i]);
    auto warm = noise (8, 1);
    source.instance->processBlock (warm, midi);

    Vst3Restore host (*receiver.instance);
    ASSERT_TRUE (host.isReady());
    const auto good = componentState (*source.instance);
    const auto size = good.getSize();
    const auto content = size - 176;   // the chunk and the framework's private data
    const auto image = Vst3Restore::presetImage (good);
    const auto listOffset = 48 + size;
    ASSERT_GT (content, 40u);

    struct Case { std::string name; juce::MemoryBlock state; tresult expected = kResultFalse; };
    std::vector<Case> cases;

    // Cut short anywhere. Fewer than four bytes hold no framing: the bytes go
    // to the processor as they stand, and it finds no chunk in them.
    for (size_t cut = 0; cut < size; ++cut)
        cases.push_back ({ "cut to " + std::to_string (cut), juce::MemoryBlock (good.getData(), cut),
                           cut > 0 && cut < 4 ? kResultTrue : kResultFalse });

    auto wrongMagic = [&] (size_t offset) { auto b = good; b[offset] ^= 0x20; return b; };
    cases.push_back ({ "VstW magic", wrongMagic (0), kResultTrue });   // not a framing: no chunk either
    cases.push_back ({ "CcnK magic", wrongMagic (16) });
    cases.push_back ({ "FBCh magic", wrongMagic (24) });
    cases.push_back ({ "chunk magic", wrongMagic (176), kResultTrue });   // framed fine, no chunk inside

    for (const uint32_t length : { 0u, 4u, 7u, 9u, 0xffffffffu, 0xfffffff8u, 0x80000000u, (uint32_t) size - 7, 0x7ffffff0u })
        cases.push_back ({ "VstW header length " + std::to_string ((int32_t) length), withBigEndian (good, 4, length) });

    for (const uint32_t chunkSize : { (uint32_t) content + 1, 0xffffffffu, 0x7fffffffu })
        cases.push_back ({ "chunk size " + std::to_string ((int32_t) chunkSize), withBigEndian (good, 172, chunkSize) });

    // The size of the framework's private data, just before "JUCEPrivateData".
    const auto privateSizeAt = size - 15 - 8;
    const auto privateSize = (uint64_t) juce::ByteOrder::littleEndianInt64 (static_cast<const char*> (good.getData()) + privateSizeAt);
    for (const uint64_t s : { privateSize + 1, privateSize - 1, (uint64_t) content, ~(uint64_t) 0, (uint64_t) 1 << 63 })
        cases.push_back ({ "private data size " + std::to_string (s), withLittleEndian (good, privateSizeAt, s, 8) });

    // Plug-in data of 22 to 31 bytes that ends in "JUCEPrivateData", the 8
    // bytes in front of it 0 or all ones. The trailer's size needs 23 bytes,
    // the whole trailer (zero field, size, id) 31: 22 bytes are no trailer and
    // go to the processor as they stand, 23 to 30 are too few for one, and 31
    // hold an empty one.
    for (size_t n = 22; n <= 31; ++n)
        for (const char fill : { '\0', '\xff' })
        {
            std::string bytes (n - 15, '\0');
            std::fill (bytes.end() - (std::ptrdiff_t) std::min<size_t> (8, n - 15), bytes.end(), fill);
            bytes += "JUCEPrivateData";
            cases.push_back ({ std::to_string (n) + " bytes with a trailer's end, filled with " + std::to_string ((int) (uint8_t) fill),
                               juce::MemoryBlock (bytes.data(), bytes.size()),
                               n == 22 || (n == 31 && fill == 0) ? kResultTrue : kResultFalse });
        }

    // Private data whose value tree announces 2^31 - 1 children, or -2^31.
    for (const char* children : { "\x04\xff\xff\xff\x7f", "\x84\x00\x00\x00\x80" })
    {
        juce::MemoryOutputStream out;
        out.write (static_cast<const char*> (good.getData()) + 176, content - 15 - 8 - (size_t) privateSize);
        const auto start = out.getDataSize();
        out.write ("JUCEPrivateData\0\0", 17);
        out.write (children, 5);
        out.writeInt64 ((juce::int64) (out.getDataSize() - start));
        out.write ("JUCEPrivateData", 15);
        auto state = withBigEndian (withBigEndian (good, 20, (uint32_t) out.getDataSize() + 152), 172, (uint32_t) out.getDataSize());
        state.setSize (176);
        state.append (out.getData(), out.getDataSize());
        cases.push_back ({ "private data with children " + juce::String::toHexString (children, 5).toStdString(), state });
    }

    cases.push_back ({ "image cut to 47", juce::MemoryBlock (image.getData(), 47) });
    cases.push_back ({ "image cut before its entry", juce::MemoryBlock (image.getData(), image.getSize() - 1) });
    for (const uint64_t offset : { (uint64_t) image.getSize() - 7, (uint64_t) image.getSize(), ~(uint64_t) 0, listOffset + ((uint64_t) 1 << 32), (uint64_t) 47 })
        cases.push_back ({ "list offset " + std::to_string (offset), withLittleEndian (image, 40, offset, 8) });
    for (const uint32_t count : { 2u, 0xffffffffu, 0x7fffffffu, 0u })
        cases.push_back ({ "entry count " + std::to_string ((int32_t) count), withLittleEndian (image, listOffset + 4, count, 4) });
    const auto entry = listOffset + 8;
    for (const uint64_t offset : { (uint64_t) 49, (uint64_t) 47, (uint64_t) image.getSize(), ~(uint64_t) 0 - 10, (uint64_t) 1 << 63 })
        cases.push_back ({ "Comp offset " + std::to_string (offset), withLittleEndian (image, entry + 4, offset, 8) });
    for (const uint64_t compSize : { (uint64_t) image.getSize() - 47, (uint64_t) size - 1, (uint64_t) 0, ~(uint64_t) 0 })
        cases.push_back ({ "Comp size " + std::to_string (compSize), withLittleEndian (image, entry + 12, compSize, 8) });

    const auto before = host.seen();

    // Through either kind of stream: the framework reads one that tells its
    // size by that size, another way than a plain one.
    for (const auto stream : { Vst3Restore::Stream::plain, Vst3Restore::Stream::sizeable })
    {
        const std::string through = stream == Vst3Restore::Stream::plain ? "" : ", sizeable stream";

        for (const auto& c : cases)
        {
            const auto [component, controller] = host.restore (c.state, stream);
            EXPECT_EQ (component, c.expected) << c.name << through;
            EXPECT_EQ (controller, c.expected == kResultFalse ? kResultFalse : kNotImplemented) << c.name << through;
            ASSERT_TRUE (host.seen() == before) << c.name << through;
        }
    }

    // The sound state and its preset image still restore exactly, through
    // any stream, one that reaches the controller at its end too. So do an
    // image whose list lies past 4096 bytes behind its bank (more than one
    // read of the controller takes) and a bank whose byte-size field is off:
    // nothing reads it (the framework never did, and its own VST 2 hosting
    // writes 0 there). The chunk's size alone places the chunk: one byte short of the
    // bank, it leaves the last byte of "JUCEPrivateData" out, so the processor
    // gets its chunk with the private data behind it, which it does not read.
    std::vector<std::pair<std::string, juce::MemoryBlock>> sound { { "the sound state", good }, { "its preset image", image } };
    for (const uint32_t bankSize : { (uint32_t) content + 151, (uint32_t) content + 153, (uint32_t) content + 160, 0u, 0xffffffffu })
        sound.push_back ({ "bank size " + std::to_string ((int32_t) bankSize), withBigEndian (good, 20, bankSize) });
    sound.push_back ({ "chunk size one short", withBigEndian (good, 172, (uint32_t) content - 1) });
    auto padded = good;
    padded.setSize (size + 4096, true);
    sound.push_back ({ "an image with 4096 bytes behind the bank", Vst3Restore::presetImage (padded) });

    for (const auto stream : { Vst3Restore::Stream::plain, Vst3Restore::Stream::sizeable, Vst3Restore::Stream::atEnd })
        for (const auto& [name, state] : sound)
        {
            const char* const through[] = { "", ", sizeable stream", ", stream at its end" };
            const auto row = name + through[(int) stream];
            ASSERT_NE (host.restore (before.state).first, kResultFalse);
            ASSERT_TRUE (host.seen() == before) << row;
            const auto [component, controller] = host.restore (state, stream);
            EXPECT_EQ (component, kResultTrue) << row;
            EXPECT_EQ (controller, kNotImplemented) << row;   // the framework's controller reads nothing of it
            const auto after = host.seen();
            EXPECT_TRUE (after.state == good) << row;
            for (int i = 0; i < 5; ++i)
                EXPECT_EQ (after.values[(size_t) i], values[i]) << row << ", parameter " << i;
        }
}
