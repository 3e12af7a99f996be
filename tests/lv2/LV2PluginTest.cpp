// The LV2 plug-in instance as a host drives it: the audio against the effect's own, the bypass, the meters,
// the state, and what a careless host hands it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <lv2/atom/atom.h>

#include "equaliser/SEQRequests.h"
#include "equaliser/SmallEQModule.h"
#include "lv2/LV2Entry.h"
#include "lv2/LV2Plugin.h"
#include "platform/FPUControl.h"
#include "vstplugin/DVSTVersionHost.h"

namespace
{

using namespace LV2Marvo;

constexpr double kRate = 48000.0;
constexpr std::uint32_t kParameters = 33;
constexpr std::uint32_t kGain4 = kFirstParameterPort + 13;

std::vector<float> Tone(std::size_t Frames, double Hz, float Amplitude)
{
    std::vector<float> S(Frames);
    for (std::size_t I = 0; I < Frames; ++I)
        S[I] = Amplitude * static_cast<float>(std::sin(2.0 * 3.141592653589793 * Hz * static_cast<double>(I) / kRate));
    return S;
}

// One instance with every port connected to storage of its own; controls start at their defaults.
struct THostedPlugin
{
    std::unique_ptr<TLV2Equaliser> P;
    std::vector<float> Controls;
    float Enabled = 1.0f;
    float Level[2] = {0.0f, 0.0f};

    explicit THostedPlugin(const LV2_Feature* const* Features = nullptr)
        : P(TLV2Equaliser::Create(kRate, Features)), Controls(kParameters)
    {
        if (!P)
            throw std::runtime_error("no instance");
        for (std::uint32_t I = 0; I < kParameters; ++I)
        {
            Controls[I] = (*SharedControls())[I].Default;
            P->ConnectPort(kFirstParameterPort + I, &Controls[I]);
        }
        P->ConnectPort(EnabledPort(kParameters), &Enabled);
        P->ConnectPort(LevelPort(kParameters, 0), &Level[0]);
        P->ConnectPort(LevelPort(kParameters, 1), &Level[1]);
        P->Activate();
    }
    float& Control(std::uint32_t Port) { return Controls[Port - kFirstParameterPort]; }

    // Runs L, R through the plug-in in blocks of Block frames (output to separate planes, or in place).
    void Process(std::vector<float>& L, std::vector<float>& R, std::size_t Block, bool InPlace = false)
    {
        std::vector<float> OutL(L.size()), OutR(R.size());
        for (std::size_t At = 0; At < L.size(); At += Block)
        {
            const std::size_t N = std::min(Block, L.size() - At);
            P->ConnectPort(kPortInLeft, &L[At]);
            P->ConnectPort(kPortInRight, &R[At]);
            P->ConnectPort(kPortOutLeft, InPlace ? &L[At] : &OutL[At]);
            P->ConnectPort(kPortOutRight, InPlace ? &R[At] : &OutR[At]);
            P->Run(static_cast<std::uint32_t>(N));
        }
        if (!InPlace)
        {
            L = OutL;
            R = OutR;
        }
    }
};

// The effect alone, as a VST host runs it: opened at the rate, parameters normalised, one whole block.
void ProcessDirectly(std::vector<float>& L, std::vector<float>& R, const std::vector<std::pair<int, float>>& Set)
{
    TFPUControlScope FPU;
    AEffect* E = LV2EqualiserMain(&VersionOnlyHost);
    ASSERT_NE(E, nullptr);
    E->dispatcher(E, effOpen, 0, 0, nullptr, 0.0f);
    E->dispatcher(E, effSetSampleRate, 0, 0, nullptr, static_cast<float>(kRate));
    E->dispatcher(E, effMainsChanged, 0, 1, nullptr, 0.0f);
    for (const auto& [Index, Value] : Set)
        E->setParameter(E, Index, Value);
    float* Planes[2] = {L.data(), R.data()};
    E->processReplacing(E, Planes, Planes, static_cast<VstInt32>(L.size()));
    E->dispatcher(E, effClose, 0, 0, nullptr, 0.0f);
}

TEST(LV2Plugin, OutputIsTheEffectsOwnBitForBitInAnyBlockSize)
{
    const auto Reference = [] {
        std::vector<float> L = Tone(4000, 1000.0, 0.3f), R = Tone(4000, 100.0, 0.3f);
        ProcessDirectly(L, R, {{13, 0.9f}, {0, 0.25f}, {32, 0.8f}});
        return std::make_pair(L, R);
    }();
    for (const auto& [Block, InPlace] : {std::pair<std::size_t, bool>{1, false}, {7, true}, {4000, false}, {333, true}})
    {
        THostedPlugin H;
        const LV2Marvo::TControl* C = SharedControls()->data();
        H.Control(kGain4) = 12.0f;
        H.Control(kFirstParameterPort + 0) = NormalizedToReal(C[0], 0.25f);
        H.Control(kFirstParameterPort + 32) = NormalizedToReal(C[32], 0.8f);
        std::vector<float> L = Tone(4000, 1000.0, 0.3f), R = Tone(4000, 100.0, 0.3f);
        H.Process(L, R, Block, InPlace);
        EXPECT_EQ(std::memcmp(L.data(), Reference.first.data(), L.size() * sizeof(float)), 0) << Block;
        EXPECT_EQ(std::memcmp(R.data(), Reference.second.data(), R.size() * sizeof(float)), 0) << Block;
    }
}

TEST(LV2Plugin, BypassFadesWithoutAStepAndThenPassesTheInputUnchanged)
{
    THostedPlugin H;
    H.Control(kGain4) = 15.0f;
    // The switch falls on a crest of the tone, where an abrupt one would step the most.
    const std::size_t Half = 4812, Fade = static_cast<std::size_t>(0.010 * kRate);
    const std::vector<float> In = Tone(2 * Half + 2 * Fade, 1000.0, 0.1f);
    std::vector<float> L(In.begin(), In.begin() + Half), R = L;
    H.Process(L, R, 64);
    std::vector<float> Out = L;
    H.Enabled = 0.0f;
    L.assign(In.begin() + Half, In.end());
    R = L;
    H.Process(L, R, 64);
    Out.insert(Out.end(), L.begin(), L.end());
    // The wet tone is about 5.6 times the dry one; no step between neighbours exceeds the wet tone's own.
    const float WetSlope = 0.1f * 5.7f * static_cast<float>(2.0 * 3.141592653589793 * 1000.0 / kRate);
    for (std::size_t I = Half - 100; I < Half + Fade + 100; ++I)
        ASSERT_LE(std::fabs(Out[I] - Out[I - 1]), WetSlope * 1.05f) << I;
    for (std::size_t I = Half + Fade; I < Out.size(); ++I)
        ASSERT_EQ(Out[I], In[I]) << I;
}

// The ports are the equaliser's own meter (what its editor shows), also in blocks shorter than the meter's
// reading interval; while bypassed they follow what goes out, and hand back to the equaliser's afterwards.
TEST(LV2Plugin, LevelPortsAreTheEqualisersMeter)
{
    for (const std::size_t Block : {1u, 256u, 1000u})
    {
        THostedPlugin H;
        std::vector<float> L = Tone(9600, 1000.0, 0.5f), R(9600, 0.0f);
        H.Process(L, R, Block);
        float Db[2] = {};
        AEffect* E = H.P->Effect();
        ASSERT_EQ(E->dispatcher(E, effVendorSpecific, kSEQRequestGetLevels, 0, Db, 0.0f), 1);
        // A sine reads 20 log10(2A / pi): -9.94 dB for A = 0.5.
        EXPECT_NEAR(H.Level[0], -9.94f, 0.1f) << Block;
        EXPECT_NEAR(H.Level[0], Db[0], 0.05f) << Block; // read up to 255 frames earlier
        EXPECT_EQ(H.Level[1], kLevelFloorDb);
    }

    // Band 4 at +12 dB on the tone: bypassed, the ports read the dry tone, not the equaliser's louder output.
    THostedPlugin H;
    H.Control(kGain4) = 12.0f;
    std::vector<float> L = Tone(9600, 1000.0, 0.25f), R = L;
    H.Process(L, R, 512);
    EXPECT_NEAR(H.Level[0], 20.0f * std::log10(2.0f * 0.25f * 3.98f / 3.14159265f), 0.3f);
    H.Enabled = 0.0f;
    L = Tone(9600, 1000.0, 0.25f), R = L;
    H.Process(L, R, 512);
    EXPECT_NEAR(H.Level[0], 20.0f * std::log10(2.0f * 0.25f / 3.14159265f), 0.1f);
    H.Enabled = 1.0f;
    L = Tone(9600, 1000.0, 0.25f), R = L;
    H.Process(L, R, 512);
    EXPECT_NEAR(H.Level[0], 20.0f * std::log10(2.0f * 0.25f * 3.98f / 3.14159265f), 0.3f);
}

// A host that gives too little or too much: no crash, nothing non-finite in the output.
TEST(LV2Plugin, CarelessHostsGetFiniteOutput)
{
    EXPECT_EQ(TLV2Equaliser::Create(0.0, nullptr), nullptr);
    EXPECT_EQ(TLV2Equaliser::Create(-44100.0, nullptr), nullptr);
    EXPECT_EQ(TLV2Equaliser::Create(std::numeric_limits<double>::quiet_NaN(), nullptr), nullptr);
    EXPECT_EQ(TLV2Equaliser::Create(std::numeric_limits<double>::infinity(), nullptr), nullptr);

    const float Odd[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity(), 1e30f, -1e30f};
    for (const float Value : Odd)
    {
        THostedPlugin H;
        for (float& C : H.Controls)
            C = Value;
        H.Enabled = Value;
        std::vector<float> L = Tone(2048, 440.0, 0.9f), R = L;
        H.Process(L, R, 512);
        for (std::size_t I = 0; I < L.size(); ++I)
            ASSERT_TRUE(std::isfinite(L[I]) && std::isfinite(R[I])) << Value << " at " << I;
        EXPECT_TRUE(std::isfinite(H.Level[0]));
    }

    // Run before Activate, zero frames, and audio ports left unconnected (the connected output is silenced).
    std::unique_ptr<TLV2Equaliser> P(TLV2Equaliser::Create(kRate, nullptr));
    ASSERT_TRUE(P);
    std::vector<float> In = Tone(64, 440.0, 0.5f), Out(64, 1.0f);
    P->ConnectPort(kPortInLeft, In.data());
    P->ConnectPort(kPortInRight, In.data());
    P->ConnectPort(kPortOutLeft, Out.data());
    P->Run(0);
    EXPECT_EQ(Out[0], 1.0f);
    P->Run(64);
    for (const float S : Out)
        ASSERT_EQ(S, 0.0f);
    std::vector<float> OutR(64);
    P->ConnectPort(kPortOutRight, OutR.data());
    P->Run(64);
    for (std::size_t I = 0; I < 64; ++I)
        ASSERT_TRUE(std::isfinite(Out[I]) && std::isfinite(OutR[I]));
    P->ConnectPort(kPortOutRight, nullptr);
    P->ConnectPort(kFirstParameterPort + 3, nullptr);
    P->ConnectPort(9999, Out.data());
    P->Run(64);
}

// A URID map and a state store of the simplest kind, as a host keeps them.
struct TStateHost
{
    std::map<std::string, LV2_URID> Ids;
    std::map<std::uint32_t, std::pair<std::string, std::uint32_t>> Stored;
    LV2_URID_Map Map{this, [](LV2_URID_Map_Handle H, const char* Uri) -> LV2_URID {
                         auto& Ids = static_cast<TStateHost*>(H)->Ids;
                         return Ids.emplace(Uri, static_cast<LV2_URID>(Ids.size() + 1)).first->second;
                     }};
    LV2_Feature MapFeature{LV2_URID__map, &Map};
    const LV2_Feature* Features[2] = {&MapFeature, nullptr};

    static LV2_State_Status Store(LV2_State_Handle H, uint32_t Key, const void* Value, size_t Size, uint32_t Type,
                                  uint32_t)
    {
        static_cast<TStateHost*>(H)->Stored[Key] = {std::string(static_cast<const char*>(Value), Size), Type};
        return LV2_STATE_SUCCESS;
    }
    static const void* Retrieve(LV2_State_Handle H, uint32_t Key, size_t* Size, uint32_t* Type, uint32_t* Flags)
    {
        auto& Stored = static_cast<TStateHost*>(H)->Stored;
        const auto It = Stored.find(Key);
        if (It == Stored.end())
            return nullptr;
        *Size = It->second.first.size();
        *Type = It->second.second;
        *Flags = 0;
        return It->second.first.data();
    }
};

TSmallEQModule* Module(AEffect* E)
{
    return dynamic_cast<TSmallEQModule*>(static_cast<TCustomVSTModule*>(E->object));
}

std::string ProgramName(AEffect* E)
{
    char Name[256] = {};
    E->dispatcher(E, effGetProgramName, 0, 0, Name, 0.0f);
    return Name;
}

TEST(LV2Plugin, StateBringsBackTheProgramName)
{
    TStateHost Host;
    THostedPlugin A(Host.Features), B(Host.Features);
    char Name[] = "Headphones";
    A.P->Effect()->dispatcher(A.P->Effect(), effSetProgramName, 0, 0, Name, 0.0f);
    ASSERT_EQ(A.P->Save(&TStateHost::Store, &Host), LV2_STATE_SUCCESS);
    ASSERT_EQ(B.P->Restore(&TStateHost::Retrieve, &Host), LV2_STATE_SUCCESS);
    EXPECT_EQ(ProgramName(B.P->Effect()), "Headphones");

    // A value of another type is refused and changes nothing; without urid:map there is no state.
    Host.Stored.begin()->second.second = Host.Map.map(&Host, LV2_ATOM__Int);
    EXPECT_EQ(B.P->Restore(&TStateHost::Retrieve, &Host), LV2_STATE_ERR_BAD_TYPE);
    THostedPlugin C;
    EXPECT_EQ(C.P->Save(&TStateHost::Store, &Host), LV2_STATE_ERR_NO_FEATURE);
}

// The snapshots travel with the state: stored in one instance, saved, restored into a fresh one, where
// selecting a snapshot brings its values back. A snapshot value of the wrong shape is refused.
TEST(LV2Plugin, StateBringsBackTheSnapshots)
{
    TStateHost Host;
    THostedPlugin A(Host.Features), B(Host.Features);
    // What the editor does on a ctrl-click: the present setting (gain 4 from its port) into snapshot 5,
    // then snapshot 2 selected.
    std::vector<float> L(64, 0.0f), R(64, 0.0f);
    A.Control(kGain4) = 9.5f;
    A.Process(L, R, 64);
    Module(A.P->Effect())->StoreSnapshot(5);
    Module(A.P->Effect())->SelectSnapshot(2);
    ASSERT_EQ(A.P->Save(&TStateHost::Store, &Host), LV2_STATE_SUCCESS);
    ASSERT_EQ(B.P->Restore(&TStateHost::Retrieve, &Host), LV2_STATE_SUCCESS);

    TSmallEQModule* Restored = Module(B.P->Effect());
    EXPECT_EQ(Restored->CurrentSnapshot, 2);
    EXPECT_EQ(Restored->Snapshots[5], Module(A.P->Effect())->Snapshots[5]);
    EXPECT_EQ(Restored->Parameter(13), 0.0f);
    Restored->SelectSnapshot(5);
    EXPECT_EQ(Restored->Parameter(13), 9.5f);

    // Wrong shapes are refused and change nothing.
    THostedPlugin C(Host.Features);
    const LV2_URID Key = Host.Map.map(&Host, kSnapshotsKey);
    std::string& Body = Host.Stored[Key].first;
    Body.pop_back();
    EXPECT_EQ(C.P->Restore(&TStateHost::Retrieve, &Host), LV2_STATE_ERR_BAD_TYPE);
    Body.push_back(0);
    Host.Stored[Key].second = Host.Map.map(&Host, LV2_ATOM__Int);
    EXPECT_EQ(C.P->Restore(&TStateHost::Retrieve, &Host), LV2_STATE_ERR_BAD_TYPE);
    EXPECT_EQ(Module(C.P->Effect())->CurrentSnapshot, 0);
    EXPECT_EQ(Module(C.P->Effect())->Snapshots[5][13], 0.0f);
}

} // namespace
