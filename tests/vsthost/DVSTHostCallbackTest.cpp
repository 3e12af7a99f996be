// The host callback opcode by opcode, the library-wide host settings and the time information.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/FPUControl.h"
#include "vsthost/DVSTHost.h"
#include "support/FakeEffect.h"
#if defined(MARVO_HEADLESS)
#include "platform/headless/HeadlessDriver.h"
#endif

namespace
{
// Allocations made by this thread, counted by the replaced allocation functions below (kept out of line, so
// that the compiler does not pair an inlined free with operator new).
thread_local std::size_t GAllocations = 0;
} // namespace

[[gnu::noinline]] void* operator new(std::size_t Size)
{
    ++GAllocations;
    if (void* P = std::malloc(Size ? Size : 1))
        return P;
    throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* P) noexcept
{
    std::free(P);
}
[[gnu::noinline]] void operator delete(void* P, std::size_t) noexcept
{
    std::free(P);
}

namespace
{

VstIntPtr Call(AEffect* E, VstInt32 Opcode, VstInt32 Index = 0, VstIntPtr Value = 0, void* Ptr = nullptr,
               float Opt = 0.0f)
{
    return AudioMasterCallback(E, Opcode, Index, Value, Ptr, Opt);
}

struct Callback : ::testing::Test
{
    TFakeEffect Fake; // outlives the host: an instance still open at the end sends it effClose
    TVstHost Host;
    TVstPlugIn* P = nullptr;

    void SetUp() override { P = HandInFake(Host, Fake); }
};

TEST_F(Callback, AnswersFromTheHostSettings)
{
    char CanDo[64];
    auto Ask = [&](const char* Text) {
        std::strcpy(CanDo, Text);
        return Call(&Fake.Effect, audioMasterCanDo, 0, 0, CanDo);
    };
    struct Row
    {
        const char* What;
        VstIntPtr Answer, Expected;
    };
    const Row Rows[] = {
        {"version of a host that never set it", Call(nullptr, audioMasterVersion), 2300},
        {"version through the low 8 bits", Call(nullptr, 256 + audioMasterVersion), 2300},
        {"tempo at", Call(nullptr, audioMasterTempoAt), 1200000},
        {"sample rate", Call(nullptr, audioMasterGetSampleRate), 44100},
        {"block size", Call(nullptr, audioMasterGetBlockSize), 2048},
        {"quantization asked with -1", Call(nullptr, audioMasterGetParameterQuantization, 0, -1), 2147483647},
        {"quantization asked otherwise", Call(nullptr, audioMasterGetParameterQuantization, 0, 0), 0},
        {"language", Call(nullptr, audioMasterGetLanguage), kVstLangEnglish},
        {"unused opcode", Call(nullptr, audioMasterUnused, 1, 2, nullptr, 0.5f), 0},
        {"opcode beyond the table", Call(nullptr, 200), 0},
        {"can do sizeWindow", Ask("sizeWindow"), 1},
        {"can do in another case", Ask("SizeWindow"), 0},
        {"can do startStopProcess", Ask("startStopProcess"), 1},
        {"can do editFile (not offered by default)", Ask("editFile"), 0},
        {"can do unknown text", Ask("flyToTheMoon"), 0},
        {"pin connected without an event", Call(&Fake.Effect, audioMasterPinConnected), 0},
        {"replace or accumulate of an unknown effect", Call(nullptr, audioMasterWillReplaceOrAccumulate), 0},
    };
    for (const Row& R : Rows)
        EXPECT_EQ(R.Answer, R.Expected) << R.What;

    TVstHost::SetVstVersion(2400);
    EXPECT_EQ(Call(nullptr, audioMasterVersion), 2400);
    TVstHost::SetVstVersion(2300);
    P->AutomationState = as4ReadWrite;
    EXPECT_EQ(Call(&Fake.Effect, audioMasterGetAutomationState), as4ReadWrite);
    Host.SetTempo(90.4f);
    EXPECT_EQ(Call(nullptr, audioMasterTempoAt), 900000);
    Host.SetTempo(120.0f);
}

TEST_F(Callback, UnknownOpcodesAnswerZeroWithoutAllocating)
{
    // The callback may run on the audio thread, where an opcode it does not know must cost nothing.
    for (const VstInt32 Opcode : {VstInt32(audioMasterUnused), 49, 200, -1})
    {
        const std::size_t Before = GAllocations;
        const VstIntPtr Answer = Call(&Fake.Effect, Opcode, 1, 2, nullptr, 0.5f);
        const std::size_t Made = GAllocations - Before;
        EXPECT_EQ(Answer, 0) << Opcode;
        EXPECT_EQ(Made, 0u) << Opcode;
    }
}

TEST_F(Callback, TheTimeRecordKeepsItsAddress)
{
    const VstIntPtr First = Call(&Fake.Effect, audioMasterGetTime, 0, 0);
    EXPECT_EQ(Call(&Fake.Effect, audioMasterGetTime, 0, 0xFFFF), First);
    EXPECT_EQ(Call(nullptr, audioMasterGetTime, 0, 1 << 9), First);
    const auto* Info = reinterpret_cast<const VstTimeInfo*>(First);
    EXPECT_EQ(Info->sampleRate, 44100.0);
    EXPECT_EQ(Info->timeSigNumerator, 4);
    EXPECT_EQ(Info->flags, 0xFF00);
}

TEST_F(Callback, SampleRateChangesReachTheLibraryWideRate)
{
    float Reported = 0.0f;
    P->OnAudioMasterSetOutputSampleRate = [&](TVstPlugIn* Sender, float Rate) {
        EXPECT_EQ(Sender, P);
        Reported = Rate;
    };
    Call(&Fake.Effect, audioMasterSetOutputSampleRate, 0, 0, nullptr, 48000.0f);
    EXPECT_EQ(Reported, 48000.0f);
    EXPECT_EQ(Call(nullptr, audioMasterGetSampleRate), 48000);
    int Changes = 0;
    Host.VstTimeInfo().OnChanged = [&](TVstTimeInformation*) { ++Changes; };
    Host.VstTimeInfo().SetSampleRate(96000.0);
    Host.VstTimeInfo().SetSampleRate(96000.0);
    EXPECT_EQ(Changes, 1);
    EXPECT_EQ(Call(nullptr, audioMasterGetSampleRate), 96000);
    Call(nullptr, audioMasterSetOutputSampleRate, 0, 0, nullptr, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(Call(nullptr, audioMasterGetSampleRate), 0);
    Call(nullptr, audioMasterSetOutputSampleRate, 0, 0, nullptr, 44100.0f);
}

TEST_F(Callback, EventsFireOnTheCallingInstance)
{
    TVstPlugIn* Waiting = Host.VstPlugIns().Add(); // no record yet: a call with a null effect is its own
    std::vector<std::string> Log;
    P->OnAudioMasterAutomate = [&](TVstPlugIn*, VstInt32 Index, float Value) {
        Log.push_back("automate " + std::to_string(Index) + " " + std::to_string(Value));
    };
    Waiting->OnAudioMasterAutomate = [&](TVstPlugIn*, VstInt32, float) { Log.push_back("waiting"); };
    P->OnAudioMasterBeginEdit = [&](TVstPlugIn*, VstInt32 Index) { Log.push_back("begin " + std::to_string(Index)); };
    P->OnAudioMasterPinConnected = [&](TVstPlugIn*, VstInt32 Pin, bool isInput) { return Pin == 0 && isInput; };
    P->OnVendorSpecific = [&](TVstPlugIn*, VstInt32, VstInt32 Index, VstIntPtr, void*, float) -> VstIntPtr {
        return Index * 2;
    };
    Call(&Fake.Effect, audioMasterAutomate, 3, 0, nullptr, 0.25f);
    Call(nullptr, audioMasterAutomate, 3, 0, nullptr, 0.25f);
    Call(&Fake.Effect, audioMasterBeginEdit, 5);
    EXPECT_EQ(Log, (std::vector<std::string>{"automate 3 0.250000", "waiting", "begin 5"}));
    EXPECT_EQ(Call(&Fake.Effect, audioMasterPinConnected, 0, 0), 0);
    EXPECT_EQ(Call(&Fake.Effect, audioMasterPinConnected, 0, 1), 1);
    EXPECT_EQ(Call(&Fake.Effect, audioMasterVendorSpecific, 21), 42);

    // Idle requests set the instance's flag; with automatic idling the open editor gets its idle call.
    Fake.Answers[effEditOpen] = 1;
    P->EditOpen(nullptr);
    Host.ManageIdleAutomaticly = true;
    Call(&Fake.Effect, audioMasterNeedIdle);
    EXPECT_TRUE(P->NeedIdle);
    EXPECT_EQ(Fake.Count(effIdle), 1);
    Call(&Fake.Effect, audioMasterIdle);
    EXPECT_EQ(Fake.Count(effEditIdle), 2); // the caller's editor, then every open editor of the host
    P->EditClose();
}

TEST_F(Callback, SizeWindowResizesTheEditorWindowUnlessTheVendorIsExcluded)
{
    EXPECT_EQ(Call(&Fake.Effect, audioMasterSizeWindow, 300, 200), 0); // no editor window yet
    TFormDeclaration Declaration;
    TForm Window(nullptr, Declaration);
    P->EditorWindow = &Window;
    Fake.Answers[effGetVendorString] = 1;
    for (const char* Vendor : {"Dash Signature", "wusik.com"})
    {
        Fake.Texts[effGetVendorString] = Vendor;
        EXPECT_EQ(Call(&Fake.Effect, audioMasterSizeWindow, 300, 200), 0) << Vendor;
        EXPECT_NE(Window.ClientWidth(), 300) << Vendor;
    }
    Fake.Texts[effGetVendorString] = "Marvo tests";
    for (const auto& [W, H] : {std::pair<VstInt32, VstIntPtr>{2147483647, 10}, {-1, 10}, {10, 40000}})
        EXPECT_EQ(Call(&Fake.Effect, audioMasterSizeWindow, W, H), 0) << W << " x " << H;
    EXPECT_EQ(Call(&Fake.Effect, audioMasterSizeWindow, 300, 200), 1);
    EXPECT_EQ(Window.ClientWidth(), 300);
    EXPECT_EQ(Window.ClientHeight(), 200);
    P->EditorWindow = nullptr;
}

TEST_F(Callback, StringsAndDirectoryComeFromTheHost)
{
    Host.VendorString = "Zentrova";
    Host.ProductString = "Marvo";
    Host.PlugInDir = "C:\\VST";
    char Buffer[256];
    std::memset(Buffer, 'x', sizeof Buffer);
    Call(&Fake.Effect, audioMasterGetVendorString, 0, 0, Buffer);
    EXPECT_STREQ(Buffer, "Zentrova");
    Call(&Fake.Effect, audioMasterGetProductString, 0, 0, Buffer);
    EXPECT_STREQ(Buffer, "Marvo");
    Host.VendorString = std::string(300, 'v'); // cut to what a plug-in's 64-byte buffer holds
    Call(&Fake.Effect, audioMasterGetVendorString, 0, 0, Buffer);
    EXPECT_EQ(std::string(Buffer), std::string(63, 'v'));
    EXPECT_STREQ(reinterpret_cast<const char*>(Call(&Fake.Effect, audioMasterGetDirectory)), "C:\\VST");
}

TEST(HostSettings, SurviveTheirHostAndTheCallbackAnswersNothingWithoutOne)
{
    TFakeEffect Fake;
    {
        TVstHost Host;
        HandInFake(Host, Fake);
        Host.SetBlockSize(512);
        EXPECT_EQ(Fake.Opcodes(), std::vector<VstInt32>{effSetBlockSize});
        TVstHost::SetVstVersion(2400);
        EXPECT_EQ(CurrentHost(), &Host);
    }
    EXPECT_EQ(CurrentHost(), nullptr);
    EXPECT_EQ(Call(nullptr, audioMasterVersion), 0);
    EXPECT_EQ(TVstHost::BlockSize(), 512);
    EXPECT_EQ(TVstHost::VstVersion(), 2400);
    TVstHost::SetVstVersion(2300);
    TVstHost Next;
    EXPECT_EQ(TVstHost::BlockSize(), 2048); // a new host starts from the default block size
}

#if defined(MARVO_HEADLESS)
// Dialogs and message boxes are modal on Windows; the headless driver answers them.
struct HostDialogs : Callback
{
    void SetUp() override
    {
        Callback::SetUp();
        HeadlessDriver::Reset();
    }
    void TearDown() override { FreeHostWindows(); }
};

TEST_F(HostDialogs, OneFileSelectorAtATimeUntilItsTitleClosesIt)
{
    VstFileType Types[2] = {};
    std::strcpy(Types[0].name, "Program");
    std::strcpy(Types[0].dosType, "fxp");
    std::strcpy(Types[1].name, "Bank");
    std::strcpy(Types[1].dosType, "fxb");
    VstFileSelect Select{};
    Select.command = 0;
    Select.nbFileTypes = 2;
    Select.fileTypes = Types;
    std::strcpy(Select.title, "Load preset");
    char Initial[] = "/presets";
    Select.initialPath = Initial;

    HeadlessDriver::PresetNextDialogAnswer("/presets/a.fxp");
    EXPECT_EQ(Call(&Fake.Effect, audioMasterOpenFileSelector, 0, 0, &Select), 1);
    ASSERT_NE(Select.returnPath, nullptr);
    EXPECT_STREQ(Select.returnPath, "/presets/a.fxp");
    EXPECT_EQ(Select.sizeReturnPath, 14);
    ASSERT_EQ(HeadlessDriver::Dialogs().size(), 1u);
    EXPECT_FALSE(HeadlessDriver::Dialogs()[0].Save);
    EXPECT_EQ(HeadlessDriver::Dialogs()[0].Filter, "Program (*.fxp)|*.fxp|Bank (*.fxb)|*.fxb|");
    EXPECT_EQ(HeadlessDriver::Dialogs()[0].InitialDir, "/presets");

    VstFileSelect Second = Select;
    Second.returnPath = nullptr;
    EXPECT_EQ(Call(&Fake.Effect, audioMasterOpenFileSelector, 0, 0, &Second), 0);
    EXPECT_EQ(Call(&Fake.Effect, audioMasterOpenFileSelector, 0, 0, nullptr), 0);

    VstFileSelect Other = Select;
    std::strcpy(Other.title, "Another");
    Call(&Fake.Effect, audioMasterCloseFileSelector, 0, 0, &Other);
    EXPECT_TRUE(FileSelectorOpen());
    Call(&Fake.Effect, audioMasterCloseFileSelector, 0, 0, &Select);
    EXPECT_FALSE(FileSelectorOpen());

    // A cancelled save dialog answers 1, returns no path and leaves no selector open.
    VstFileSelect Save{};
    Save.command = 1;
    std::strcpy(Save.title, "Save preset");
    EXPECT_EQ(Call(&Fake.Effect, audioMasterOpenFileSelector, 0, 0, &Save), 1);
    EXPECT_EQ(Save.returnPath, nullptr);
    EXPECT_FALSE(FileSelectorOpen());
    EXPECT_TRUE(HeadlessDriver::Dialogs().back().Save);
}

TEST_F(HostDialogs, OpenWindowCreatesAHiddenWindowAndReportsWithoutAContactAddress)
{
    VstWindow Window{};
    std::strcpy(Window.title, "Plug-in panel");
    Window.xPos = 10;
    Window.yPos = 20;
    Window.width = 300;
    Window.height = 100;
    Window.style = 1;
    EXPECT_EQ(Call(&Fake.Effect, audioMasterOpenWindow, 0, 0, &Window), 0);
    EXPECT_EQ(Call(&Fake.Effect, audioMasterOpenWindow, 0, 0, nullptr), 0);
    ASSERT_EQ(HostWindowCount(), 1);
    TForm* Opened = HostWindow(0);
    EXPECT_EQ(Opened->Caption(), "Plug-in panel");
    EXPECT_EQ(Opened->Left(), 10);
    EXPECT_EQ(Opened->Width(), 300);
    EXPECT_EQ(Opened->BorderStyle(), TFormBorderStyle::bsNone);
    EXPECT_FALSE(Opened->Visible());
    ASSERT_EQ(HeadlessDriver::MessageBoxes().size(), 1u);
    const std::string& Text = HeadlessDriver::MessageBoxes()[0].Text;
    EXPECT_EQ(Text.find('@'), std::string::npos);
    EXPECT_EQ(Text.find("http"), std::string::npos);
}
#endif

} // namespace
