#include <gtest/gtest.h>

#include "StateTestSupport.h"
#include "processor/JucePlugin.h"

#include <array>
#include <cmath>
#include <limits>

namespace
{
    // The thirteen values of the state element, in attribute order.
    using Values = std::array<double, 13>;

    Values valuesOf (const JucePlugin& p)
    {
        Values v { (double) p.bypass.load(), (double) p.ditherType.load(), (double) p.noiseShaping.load(),
                   (double) p.bitDepth.load(), (double) p.enaAB.load() };

        for (int i = 0; i < 4; ++i)
        {
            v[(size_t) (5 + 2 * i)] = p.aBuf[i].load();
            v[(size_t) (6 + 2 * i)] = p.bBuf[i].load();
        }

        return v;
    }

    void setValues (JucePlugin& p, const Values& v, float entry4 = 0.0f)
    {
        p.bypass = v[0] != 0;
        p.ditherType = (int) v[1];
        p.noiseShaping = (int) v[2];
        p.bitDepth = (int) v[3];
        p.enaAB = v[4] != 0;

        for (int i = 0; i < 4; ++i)
        {
            p.aBuf[i] = (float) v[(size_t) (5 + 2 * i)];
            p.bBuf[i] = (float) v[(size_t) (6 + 2 * i)];
        }

        p.aBuf[4] = entry4;
        p.bBuf[4] = -entry4;
    }

    // Brings both markers to 2 (parameter 2 changed, value kept).
    void markersToTwo (JucePlugin& p)
    {
        p.clearDspChanged();
        p.getUiChangedParam();
        p.acknowledgeUiChange();
        p.setParameter (2, p.getParameter (2));
        ASSERT_EQ (p.getDspChangedParam(), 2);
        ASSERT_EQ (p.getUiChangedParam(), 2);
    }

    void restore (JucePlugin& p, const juce::MemoryBlock& chunk)
    {
        p.setStateInformation (chunk.getData(), (int) chunk.getSize());
    }

    const Values saved    { 1, 2, 3, 1, 1, 1.0f / 3, 0.25f, 2.0f / 3, 1, 0.00001f, -2, 0.5f, 7 };
    const Values receiver { 0, 0, 0, 0, 0, 0.75f, 0.75f, 0.75f, 0.75f, 0.75f, 0.75f, 0.75f, 0.75f };

    juce::MemoryBlock savedChunk()
    {
        JucePlugin p;
        setValues (p, saved, 0.125f);
        juce::MemoryBlock chunk;
        p.getStateInformation (chunk);
        return chunk;
    }
}

TEST (HostState, ZeroStateIs186Bytes)
{
    JucePlugin p;
    setValues (p, {});
    juce::MemoryBlock chunk;
    p.getStateInformation (chunk);

    EXPECT_TRUE (chunk == chunkOf ("<1364678210 fxBypass=\"0\" fxDitherType=\"0\" fxNoiseShaping=\"0\" fxBitDepth=\"0\""
                                   " fxEnaAB=\"0\" A_Buf0=\"0\" B_Buf0=\"0\" A_Buf1=\"0\" B_Buf1=\"0\" A_Buf2=\"0\""
                                   " B_Buf2=\"0\" A_Buf3=\"0\" B_Buf3=\"0\"/>"));
    ASSERT_EQ (chunk.getSize(), 186u);
    EXPECT_EQ (juce::String::toHexString (chunk.getData(), 8), "56 43 32 21 b1 00 00 00");
}

TEST (HostState, RestoreIntoAnotherInstance)
{
    const auto chunk = savedChunk();
    EXPECT_NE (textOf (chunk).find ("A_Buf0=\"0.3333333432674408\" B_Buf0=\"0.25\" A_Buf1=\"0.66666668653488159\""
                                    " B_Buf1=\"1\" A_Buf2=\"9.9999997473787516e-006\" B_Buf2=\"-2\""),
               std::string::npos);

    JucePlugin p;
    setValues (p, receiver, 0.875f);
    markersToTwo (p);

    struct Listener : juce::AudioProcessorListener
    {
        void audioProcessorParameterChanged (juce::AudioProcessor*, int, float) override   { ++calls; }
        void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override   { ++calls; }
        int calls = 0;
    } listener;

    p.addListener (&listener);
    restore (p, chunk);
    p.removeListener (&listener);

    EXPECT_EQ (valuesOf (p), saved);
    EXPECT_EQ (p.aBuf[4].load(), 0.875f);
    EXPECT_EQ (p.bBuf[4].load(), -0.875f);
    EXPECT_EQ (p.getDspChangedParam(), 5);
    EXPECT_EQ (p.getUiChangedParam(), 5);
    EXPECT_EQ (listener.calls, 0);

    // A length field beyond the data is cut to the data; the NUL is not needed.
    for (const auto& longer : { chunkOf (textOf (chunk), 0x7fffffff), chunkOf (textOf (chunk), 1000, false) })
    {
        setValues (p, receiver);
        restore (p, longer);
        EXPECT_EQ (valuesOf (p), saved);
    }
}

TEST (HostState, UnusableChunksChangeNothing)
{
    const auto good = savedChunk();
    const auto text = textOf (good);
    auto wrongMagic = good;
    wrongMagic[0] = 'v';

    const std::vector<juce::MemoryBlock> chunks {
        juce::MemoryBlock (good.getData(), 8),
        wrongMagic,
        chunkOf (text, 0),
        chunkOf (text, 0x80000000),
        chunkOf ("not xml at all"),
        chunkOf ("<1364678210 fxBypass=\"1\" <"),
        chunkOf ("<1364678210 fxBypass=\"1\">"),
        chunkOf ("<1364678211 fxBypass=\"1\"/>"),
        chunkOf (text.substr (0, text.find ("fxDitherType=\"2") + 15)),
    };

    for (size_t i = 0; i < chunks.size(); ++i)
    {
        JucePlugin p;
        setValues (p, receiver, 0.875f);
        markersToTwo (p);
        restore (p, chunks[i]);

        EXPECT_EQ (valuesOf (p), receiver) << "chunk " << i;
        EXPECT_EQ (p.getDspChangedParam(), 2) << "chunk " << i;
        EXPECT_EQ (p.getUiChangedParam(), 2) << "chunk " << i;
    }
}

// Every length field from 1 to the whole text: a cut between two attributes
// (right after "fxEnaAB", say) applies the attributes before it; a cut anywhere
// inside one (its name, the "=", its value) or inside "/>" gives nothing. The
// same for a chunk handed over only up to the cut whose length field counts
// the whole text: the bytes after the cut are in memory and would complete
// the attribute, but are not the chunk's.
TEST (HostState, ShortLengthFieldAppliesCompleteAttributesOnly)
{
    const auto good = savedChunk();
    const auto text = textOf (good);
    const std::string tag = "<1364678210";

    std::vector<size_t> starts, ends;   // each attribute's blank, and the index past its closing quote
    for (auto blank = text.find (' '); blank != std::string::npos; blank = text.find (' ', blank + 1))
    {
        starts.push_back (blank);
        ends.push_back (text.find ('"', text.find ('"', blank) + 1) + 1);
    }
    ASSERT_EQ (starts.size(), 13u);

    JucePlugin p;

    for (size_t cut = 1; cut <= text.size(); ++cut)
    {
        bool applies = cut >= tag.size() && cut != ends.back() + 1;
        size_t complete = 0;

        for (size_t i = 0; i < 13; ++i)
        {
            applies = applies && ! (cut > starts[i] + 1 && cut < ends[i]);
            complete += cut >= ends[i] ? 1 : 0;
        }

        auto expected = receiver;
        for (size_t i = 0; applies && i < complete; ++i)
            expected[i] = saved[i];

        const auto shortField = chunkOf (text, (int64_t) cut);
        const std::pair<const juce::MemoryBlock*, size_t> handedOver[] { { &shortField, shortField.getSize() }, { &good, 8 + cut } };

        for (const auto& [chunk, size] : handedOver)
        {
            setValues (p, receiver);
            markersToTwo (p);
            p.setStateInformation (chunk->getData(), (int) size);

            const auto name = (chunk == &good ? "handed over: " : "length field: ") + text.substr (0, cut);
            EXPECT_EQ (valuesOf (p), expected) << name;
            EXPECT_EQ (p.getDspChangedParam(), applies ? 5 : 2) << name;
            EXPECT_EQ (p.getUiChangedParam(), applies ? 5 : 2) << name;
        }
    }
}

TEST (HostState, AttributeTextConversions)
{
    struct Case { const char* attribute; const char* text; size_t index; double expected; };
    const Case cases[] {
        { "fxBypass", "2", 0, 0 },           { "fxBypass", "true", 0, 1 },      { "fxBypass", " y", 0, 1 },
        { "fxBypass", "", 0, 0 },            { "fxBypass", "false", 0, 0 },     { "fxEnaAB", "T", 4, 1 },
        { "fxDitherType", "1.9", 1, 1 },     { "fxDitherType", "-0.7", 1, 0 },  { "fxDitherType", "two", 1, 0 },
        { "fxDitherType", " 12abc", 1, 12 }, { "fxDitherType", "-7", 1, -7 },   { "fxDitherType", "nan", 1, 0 },
        { "fxBitDepth", "1e10", 3, std::numeric_limits<int>::max() },
        { "fxBitDepth", "-1e99999999999", 3, std::numeric_limits<int>::min() },
        { "A_Buf0", "x", 5, 0 },             { "B_Buf3", "0.3333333432674408", 12, 1.0f / 3 },
        { "A_Buf2", "1e99999999999", 9, HUGE_VAL },
        // Decimal numbers only: the words JUCE's reader also takes give 0.
        { "fxDitherType", "inf", 1, 0 },     { "fxDitherType", "-inf", 1, 0 },  { "fxDitherType", "Infinity", 1, 0 },
        { "fxNoiseShaping", " +NaN", 2, 0 }, { "fxBitDepth", "1e400", 3, std::numeric_limits<int>::max() },
        { "fxBitDepth", "-1e400", 3, std::numeric_limits<int>::min() },
        { "A_Buf0", "nan", 5, 0 },           { "B_Buf0", "-infinity", 6, 0 }, { "A_Buf1", "INF", 7, 0 },
        { "B_Buf1", "1e400", 8, HUGE_VAL },  { "A_Buf3", "-1e39", 11, -HUGE_VAL }, { "B_Buf2", "1e-400", 10, 0 },
        { "B_Buf3", " .5e1", 12, 5 },
        { "fxbypass", "1", 0, 0 },           { "A_Buf4", "1", 0, 0 },
    };

    JucePlugin p;

    for (const auto& c : cases)
    {
        setValues (p, {});
        restore (p, chunkOf (std::string ("<1364678210 ") + c.attribute + "=\"" + c.text + "\"/>"));

        Values expected {};
        expected[c.index] = c.expected;
        EXPECT_EQ (valuesOf (p), expected) << c.attribute << "=\"" << c.text << '"';
        EXPECT_EQ (p.aBuf[4].load(), 0.0f);
    }

    // Absent attributes keep their fields; further attributes and children are ignored.
    setValues (p, receiver);
    p.enaAB = true;
    restore (p, chunkOf ("<1364678210 other=\"5\" fxNoiseShaping=\"2\" fxBypass=\"1\"><fxEnaAB/>fxEnaAB=\"0\"</1364678210>"));
    auto expected = receiver;
    expected[0] = 1;
    expected[2] = 2;
    expected[4] = 1;
    EXPECT_EQ (valuesOf (p), expected);
}
