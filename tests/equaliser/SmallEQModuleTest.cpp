// The equaliser module as a host sees it through its effect record, and its operations for the editor.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "equaliser/SmallEQEntry.h"
#include "equaliser/SmallEQModule.h"
#include "platform/Exceptions.h"
#include "platform/FPUControl.h"
#include "SEQTestHost.h"
#include "support/Fnv1a.h"

namespace
{

class SmallEQ : public ::testing::Test
{
protected:
    SmallEQ()
    {
        Module = new TSmallEQModule(nullptr);
        Module->SetAudioMaster(&VersionOnlyHost);
        Host.E = Module->Effect();
    }
    ~SmallEQ() override { Host.Dispatch(effClose); }

    void Set(const std::vector<std::pair<int, float>>& Values)
    {
        for (auto [index, value] : Values)
            Module->SetParameterAutomated(index, value);
    }
    std::vector<float> Parameters() const
    {
        std::vector<float> v;
        for (int i = 0; i < 33; ++i)
            v.push_back(Module->Parameter(i));
        return v;
    }

    TFPUControlScope FPU;
    TSmallEQModule* Module;
    THostView Host{};
};

TEST_F(SmallEQ, RecordAndTextsAfterConstruction)
{
    AEffect* e = Host.E;
    EXPECT_EQ(e->magic, kEffectMagic);
    EXPECT_EQ(e->flags, 25);
    EXPECT_EQ(e->uniqueID, 0x564F524E); // 'VORN'
    EXPECT_EQ(e->numParams, 33);
    EXPECT_EQ(e->numPrograms, 4);
    EXPECT_EQ(e->numInputs, 2);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(Host.Dispatch(effGetPlugCategory), vpcEffect);
    EXPECT_EQ(Host.Text(effGetVendorString), "Zentrova creations");
    EXPECT_EQ(Host.Text(effGetProductString), "Test EQ");
    EXPECT_EQ(Host.Text(effGetEffectName), "Small EQ");
    EXPECT_EQ(Host.Text(effGetProgramName), "Init");
    for (const char* yes : {"plugAsChannelInsert", "plugAsSend", "2in2out"})
        EXPECT_EQ(Host.Dispatch(effCanDo, 0, 0, const_cast<char*>(yes)), 1) << yes;
    for (const char* no : {"bypass", "LiveWithoutToolbar", "1in1out", "receiveVstEvents"})
        EXPECT_EQ(Host.Dispatch(effCanDo, 0, 0, const_cast<char*>(no)), -1) << no;
    EXPECT_EQ(Host.Dispatch(effCanDo, 0, 0, const_cast<char*>("shuffle")), 0);
    // The module alone has no editor to open.
    EXPECT_EQ(Host.Dispatch(effEditOpen), 0);
}

// A view of the module alone, as an editor attaches itself: told on its own thread which parts a change
// touched; what other threads change waits until it collects it; after the editor closes it is told nothing.
TEST_F(SmallEQ, AViewIsToldWhatChangedOnItsThreadAndCollectsWhatOtherThreadsChanged)
{
    struct TRecordingView : TSmallEQView
    {
        std::vector<unsigned> Shown;
        void ShowParts(unsigned Parts) override { Shown.push_back(Parts); }
    } View;
    Module->AttachView(&View);
    const struct
    {
        int Index;
        float Value;
        unsigned Parts;
    } Cases[] = {
        {12, 2000.0f, vpFrequency | vpOverview}, {13, 3.0f, vpGain | vpOverview}, {14, 0.3f, vpBandwidth},
        {15, 0.5f, vpSymmetry | vpOverview},     {32, -3.0f, vpMeter | vpOverview},
    };
    for (const auto& C : Cases)
    {
        View.Shown.clear();
        Module->SetParameterAutomated(C.Index, C.Value);
        EXPECT_EQ(View.Shown, std::vector<unsigned>{C.Parts}) << C.Index;
    }
    EXPECT_EQ(Module->TakePendingViewParts(), 0u);

    View.Shown.clear();
    std::thread([&] {
        Module->SetParameterAutomated(1, -3.0f);
        Module->SetParameterAutomated(6, 0.7f);
    }).join();
    EXPECT_TRUE(View.Shown.empty());
    EXPECT_EQ(Module->TakePendingViewParts(), unsigned{vpGain | vpOverview | vpBandwidth});
    EXPECT_EQ(Module->TakePendingViewParts(), 0u);

    Host.Dispatch(effEditClose);
    Module->SetParameterAutomated(13, -6.0f);
    EXPECT_TRUE(View.Shown.empty());
}

// The plug-in's equaliser opens its editor (here as a top-level window) with its fixed size, and again after
// closing it.
TEST(SmallEQPlugIn, OpensItsEditorWithItsFixedSize)
{
    TFPUControlScope FPU;
    THostView Host{SmallEQMain(&VersionOnlyHost)};
    ASSERT_NE(Host.E, nullptr);
    for (int Round = 0; Round < 2; ++Round)
    {
        EXPECT_EQ(Host.Dispatch(effEditOpen), 1);
        ERect* Rect = nullptr;
        EXPECT_EQ(Host.Dispatch(effEditGetRect, 0, 0, &Rect), 1);
        ASSERT_NE(Rect, nullptr);
        EXPECT_EQ(Rect->right - Rect->left, 131);
        EXPECT_EQ(Rect->bottom - Rect->top, 35);
        Host.Dispatch(effEditClose);
    }
    Host.Dispatch(effClose);
}

// The view's requests belong to the equaliser with its editor: the windowless module answers them 0, the
// plug-in keeps what a host hands over and still passes the module's own requests on.
TEST_F(SmallEQ, ViewRequestsAreTheEditorsAndTheModulesOwnPassThePlugIn)
{
    EXPECT_EQ(Host.Dispatch(effVendorSpecific, kSEQRequestSetView, 2, nullptr, 1.0f), 0);
    EXPECT_EQ(Host.Dispatch(effVendorSpecific, kSEQRequestGetView), 0);
    EXPECT_EQ(Host.Dispatch(effVendorSpecific, kHostScaleIndex, kHostScaleValue, nullptr, 2.0f), 0);

    THostView PlugIn{SmallEQMain(&VersionOnlyHost)};
    ASSERT_NE(PlugIn.E, nullptr);
    EXPECT_EQ(PlugIn.Dispatch(effVendorSpecific, kSEQRequestSetView, 2, nullptr, 1.0f), 1);
    EXPECT_EQ(PlugIn.Dispatch(effVendorSpecific, kSEQRequestGetView), 2 + kSEQViewResponseShown);
    EXPECT_EQ(PlugIn.Dispatch(effVendorSpecific, kHostScaleIndex, kHostScaleValue, nullptr, 2.0f), 1);
    float Levels[2] = {-6.0f, -6.0f};
    EXPECT_EQ(PlugIn.Dispatch(effVendorSpecific, kSEQRequestShowLevels, 0, Levels), 1);
    TSEQSnapshotSet Snap;
    EXPECT_EQ(PlugIn.Dispatch(effVendorSpecific, kSEQRequestGetSnapshots, sizeof Snap, &Snap), 1);
    EXPECT_EQ(PlugIn.Dispatch(effVendorSpecific, SEQRequestCode("MvXx"), sizeof Snap, &Snap), 0);
    PlugIn.Dispatch(effClose);
}

TEST_F(SmallEQ, EveryParameterNameLabelAndDisplay)
{
    // Short labels are not visible through the record; the two odd ones are checked on the declarations.
    const char* displays[8][4] = {{"31.5", "0", "1.00", "-1"}, {"100", "0", "1.00", "-0.5"},
                                  {"500", "0", "1.00", "0"},   {"1000", "0", "1.00", "0"},
                                  {"2000", "0", "1.00", "0"},  {"4000", "0", "1.00", "0"},
                                  {"8000", "0", "1.00", "0.5"}, {"1.6E0004", "0", "0.5", "1"}};
    const char* kinds[4] = {"Frequency", "Gain", "Bandwidth", "Symmetry"};
    const char* units[4] = {"Hz", "dB", "Oct", ""};
    const char* shorts[4] = {"Freq", "Gain", "BW", "Sym"};
    for (int b = 0; b < 8; ++b)
        for (int k = 0; k < 4; ++k)
        {
            const int i = 4 * b + k;
            SCOPED_TRACE(i);
            EXPECT_EQ(Host.Text(effGetParamName, i), "Filter " + std::to_string(b + 1) + " " + kinds[k]);
            EXPECT_EQ(Host.Text(effGetParamLabel, i), units[k]);
            EXPECT_EQ(Host.Text(effGetParamDisplay, i), displays[b][k]);
            const int labelBand = i == 8 ? 2 : i == 20 ? 5 : b + 1;
            EXPECT_EQ(Module->ParameterProperties()[i].ShortLabel(), shorts[k] + std::to_string(labelBand));
        }
    EXPECT_EQ(Host.Text(effGetParamName, 32), "Volume");
    EXPECT_EQ(Host.Text(effGetParamLabel, 32), "dB");
    EXPECT_EQ(Host.Text(effGetParamDisplay, 32), "0");
    EXPECT_EQ(Host.Text(effGetParamName, 33), "undefined");
    EXPECT_EQ(Module->ParameterProperties()[32].ShortLabel(), "");
    EXPECT_EQ(Module->ParameterProperties()[3].StepFloat, 1.0f);
    EXPECT_EQ(Module->ParameterProperties()[7].StepFloat, 0.1f);
    EXPECT_EQ(Module->ParameterProperties()[0].Curve, ctLogarithmic);
}

TEST_F(SmallEQ, NormalisedValuesOfTheInitialSetting)
{
    const std::pair<int, double> expected[] = {
        {0, std::log(1000.0 * 11.5 / 19980.0 + 1.0) / std::log(1001.0)},
        {8, std::log(1000.0 * 480.0 / 19980.0 + 1.0) / std::log(1001.0)},
        {1, 0.5}, {2, 0.5}, {3, 0.0}, {7, 0.25}, {11, 0.5}, {27, 0.75}, {31, 1.0}, {32, 40.0 / 46.0}};
    for (auto [index, value] : expected)
        EXPECT_NEAR(Host.E->getParameter(Host.E, index), value, 1e-6) << index;
    // A host write of a normalised value lands in real units.
    Host.E->setParameter(Host.E, 1, 0.75f);
    EXPECT_EQ(Module->Parameter(1), 7.5f);
}

// The description tells adapters what the module does: it starts at the described defaults, and every
// handler keeps a value up to the declared maximum inside the described limits.
TEST_F(SmallEQ, StartsAtItsDescribedDefaultsAndKeepsItsDescribedLimits)
{
    const char* const Kinds[4] = {"freq", "gain", "bw", "sym"};
    for (int i = 0; i < TSmallEQModule::kParameterCount; ++i)
    {
        const TVstParameterDescription D = Module->ParameterDescription(i);
        EXPECT_EQ(D.Symbol, i == 32 ? std::string("volume") : Kinds[i % 4] + std::to_string(i / 4 + 1));
        EXPECT_EQ(Module->Parameter(i), D.Default) << D.Symbol;
    }
    for (int i = 0; i < TSmallEQModule::kParameterCount; ++i)
    {
        const TVstParameterDescription D = Module->ParameterDescription(i);
        for (const float Written : {D.Min, D.Max, D.Min - 1.0f, (D.Min + D.Max) / 2.0f})
        {
            Module->SetParameterAutomated(i, Written);
            EXPECT_EQ(Module->Parameter(i), LimitedReal(D, Written)) << D.Symbol << " " << Written;
        }
    }
}

TEST_F(SmallEQ, HandlersLimitValuesAndPassThemBack)
{
    struct TCase
    {
        int Index;
        float Written, Stored;
    } cases[] = {{4, 10.0f, 20.0f},     {4, 30000.0f, 20000.0f}, {4, NAN, 20.0f},   {5, 20.0f, 15.0f},
                 {5, -99.0f, -15.0f},   {7, 2.0f, 1.0f},         {7, -3.0f, -1.0f}, {32, -40.0f, -15.0f},
                 {32, 6.0f, 6.0f},      {32, 20.0f, 15.0f},      {6, 5.0f, 1.0f},   {6, -2.0f, 0.0f}};
    for (const TCase& c : cases)
    {
        Module->SetParameterAutomated(c.Index, c.Written);
        EXPECT_EQ(Module->Parameter(c.Index), c.Stored) << c.Index << " " << c.Written;
    }
    Module->SetParameterAutomated(4, 10.0f);
    EXPECT_EQ(Module->Filters[0][1]->Frequency(), 20.0);
    EXPECT_EQ(Module->Filters[1][1]->Frequency(), 20.0);
    Module->SetParameterAutomated(32, -40.0f);
    EXPECT_NEAR(Module->VolumeFactor(), 0.1778, 1e-4);
    EXPECT_EQ(Module->VolumeFactor(), static_cast<double>(static_cast<float>(Module->VolumeFactor())));
    Module->SetParameterAutomated(6, 0.5f);
    EXPECT_EQ(Module->Filters[0][1]->Bandwidth(), 1.0);
    EXPECT_EQ(Module->Filters[1][1]->Bandwidth(), 1.0);
    // Bandwidth display: two significant digits, two decimals.
    for (auto [control, text] : {std::pair{0.0f, "0.10"}, {1.0f, "10.00"}, {0.8f, "4.00"}, {0.6f, "1.60"}})
    {
        Module->SetParameterAutomated(6, control);
        EXPECT_EQ(Host.Text(effGetParamDisplay, 6), text) << control;
    }
}

TEST_F(SmallEQ, BandwidthTextsAreReadInTheOctavesTheyShow)
{
    const auto Read = [&](int Index, const char* Text) {
        return Host.Dispatch(effString2Parameter, Index, 0, const_cast<char*>(Text));
    };
    // What a display shows, handed back, shows the same again on every band with the octave display.
    for (int Index = 2; Index <= 26; Index += 4)
        for (float Control : {0.0f, 0.05f, 0.2f, 0.37f, 0.5f, 0.63f, 0.8f, 0.95f, 1.0f})
        {
            Module->SetParameterAutomated(Index, Control);
            const std::string Shown = Host.Text(effGetParamDisplay, Index);
            ASSERT_EQ(Read(Index, Shown.c_str()), 1) << Index << " " << Shown;
            EXPECT_EQ(Host.Text(effGetParamDisplay, Index), Shown) << Index << " " << Control;
            EXPECT_NEAR(Module->Parameter(Index), Control, 0.01f) << Index << " " << Shown;
        }
    // Octaves to the control, limited to 0..1; band 8's bandwidth and the other kinds read real values.
    const struct
    {
        int Index;
        const char* Text;
        float Stored;
    } Numbers[] = {{2, "1", 0.5f},           {6, " +2 ", 0.5f + 1.0f / 6.644f}, {10, "0.5", 0.5f - 1.0f / 6.644f},
                   {14, "100", 1.0f},        {18, "0", 0.0f},                 {22, "-3", 0.0f},
                   {26, "0.05", 0.0f},       {30, "0.25", 0.25f},             {30, "4", 1.0f},
                   {4, "1000", 1000.0f},     {5, "-2.5", -2.5f}};
    for (const auto& N : Numbers)
    {
        EXPECT_EQ(Read(N.Index, N.Text), 1) << N.Index << " '" << N.Text << "'";
        EXPECT_NEAR(Module->Parameter(N.Index), N.Stored, 1e-6f) << N.Index << " '" << N.Text << "'";
    }
    Module->SetParameterAutomated(6, 0.3f);
    for (const char* Text : {"", "  ", "one", "1.0x", "inf", "nan", "++1", "1e999"})
    {
        EXPECT_EQ(Read(6, Text), 0) << "'" << Text << "'";
        EXPECT_EQ(Module->Parameter(6), 0.3f) << "'" << Text << "'";
    }
    EXPECT_EQ(Host.Dispatch(effString2Parameter, 6, 0, nullptr), 0);
    EXPECT_EQ(Module->Parameter(6), 0.3f);
}

TEST_F(SmallEQ, TransparentAfterConstructionAndEmptyBlocksChangeNothing)
{
    std::mt19937 random(5);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    std::vector<float> left(4096), right(4096);
    for (std::size_t i = 0; i < left.size(); ++i)
        left[i] = u(random), right[i] = u(random);
    std::vector<float> l = left, r = right;
    Host.Process(l, r);
    for (std::size_t i = 0; i < left.size(); ++i)
    {
        ASSERT_NEAR(l[i], left[i], 1e-6f) << i;
        ASSERT_NEAR(r[i], right[i], 1e-6f) << i;
    }
    const float meter[2] = {Module->LevelMeter(0), Module->LevelMeter(1)};
    float sentinel = 42.0f;
    float* planes[2] = {&sentinel, &sentinel};
    Host.E->processReplacing(Host.E, planes, planes, 0);
    Host.E->processReplacing(Host.E, planes, planes, -5);
    EXPECT_EQ(sentinel, 42.0f);
    EXPECT_EQ(Module->LevelMeter(0), meter[0]);
    EXPECT_EQ(Module->LevelMeter(1), meter[1]);
}

TEST_F(SmallEQ, LevelMeterFollowsTheOutput)
{
    EXPECT_EQ(Module->LevelDb(0), -400.0f);
    EXPECT_EQ(Module->LevelDb(1), -400.0f);
    EXPECT_THROW(
        try { Module->LevelDb(2); } catch (const EMarvoError& e) {
            EXPECT_STREQ(e.what(), "not allowed");
            throw;
        },
        EMarvoError);
    EXPECT_THROW(Module->LevelDb(-1), EMarvoError);
    // A constant 1 through transparent bands: time constant of about 1000 samples, towards 1.
    std::vector<float> left(1000, 1.0f), right(1000, 0.5f);
    Host.Process(left, right);
    EXPECT_NEAR(Module->LevelMeter(0), 1.0 - std::exp(-1.0), 0.01);
    EXPECT_NEAR(Module->LevelMeter(1), 0.5 * (1.0 - std::exp(-1.0)), 0.005);
    EXPECT_NEAR(Module->LevelDb(0), 20.0 * std::log10(Module->LevelMeter(0)), 1e-4);
}

// The module's transfer is the product of its eight bands' responses times the volume factor.
TEST_F(SmallEQ, TransferIsTheProductOfTheBandResponses)
{
    const std::vector<std::vector<std::pair<int, float>>> settings = {
        {{1, 6}, {5, -4}, {9, 3}, {13, -6}, {17, 5}, {21, -3}, {25, 4}, {29, -5}},
        {{1, 10}, {29, -8}, {13, 12}, {14, 0.3f}, {15, 0.3f}, {32, -6}},
        {{0, 60}, {4, 150}, {8, 400}, {12, 900}, {16, 2500}, {20, 5000}, {24, 9000}, {28, 14000},
         {1, -12}, {5, 9}, {9, -6}, {13, 12}, {17, -9}, {21, 6}, {25, -3}, {29, 3},
         {2, 0.6f}, {6, 0.4f}, {10, 0.7f}, {14, 0.35f}, {18, 0.55f}, {22, 0.45f}, {26, 0.65f}, {30, 0.5f},
         {3, -0.8f}, {7, 0.2f}, {11, -0.3f}, {15, 0.6f}, {19, 0.0f}, {23, -1}, {27, 0.9f}, {31, 1}, {32, 3}}};
    for (std::size_t s = 0; s < settings.size(); ++s)
    {
        SCOPED_TRACE(s);
        Set(settings[s]);
        std::vector<float> left, right;
        ImpulseResponses(Host, 65536, 4096, left, right);
        for (double f : {50.0, 100.0, 315.0, 1000.0, 3150.0, 7000.0, 12000.0, 18000.0})
        {
            double expected = Module->VolumeFactor();
            for (int b = 0; b < 8; ++b)
                expected *= Module->Filter(b)->ResponseMagnitude(f);
            EXPECT_NEAR(MagnitudeAt(left, f, 44100.0), expected, 1e-4 * expected) << f << " Hz";
            EXPECT_NEAR(MagnitudeAt(right, f, 44100.0), expected, 1e-4 * expected) << f << " Hz";
        }
        // Flush the states before the next setting.
        std::vector<float> silence(65536, 0.0f), silence2(65536, 0.0f);
        Host.Process(silence, silence2);
    }
}

// A 1 kHz bell stays at 1 kHz when the host switches the rate, also while the host does what real hosts
// do: rate and block size before effOpen and again later, effMainsChanged twice, idle calls without an
// editor, huge blocks.
TEST_F(SmallEQ, BellStaysAtItsFrequencyAcrossSampleRateChanges)
{
    Host.Dispatch(effSetSampleRate, 0, 0, nullptr, 96000.0f);
    Host.Dispatch(effSetBlockSize, 0, 8192);
    Host.Dispatch(effOpen);
    Host.Dispatch(effMainsChanged, 0, 1);
    Host.Dispatch(effMainsChanged, 0, 1);
    Set({{12, 1000}, {13, 12}, {14, 1.0f}, {15, 0}});
    for (float rate : {48000.0f, 44100.0f, 48000.0f})
    {
        SCOPED_TRACE(rate);
        Host.Dispatch(effSetSampleRate, 0, 0, nullptr, rate);
        Host.Dispatch(effSetBlockSizeAndSampleRate, 0, 512, nullptr, rate);
        // Rates no filter can run at are ignored.
        Host.Dispatch(effSetSampleRate, 0, 0, nullptr, 0.0f);
        Host.Dispatch(effSetSampleRate, 0, 0, nullptr, -44100.0f);
        for (int i = 0; i < 50; ++i)
            Host.Dispatch(effEditIdle);
        std::vector<float> left, right;
        ImpulseResponses(Host, 1 << 16, 1 << 15, left, right);
        const double gain = std::pow(10.0, 12.0 / 20.0);
        EXPECT_NEAR(MagnitudeAt(left, 1000.0, rate), gain, 1e-3 * gain);
        EXPECT_NEAR(MagnitudeAt(right, 1000.0, rate), gain, 1e-3 * gain);
        EXPECT_LT(MagnitudeAt(left, 1100.0, rate), 0.9 * gain);
        EXPECT_NEAR(Module->Filter(3)->ResponseMagnitude(1000.0), gain, 1e-6 * gain);
    }
    Host.Dispatch(effMainsChanged, 0, 0);
}

// Both builds give the same audio bit for bit: a fixed setting written through the handlers (coefficients
// from our own x87 maths) and an integer-generated stimulus, digested over outputs and meters.
TEST_F(SmallEQ, OutputDigestIsTheSameInBothBuilds)
{
    Set({{0, 60}, {4, 150}, {8, 400}, {12, 900}, {16, 2500}, {20, 5000}, {24, 9000}, {28, 14000},
         {1, -12}, {5, 9}, {9, -6}, {13, 12}, {17, -9}, {21, 6}, {25, -3}, {29, 3},
         {2, 0.6f}, {6, 0.4f}, {10, 0.7f}, {14, 0.35f}, {18, 0.55f}, {22, 0.45f}, {26, 0.65f}, {30, 0.5f},
         {3, -0.8f}, {7, 0.2f}, {11, -0.3f}, {15, 0.6f}, {19, 0.0f}, {23, -1}, {27, 0.9f}, {31, 1}, {32, 3}});
    Host.Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    std::uint32_t seed = 12345;
    TFnv1a64 digest;
    const auto mix = [&digest](std::uint32_t bits) { digest.Add(bits); };
    for (std::size_t frames : {1u, 7u, 576u, 4096u})
    {
        std::vector<float> left(frames), right(frames);
        for (std::size_t i = 0; i < frames; ++i)
        {
            seed = seed * 1664525u + 1013904223u;
            left[i] = static_cast<float>(static_cast<std::int32_t>(seed >> 8) - 0x800000) * 0x1p-23f;
            right[i] = i % 64 < 32 ? 0.5f : -0.5f;
        }
        Host.Process(left, right);
        for (std::size_t i = 0; i < frames; ++i)
            mix(std::bit_cast<std::uint32_t>(left[i])), mix(std::bit_cast<std::uint32_t>(right[i]));
        mix(std::bit_cast<std::uint32_t>(Module->LevelMeter(0)));
        mix(std::bit_cast<std::uint32_t>(Module->LevelMeter(1)));
    }
    EXPECT_EQ(digest.Hash, 0x8c34976ac5ee771ull);
}

TEST_F(SmallEQ, SnapshotsKeepTheirOwnValues)
{
    Host.Dispatch(effOpen);
    const std::vector<float> initial = Parameters();
    Module->SelectSnapshot(0);
    EXPECT_EQ(Parameters(), initial);
    Module->SelectSnapshot(3);
    EXPECT_EQ(Module->CurrentSnapshot, 3);
    Set({{1, 5}, {32, -3}});
    const std::vector<float> third = Parameters();
    Module->SelectSnapshot(0);
    EXPECT_EQ(Parameters(), initial);
    Module->SelectSnapshot(3);
    EXPECT_EQ(Parameters(), third);
    // Slots 6 and 7 are stored and recalled like every other; leaving 7 does not overwrite 5.
    Module->SelectSnapshot(6);
    Set({{5, -7}});
    const std::vector<float> sixth = Parameters();
    Module->SelectSnapshot(7);
    Set({{9, 2}});
    const std::vector<float> seventh = Parameters();
    Module->SelectSnapshot(5);
    EXPECT_EQ(Parameters(), initial);
    Module->SelectSnapshot(6);
    EXPECT_EQ(Parameters(), sixth);
    Module->SelectSnapshot(7);
    EXPECT_EQ(Parameters(), seventh);
    // StoreSnapshot copies without switching.
    Module->StoreSnapshot(1);
    EXPECT_EQ(Module->CurrentSnapshot, 7);
    EXPECT_EQ(Module->Snapshots[1], seventh);
    EXPECT_THROW(Module->SelectSnapshot(8), EMarvoError);
}

// The equaliser's own requests: levels shown on the meter, snapshots read and replaced whole; a malformed
// request, or a code that is not the equaliser's, answers 0 and changes nothing.
TEST_F(SmallEQ, OwnRequestsShowLevelsAndHandOverSnapshots)
{
    const std::pair<float, float> Levels[] = {{0.0f, 0.0f},       {-20.0f, -20.0f}, {6.0f, 6.0f},
                                              {-1000.0f, -400.0f}, {NAN, -400.0f},   {1e30f, 100.0f}};
    for (auto [Db, Shown] : Levels)
    {
        float Both[2] = {Db, -6.0f};
        EXPECT_EQ(Host.Dispatch(effVendorSpecific, kSEQRequestShowLevels, 0, Both), 1);
        EXPECT_NEAR(Module->LevelDb(0), Shown, 1e-3) << Db;
        EXPECT_NEAR(Module->LevelDb(1), -6.0f, 1e-3);
    }

    Host.Dispatch(effOpen);
    Module->SelectSnapshot(2);
    Set({{13, 7.5f}});
    Module->StoreSnapshot(4);
    TSEQSnapshotSet Snap;
    ASSERT_EQ(Host.Dispatch(effVendorSpecific, kSEQRequestGetSnapshots, sizeof Snap, &Snap), 1);
    EXPECT_EQ(Snap.Current, 2);
    EXPECT_EQ(Snap.Values[4][13], 7.5f);

    // Replaced whole, each value limited to its declared range; the present setting stays.
    Snap.Current = 6;
    Snap.Values[5][0] = 50000.0f;
    Snap.Values[5][1] = NAN;
    Snap.Values[5][32] = -3.0f;
    ASSERT_EQ(Host.Dispatch(effVendorSpecific, kSEQRequestSetSnapshots, sizeof Snap, &Snap), 1);
    EXPECT_EQ(Module->CurrentSnapshot, 6);
    EXPECT_EQ(Module->Parameter(13), 7.5f);
    EXPECT_EQ(Module->Snapshots[5][0], 20000.0f);
    EXPECT_EQ(Module->Snapshots[5][1], -15.0f);
    Module->SelectSnapshot(5);
    EXPECT_EQ(Module->Parameter(0), 20000.0f);
    EXPECT_EQ(Module->Parameter(32), -3.0f);

    Snap.Current = 8;
    Snap.Values[0][0] = 77.0f;
    EXPECT_EQ(Host.Dispatch(effVendorSpecific, kSEQRequestSetSnapshots, sizeof Snap, &Snap), 0);
    Snap.Current = 0;
    EXPECT_EQ(Host.Dispatch(effVendorSpecific, kSEQRequestSetSnapshots, sizeof Snap - 4, &Snap), 0);
    EXPECT_EQ(Host.Dispatch(effVendorSpecific, kSEQRequestGetSnapshots, sizeof Snap, nullptr), 0);
    EXPECT_EQ(Host.Dispatch(effVendorSpecific, SEQRequestCode("MvXx"), sizeof Snap, &Snap), 0);
    EXPECT_NE(Module->Snapshots[0][0], 77.0f);
}

} // namespace
