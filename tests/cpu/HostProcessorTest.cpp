#include "CpuDispatch.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace vantrel::cpu;

namespace
{
struct CpuInfo
{
    std::set<std::string> flags;
    std::string vendor;
    int family = -1, model = -1;
};

// The first processor's entry of /proc/cpuinfo; no flags if unreadable.
CpuInfo readCpuInfo()
{
    CpuInfo info;
    std::ifstream file ("/proc/cpuinfo");

    for (std::string line; std::getline (file, line) && ! line.empty();)
    {
        const auto colon = line.find (':');
        if (colon == std::string::npos)
            continue;

        std::istringstream key (line.substr (0, colon)), value (line.substr (colon + 1));
        std::string name, word;
        while (key >> word)
            name += (name.empty() ? "" : " ") + word;

        if (name == "flags")          while (value >> word) info.flags.insert (word);
        else if (name == "vendor_id")  value >> info.vendor;
        else if (name == "cpu family") value >> info.family;
        else if (name == "model")      value >> info.model;
    }
    return info;
}
} // namespace

TEST (HostProcessor, DetectedMaskAgreesWithProcCpuinfo)
{
    const auto info = readCpuInfo();
    if (! cpuidAvailable() || info.flags.empty())
        GTEST_SKIP() << "no CPUID or no readable /proc/cpuinfo";

    resetCpuDispatchState();
    std::uint64_t mask = 0;
    ASSERT_EQ (getCpuFeatureMask (mask), 1);

    // The kernel lists 'avx' only when it saves the AVX state, and then hides
    // the features that depend on it; compare those only when it does.
    const bool osAvx = (mask & feature::avxOsState) != 0;
    EXPECT_EQ (osAvx, info.flags.count ("avx") == 1);
    EXPECT_TRUE (! osAvx || (mask & feature::avx) != 0);

    const std::pair<std::uint64_t, const char*> expectations[] = {
        { feature::mmx, "mmx" }, { feature::sse, "sse" }, { feature::sse2, "sse2" }, { feature::sse3, "pni" },
        { feature::ssse3, "ssse3" }, { feature::movbe, "movbe" }, { feature::sse41, "sse4_1" },
        { feature::sse42, "sse4_2" }, { feature::aes, "aes" }, { feature::pclmulqdq, "pclmulqdq" },
        { feature::rdrand, "rdrand" }, { feature::f16c, "f16c" }, { feature::avx2, "avx2 bmi1 bmi2 fma" },
        { feature::adx, "adx" }, { feature::rdseed, "rdseed" }, { feature::prefetchw, "3dnowprefetch" },
        { feature::sha, "sha_ni" }, { feature::avx512f, "avx512f" }, { feature::avx512cd, "avx512cd" },
        { feature::avx512er, "avx512er" }, { feature::avx512pf, "avx512pf" }, { feature::avx512bw, "avx512bw" },
        { feature::avx512dq, "avx512dq" }, { feature::avx512vl, "avx512vl" }, { feature::avx512vbmi, "avx512vbmi" },
        { feature::avx5124fmaps, "avx512_4fmaps" }, { feature::avx5124vnniw, "avx512_4vnniw" },
    };
    const auto needsOsAvx = feature::avxFamily | feature::f16c | feature::avx512vbmi
                          | feature::avx5124fmaps | feature::avx5124vnniw;

    for (const auto& [bit, flags] : expectations)
    {
        if ((bit & needsOsAvx) != 0 && ! osAvx)
            continue;

        bool all = true;
        std::istringstream words (flags);
        for (std::string flag; words >> flag;)
            all = all && info.flags.count (flag) == 1;

        // The kernel hides the random-number instructions on processors
        // whose implementation it distrusts (RDSEED on some AMD parts), while
        // CPUID still reports them: there a listed flag must be detected, but
        // a detected one may be unlisted.
        if ((bit & (feature::rdrand | feature::rdseed)) != 0)
            EXPECT_TRUE ((mask & bit) != 0 || ! all) << flags;
        else
            EXPECT_EQ ((mask & bit) != 0, all) << flags;
    }

    EXPECT_EQ ((mask & feature::family0BModel1) != 0, info.family == 0xB && (info.model & 0xF) == 1);
    EXPECT_EQ (mask & ~0xFFFFEFFFull, 0u) << "bit 12 and bits 32 to 63 are never set";
    resetCpuDispatchState();
}

TEST (HostProcessor, OverlappingConstructionsAgree)
{
    resetCpuDispatchState();
    const auto expectedStatus = initCpuDispatch();
    const auto expectedLevel = dispatchLevel.load();
    const auto expectedEnabled = enabledFeatureMask.load();

    const auto vendor = readCpuInfo().vendor;
    if (cpuidAvailable() && ! vendor.empty())
    {
        EXPECT_EQ (expectedStatus == status::notGenuineIntel, vendor != "GenuineIntel");
    }

    resetCpuDispatchState();
    std::int32_t statuses[8] {};
    std::vector<std::thread> threads;
    for (auto& s : statuses)
        threads.emplace_back ([&s] { s = initCpuDispatch(); });
    for (auto& t : threads)
        t.join();

    for (auto s : statuses)
        EXPECT_EQ (s, expectedStatus);
    EXPECT_EQ (dispatchLevel.load(), expectedLevel);
    EXPECT_EQ (enabledFeatureMask.load(), expectedEnabled);
    resetCpuDispatchState();
}
