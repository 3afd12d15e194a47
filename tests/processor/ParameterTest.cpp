#include <gtest/gtest.h>

#include "processor/JucePlugin.h"
#include "processor/ParameterMapping.h"

TEST (Parameters, NamesCountAndDefaults)
{
    JucePlugin p;
    EXPECT_EQ (p.getNumParameters(), 5);
    const char* names[] = { "Bypass", "Dither Type", "Noiseshaping Type", "Bitdepth", "AB", "" };
    for (int i = 0; i < 6; ++i)
    {
        EXPECT_EQ (p.getParameterName (i), names[i]);
        EXPECT_EQ (p.getParameterDefaultValue (i), 0.0f);
    }
    EXPECT_EQ (p.getParameter (5), 0.0f);
    EXPECT_EQ (p.getParameterText (5), "0.00");
    EXPECT_FALSE (p.isMetaParameter (0));
}

TEST (Parameters, StoringRoundsToTheNearestStepInSinglePrecision)
{
    JucePlugin p;
    auto stored = [&p] (int index, float v, const std::atomic<int>& field) { p.setParameter (index, v); return field.load(); };

    EXPECT_EQ (stored (1, 0.24f, p.ditherType), 0);
    EXPECT_EQ (stored (1, 0.25f, p.ditherType), 1);
    EXPECT_EQ (stored (1, 0.75f, p.ditherType), 2);
    EXPECT_EQ (stored (1, 1.0f, p.ditherType), 2);
    EXPECT_EQ (stored (2, 0.16f, p.noiseShaping), 0);
    EXPECT_EQ (stored (2, 0.5f, p.noiseShaping), 2);
    EXPECT_EQ (stored (2, 1.0f, p.noiseShaping), 3);
    EXPECT_EQ (stored (3, 0.5f, p.bitDepth), 1);

    // No clamping in either direction.
    EXPECT_EQ (stored (1, 1.5f, p.ditherType), 3);
    EXPECT_EQ (p.getParameter (1), 1.5f);
    EXPECT_EQ (stored (1, -0.4f, p.ditherType), 0);
    // Values whose step does not fit an int saturate; NaN counts as 0.
    EXPECT_EQ (stored (3, 1.0e20f, p.bitDepth), std::numeric_limits<int>::max());
    EXPECT_EQ (stored (3, std::numeric_limits<float>::quiet_NaN(), p.bitDepth), 0);

    p.setParameter (0, 0.5f);
    EXPECT_FALSE (p.bypass.load());
    p.setParameter (0, 0.50001f);
    EXPECT_TRUE (p.bypass.load());
    p.setParameter (4, 0.7f);
    EXPECT_TRUE (p.enaAB.load());
    EXPECT_EQ (p.getParameter (4), 1.0f);
}

TEST (Parameters, TextsHaveTwoDecimals)
{
    JucePlugin p;
    p.setParameter (2, 1.0f / 3.0f);
    EXPECT_EQ (p.getParameter (2), 0.33333334f);
    EXPECT_EQ (p.getParameterText (2), "0.33");
    p.setParameter (2, 2.0f / 3.0f);
    EXPECT_EQ (p.getParameter (2), 0.6666667f);
    EXPECT_EQ (p.getParameterText (2), "0.67");
    p.setParameter (1, 0.5f);
    EXPECT_EQ (p.getParameterText (1), "0.50");
    p.setParameter (3, 1.0f);
    EXPECT_EQ (p.getParameterText (3), "1.00");
    EXPECT_EQ (p.getParameterText (0), "0.00");

    EXPECT_EQ (ParameterMapping::text (-0.5f), "-0.50");
    EXPECT_EQ (ParameterMapping::text (1.5f), "1.50");
    EXPECT_EQ (ParameterMapping::text (0.125f), "0.13"); // half way rounds up
    EXPECT_EQ (ParameterMapping::text (0.005f), "0.00"); // the float lies just below 0.005
    EXPECT_EQ (ParameterMapping::text (12345.678f), "12345.68");
}

TEST (Markers, MarkingRules)
{
    JucePlugin p; // construction leaves both markers at 5
    EXPECT_EQ (p.getDspChangedParam(), 5);
    EXPECT_EQ (p.getUiChangedParam(), 5);
    EXPECT_EQ (p.clearDspChanged(), 5);
    EXPECT_EQ (p.getDspChangedParam(), -1);

    p.markDspChanged (2);
    p.markDspChanged (2);
    EXPECT_EQ (p.getDspChangedParam(), 2);
    p.markDspChanged (3);
    EXPECT_EQ (p.getDspChangedParam(), 5);
    p.markDspChanged (0);
    EXPECT_EQ (p.getDspChangedParam(), 5);
    p.clearDspChanged();

    // setParameter marks both, for every index, also unchanged values and index 7.
    p.getUiChangedParam();
    p.acknowledgeUiChange();
    EXPECT_EQ (p.getUiChangedParam(), -1);
    p.setParameter (7, 0.3f);
    EXPECT_EQ (p.getDspChangedParam(), 7);
    EXPECT_EQ (p.getUiChangedParam(), 7);
    p.setParameter (7, 0.3f);
    EXPECT_EQ (p.getUiChangedParam(), 7);
}

TEST (Markers, EditorAcknowledgesOnlyAfterTheEngineTookItsMarker)
{
    JucePlugin p;
    p.clearDspChanged();
    p.getUiChangedParam();
    p.acknowledgeUiChange();

    p.setParameter (3, 0.5f);
    EXPECT_EQ (p.getUiChangedParam(), 3);
    p.acknowledgeUiChange(); // the engine still has 3 pending
    EXPECT_EQ (p.getUiChangedParam(), 3);

    p.getAlgo().timerCallback();
    EXPECT_EQ (p.getDspChangedParam(), -1);
    EXPECT_EQ (p.getUiChangedParam(), 3);
    p.acknowledgeUiChange();
    EXPECT_EQ (p.getUiChangedParam(), -1);

    // A mark between the editor's read and its acknowledgement is kept, even
    // when it leaves the marker's value as it was.
    p.setParameter (2, 0.0f);
    p.getAlgo().timerCallback();
    EXPECT_EQ (p.getUiChangedParam(), 2);
    p.setParameter (2, 1.0f);
    p.clearDspChanged();
    p.acknowledgeUiChange();
    EXPECT_EQ (p.getUiChangedParam(), 2);
}
