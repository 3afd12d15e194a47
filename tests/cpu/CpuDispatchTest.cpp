#include "CpuDispatch.h"
#include "FakeCpuidSource.h"

#include <gtest/gtest.h>

using namespace vantrel::cpu;

namespace
{
constexpr std::uint32_t bit (int n) { return 1u << n; }

// A processor with MMX to SSE4.2 (no AVX).
constexpr std::uint32_t sseEdx = bit (23) | bit (25) | bit (26);
constexpr std::uint32_t sseEcx = bit (0) | bit (1) | bit (9) | bit (19) | bit (20) | bit (22) | bit (25);
// The AVX2 generation on top: FMA, OSXSAVE, AVX, F16C, RDRAND; BMI1, AVX2, BMI2.
constexpr std::uint32_t avxEcx = bit (12) | bit (27) | bit (28) | bit (29) | bit (30);
constexpr std::uint32_t avx2Ebx = bit (3) | bit (5) | bit (8);
// AVX-512 F, DQ, CD, BW, VL.
constexpr std::uint32_t avx512Ebx = bit (16) | bit (17) | bit (28) | bit (30) | bit (31);

struct Outcome { std::int32_t status, level; std::uint64_t enabled; };

Outcome construct()
{
    const auto status = initCpuDispatch();
    return { status, dispatchLevel.load(), enabledFeatureMask.load() };
}

std::uint64_t detected()
{
    std::uint64_t mask = 0;
    EXPECT_EQ (getCpuFeatureMask (mask), 1);
    return mask;
}

class CpuDispatch : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetCpuDispatchState();
        cpu.leaf1Edx = sseEdx;
        cpu.leaf1Ecx = sseEcx | avxEcx;
        cpu.leaf7Ebx = avx2Ebx;
        cpu.xcr0 = 0x7;
    }
    void TearDown() override { resetCpuDispatchState(); }

    FakeCpuidSource cpu;
};
} // namespace

TEST_F (CpuDispatch, EachCpuidBitMapsToItsFeatureBit)
{
    using F = FakeCpuidSource;
    const auto l1d = &F::leaf1Edx, l1c = &F::leaf1Ecx, l7b = &F::leaf7Ebx, l7c = &F::leaf7Ecx, l7d = &F::leaf7Edx;
    const struct { std::uint32_t F::* reg; int cpuidBit; std::uint64_t expected; } rows[] = {
        { l1d, 23, 0x1 }, { l1d, 25, 0x2 }, { l1d, 26, 0x4 }, { l1c, 0, 0x8 },
        { l1c, 9, 0x10 }, { l1c, 22, 0x20 }, { l1c, 19, 0x40 },
        { l1c, 20, 0x80 }, { l1c, 28, 0x100 }, { l1c, 25, 0x400 },
        { l1c, 1, 0x800 }, { l1c, 30, 0x2000 }, { l1c, 29, 0x4000 },
        { l7b, 19, 0x10000 }, { l7b, 18, 0x20000 }, { &F::extLeaf1Ecx, 8, 0x40000 },
        { l7b, 29, 0x80000 }, { l7b, 16, 0x100000 }, { l7b, 28, 0x200000 },
        { l7b, 27, 0x400000 }, { l7b, 26, 0x800000 }, { l7b, 30, 0x1000000 },
        { l7b, 17, 0x2000000 }, { l7b, 31, 0x4000000 }, { l7c, 1, 0x8000000 },
        { l7b, 14, 0x10000000 }, { l7d, 3, 0x20000000 }, { l7d, 2, 0x40000000 },
    };

    for (const auto& row : rows)
    {
        resetCpuDispatchState();
        cpu.leaf1Ecx = cpu.leaf1Edx = cpu.leaf7Ebx = cpu.leaf7Ecx = cpu.leaf7Edx = cpu.extLeaf1Ecx = 0;
        cpu.*row.reg = bit (row.cpuidBit);
        EXPECT_EQ (detected(), row.expected) << "CPUID bit " << row.cpuidBit;
    }
}

TEST_F (CpuDispatch, AvxWithoutOsStateDropsTheAvxFamily)
{
    // The operating system must save both the SSE (XCR0 bit 1) and the AVX (bit 2) state.
    for (auto [xcr0, enabled] : { std::pair<std::uint64_t, bool> { 0x7, true }, { 0x6, true }, { 0x5, false }, { 0x4, false } })
    {
        resetCpuDispatchState();
        cpu.xcr0 = xcr0;
        EXPECT_EQ ((detected() & 0x200) != 0, enabled) << "XCR0 " << xcr0;
    }

    resetCpuDispatchState();
    cpu.xcr0 = 0x3;   // AVX state (bit 2) not enabled
    EXPECT_EQ (detected() & (0x100 | 0x200 | 0x8000), 0x100u | 0x8000u);

    const auto intel = construct();
    EXPECT_EQ (intel.status, status::featureNotPresent);
    EXPECT_EQ (intel.level, 2);
    EXPECT_EQ (intel.enabled, (detected() & ~0x7F08100ull) | 0xDF);
    EXPECT_EQ (intel.enabled & 0x7F08100, 0u);

    cpu.setVendor ("AuthenticAMD");
    const auto other = construct();
    EXPECT_EQ (other.status, status::notGenuineIntel);
    EXPECT_EQ (other.level, 2);
    EXPECT_EQ (other.enabled, intel.enabled);

    // XGETBV faults without OSXSAVE, so it must not be executed then.
    resetCpuDispatchState();
    cpu.xgetbvCalls = 0;
    cpu.leaf1Ecx &= ~bit (27);
    EXPECT_EQ (detected() & feature::avxOsState, 0u);
    EXPECT_EQ (cpu.xgetbvCalls, 0);
}

TEST_F (CpuDispatch, Avx2NeedsBmi1Bmi2AndFma)
{
    const struct { std::uint32_t FakeCpuidSource::* reg; int cpuidBit; } parts[] = {
        { &FakeCpuidSource::leaf7Ebx, 8 }, { &FakeCpuidSource::leaf7Ebx, 3 }, { &FakeCpuidSource::leaf1Ecx, 12 } };

    for (const auto& part : parts)
    {
        SetUp();
        cpu.*part.reg &= ~bit (part.cpuidBit);
        const auto outcome = construct();
        EXPECT_EQ (detected() & feature::avx2, 0u) << "without CPUID bit " << part.cpuidBit;
        EXPECT_EQ (outcome.level, 3);
        EXPECT_EQ (outcome.status, status::success);
    }
}

TEST_F (CpuDispatch, Avx512ChoosesLevel6)
{
    cpu.leaf7Ebx |= avx512Ebx;
    const auto outcome = construct();
    EXPECT_EQ (outcome.status, status::success);
    EXPECT_EQ (outcome.level, 6);
    EXPECT_EQ (outcome.enabled, detected() | 0x73081DF);
}

TEST_F (CpuDispatch, HighestLeafBelow7SkipsLeaf7)
{
    cpu.leaf7Ebx = 0xFFFFFFFF;
    cpu.leaf7Ecx = cpu.leaf7Edx = 0xFFFFFFFF;
    cpu.highestBasicLeaf = 6;
    cpu.highestExtendedLeaf = 0x80000000;
    cpu.extLeaf1Ecx = bit (8);

    constexpr std::uint64_t leaf7Bits = 0x7FFB8000;   // bits 15 to 17 and 19 to 30
    EXPECT_EQ (detected() & (leaf7Bits | feature::prefetchw), 0u);
    for (const auto& q : cpu.queries)
        EXPECT_TRUE (q.first != 7 && q.first != 0x80000001u);
    EXPECT_EQ (construct().level, 3);
}

TEST_F (CpuDispatch, Family0BModel1Signature)
{
    const std::pair<std::uint32_t, bool> cases[] = { { 0x0FF0B1F, true }, { 0xB20, false }, { 0xA10, false } };
    for (const auto& [signature, expected] : cases)
    {
        resetCpuDispatchState();
        cpu.signature = signature;
        EXPECT_EQ ((detected() & 0x80000000) != 0, expected) << std::hex << signature;
        EXPECT_EQ (construct().status, status::success) << "a feature the processor reports is known";
    }
}

TEST_F (CpuDispatch, FirstConstructionQueriesOnceLaterOnlyVendor)
{
    const auto first = construct();
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> expected {
        { 0, 0 }, { 0x80000000u, 0 }, { 1, 0 }, { 1, 0 }, { 7, 0 }, { 0x80000001u, 0 }, { 0, 0 } };
    EXPECT_EQ (cpu.queries, expected);
    EXPECT_EQ (cpu.xgetbvCalls, 1);
    EXPECT_EQ (first.level, 4);
    EXPECT_EQ (first.status, status::success);

    cpu.queries.clear();
    dispatchLevel = -1;
    const auto second = construct();
    EXPECT_EQ (cpu.queries, (std::vector<std::pair<std::uint32_t, std::uint32_t>> { { 0, 0 } }));
    EXPECT_EQ (cpu.xgetbvCalls, 1);
    EXPECT_EQ (second.status, first.status);
    EXPECT_EQ (second.level, first.level);
    EXPECT_EQ (second.enabled, first.enabled);
}

TEST_F (CpuDispatch, WithoutCpuidStaysOnBaseline)
{
    cpu.hasCpuid = false;
    std::uint64_t untouched = 0x1234;
    EXPECT_EQ (getCpuFeatureMask (untouched), 0);
    EXPECT_EQ (untouched, 0x1234u);
    EXPECT_EQ (queryCpuFeatures (nullptr), status::featuresUnreadable);

    const auto outcome = construct();
    EXPECT_EQ (outcome.status, status::featuresUnreadable);
    EXPECT_EQ (outcome.level, 0);
    EXPECT_EQ (outcome.enabled, 7u);
    EXPECT_TRUE (cpu.queries.empty());
}

TEST_F (CpuDispatch, SelectionOnAnSse3Processor)
{
    cpu.leaf1Edx = sseEdx;
    cpu.leaf1Ecx = bit (0) | bit (27) | bit (28);   // SSE3, AVX state enabled, no AVX2
    cpu.leaf7Ebx = 0;
    ASSERT_EQ (detected(), 0xFull | feature::avx | feature::avxOsState);

    const struct { std::uint64_t request; std::int32_t status, level; std::uint64_t enabled; } cases[] = {
        { 0xF, 0, 0, 0xF },
        { 0x8, 51, 0, 0xF },
        { 0x2, 36, 0, 0x3 },
        { feature::sse3 | feature::avx2, 49, 4, 0x81DF },
        { 0xFull | (1ull << 40), 49, 0, 0xFull | (1ull << 40) },
    };
    for (const auto& c : cases)
    {
        std::int32_t level = -1;
        EXPECT_EQ (selectCpuDispatchLevel (c.request, level), c.status) << std::hex << c.request;
        EXPECT_EQ (level, c.level) << std::hex << c.request;
        EXPECT_EQ (enabledFeatureMask.load(), c.enabled) << std::hex << c.request;
    }
}

// Each row of the level table, requested as it stands (the no-check flag,
// bit 63): the level, its feature set added to the request, and the status.
TEST_F (CpuDispatch, LevelTableForUncheckedRequests)
{
    const struct { std::uint64_t request; std::int32_t level, status; std::uint64_t enabled; } rows[] = {
        { 0x73081DF, 6, 0, 0x73081DF }, { 0xF081DF, 5, 0, 0xF081DF }, { 0x81DF, 4, 0, 0x81DF }, { 0x1DF, 3, 0, 0x1DF },
        { 0xDF, 2, 0, 0xDF }, { 0x5F, 1, 0, 0x5F }, { 0x3F, 1, 0, 0x3F }, { 0x1F, 1, 0, 0x1F }, { 0xF, 0, 0, 0xF },
        { 0x7, 0, 0, 0x7 }, { 0x3, 0, 36, 0x3 }, { 0x1, 0, 36, 0x1 }, { 0x0, 0, 36, 0x1 }, { 0x40, 1, 51, 0x5F },
    };

    for (const auto& row : rows)
    {
        setEnabledCpuFeatures (0x1DF);
        std::int32_t level = -1;
        EXPECT_EQ (selectCpuDispatchLevel ((1ull << 63) | row.request, level), row.status) << std::hex << row.request;
        EXPECT_EQ (level, row.level) << std::hex << row.request;
        EXPECT_EQ (enabledFeatureMask.load(), row.enabled) << std::hex << row.request;
    }

    // No CPUID: the enabled mask before the request became the detected mask.
    EXPECT_TRUE (cpu.queries.empty());
    EXPECT_EQ (detectedFeatureMaskValid.load(), 1);
    EXPECT_EQ (detected(), 0x1DFu);
}

TEST_F (CpuDispatch, QueryWithGetinfoaTag)
{
    const auto mask = detected();

    std::uint64_t place = getInfoTag;
    std::uint32_t words[4] = { 4, 99, 1, 99 };
    EXPECT_EQ (queryCpuFeatures (&place, words), status::success);
    EXPECT_EQ (place, mask);
    EXPECT_EQ (cpu.queries.back(), std::make_pair (4u, 1u));
    EXPECT_EQ (words[1], 1u);

    place = getInfoTag + 1;
    std::uint32_t leaf1[4] = { 4, 0, 1, 0 };
    EXPECT_EQ (queryCpuFeatures (&place, leaf1), status::success);
    EXPECT_EQ (cpu.queries.back(), std::make_pair (1u, 0u));
    EXPECT_EQ (leaf1[2], cpu.leaf1Ecx);

    EXPECT_EQ (queryCpuFeatures (nullptr, words), status::noMaskPlace);
}
