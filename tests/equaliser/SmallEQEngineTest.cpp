// The module's two engines side by side: the fast engine stays within 2^-20 of the output's peak of the
// reference arithmetic, with an RMS difference below −140 dB of the peak, on the digest signals and on
// full-scale noise at the extreme settings; changing engines while audio runs keeps the filter states.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "equaliser/SmallEQModule.h"
#include "platform/FPUControl.h"
#include "SEQTestHost.h"
#include "support/Fnv1a.h"

namespace
{

constexpr double kPeakLimit = 0x1p-20;
const double kRmsLimit = std::pow(10.0, -140.0 / 20.0);

// Numerical Recipes' 32-bit LCG: the digest tests' stimuli come from integer arithmetic.
struct TLcg
{
    std::uint32_t Seed;
    std::uint32_t Next() { return Seed = Seed * 1664525u + 1013904223u; }
    float Full() { return static_cast<float>(static_cast<std::int32_t>(Next() >> 8) - 0x800000) * 0x1p-23f; }
};

// How far one run of the fast engine lies from the reference, relative to the reference's peak.
struct TDeviation
{
    double Peak = 0.0, MaxDifference = 0.0, SquareSum = 0.0;
    std::size_t Count = 0;

    void Add(float Reference, float Fast)
    {
        Peak = std::max(Peak, std::fabs(double(Reference)));
        const double d = std::fabs(double(Fast) - double(Reference));
        MaxDifference = std::max(MaxDifference, d);
        SquareSum += d * d;
        ++Count;
    }
    double PeakRatio() const { return Peak > 0.0 ? MaxDifference / Peak : 0.0; }
    double RmsRatio() const { return Peak > 0.0 ? std::sqrt(SquareSum / double(Count)) / Peak : 0.0; }
};

// The same setting in two modules, one per engine.
class Engines : public ::testing::Test
{
protected:
    Engines()
    {
        for (int e = 0; e < 2; ++e)
        {
            Modules[e] = new TSmallEQModule(nullptr);
            Modules[e]->SetAudioMaster(&VersionOnlyHost);
            Hosts[e].E = Modules[e]->Effect();
        }
        EXPECT_EQ(Hosts[1].Dispatch(effVendorSpecific, kSEQRequestSetEngine, kSEQEngineFast), 1);
    }
    ~Engines() override
    {
        for (THostView& h : Hosts)
            h.Dispatch(effClose);
    }

    void Set(const std::vector<std::pair<int, float>>& Values)
    {
        for (TSmallEQModule* m : Modules)
            for (auto [index, value] : Values)
                m->SetParameterAutomated(index, value);
    }
    void SetRate(float Rate)
    {
        for (THostView& h : Hosts)
            h.Dispatch(effSetSampleRate, 0, 0, nullptr, Rate);
    }
    // One block through both engines; the differences go into Deviation.
    void Compare(const std::vector<float>& Left, const std::vector<float>& Right, TDeviation& Deviation)
    {
        std::vector<float> out[2][2];
        for (int e = 0; e < 2; ++e)
        {
            out[e][0] = Left, out[e][1] = Right;
            Hosts[e].Process(out[e][0], out[e][1]);
        }
        for (int ch = 0; ch < 2; ++ch)
            for (std::size_t i = 0; i < Left.size(); ++i)
                Deviation.Add(out[0][ch][i], out[1][ch][i]);
    }
    void ExpectWithinAHair(const TDeviation& D, const std::string& Where)
    {
        EXPECT_GT(D.Peak, 0.0) << Where;
        EXPECT_LE(D.PeakRatio(), kPeakLimit) << Where;
        EXPECT_LE(D.RmsRatio(), kRmsLimit) << Where;
        EXPECT_NEAR(Modules[1]->LevelMeter(0), Modules[0]->LevelMeter(0), 1e-6 * Modules[0]->LevelMeter(0)) << Where;
        if (D.PeakRatio() >= WorstPeak.first)
            WorstPeak = {D.PeakRatio(), Where};
        if (D.RmsRatio() >= WorstRms.first)
            WorstRms = {D.RmsRatio(), Where};
    }
    void Report(const char* Suite) const
    {
        std::printf("%s: worst peak difference %.3g of the peak (2^%.1f) at %s; worst RMS difference %.1f dB at %s\n",
                    Suite, WorstPeak.first, std::log2(std::max(WorstPeak.first, 1e-300)), WorstPeak.second.c_str(),
                    20.0 * std::log10(std::max(WorstRms.first, 1e-300)), WorstRms.second.c_str());
    }

    TFPUControlScope FPU;
    TSmallEQModule* Modules[2];
    THostView Hosts[2]{};
    std::pair<double, std::string> WorstPeak{0.0, "nowhere"}, WorstRms{0.0, "nowhere"};
};

const std::vector<std::pair<int, float>> kDigestSetting = {
    {0, 60}, {4, 150}, {8, 400}, {12, 900}, {16, 2500}, {20, 5000}, {24, 9000}, {28, 14000},
    {1, -12}, {5, 9}, {9, -6}, {13, 12}, {17, -9}, {21, 6}, {25, -3}, {29, 3},
    {2, 0.6f}, {6, 0.4f}, {10, 0.7f}, {14, 0.35f}, {18, 0.55f}, {22, 0.45f}, {26, 0.65f}, {30, 0.5f},
    {3, -0.8f}, {7, 0.2f}, {11, -0.3f}, {15, 0.6f}, {19, 0.0f}, {23, -1}, {27, 0.9f}, {31, 1}, {32, 3}};

TEST_F(Engines, FastEngineFollowsTheReferenceOnTheDigestSignals)
{
    Set(kDigestSetting);
    SetRate(48000.0f);
    // The module's digest: LCG noise on the left, a square wave on the right, in blocks of 1, 7, 576 and 4096.
    TLcg lcg{12345};
    TDeviation moduleSignal;
    for (std::size_t frames : {1u, 7u, 576u, 4096u})
    {
        std::vector<float> left(frames), right(frames);
        for (std::size_t i = 0; i < frames; ++i)
            left[i] = lcg.Full(), right[i] = i % 64 < 32 ? 0.5f : -0.5f;
        Compare(left, right, moduleSignal);
    }
    ExpectWithinAHair(moduleSignal, "the module's digest signal");
    // The filters' digest: quarter-scale noise, a slow square wave per channel and clicks, 8192 frames.
    TLcg noise{777};
    TDeviation filterSignal;
    std::vector<float> left(8192), right(8192);
    for (int i = 0; i < 8192; ++i)
        for (int ch = 0; ch < 2; ++ch)
            (ch ? right : left)[std::size_t(i)] = noise.Full() * 0.25f + ((i / (37 + 11 * ch)) % 2 ? -0.3f : 0.3f) +
                                                  (i % 2048 == 100 ? 0.9f : 0.0f);
    for (std::size_t start = 0; start < left.size(); start += 512)
        Compare(std::vector<float>(left.begin() + long(start), left.begin() + long(start) + 512),
                std::vector<float>(right.begin() + long(start), right.begin() + long(start) + 512), filterSignal);
    ExpectWithinAHair(filterSignal, "the filters' digest signal");
    Report("digest signals");
}

// The fast engine's audio is the same bit for bit in every build and at the width this processor runs.
TEST_F(Engines, FastEngineDigestIsTheSameInEveryBuild)
{
    Set(kDigestSetting);
    SetRate(48000.0f);
    TLcg lcg{12345};
    TFnv1a64 digest;
    for (std::size_t frames : {1u, 7u, 576u, 4096u})
    {
        std::vector<float> left(frames), right(frames);
        for (std::size_t i = 0; i < frames; ++i)
            left[i] = lcg.Full() * 4.0f, right[i] = i % 64 < 32 ? 0.5f : -0.5f;
        Hosts[1].Process(left, right);
        for (std::size_t i = 0; i < frames; ++i)
            digest.Add(std::bit_cast<std::uint32_t>(left[i])), digest.Add(std::bit_cast<std::uint32_t>(right[i]));
        digest.Add(std::bit_cast<std::uint32_t>(Modules[1]->LevelMeter(0)));
        digest.Add(std::bit_cast<std::uint32_t>(Modules[1]->LevelMeter(1)));
    }
    EXPECT_EQ(digest.Hash, 10552756661366346387ull);
}

// Every band at the same extreme: gain ±15 dB, bandwidth control 0 and 1, 20 Hz and 20 kHz, symmetry −1, 0
// and 1, volume −15 and +15 dB; 60 s of full-scale noise at 44.1 kHz shared among the 48 settings (a tenth
// under Wine).
TEST_F(Engines, FastEngineFollowsTheReferenceAtTheExtremeSettings)
{
#ifdef _WIN32
    constexpr std::size_t kTotalFrames = 44100 * 6;
#else
    constexpr std::size_t kTotalFrames = 44100 * 60;
#endif
    constexpr std::size_t kBlock = 512, kSettings = 48;
    constexpr std::size_t kBlocks = (kTotalFrames / kSettings + kBlock - 1) / kBlock;
    TLcg lcg{4242};
    std::vector<float> left(kBlock), right(kBlock);
    for (float gain : {15.0f, -15.0f})
        for (float bandwidth : {0.0f, 1.0f})
            for (float frequency : {20.0f, 20000.0f})
                for (float symmetry : {-1.0f, 0.0f, 1.0f})
                    for (float volume : {-15.0f, 15.0f})
                    {
                        std::vector<std::pair<int, float>> setting = {{32, volume}};
                        for (int b = 0; b < 8; ++b)
                            setting.insert(setting.end(),
                                           {{4 * b, frequency}, {4 * b + 1, gain}, {4 * b + 2, bandwidth}, {4 * b + 3, symmetry}});
                        Set(setting);
                        TDeviation d;
                        for (std::size_t block = 0; block < kBlocks; ++block)
                        {
                            for (std::size_t i = 0; i < kBlock; ++i)
                                left[i] = lcg.Full(), right[i] = lcg.Full();
                            Compare(left, right, d);
                        }
                        char where[128];
                        std::snprintf(where, sizeof where, "gain %+g dB, bandwidth %g, %g Hz, symmetry %+g, volume %+g dB",
                                      double(gain), double(bandwidth), double(frequency), double(symmetry), double(volume));
                        ExpectWithinAHair(d, where);
                    }
    Report("extreme settings");
}

// Both engines run on one cascade: a change of engine at every block keeps states and meters, so the output
// stays within a hair of the reference throughout; the requests answer as documented.
TEST_F(Engines, ChangingEnginesAtEveryBlockKeepsTheFilterStates)
{
    EXPECT_EQ(Hosts[0].Dispatch(effVendorSpecific, kSEQRequestGetEngine), kSEQEngineReference);
    EXPECT_EQ(Hosts[1].Dispatch(effVendorSpecific, kSEQRequestGetEngine), kSEQEngineFast);
    EXPECT_EQ(Hosts[1].Dispatch(effVendorSpecific, kSEQRequestSetEngine, 2), 0);
    EXPECT_EQ(Hosts[1].Dispatch(effVendorSpecific, kSEQRequestSetEngine, -1), 0);
    EXPECT_EQ(Hosts[1].Dispatch(effVendorSpecific, kSEQRequestGetEngine), kSEQEngineFast);
    Set(kDigestSetting);
    TLcg lcg{99};
    TDeviation d;
    std::vector<float> left(300), right(300);
    for (int block = 0; block < 200; ++block)
    {
        EXPECT_EQ(Hosts[1].Dispatch(effVendorSpecific, kSEQRequestSetEngine, block % 2), 1);
        for (std::size_t i = 0; i < left.size(); ++i)
            left[i] = lcg.Full(), right[i] = (block * 300 + int(i)) % 200 < 100 ? 0.7f : -0.7f;
        Compare(left, right, d);
    }
    ExpectWithinAHair(d, "engines changed at every block");
}

} // namespace
