// Dispatcher answers, copied texts, display formatting, can-do, pin and parameter properties, the editor
// window and key forwarding.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "TestModule.h"
#include "platform/Forms.h"
#include "vstplugin/DVSTWindowThread.h"
#if defined(MARVO_HEADLESS)
#include "platform/headless/HeadlessDriver.h"
#endif

namespace
{
class Dispatcher : public ::testing::Test
{
protected:
    void SetUp() override { TRecordingHost::Current = &Host; }
    void TearDown() override { TRecordingHost::Current = nullptr; }
    VstIntPtr Call(VstInt32 Opcode, VstInt32 Index = 0, VstIntPtr Value = 0, void* Ptr = nullptr, float Opt = 0.0f)
    {
        return E->dispatcher(E, Opcode, Index, Value, Ptr, Opt);
    }
    std::string Text(VstInt32 Opcode, VstInt32 Index = 0)
    {
        char Buffer[256];
        std::memset(Buffer, 'z', sizeof Buffer);
        Call(Opcode, Index, 0, Buffer);
        return std::string(Buffer, strnlen(Buffer, sizeof Buffer));
    }
    TRecordingHost Host;
    TTestModule Module;
    AEffect* E = Module.Effect();
};

TEST_F(Dispatcher, FixedAnswers)
{
    struct TCase
    {
        VstInt32 Opcode;
        VstIntPtr Value, Answer;
    };
    const TCase Cases[] = {
        {effIdentify, 0, 0x4E764566}, {effGetVstVersion, 0, 2400},   {effKeysRequired, 0, 1},
        {effGetPlugCategory, 0, vpcEffect}, {effGetCurrentMidiProgram, 0, -1}, {effSetTotalSampleToProcess, 777, 777},
        {effGetVendorVersion, 0, 2 * 65536 + 3 * 256 + 4}, {effGetNumProgramCategories, 0, 1},
        {effGetTailSize, 0, 0}, {effEditDraw, 0, 0}, {effEditMouse, 0, 0}, {effEditKey, 0, 0}, {77, 0, 0},
        {200, 0, 0}, {effCopyProgram, 0, 0}, {effGetErrorText, 0, 0}, {effSetSpeakerArrangement, 0, 0},
        {effGetSpeakerArrangement, 0, 0}, {effConnectInput, 1, 1}, {effProcessEvents, 0, 1},
        {effSetSampleRate, 0, 1}, {effSetBlockSizeAndSampleRate, 512, 1}, {effSetBypass, 1, 0},
        {effStartProcess, 0, 0}, {effSetPanLaw, 0, 0}, {effBeginSetProgram, 0, 0}, {effVendorSpecific, 0, 0},
        {effOfflineRun, 0, 0}, {effProcessVarIo, 0, 0}, {effSetEditKnobMode, 0, 0}, {effGetVu, 0, 0},
        {-1, 0, 0}, {0x100 + effGetVstVersion, 0, 2400}, {-0x100 + effGetTailSize, 0, 0}, // only the low 8 bits
    };
    std::vector<TDispatcherOpcode> Seen;
    Module.OnDispatcher = [&](TComponent*, TDispatcherOpcode Op) { Seen.push_back(Op); };
    for (const TCase& C : Cases)
        EXPECT_EQ(Call(C.Opcode, 0, C.Value), C.Answer) << C.Opcode;
    ASSERT_EQ(Seen.size(), std::size(Cases));
    EXPECT_EQ(Seen[12], 77); // OnDispatcher fires first, also for unknown opcodes
    EXPECT_EQ(Seen[13], 200);
}

TEST_F(Dispatcher, AssignedEventsTurnAnswersToOne)
{
    int Fired = 0;
    bool Bypass = false;
    Module.OnSoftBypass = [&](TComponent*, bool On) { Bypass = On, ++Fired; };
    Module.OnStartProcess = [&](TComponent*) { ++Fired; };
    Module.OnBeginSetProgram = [&](TComponent*) { ++Fired; };
    Module.OnSetPanLaw = [&](TComponent*, std::int32_t& Type, float& Gain) { Type = 5, Gain = 2, ++Fired; };
    Module.OnVendorSpecific = [&](TComponent*, std::int32_t A, std::intptr_t B, void*, float) {
        return static_cast<std::int32_t>(A + B);
    };
    Module.OnGetVU = [](float& VU) { VU = 0.5f; };
    EXPECT_EQ(Call(effSetBypass, 0, 1), 1);
    EXPECT_TRUE(Bypass);
    EXPECT_EQ(Call(effStartProcess), 1);
    EXPECT_EQ(Call(effBeginSetProgram), 1);
    EXPECT_EQ(Call(effSetPanLaw, 0, 1, nullptr, 0.5f), 1);
    EXPECT_EQ(Fired, 4);
    EXPECT_EQ(Call(effVendorSpecific, 3, 4), 7);
    EXPECT_EQ(Call(effGetVu), 16384); // 16383.5 rounds to even
}

TEST_F(Dispatcher, TextsOfTheModuleAndItsPrograms)
{
    EXPECT_EQ(Text(effGetEffectName), "Test Effect");
    EXPECT_EQ(Text(effGetProductString), "Test Effect"); // empty ProductName
    EXPECT_EQ(Text(effGetVendorString), "Marvo tests");
    EXPECT_EQ(Text(effGetProgramName), "First");
    EXPECT_EQ(Text(effGetParamName, 1), "Gain");
    EXPECT_EQ(Text(effGetParamLabel, 0), "Hz");
    char Name[256] = {};
    EXPECT_EQ(Call(effGetProgramNameIndexed, 1, 0, Name), 1);
    EXPECT_STREQ(Name, "Second");
    EXPECT_EQ(Call(effGetProgramNameIndexed, 3, 0, Name), 0);
    EXPECT_EQ(Call(effGetProgramNameIndexed, -1, 0, Name), 0);
    char NewName[] = "Renamed";
    Call(effSetProgramName, 0, 0, NewName);
    EXPECT_EQ(Text(effGetProgramName), "Renamed");
}

// A host may ask for the name on one thread while it renames the program on another: each answer is one of
// the names, never a mix.
TEST_F(Dispatcher, ProgramNameIsAnsweredWholeWhileTheHostRenamesIt)
{
    char Short[] = "Short", Long[] = "A much longer program name";
    std::atomic<bool> Done{false};
    std::thread Renamer([&] {
        for (int I = 0; I < 5000; ++I)
            Call(effSetProgramName, 0, 0, I % 2 ? Short : Long);
        Done.store(true);
    });
    int Mixed = 0;
    while (!Done.load())
    {
        const std::string Name = Text(effGetProgramName);
        Mixed += Name != "First" && Name != Short && Name != Long;
    }
    Renamer.join();
    EXPECT_EQ(Mixed, 0);
    EXPECT_EQ(Text(effGetProgramName), Short);
}

TEST_F(Dispatcher, IndicesOutsideTheDeclarationsGiveUndefined)
{
    for (VstInt32 Opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay})
        for (VstInt32 Index : {4, -1, 1000})
            EXPECT_EQ(Text(Opcode, Index), "undefined") << Opcode << " " << Index;
}

TEST_F(Dispatcher, LongTextsAreClippedTo255Characters)
{
    Module.SetEffectName(std::string(400, 'n'));
    char Buffer[300];
    std::memset(Buffer, 'z', sizeof Buffer);
    Call(effGetEffectName, 0, 0, Buffer);
    EXPECT_EQ(strnlen(Buffer, sizeof Buffer), 255u);
    EXPECT_EQ(Buffer[256], 'z');
}

TEST_F(Dispatcher, DisplayUsesFourSignificantDigits)
{
    const struct
    {
        float Value;
        const char* Display;
    } Cases[] = {
        {632.16f, "632.2"}, {0.5f, "0.5"}, {-7.5f, "-7.5"}, {20.0f, "20"}, {20000.0f, "2E0004"},
        {12000.0f, "1.2E0004"}, {0.00001f, "1E-0005"}, {0.0001f, "0.0001"}, {9999.6f, "1E0004"},
        {1234.5f, "1235"}, {0.0f, "0"}, {-0.000123456f, "-0.0001235"}, {1.0e20f, "1E0020"},
        {std::numeric_limits<float>::quiet_NaN(), "NAN"},
    };
    for (const auto& C : Cases)
    {
        Module.Programs()[0].ParameterValues[1] = C.Value;
        EXPECT_EQ(Text(effGetParamDisplay, 1), C.Display) << C.Value;
    }
    Module.CustomDisplay = "custom";
    EXPECT_EQ(Text(effGetParamDisplay, 0), "custom");
}

TEST_F(Dispatcher, CanDoFollowsTheTableAndIsCaseSensitive)
{
    std::vector<std::string> Asked;
    Module.OnCanDo = [&](TComponent*, const std::string& T) {
        Asked.push_back(T);
        return 1;
    };
    const std::pair<const char*, VstIntPtr> Cases[] = {
        {"plugAsChannelInsert", 1}, {"2in2out", 1},  {"plugAsSend", -1},        {"LiveWithoutToolbar", -1},
        {"liveWithoutToolbar", 0}, {"bypass", -1}, {"something else", 0}, {"", 0}};
    for (const auto& [Question, Answer] : Cases)
        EXPECT_EQ(Call(effCanDo, 0, 0, const_cast<char*>(Question)), Answer) << Question;
    EXPECT_EQ(Asked.size(), std::size(Cases));
    EXPECT_EQ(Call(effCanDo, 0, 0, nullptr), 0);
}

TEST_F(Dispatcher, PinPropertiesForExistingPinsOnly)
{
    VstPinProperties Pin{};
    Pin.arrangementType = 42;
    EXPECT_EQ(Call(effGetInputProperties, 0, 0, &Pin), 1);
    EXPECT_STREQ(Pin.label, "Input #1");
    EXPECT_STREQ(Pin.shortLabel, "In1");
    EXPECT_EQ(Pin.flags, 3);
    EXPECT_EQ(Pin.arrangementType, 42);
    Module.OnOutputProperties = [](TComponent*, std::string& L, std::string& S, std::int32_t&,
                                   TChannelPropertyFlags& F) {
        L = std::string(100, 'L');
        S = "VeryLongShort";
        F.Include(cpfUseSpeaker);
        return 0;
    };
    EXPECT_EQ(Call(effGetOutputProperties, 1, 0, &Pin), 1);
    EXPECT_EQ(std::string(Pin.label), std::string(63, 'L'));
    EXPECT_STREQ(Pin.shortLabel, "VeryLon");
    EXPECT_EQ(Pin.flags, 7);
    VstPinProperties Untouched{};
    for (VstInt32 Index : {2, -1})
    {
        EXPECT_EQ(Call(effGetInputProperties, Index, 0, &Untouched), 0);
        EXPECT_EQ(Untouched.label[0], '\0');
    }
}

TEST_F(Dispatcher, ParameterPropertiesOnlyWhenDeclaredSo)
{
    VstParameterProperties P{};
    P.category = 9;
    EXPECT_EQ(Call(effGetParameterProperties, 2, 0, &P), 1);
    EXPECT_EQ(P.stepFloat, 0.5f);
    EXPECT_EQ(P.smallStepFloat, 0.25f);
    EXPECT_EQ(P.largeStepFloat, 1.0f);
    EXPECT_STREQ(P.label, "Parameter 3");
    EXPECT_EQ(P.flags, 4);
    EXPECT_EQ(P.minInteger, 1);
    EXPECT_EQ(P.maxInteger, 9);
    EXPECT_EQ(P.stepInteger, 2);
    EXPECT_EQ(P.largeStepInteger, 3);
    EXPECT_STREQ(P.shortLabel, "Switchi");
    EXPECT_EQ(P.category, 9);
    for (VstInt32 Index : {0, 4, -1})
        EXPECT_EQ(Call(effGetParameterProperties, Index, 0, &P), 0) << Index;
}

TEST_F(Dispatcher, AutomatabilityAndTextInput)
{
    EXPECT_EQ(Call(effCanBeAutomated, 0), 1);
    EXPECT_EQ(Call(effCanBeAutomated, 2), 0);
    EXPECT_EQ(Call(effCanBeAutomated, 9), 1);
    EXPECT_EQ(Call(effCanBeAutomated, -1), 0);
    Module.SetAudioMaster(&TRecordingHost::Callback);
    char Number[] = " -7.5 ";
    EXPECT_EQ(Call(effString2Parameter, 1, 0, Number), 1);
    EXPECT_EQ(Module.Parameter(1), -7.5f);
    EXPECT_EQ(Host.Count(audioMasterAutomate), 1);
    for (const char* Bad : {"abc", "1.5x", "", "inf", "--1"})
        EXPECT_EQ(Call(effString2Parameter, 1, 0, const_cast<char*>(Bad)), 0) << Bad;
    EXPECT_EQ(Call(effString2Parameter, 1, 0, nullptr), 0);
    EXPECT_EQ(Call(effString2Parameter, -1, 0, Number), 0);
    EXPECT_EQ(Call(effString2Parameter, 4, 0, Number), 0);
    EXPECT_EQ(Module.Parameter(1), -7.5f);
}

TEST_F(Dispatcher, MidiEventsReachTheHandlerInOrder)
{
    std::vector<int> Notes;
    Module.OnProcessMidi = [&](TComponent*, const TVstMidiEvent& M) { Notes.push_back(M.midiData[1]); };
    TVstMidiEvent A{kVstMidiType, 24, 0, 0, 0, 0, {char(0x90), 60, 100, 0}, 0, 0, 0, 0};
    TVstMidiEvent B = A, Other = A;
    B.midiData[1] = 64;
    Other.type = 6;
    TVstEventList<3> List{3, 0, {reinterpret_cast<VstEvent*>(&A), reinterpret_cast<VstEvent*>(&Other),
                                 reinterpret_cast<VstEvent*>(&B)}};
    EXPECT_EQ(Call(effProcessEvents, 0, 0, &List), 1);
    EXPECT_EQ(Notes, (std::vector<int>{60, 64}));
}

TEST_F(Dispatcher, LoadingABankOrProgramChecksTheIdentifier)
{
    int Fired = 0;
    Module.OnBeginLoadBank = [&](TComponent*, const TVstPatchChunkInfo&) { ++Fired; };
    TVstPatchChunkInfo Info{};
    Info.pluginUniqueID = FourCharCode("TsMd");
    EXPECT_EQ(Call(effBeginLoadBank, 0, 0, &Info), 0);
    Info.pluginUniqueID = FourCharCode("VORN");
    EXPECT_EQ(Call(effBeginLoadBank, 0, 0, &Info), -1);
    EXPECT_EQ(Call(effBeginLoadProgram, 0, 0, &Info), -1);
    EXPECT_EQ(Fired, 2);
}

// ---------------------------------------------------------------------------------------------------------
// The editor window

class Editor : public Dispatcher
{
protected:
    void SetUp() override
    {
        Dispatcher::SetUp();
        Module.OnEditOpen = [this](TComponent*, TEditorWindow*& GUI) {
            TFormDeclaration D;
            D.ClientWidth = 131;
            D.ClientHeight = 35;
            D.BorderStyle = TFormBorderStyle::bsNone;
            Form = new TForm(nullptr, D);
            GUI = Form;
        };
    }
    static TFormDeclaration ParentDeclaration()
    {
        TFormDeclaration D;
        D.ClientWidth = 400;
        D.ClientHeight = 300;
        return D;
    }
    TForm Parent{nullptr, ParentDeclaration()};
    TForm* Form = nullptr;
};

TEST_F(Editor, RectangleBeforeOpeningHasNoSize)
{
    ERect* Rect = nullptr;
    EXPECT_EQ(Call(effEditGetRect, 0, 0, &Rect), 0);
    ASSERT_EQ(Rect, &Module.EditorRect());
    EXPECT_EQ(Rect->top, 0);
    EXPECT_EQ(Rect->left, 0);
}

TEST_F(Editor, OpenEmbedsTheWindowAndShowsEveryValue)
{
    std::vector<int> Shown;
    Module.OnParameterChange = [&](TComponent*, std::int32_t Index, float& Value) {
        Shown.push_back(Index);
        if (Index == 1)
            Value = -15.0f; // the handler may correct the stored value
    };
    EXPECT_EQ(Call(effEditOpen, 0, 0, Parent.Handle()), 1);
    EXPECT_EQ(Module.Parameter(1), -15.0f);
    ASSERT_EQ(Module.EditorForm(), Form);
    EXPECT_TRUE(Form->Visible());
    EXPECT_EQ(Form->BorderStyle(), TFormBorderStyle::bsNone);
    EXPECT_EQ(Form->Left(), 0);
    EXPECT_EQ(Form->Top(), 0);
    EXPECT_EQ(Shown, (std::vector<int>{0, 1, 2, 3}));
    ERect* Rect = nullptr;
    EXPECT_EQ(Call(effEditGetRect, 0, 0, &Rect), 1);
    EXPECT_EQ(Rect->right, 131);
    EXPECT_EQ(Rect->bottom, 35);
    Call(effEditClose);
    EXPECT_EQ(Module.EditorForm(), nullptr);
}

// A library that makes editors installs its toolkit's window-thread policy; the editor's opcodes, and only
// those, go through it. Without one they run directly.
TEST_F(Editor, EditorOpcodesGoThroughTheInstalledWindowThreadPolicy)
{
    static int Routed;
    Routed = 0;
    InstallWindowThreadPolicy([](const std::function<void()>& Run) {
        ++Routed;
        Run();
    });
    struct TUninstall
    {
        ~TUninstall() { InstallWindowThreadPolicy(nullptr); }
    } Uninstall;
    ERect* Rect = nullptr;
    EXPECT_EQ(Call(effEditOpen, 0, 0, Parent.Handle()), 1);
    EXPECT_EQ(Call(effEditGetRect, 0, 0, &Rect), 1);
    EXPECT_EQ(Routed, 2);
    Call(effGetVendorVersion);
    Call(effGetParamName, 0, 0, nullptr);
    EXPECT_EQ(Routed, 2);
    InstallWindowThreadPolicy(nullptr);
    Call(effEditIdle);
    EXPECT_EQ(Routed, 2);
    Call(effEditClose);
    EXPECT_EQ(Module.EditorForm(), nullptr);
}

TEST_F(Editor, NoEditorFlagMeansNoWindow)
{
    Module.SetFlags({effFlagsCanReplacing});
    EXPECT_EQ(Call(effEditOpen, 0, 0, Parent.Handle()), 0);
    EXPECT_EQ(Form, nullptr);
}

TEST_F(Editor, IdleFiresOncePerChange)
{
    int Idle = 0;
    Module.OnEditIdle = [&](TComponent*) { ++Idle; };
    Call(effEditOpen, 0, 0, Parent.Handle());
    Call(effEditIdle);
    Module.SetParameter(1, 2.0f);
    Call(effEditIdle);
    Call(effEditIdle);
    EXPECT_EQ(Idle, 2); // the open itself left an update pending
}

TEST_F(Editor, KeysAreForwardedOnlyWhenRequired)
{
    EXPECT_EQ(Call(effEditKeyDown, 'a', 0, nullptr, 0.0f), -1);
    Module.SetKeysRequired(true);
    EXPECT_EQ(Call(effKeysRequired), 0);
    EXPECT_EQ(Call(effEditKeyDown, 'a', 0, nullptr, 0.0f), 0); // no window
    Call(effEditOpen, 0, 0, Parent.Handle());
    std::vector<int> Checked;
    TVstKeyCode Seen{};
    Module.OnCheckKey = [&](TComponent*, char Key) {
        Checked.push_back(Key);
        return Key == 'A';
    };
    Module.OnEditorKeyDown = [&](TComponent*, TVstKeyCode& K) { Seen = K; };
    EXPECT_EQ(Call(effEditKeyDown, 'a', 0, nullptr, 1.0f), 1); // shift: 'a' - 32
    EXPECT_EQ(Seen.character, 'a');
    EXPECT_EQ(Seen.modifier, 1);
    EXPECT_EQ(Call(effEditKeyUp, 0, 15, nullptr, 2.0f), -1); // page up -> 38
    EXPECT_EQ(Call(effEditKeyDown, 0, 30, nullptr, 0.0f), -1); // numeric pad 6 -> digit 6
    EXPECT_EQ(Checked, (std::vector<int>{'A', 38, '6'}));
#if defined(MARVO_HEADLESS)
    const auto& Sent = HeadlessDriver::SentMessages(*Form);
    ASSERT_EQ(Sent.size(), 5u);
    EXPECT_EQ(Sent[0].Msg, 0x0104u);
    EXPECT_EQ(Sent[0].WParam, 'A');
    EXPECT_EQ(Sent[0].LParam, 0x2000);
    EXPECT_EQ(Sent[1].Msg, 0x0102u);
    EXPECT_EQ(Sent[1].LParam, 0);
    EXPECT_EQ(Sent[2].Msg, 0x0101u); // alternate held: plain key up
    EXPECT_EQ(Sent[2].WParam, 38u);
    EXPECT_EQ(Sent[2].LParam, 256);
    EXPECT_EQ(Sent[3].Msg, 0x0104u);
    EXPECT_EQ(Sent[3].WParam, 54u);
#endif
}

TEST_F(Editor, ClosingTheModuleDestroysAnOpenWindow)
{
    bool FormDestroyed = false;
    Call(effEditOpen, 0, 0, Parent.Handle());
    Form->OnDestroy = [&](TComponent*) { FormDestroyed = true; };
    auto* Owned = new TTestModule;
    Owned->OnEditOpen = Module.OnEditOpen;
    Module.OnEditOpen = nullptr;
    Call(effEditClose);
    EXPECT_TRUE(FormDestroyed);
    AEffect* OwnedEffect = Owned->Effect();
    Form = nullptr;
    OwnedEffect->dispatcher(OwnedEffect, effEditOpen, 0, 0, Parent.Handle(), 0.0f);
    ASSERT_NE(Form, nullptr);
    FormDestroyed = false;
    Form->OnDestroy = [&](TComponent*) { FormDestroyed = true; };
    OwnedEffect->dispatcher(OwnedEffect, effClose, 0, 0, nullptr, 0.0f);
    EXPECT_TRUE(FormDestroyed);
}
} // namespace
