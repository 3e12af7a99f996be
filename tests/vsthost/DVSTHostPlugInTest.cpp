// The hosted instance against a raw effect record: activation order, gates, text results, failures.
#include <gtest/gtest.h>

#include "platform/Exceptions.h"
#include "platform/FPUControl.h"
#include "vsthost/DVSTHost.h"
#include "support/FakeEffect.h"

namespace
{

// In every host test, a parameter index outside the fake's numParams fails the running test.
[[maybe_unused]] const bool kUndeclaredIndexFails = (TFakeEffect::UndeclaredIndex = [](VstInt32 Index, VstInt32 NumParams) {
    ADD_FAILURE() << "parameter index " << Index << " reached a plug-in with " << NumParams << " parameters";
}, true);

struct HostedFake : ::testing::Test
{
    TFakeEffect Fake; // outlives the host: an instance still open at the end sends it effClose
    TVstHost Host;
    TVstPlugIn* P = Host.VstPlugIns().Add();

    void Activate()
    {
        P->VstEffect = &Fake.Effect;
        P->SetActive(true);
        Fake.Calls.clear();
    }
};

std::string ErrorOf(const std::function<void()>& F)
{
    try
    {
        F();
    }
    catch (const EMarvoError& E)
    {
        return E.what();
    }
    return "";
}

TEST_F(HostedFake, OpeningAHandedInRecordSendsTheStartSequenceOnce)
{
    Fake.Answers[effGetVstVersion] = 2400;
    Fake.Answers[effGetPlugCategory] = vpcEffect;
    P->SetDLLFileName("left over.so");
    P->VstEffect = &Fake.Effect;
    P->SetActive(true);
    P->SetActive(true);
    const std::vector<VstInt32> Expected = {effOpen,         effCanDo,          effSetSampleRate,
                                            effSetBlockSize, effSetBypass,      effGetVstVersion,
                                            effGetPlugCategory, effMainsChanged};
    EXPECT_EQ(Fake.Opcodes(), Expected);
    EXPECT_EQ(Fake.Calls[2].Opt, 44100.0f);
    EXPECT_EQ(Fake.Calls[3].Value, 2048);
    EXPECT_EQ(Fake.Calls[4].Value, 0);
    EXPECT_EQ(Fake.Calls[7].Value, 1);
    EXPECT_TRUE(P->Active());
    EXPECT_EQ(P->DLLFileName(), "");
    EXPECT_EQ(P->uID(), "FaKe");
    EXPECT_EQ(P->Version(), 7);
    EXPECT_EQ(P->PluginVstVersion(), 2400);
    EXPECT_EQ(P->PlugCategory(), vpcEffect);
    EXPECT_EQ(P->numParams(), 4);
    EXPECT_EQ(P->numInputs(), 2);
    EXPECT_TRUE(P->EffectOptions().Contains(effFlagsCanReplacing));

    P->SetActive(false);
    EXPECT_EQ(Fake.Opcodes().back(), effClose);
    EXPECT_EQ(Fake.Count(effMainsChanged), 1); // no mains-off when closing
    EXPECT_EQ(P->VstEffect, nullptr);
    EXPECT_EQ(P->numParams(), 0);
    EXPECT_EQ(P->PlugCategory(), vpcUnknown);
}

TEST_F(HostedFake, ActivationFailuresLeaveTheInstanceInactive)
{
    Fake.Effect.magic = 0x12345678;
    P->VstEffect = &Fake.Effect;
    EXPECT_EQ(ErrorOf([&] { P->SetActive(true); }), "There is no magic in it... failed!");
    EXPECT_FALSE(P->Active());
    EXPECT_TRUE(Fake.Calls.empty());

    TVstPlugIn* Missing = Host.VstPlugIns().Add();
    Missing->SetDLLFileName("/no/such/plugin.so");
    EXPECT_EQ(ErrorOf([&] { Missing->SetActive(true); }), "This is not a valid Vst Plugin!");
    EXPECT_FALSE(Missing->Active());
    EXPECT_NE(Missing->LastLoadError().find("does not exists"), std::string::npos);
}

TEST_F(HostedFake, GatedWrappersAnswerTheirDefaultsWithoutCallingWhileInactive)
{
    P->VstEffect = &Fake.Effect; // attached but not active
    ERect Rect{1, 2, 3, 4};
    P->EditGetRect(Rect);
    EXPECT_EQ(P->ProgramNr(), -1);
    EXPECT_EQ(P->ProgramNrCache(), -1);
    EXPECT_EQ(P->ProgramName(), "");
    EXPECT_EQ(P->VendorString(), "");
    EXPECT_EQ(P->ProductString(), "");
    EXPECT_EQ(P->GetParamName(0), "");
    EXPECT_EQ(P->VendorVersion(), -1);
    EXPECT_EQ(P->GetVstVersion(), -1);
    EXPECT_EQ(P->GetPlugCategory(), vpcUnknown);
    EXPECT_EQ(P->EditIdle(), 0);
    EXPECT_EQ(P->Idle(), 0);
    std::string Name = "kept";
    EXPECT_EQ(P->ShellGetNextPlugin(Name), 0);
    P->SetProgramNr(1);
    P->EditClose();
    EXPECT_TRUE(Fake.Calls.empty());
    EXPECT_EQ(Rect.top, 1);
    EXPECT_EQ(Name, "kept");

    // Idle reaches the plug-in once it asked for idle calls.
    Fake.Answers[effIdle] = 1;
    P->NeedIdle = true;
    EXPECT_EQ(P->Idle(), 1);
}

TEST_F(HostedFake, TextResultsStopAt255CharactersAndVendorTextsNeedANonZeroAnswer)
{
    Activate();
    const std::string Long(600, 'n');
    struct Row
    {
        TDispatcherOpcode Opcode;
        VstIntPtr Answer;
        std::function<std::string()> Read;
        std::string Expected;
    };
    const std::vector<Row> Rows = {
        {effGetProgramName, 0, [&] { return P->ProgramName(); }, "Prog"},
        {effGetProgramName, 1, [&] { return P->ProgramName(); }, "Prog"},
        {effGetParamName, 0, [&] { return P->GetParamName(2); }, Long.substr(0, 255)},
        {effGetParamLabel, 0, [&] { return P->GetParamLabel(2); }, "dB"},
        {effGetParamDisplay, 0, [&] { return P->GetParamDisplay(2); }, "1.5"},
        {effGetVendorString, 1, [&] { return P->VendorString(); }, "Vendor"},
        {effGetVendorString, 0, [&] { return P->VendorString(); }, ""},
        {effGetProductString, 1, [&] { return P->ProductString(); }, "Product"},
    };
    Fake.Texts = {{effGetProgramName, "Prog"}, {effGetParamName, Long},       {effGetParamLabel, "dB"},
                  {effGetParamDisplay, "1.5"},  {effGetVendorString, "Vendor"}, {effGetProductString, "Product"}};
    for (const Row& R : Rows)
    {
        Fake.Answers[R.Opcode] = R.Answer;
        EXPECT_EQ(R.Read(), R.Expected) << "opcode " << R.Opcode << " answering " << R.Answer;
    }
    EXPECT_EQ(Fake.Calls[2].Index, 2);
}

TEST_F(HostedFake, EveryCallIntoThePlugInRunsWithTheHostControlWordAndFailuresAnswerZero)
{
    Activate();
    Set8087CW(0x127F); // 53-bit precision, as a player may leave it
    P->SetSampleRate(48000.0);
    Set8087CW(0x127F);
    P->SetParameter(1, 0.5f);
    // Bit 6 is reserved: real processors read it as 1, emulators as written.
    for (const TDispatchCall& C : Fake.Calls)
        EXPECT_EQ(C.ControlWord | 0x40, 0x137F) << "opcode " << C.Opcode;
    Set8087CW(kDefaultFPUControlWord);

    Fake.ThrowOnDispatch = true;
    Fake.Answers[effGetVendorVersion] = 5;
    EXPECT_EQ(P->VendorVersion(), 0);
    EXPECT_EQ(P->VstDispatch(effCanDo, 0, 0, nullptr), 0);
}

TEST_F(HostedFake, EditorWrappersTrackVisibilityAndCopyTheRectangle)
{
    Activate();
    ERect Rect{};
    P->EditGetRect(Rect);
    EXPECT_EQ(Rect.bottom, 35);
    EXPECT_EQ(Rect.right, 131);

    Fake.Answers[effEditOpen] = 0;
    P->EditOpen(nullptr);
    EXPECT_FALSE(P->EditVisible());
    Fake.Answers[effEditOpen] = 1;
    P->EditOpen(nullptr);
    EXPECT_TRUE(P->EditVisible());
    EXPECT_EQ(ErrorOf([&] { P->SetGUIStyle(gsList); }), "Close Editor first!");
    EXPECT_EQ(P->GUIStyle(), gsDefault);
    P->EditClose();
    EXPECT_FALSE(P->EditVisible());
    EXPECT_EQ(Fake.Count(effEditClose), 1);
    P->SetGUIStyle(gsList);
    EXPECT_EQ(P->GUIStyle(), gsList);
}

TEST_F(HostedFake, UnloadForgetsTheRecordAndMarksTheCountsUnknown)
{
    Activate();
    P->Unload();
    EXPECT_EQ(P->numInputs(), -1);
    EXPECT_EQ(P->numOutputs(), -1);
    EXPECT_EQ(P->numPrograms(), -1);
    EXPECT_EQ(P->Version(), -1);
    EXPECT_EQ(P->numParams(), 0);
    EXPECT_EQ(P->uID(), "");
    EXPECT_EQ(P->VstEffect, nullptr);
    EXPECT_EQ(Fake.Opcodes(), std::vector<VstInt32>{effClose});
}

TEST_F(HostedFake, ProcessingAndParametersGoStraightToTheRecord)
{
    Activate();
    float In[2][3] = {{1, 2, 3}, {4, 5, 6}}, Out[2][3] = {};
    float* Inputs[2] = {In[0], In[1]};
    float* Outputs[2] = {Out[0], Out[1]};
    P->ProcessReplacing(Inputs, Outputs, 3);
    EXPECT_EQ(Out[1][2], -6.0f);
    P->SetParameter(3, 0.25f);
    EXPECT_EQ(P->GetParameter(3), 0.25f);

    TVstPlugIn* Empty = Host.VstPlugIns().Add();
    Empty->ProcessReplacing(Inputs, Outputs, 3); // no record: nothing happens
    EXPECT_EQ(Empty->GetParameter(0), 0.0f);
    EXPECT_EQ(Empty->VstDispatch(effOpen), 0);
}

TEST(VstPlugIns, DestroyingAnOpenInstanceClosesItsHandedInRecord)
{
    TFakeEffect Fake;
    {
        TVstHost Host;
        HandInFake(Host, Fake);
    }
    EXPECT_EQ(Fake.Opcodes(), std::vector<VstInt32>{effClose});
}

TEST(VstPlugIns, IndexesOutsideTheCollectionRaise)
{
    TVstHost Host;
    Host.VstPlugIns().Add();
    EXPECT_EQ(ErrorOf([&] { Host.VstPlugIns().Items(1); }), "Index out of bounds");
    EXPECT_EQ(ErrorOf([&] { Host.VstPlugIns().Delete(-1); }), "Index out of bounds");
    EXPECT_EQ(Host[0]->DisplayName(), "TVstPlugIn");
    EXPECT_EQ(Host[0]->Index(), 0);
}

} // namespace
