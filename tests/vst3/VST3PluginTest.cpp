// SmallEQ.vst3 in our own host: the factory, the parameters, the audio against SmallEQ (VST 2) bit for bit,
// changes at their sample offsets, the bypass, the state, and hosts that misbehave.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>

#include "equaliser/SEQRequests.h"
#include "vst3/VST3Equaliser.h"
#include "vst3/VST3TestHost.h"
#include "vstplugin/DVSTEffect.h"
#include "vstplugin/DVSTParameterDescription.h"

using namespace VST3Test;

namespace
{

constexpr ParamID kBypass = 1000;
constexpr int kParameters = 33;

VstIntPtr VSTCALL ReferenceHost(AEffect*, VstInt32 Opcode, VstInt32, VstIntPtr, void*, float)
{
    return Opcode == audioMasterVersion ? 2400 : 0;
}

// SmallEQ as the VST 2 plug-in library, driven through its record.
class TReference
{
public:
    TReference() : FLibrary(LoadDynamicLibrary(BesideTests(MARVO_SMALLEQ)))
    {
        auto Main = reinterpret_cast<TMainProc>(GetLibraryEntry(FLibrary, "VSTPluginMain"));
        E = Main ? Main(&ReferenceHost) : nullptr;
        if (!E)
            throw std::runtime_error("no VST 2 reference");
        E->dispatcher(E, effOpen, 0, 0, nullptr, 0.0f);
        E->dispatcher(E, effSetSampleRate, 0, 0, nullptr, 44100.0f);
        E->dispatcher(E, effSetBlockSize, 0, 4096, nullptr, 0.0f);
        E->dispatcher(E, effMainsChanged, 0, 1, nullptr, 0.0f);
    }
    ~TReference()
    {
        E->dispatcher(E, effClose, 0, 0, nullptr, 0.0f);
        FreeDynamicLibrary(FLibrary);
    }
    std::vector<std::vector<float>> Run(const std::vector<std::vector<float>>& In, int Block)
    {
        std::vector<std::vector<float>> Out(2, std::vector<float>(In[0].size()));
        for (std::size_t Done = 0; Done < In[0].size(); Done += static_cast<std::size_t>(Block))
        {
            const auto N = std::min<std::size_t>(static_cast<std::size_t>(Block), In[0].size() - Done);
            float* I[2] = {const_cast<float*>(In[0].data()) + Done, const_cast<float*>(In[1].data()) + Done};
            float* O[2] = {Out[0].data() + Done, Out[1].data() + Done};
            E->processReplacing(E, I, O, static_cast<VstInt32>(N));
        }
        return Out;
    }
    AEffect* E = nullptr;

private:
    TLibraryHandle FLibrary;
};

// A random full setting: every parameter at a random normalised float.
std::vector<std::pair<ParamID, double>> RandomSetting(unsigned Seed)
{
    std::mt19937 Random(Seed);
    std::uniform_real_distribution<float> Value(0.0f, 1.0f);
    std::vector<std::pair<ParamID, double>> Setting;
    for (int I = 0; I < kParameters; ++I)
        Setting.emplace_back(static_cast<ParamID>(I), Value(Random));
    return Setting;
}

// The engine an effect runs (kSEQEngineReference or kSEQEngineFast).
VstIntPtr EngineOf(AEffect* E)
{
    return E->dispatcher(E, effVendorSpecific, kSEQRequestGetEngine, 0, nullptr, 0.0f);
}

bool AllFinite(const std::vector<std::vector<float>>& Signal)
{
    for (const auto& Channel : Signal)
        for (float S : Channel)
            if (!std::isfinite(S))
                return false;
    return true;
}

std::string Narrow(const char16* Text)
{
    std::string Out;
    for (; *Text; ++Text)
        Out.push_back(static_cast<char>(*Text));
    return Out;
}

class VST3Plugin : public ::testing::Test
{
protected:
    TModule Module{BesideTests(MARVO_VST3_MODULE)};
};

} // namespace

TEST_F(VST3Plugin, FactoryOffersOneAudioModuleWithItsStableIdentifier)
{
    ASSERT_NE(Module.Factory2, nullptr);
    ASSERT_NE(Module.Factory3, nullptr);
    EXPECT_EQ(Module.Factory->countClasses(), 1);
    PClassInfo2 Info{};
    ASSERT_EQ(Module.Factory2->getClassInfo2(0, &Info), kResultOk);
    EXPECT_STREQ(Info.category, "Audio Module Class");
    EXPECT_STREQ(Info.name, "SmallEQ");
    EXPECT_STREQ(Info.subCategories, "Fx|EQ");
    // A2792711-EC5A-4BDA-0486-85D4A54BE974: on Windows the first eight bytes in the COM GUID order.
#if defined(_WIN32)
    const unsigned char Expected[16] = {0x11, 0x27, 0x79, 0xA2, 0x5A, 0xEC, 0xDA, 0x4B,
                                        0x04, 0x86, 0x85, 0xD4, 0xA5, 0x4B, 0xE9, 0x74};
#else
    const unsigned char Expected[16] = {0xA2, 0x79, 0x27, 0x11, 0xEC, 0x5A, 0x4B, 0xDA,
                                        0x04, 0x86, 0x85, 0xD4, 0xA5, 0x4B, 0xE9, 0x74};
#endif
    EXPECT_EQ(std::memcmp(Info.cid, Expected, 16), 0);
    PClassInfoW Wide{};
    ASSERT_EQ(Module.Factory3->getClassInfoUnicode(0, &Wide), kResultOk);
    EXPECT_EQ(Narrow(Wide.name), "SmallEQ");
    EXPECT_EQ(std::memcmp(Wide.cid, Info.cid, 16), 0);
    EXPECT_NE(Module.Factory->getClassInfo(1, reinterpret_cast<PClassInfo*>(&Info)), kResultOk);

    void* Object = reinterpret_cast<void*>(1);
    const char Foreign[16] = {1, 2, 3};
    EXPECT_EQ(Module.Factory->createInstance(Foreign, kIComponentIid.Bytes, &Object), kNoInterface);
    EXPECT_EQ(Object, nullptr);
    EXPECT_EQ(Module.Factory->createInstance(Info.cid, kIPlugViewIid.Bytes, &Object), kNoInterface);
}

TEST_F(VST3Plugin, ParametersAreTheEffectsIndexesPlusABypass)
{
    TInstance P(Module);
    TReference Ref;
    ASSERT_EQ(P.Controller->getParameterCount(), kParameters + 1);
    for (int I = 0; I < kParameters; ++I)
    {
        ParameterInfo Info{};
        ASSERT_EQ(P.Controller->getParameterInfo(I, Info), kResultOk);
        char Name[256] = {}, Label[256] = {};
        Ref.E->dispatcher(Ref.E, effGetParamName, I, 0, Name, 0.0f);
        Ref.E->dispatcher(Ref.E, effGetParamLabel, I, 0, Label, 0.0f);
        EXPECT_EQ(Info.id, static_cast<ParamID>(I));
        EXPECT_EQ(Narrow(Info.title), Name);
        EXPECT_EQ(Narrow(Info.units), Label);
        EXPECT_EQ(Info.defaultNormalizedValue, Ref.E->getParameter(Ref.E, I)) << I;
        EXPECT_EQ(P.Controller->getParamNormalized(Info.id), Info.defaultNormalizedValue);
        EXPECT_EQ(Info.flags & ParameterInfo::kIsBypass, 0);
    }
    ParameterInfo Bypass{};
    ASSERT_EQ(P.Controller->getParameterInfo(kParameters, Bypass), kResultOk);
    EXPECT_EQ(Bypass.id, kBypass);
    EXPECT_NE(Bypass.flags & ParameterInfo::kIsBypass, 0);
    EXPECT_EQ(Bypass.stepCount, 1);
    EXPECT_NE(P.Controller->getParameterInfo(kParameters + 1, Bypass), kResultOk);

    String128 Text{};
    ASSERT_EQ(P.Controller->getParamStringByValue(0, 0.0, Text), kResultOk);
    EXPECT_EQ(std::stod(Narrow(Text)), 20.0);
    EXPECT_EQ(P.Controller->getParamStringByValue(77, 0.5, Text), kInvalidArgument);
}

// Plain values are the parameters' real units, as the framework's description converts them, both ways and
// bit for bit; a host that sets 12 (dB) on band 4's gain sets what the effect's own curve makes of it.
TEST_F(VST3Plugin, PlainValuesAreRealUnitsThroughTheFrameworksDescription)
{
    TInstance P(Module);
    TReference Ref;
    for (int I = 0; I < kParameters; ++I)
    {
        TVstParameterDescription D;
        ASSERT_TRUE(ReadParameterDescription(Ref.E, I, D)) << I;
        ParameterInfo Info{};
        ASSERT_EQ(P.Controller->getParameterInfo(I, Info), kResultOk);
        EXPECT_EQ(Narrow(Info.shortTitle), D.ShortLabel.empty() ? D.Name : D.ShortLabel) << I;
        EXPECT_EQ(Info.stepCount, D.StepCount) << I;
        for (const float N : {0.0f, 0.25f, 0.5f, 0.9f, 1.0f})
        {
            const double Plain = P.Controller->normalizedParamToPlain(Info.id, N);
            EXPECT_EQ(Plain, NormalizedToReal(D, N)) << I << " at " << N;
            EXPECT_EQ(P.Controller->plainParamToNormalized(Info.id, Plain), RealToNormalized(D, static_cast<float>(Plain)))
                << I << " at " << N;
        }
    }
    EXPECT_NEAR(P.Controller->normalizedParamToPlain(13, 0.9), 12.0, 1e-5); // gain 4: -15..15 dB
    EXPECT_NEAR(P.Controller->plainParamToNormalized(13, 12.0), 0.9, 1e-6);
    EXPECT_EQ(P.Controller->normalizedParamToPlain(kBypass, 1.0), 1.0); // the bypass has no units
}

// With the same engine on both sides (SmallEQ starts with the reference or the listener's kept choice,
// SmallEQ.vst3 with the fast one), each engine in turn.
TEST_F(VST3Plugin, OutputEqualsTheVST2PluginsSampleForSample)
{
    const auto Setting = RandomSetting(32);
    const auto In = Noise(2, 9000, 7);
    for (const VstIntPtr Engine : {kSEQEngineReference, kSEQEngineFast})
        for (int32 Block : {1, 7, 512, 4096})
        {
            TReference Ref;
            ASSERT_EQ(Ref.E->dispatcher(Ref.E, effVendorSpecific, kSEQRequestSetEngine, Engine, nullptr, 0.0f), 1);
            for (const auto& [Id, Value] : Setting)
                Ref.E->setParameter(Ref.E, static_cast<VstInt32>(Id), static_cast<float>(Value));
            TInstance P(Module);
            // The library is built from the adapter this test links: its component is a TVST3Equaliser.
            AEffect* E = static_cast<TVST3Equaliser*>(P.Component)->Effect();
            EXPECT_EQ(EngineOf(E), kSEQEngineFast) << "SmallEQ.vst3 starts with the fast engine";
            ASSERT_EQ(E->dispatcher(E, effVendorSpecific, kSEQRequestSetEngine, Engine, nullptr, 0.0f), 1);
            const auto Expected = Ref.Run(In, Block);
            const auto Got = P.Run(In, Block, Setting);
            for (int Ch = 0; Ch < 2; ++Ch)
                for (std::size_t I = 0; I < In[0].size(); ++I)
                    ASSERT_EQ(Got[Ch][I], Expected[Ch][I])
                        << "engine " << Engine << " block " << Block << " channel " << Ch << " frame " << I;
        }
}

TEST_F(VST3Plugin, AChangeAtOffset100TakesEffectAtFrame100)
{
    const auto Setting = RandomSetting(5);
    const auto In = Noise(2, 512, 9);
    TInstance Steady(Module), Changed(Module);
    Steady.Run(In, 512, Setting);
    Changed.Run(In, 512, Setting);
    TChanges Change;
    Change.Add(13, 100, 0.9); // band 4's gain
    std::vector<std::vector<float>> A(2, std::vector<float>(512)), B = A;
    float* I[2] = {const_cast<float*>(In[0].data()), const_cast<float*>(In[1].data())};
    float* OA[2] = {A[0].data(), A[1].data()};
    float* OB[2] = {B[0].data(), B[1].data()};
    Steady.Process(I, OA, 2, 512);
    Changed.Process(I, OB, 2, 512, &Change);
    for (int Ch = 0; Ch < 2; ++Ch)
    {
        for (int F = 0; F < 100; ++F)
            ASSERT_EQ(A[Ch][F], B[Ch][F]) << "frame " << F;
        EXPECT_NE(A[Ch][100], B[Ch][100]);
    }
    EXPECT_EQ(Changed.Controller->getParamNormalized(13), 0.9);
}

TEST_F(VST3Plugin, MonoAnd64BitGoThroughTheSameEffect)
{
    const auto Setting = RandomSetting(11);
    const auto In = Noise(1, 3000, 3);
    TInstance Stereo(Module);
    const auto Expected = Stereo.Run({In[0], In[0]}, 300, Setting);

    TInstance Mono(Module, kSpeakerArrMono);
    const auto Got = Mono.Run(In, 300, Setting);
    EXPECT_EQ(Got[0], Expected[0]);

    TInstance Wide(Module, kSpeakerArrStereo, kSample64);
    std::vector<double> L(In[0].begin(), In[0].end()), R = L, OL(L.size()), OR(L.size());
    double* I[2] = {L.data(), R.data()};
    double* O[2] = {OL.data(), OR.data()};
    AudioBusBuffers InBus{}, OutBus{};
    InBus.numChannels = OutBus.numChannels = 2;
    InBus.channelBuffers64 = I;
    OutBus.channelBuffers64 = O;
    TChanges Changes;
    for (const auto& [Id, Value] : Setting)
        Changes.Add(Id, 0, Value);
    ProcessData Data{};
    Data.symbolicSampleSize = kSample64;
    Data.numSamples = 3000;
    Data.numInputs = Data.numOutputs = 1;
    Data.inputs = &InBus;
    Data.outputs = &OutBus;
    Data.inputParameterChanges = &Changes;
    ASSERT_EQ(Wide.Processor->process(Data), kResultOk);
    for (std::size_t F = 0; F < OL.size(); ++F)
        ASSERT_EQ(OL[F], static_cast<double>(Expected[0][F])) << F;
}

TEST_F(VST3Plugin, BypassFadesOverTenMillisecondsToTheDryInput)
{
    const auto In = Noise(2, 2048, 4);
    TInstance P(Module);
    P.Run(In, 2048, {{13, 1.0}}); // band 4 at +15 dB: far from the dry signal
    TChanges On;
    On.Add(kBypass, 0, 1.0);
    std::vector<std::vector<float>> Out(2, std::vector<float>(2048));
    float* I[2] = {const_cast<float*>(In[0].data()), const_cast<float*>(In[1].data())};
    float* O[2] = {Out[0].data(), Out[1].data()};
    P.Process(I, O, 2, 2048, &On);
    EXPECT_NE(Out[0][10], In[0][10]);
    for (int F = 441; F < 2048; ++F)
        ASSERT_EQ(Out[0][F], In[0][F]) << F;
    EXPECT_EQ(P.Controller->getParamNormalized(kBypass), 1.0);
}

TEST_F(VST3Plugin, StateRestoresParametersAndBypassInAnotherInstance)
{
    const auto Setting = RandomSetting(21);
    const auto In = Noise(2, 1024, 2);
    TInstance A(Module);
    auto WithBypass = Setting;
    WithBypass.emplace_back(kBypass, 1.0);
    A.Run(In, 512, WithBypass);
    TMemoryStream Saved;
    ASSERT_EQ(A.Component->getState(&Saved), kResultOk);

    TInstance B(Module);
    Saved.Pos = 0;
    Saved.MaxRead = 7; // a host that hands the bytes over in pieces
    ASSERT_EQ(B.Component->setState(&Saved), kResultOk);
    EXPECT_EQ(B.State(), Saved.Data);
    for (const auto& [Id, Value] : Setting)
        EXPECT_NEAR(B.Controller->getParamNormalized(Id), Value, 1e-6);
    EXPECT_EQ(B.Controller->getParamNormalized(kBypass), 1.0);

    // Restored into a fresh instance, the setting sounds exactly as when the host set it.
    TInstance Restored(Module), Direct(Module);
    Saved.Pos = 0;
    ASSERT_EQ(Restored.Component->setState(&Saved), kResultOk);
    EXPECT_EQ(Restored.Run(In, 512, {{kBypass, 0.0}}), Direct.Run(In, 512, Setting));
}

TEST_F(VST3Plugin, TruncatedOrForeignStateIsRefusedAndChangesNothing)
{
    TInstance Donor(Module);
    Donor.Run(Noise(2, 64, 1), 64, RandomSetting(3));
    const std::vector<char> Good = Donor.State();
    ASSERT_GT(Good.size(), 1000u);
    auto Patched = [&Good](std::size_t At, std::vector<char> Bytes) {
        std::vector<char> S = Good;
        std::copy(Bytes.begin(), Bytes.end(), S.begin() + static_cast<std::ptrdiff_t>(At));
        return S;
    };
    const float NaN = std::numeric_limits<float>::quiet_NaN(), Two = 2.0f;
    std::vector<char> NaNBytes(4), TwoBytes(4);
    std::memcpy(NaNBytes.data(), &NaN, 4);
    std::memcpy(TwoBytes.data(), &Two, 4);
    const std::size_t SnapshotIndexAt = 12 + 4 * 33 + 4 + 32;
    const struct
    {
        const char* What;
        std::vector<char> Stream;
    } Cases[] = {
        {"empty", {}},
        {"magic only", {Good.begin(), Good.begin() + 4}},
        {"header only", {Good.begin(), Good.begin() + 12}},
        {"one byte short", {Good.begin(), Good.end() - 1}},
        {"foreign magic", Patched(0, {'X', 'X', 'X', 'X'})},
        {"later version", Patched(4, {2, 0, 0, 0})},
        {"other parameter count", Patched(8, {34, 0, 0, 0})},
        {"NaN parameter", Patched(12, NaNBytes)},
        {"parameter above 1", Patched(16, TwoBytes)},
        {"snapshot index 9", Patched(SnapshotIndexAt, {9, 0, 0, 0})},
        {"NaN in a snapshot", Patched(SnapshotIndexAt + 4, NaNBytes)},
    };
    TInstance P(Module);
    P.Run(Noise(2, 64, 1), 64, RandomSetting(8));
    const std::vector<char> Before = P.State();
    for (const auto& C : Cases)
    {
        TMemoryStream S;
        S.Data = C.Stream;
        EXPECT_EQ(P.Component->setState(&S), kResultFalse) << C.What;
        EXPECT_EQ(P.State(), Before) << C.What;
    }
    EXPECT_EQ(P.Component->setState(nullptr), kInvalidArgument);
}

TEST_F(VST3Plugin, CarelessHostsGetFiniteOutputAndNoCrash)
{
    const auto In = Noise(2, 8192, 6);
    std::vector<std::vector<float>> Out(2, std::vector<float>(8192, 7.0f));
    float* I[2] = {const_cast<float*>(In[0].data()), const_cast<float*>(In[1].data())};
    float* O[2] = {Out[0].data(), Out[1].data()};
    {
        TInstance Idle(Module, kSpeakerArrStereo, kSample32, 512, 44100.0, false);
        EXPECT_NE(Idle.Process(I, O, 2, 512), kResultOk);
        EXPECT_EQ(Out[0][0], 0.0f) << "outputs are cleared before set-up";
    }
    TInstance P(Module, kSpeakerArrStereo, kSample32, 512);
    EXPECT_EQ(P.Process(I, O, 2, 0), kResultOk);
    EXPECT_EQ(P.Process(I, O, 2, 8192), kResultOk) << "more frames than announced";
    TChanges Wild;
    Wild.Add(1, 0, std::numeric_limits<double>::quiet_NaN());
    Wild.Add(5, 3, std::numeric_limits<double>::infinity());
    Wild.Add(9, 4, -std::numeric_limits<double>::infinity());
    Wild.Add(32, 700, 0.5); // past the block's end: applied at its end
    Wild.Add(4, 9, 0.3);
    Wild.Add(4, 2, 0.4);    // out of order
    Wild.Add(4242, 1, 0.5); // no such parameter
    EXPECT_EQ(P.Process(I, O, 2, 512, &Wild), kResultOk);
    EXPECT_TRUE(AllFinite(Out));
    EXPECT_EQ(P.Controller->getParamNormalized(32), 0.5);

    float* None[2] = {nullptr, nullptr};
    EXPECT_EQ(P.Process(None, O, 2, 256), kResultOk) << "null inputs read as silence";
    EXPECT_EQ(P.Process(I, None, 2, 256), kResultOk);
    EXPECT_EQ(P.Process(I, O, 1, 256), kResultOk) << "fewer channels than arranged";
    ProcessData Data{};
    Data.numSamples = 256;
    EXPECT_EQ(P.Processor->process(Data), kResultOk) << "no buses at all";
    Data.numOutputs = 3;
    EXPECT_EQ(P.Processor->process(Data), kResultOk) << "buses counted, none given";
    Data.numSamples = -5;
    EXPECT_NE(P.Processor->process(Data), kResultOk);
    EXPECT_TRUE(AllFinite(Out));

    SpeakerArrangement Six = 0x3F, Stereo = kSpeakerArrStereo;
    EXPECT_EQ(P.Processor->setBusArrangements(&Six, 1, &Six, 1), kResultFalse);
    EXPECT_EQ(P.Processor->setBusArrangements(&Stereo, 1, &Stereo, 2), kResultFalse);
    ProcessSetup Bad{0, kSample32, 512, std::numeric_limits<double>::quiet_NaN()};
    EXPECT_EQ(P.Processor->setupProcessing(Bad), kResultFalse);
}

TEST_F(VST3Plugin, SilentInputGivesAFlaggedSilentOutputOnceTheFiltersRest)
{
    TInstance P(Module);
    TChanges Ringing; // band 1 at 20 Hz, +15 dB, 0.1 octave: a long tail
    Ringing.Add(0, 0, 0.0);
    Ringing.Add(1, 0, 1.0);
    Ringing.Add(2, 0, 0.0);
    std::vector<float> L(256, 0.0f), R(256, 0.0f), OL(256, 1.0f), OR(256, 1.0f);
    float* I[2] = {L.data(), R.data()};
    float* O[2] = {OL.data(), OR.data()};
    AudioBusBuffers InBus{}, OutBus{};
    InBus.numChannels = OutBus.numChannels = 2;
    InBus.silenceFlags = 3;
    InBus.channelBuffers32 = I;
    OutBus.channelBuffers32 = O;
    ProcessData Data{};
    Data.numSamples = 256;
    Data.numInputs = Data.numOutputs = 1;
    Data.inputs = &InBus;
    Data.outputs = &OutBus;
    Data.inputParameterChanges = &Ringing;
    ASSERT_EQ(P.Processor->process(Data), kResultOk);
    Data.inputParameterChanges = nullptr;
    EXPECT_EQ(OutBus.silenceFlags, 3u);
    EXPECT_EQ(OL[0], 0.0f);

    L[0] = 1.0f; // an impulse, not flagged: the filters ring afterwards
    InBus.silenceFlags = 0;
    P.Processor->process(Data);
    EXPECT_EQ(OutBus.silenceFlags, 0u);
    L[0] = 0.0f;
    InBus.silenceFlags = 3;
    P.Processor->process(Data);
    EXPECT_EQ(OutBus.silenceFlags, 0u) << "the tail is still sounding";
}

// The editor's view as a host first meets it: the platform's window type, 131 x 35 before it opens.
TEST_F(VST3Plugin, EditorViewOffersThePlatformsWindowType)
{
    TInstance P(Module);
    EXPECT_EQ(P.Controller->createView("another"), nullptr);
    IPlugView* View = P.Controller->createView("editor");
    ASSERT_NE(View, nullptr);
#if defined(_WIN32)
    EXPECT_EQ(View->isPlatformTypeSupported(kPlatformTypeHWND), kResultTrue);
    EXPECT_EQ(View->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultFalse);
#else
    EXPECT_EQ(View->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultTrue);
    EXPECT_EQ(View->isPlatformTypeSupported(kPlatformTypeHWND), kResultFalse);
#endif
    ViewRect Size{};
    ASSERT_EQ(View->getSize(&Size), kResultOk);
    EXPECT_EQ(Size.right - Size.left, 131);
    EXPECT_EQ(Size.bottom - Size.top, 35);
    EXPECT_EQ(View->attached(nullptr, kPlatformTypeX11EmbedWindowID), kInvalidArgument);
    EXPECT_EQ(View->removed(), kResultFalse);
    View->release();
}
