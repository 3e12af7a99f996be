// The effect record, construction from the declaration, host requests and the entry points.
#include <gtest/gtest.h>

#include "TestModule.h"
#include "platform/Exceptions.h"
#include "vstplugin/DVSTModuleExport.h"

namespace
{
class ModuleCore : public ::testing::Test
{
protected:
    void SetUp() override { TRecordingHost::Current = &Host; }
    void TearDown() override { TRecordingHost::Current = nullptr; }
    TRecordingHost Host;
};

TEST_F(ModuleCore, BareModuleRecordHoldsTheDefaults)
{
    TBareModule Module;
    const AEffect& E = *Module.Effect();
    EXPECT_EQ(E.magic, 0x56737450);
    EXPECT_EQ(std::memcmp(&E.magic, "PtsV", 4), 0); // 'VstP' as a big-endian number
    EXPECT_EQ(E.numInputs, 2);
    EXPECT_EQ(E.numOutputs, 2);
    EXPECT_EQ(E.numParams, 0);
    EXPECT_EQ(E.numPrograms, 0);
    EXPECT_EQ(E.flags, 0);
    EXPECT_EQ(E.uniqueID, 0x4E6F4566);
    EXPECT_EQ(E.version, 65536);
    EXPECT_EQ(E.ioRatio, 1);
    EXPECT_EQ(E.object, &Module);
    EXPECT_EQ(Module.CurrentProgram(), -1);
    EXPECT_EQ(Module.SampleRate(), 44100.0f);
    EXPECT_EQ(Module.BlockSize(), 1024);
    EXPECT_EQ(Module.UniqueID(), "NoEf");
    EXPECT_NE(Module.About().find("Marvo"), std::string::npos);
}

TEST_F(ModuleCore, DeclarationLoadsPropertiesProgramsAndParametersInOrder)
{
    TTestModule Module;
    const AEffect& E = *Module.Effect();
    EXPECT_EQ(E.flags, 1 + 8 + 16);
    EXPECT_EQ(E.uniqueID, FourCharCode("TsMd"));
    EXPECT_EQ(E.version, 2 * 65536 + 3 * 256 + 4);
    EXPECT_EQ(E.numPrograms, 3);
    EXPECT_EQ(E.numParams, 4);
    EXPECT_EQ(Module.CurrentProgram(), 0);
    for (int P = 0; P < 3; ++P)
        EXPECT_EQ(Module.Programs()[P].ParameterValues, std::vector<float>(4, 0.0f));
    EXPECT_TRUE(Module.ParameterValues().empty());
    // Program initialisation, the switch to program 0 (its values re-applied), OnInitialize, then OnCreate.
    const std::vector<std::string> Expected = {"program0", "before", "after", "P0=0.000000", "M0", "P1=0.000000",
                                               "M1", "M2", "M3", "initialize", "create"};
    EXPECT_EQ(Module.Log, Expected);
}

TEST_F(ModuleCore, FlagBitsAreThePublishedOnes)
{
    EXPECT_EQ((TEffFlags{effFlagsIsSynth}.Bits()), 256u);
    EXPECT_EQ((TEffFlags{effFlagsCanDoubleReplacing}.Bits()), 4096u);
    EXPECT_EQ((TEffFlags{effFlagsProgramChunks}.Bits()), 32u);
    TBareModule Module;
    Module.SetFlags({effFlagsIsSynth, effFlagsHasEditor});
    EXPECT_EQ(Module.Effect()->flags, 257);
}

TEST_F(ModuleCore, UniqueIdTextMapsBothWays)
{
    TBareModule Module;
    Module.SetUniqueID("VORNxyz");
    EXPECT_EQ(Module.Effect()->uniqueID, 0x564F524E);
    EXPECT_EQ(Module.UniqueID(), "VORN");
}

TEST_F(ModuleCore, InstallingTheCallbackAsksVersionWithNullEffectThenProduct)
{
    TBareModule Module;
    Module.SetAudioMaster(&TRecordingHost::Callback);
    ASSERT_GE(Host.Calls.size(), 2u);
    EXPECT_EQ(Host.Calls[0].Opcode, audioMasterVersion);
    EXPECT_TRUE(Host.Calls[0].NullEffect);
    EXPECT_EQ(Host.Calls[1].Opcode, audioMasterGetProductString);
    EXPECT_FALSE(Host.Calls[1].NullEffect);
    EXPECT_EQ(Module.HostProduct(), "Test Host");
    EXPECT_EQ(Host.Count(audioMasterGetProductString), 1); // cached
}

TEST_F(ModuleCore, HostAnsweringVersionZeroRaisesAudioMasterError)
{
    TBareModule Module;
    Host.VersionAnswer = 0;
    try
    {
        Module.SetAudioMaster(&TRecordingHost::Callback);
        FAIL();
    }
    catch (const EMarvoError& E)
    {
        EXPECT_STREQ(E.what(), "AudioMaster Error");
    }
}

TEST_F(ModuleCore, ProductWithoutCallbackIsUnknownForGood)
{
    TBareModule Module;
    EXPECT_EQ(Module.HostProduct(), "Unknown");
    Module.SetAudioMaster(&TRecordingHost::Callback);
    EXPECT_EQ(Module.HostProduct(), "Unknown");
}

TEST_F(ModuleCore, RequestsWithoutCallbackAnswerTheirDefaults)
{
    TBareModule Module;
    EXPECT_EQ(Module.HostVersion(), 1);
    EXPECT_EQ(Module.HostCurrentId(), 0);
    EXPECT_TRUE(Module.IsInputConnected(0));
    EXPECT_TRUE(Module.IsOutputConnected(0));
    EXPECT_EQ(Module.HostGetTime(0), nullptr);
    EXPECT_FALSE(Module.HostProcessEvents(nullptr));
    EXPECT_FALSE(Module.HostIOChanged());
    EXPECT_FALSE(Module.HostSizeWindow(10, 10));
    EXPECT_EQ(Module.HostGetSampleRate(), 44100.0f);
    EXPECT_EQ(Module.HostGetBlockSize(), 1024);
    EXPECT_EQ(Module.HostCanDo("sizeWindow"), 0);
    EXPECT_FALSE(Module.HostBeginEdit(0));
    EXPECT_FALSE(Module.HostOfflineStart(nullptr, 0, 0));
    EXPECT_EQ(Module.HostGetLanguage(), 0);
}

TEST_F(ModuleCore, RequestsCarryTheirArguments)
{
    TBareModule Module;
    Module.SetAudioMaster(&TRecordingHost::Callback);
    Host.Calls.clear();
    Module.IsOutputConnected(3);
    Module.HostSizeWindow(131, 35);
    Module.HostTempoAt(4410);
    Module.HostSetOutputSampleRate(48000.0f);
    EXPECT_FALSE(Module.HostOpenFileSelector(nullptr));
    ASSERT_EQ(Host.Calls.size(), 4u);
    EXPECT_EQ(Host.Calls[0].Opcode, audioMasterPinConnected);
    EXPECT_EQ(Host.Calls[0].Index, 3);
    EXPECT_EQ(Host.Calls[0].Value, 1);
    EXPECT_EQ(Host.Calls[1].Opcode, audioMasterSizeWindow);
    EXPECT_EQ(Host.Calls[1].Index, 131);
    EXPECT_EQ(Host.Calls[1].Value, 35);
    EXPECT_EQ(Host.Calls[2].Value, 4410);
    EXPECT_EQ(Host.Calls[3].Opt, 48000.0f);
}

TEST_F(ModuleCore, SampleRateEventsFireOnChangeAndOnEveryPositiveHostAnswer)
{
    TBareModule Module;
    std::vector<float> Rates;
    Module.OnSampleRateChange = [&](TComponent*, float Rate) { Rates.push_back(Rate); };
    Module.SetSampleRate(44100.0f);
    Module.SetSampleRate(48000.0f);
    Module.SetAudioMaster(&TRecordingHost::Callback);
    Host.SampleRateAnswer = 48000;
    EXPECT_EQ(Module.HostGetSampleRate(), 48000.0f);
    Host.SampleRateAnswer = -5;
    EXPECT_EQ(Module.HostGetSampleRate(), 48000.0f);
    Host.SampleRateAnswer = 0;
    Module.HostGetSampleRate();
    EXPECT_EQ(Rates, (std::vector<float>{48000.0f, 48000.0f}));
}

TEST_F(ModuleCore, InitialDelayIsReportedOnceAndNeverToEnergyXT)
{
    {
        TBareModule Module;
        Module.SetAudioMaster(&TRecordingHost::Callback);
        Module.SetInitialDelay(64);
        Module.SetInitialDelay(64);
        EXPECT_EQ(Module.Effect()->initialDelay, 64);
        EXPECT_EQ(Host.Count(audioMasterIOChanged), 1);
    }
    Host.Calls.clear();
    Host.Product = "energyXT";
    TBareModule Module;
    Module.SetAudioMaster(&TRecordingHost::Callback);
    Module.SetInitialDelay(64);
    EXPECT_EQ(Module.Effect()->initialDelay, 64);
    EXPECT_EQ(Host.Count(audioMasterIOChanged), 0);
}

TEST_F(ModuleCore, ResumeFiresOnResumeThenAsksForMidi)
{
    TBareModule Module;
    std::vector<std::string> Order;
    Module.OnResume = [&](TComponent*) { Order.push_back("resume"); };
    Module.OnSuspend = [&](TComponent*) { Order.push_back("suspend"); };
    Module.SetAudioMaster(&TRecordingHost::Callback);
    Host.Calls.clear();
    AEffect* E = Module.Effect();
    E->dispatcher(E, effMainsChanged, 0, 1, nullptr, 0.0f);
    E->dispatcher(E, effMainsChanged, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(Order, (std::vector<std::string>{"resume", "suspend"}));
    ASSERT_EQ(Host.Calls.size(), 1u);
    EXPECT_EQ(Host.Calls[0].Opcode, audioMasterWantMidi);
    EXPECT_EQ(Host.Calls[0].Value, 1);
}

TEST_F(ModuleCore, EffCloseRunsOnCloseThenDestroysTheModule)
{
    int Closed = 0;
    int Destroyed = 0;
    auto* Module = new TTestModule;
    Module->ClosedFlag = &Closed;
    Module->OnDestroy = [&](TComponent*) { Destroyed += Closed; }; // OnClose ran first
    AEffect* E = Module->Effect();
    EXPECT_EQ(E->dispatcher(E, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(Closed, 1);
    EXPECT_EQ(Destroyed, 1);
}

TEST_F(ModuleCore, AnOwnerDestroysItsModule)
{
    int Destroyed = 0;
    {
        TComponent Owner(nullptr);
        auto* Module = new TBareModule;
        (void)Module;
        auto* Owned = new TTestModule(&Owner);
        Owned->OnDestroy = [&](TComponent*) { ++Destroyed; };
        delete Module;
    }
    EXPECT_EQ(Destroyed, 1);
}

class ShellInstantiation : public ModuleCore
{
public:
    class TShellModule : public TVSTModule
    {
    public:
        TShellModule() : TVSTModule(nullptr) { LoadDeclaration(Declaration); }
        std::string Instantiated;
        void Instanciate(TComponent*, const std::string& UID) { Instantiated = UID; }
        static const TVSTModuleDeclaration<TShellModule> Declaration;
    };
};

const TVstShellPluginDeclaration<ShellInstantiation::TShellModule> ShellList[] = {
    {.DisplayName = "Alpha", .numInputs = 1, .numOutputs = -1, .PlugCategory = vpcEffect, .UniqueID = "Alph"},
    {.DisplayName = "Beta", .numInputs = 4, .numOutputs = 6, .PlugCategory = vpcSynth, .UniqueID = "Beta",
     .OnInstanciate = &ShellInstantiation::TShellModule::Instanciate},
};
const TVSTModuleDeclaration<ShellInstantiation::TShellModule> ShellInstantiation::TShellModule::Declaration = {
    .Properties = {.PlugCategory = vpcShell}, .ShellPlugins = ShellList};

TEST_F(ShellInstantiation, ShellCapableHostChoosesTheDeclarationByIdentifier)
{
    Host.ShellCanDo = 1;
    Host.CurrentId = FourCharCode("Beta");
    TShellModule Module;
    Module.SetAudioMaster(&TRecordingHost::Callback);
    EXPECT_EQ(Module.Effect()->uniqueID, FourCharCode("Beta"));
    EXPECT_EQ(Module.numInputs(), 4);
    EXPECT_EQ(Module.numOutputs(), 6);
    EXPECT_EQ(Module.PlugCategory(), vpcSynth);
    EXPECT_EQ(Module.Instantiated, "Beta");
    EXPECT_EQ(Host.Calls.back().Opcode, audioMasterIOChanged);
}

TEST_F(ShellInstantiation, UnknownIdentifierChangesNothing)
{
    Host.ShellCanDo = 1;
    Host.CurrentId = FourCharCode("Zzzz");
    TShellModule Module;
    Module.SetAudioMaster(&TRecordingHost::Callback);
    EXPECT_EQ(Module.PlugCategory(), vpcShell);
    EXPECT_EQ(Module.Effect()->uniqueID, FourCharCode("NoEf"));
}

TEST_F(ShellInstantiation, HostsThatCannotShellMakeTheCategoryUnknown)
{
    for (const auto& [Product, CanDo] : {std::pair<std::string, VstIntPtr>{"WaveLab", 1}, {"Other", 0}})
    {
        Host.Product = Product;
        Host.ShellCanDo = CanDo;
        TShellModule Module;
        Module.SetAudioMaster(&TRecordingHost::Callback);
        EXPECT_EQ(Module.PlugCategory(), vpcUnknown) << Product;
    }
}

TEST_F(ShellInstantiation, EnumerationAnswersIdentifiersInOrderThenStartsOver)
{
    TShellModule Module;
    AEffect* E = Module.Effect();
    char Name[256];
    EXPECT_EQ(E->dispatcher(E, effShellGetNextPlugin, 0, 0, Name, 0.0f), FourCharCode("Alph"));
    EXPECT_STREQ(Name, "Alpha");
    EXPECT_EQ(E->dispatcher(E, effShellGetNextPlugin, 0, 0, Name, 0.0f), FourCharCode("Beta"));
    EXPECT_EQ(E->dispatcher(E, effShellGetNextPlugin, 0, 0, Name, 0.0f), 0);
    EXPECT_EQ(E->dispatcher(E, effShellGetNextPlugin, 0, 0, Name, 0.0f), FourCharCode("Alph"));
}

TEST_F(ModuleCore, PluginEntryAnswersAnInstalledModuleOrNull)
{
    AEffect* E = CreateVSTPlugin<TTestModule>(&TRecordingHost::Callback);
    ASSERT_NE(E, nullptr);
    EXPECT_EQ(E->uniqueID, FourCharCode("TsMd"));
    EXPECT_EQ(E->dispatcher(E, effClose, 0, 0, nullptr, 0.0f), 1);
    Host.VersionAnswer = 0;
    EXPECT_EQ(CreateVSTPlugin<TTestModule>(&TRecordingHost::Callback), nullptr);
}
} // namespace
