// libFuzzer target: the host callback (AudioMasterCallback) driven with arbitrary opcodes (all 32 bits;
// the callback dispatches on the low 8), indexes, values and opts (NaN, infinities, huge values included),
// from a null effect, from effects of hosted instances (two equalisers, one of them showing the host's
// generic editor, and a raw record whose vendor text is the input's choice) and from a record no instance
// holds. Pointers are null or valid for what the opcode reads: text buffers of 512 bytes, a file-selector
// record with up to 8 file types, a window record whose parent is null or a live window, an event list, an
// offline task.
//
// Findings besides sanitizer reports: an exception escaping the callback, an unknown opcode answered with
// anything but 0, the time record answered at another address, a wrong version, vendor or product answer,
// an automation value changed on its way, a file selector still open after its matching close or after
// a cancelled dialog that left no path.
//
// Found so far: audioMasterSizeWindow with index 2147483647 (any value) from an instance with an editor
// window overflowed the window's width arithmetic; sizes outside 0..32767 are now refused with 0.
//
// Library-wide host state (sample rate, tempo, idle flags, open selector, host windows, headless records)
// is put back before every input, so any input reproduces alone. Message boxes are not written to the
// standard error stream unless MARVO_FUZZ_VERBOSE is set.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <iterator>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>

#include "equaliser/SmallEQModule.h"
#include "platform/headless/HeadlessDriver.h"
#include "vsthost/DVSTHost.h"
#include "../FuzzReader.h"

namespace
{

[[noreturn]] void Finding(const char* What, VstInt32 Opcode)
{
    std::fprintf(stderr, "finding: %s (opcode %d)\n", What, static_cast<int>(Opcode));
    std::abort();
}


// A raw effect record that answers only its vendor text (to reach the size-window vendor exclusion).
struct TVendorEffect
{
    AEffect Effect{};
    char Vendor[64] = {};

    TVendorEffect()
    {
        Effect.magic = kEffectMagic;
        Effect.dispatcher = &Dispatch;
        Effect.numInputs = 2;
        Effect.numOutputs = 2;
        Effect.uniqueID = FourCharCode("FzVd");
        Effect.object = this;
    }
    static VstIntPtr VSTCALL Dispatch(AEffect* E, VstInt32 Opcode, VstInt32, VstIntPtr, void* Ptr, float)
    {
        if (Opcode != effGetVendorString || !Ptr)
            return 0;
        std::memcpy(Ptr, static_cast<TVendorEffect*>(E->object)->Vendor, sizeof Vendor);
        return 1;
    }
};

struct TWorld
{
    TVstHost Host;
    TSmallEQModule* Plain = nullptr;  // instance A: events assigned, EditorWindow for some inputs
    TSmallEQModule* Edited = nullptr; // instance B: the generic editor open in EditedForm
    TVendorEffect Vendor;
    AEffect Stranger{};               // held by no instance
    TVstPlugIn* A = nullptr;
    TVstPlugIn* B = nullptr;
    TVstPlugIn* V = nullptr;
    TForm* WindowOfA = nullptr;
    TForm* EditedForm = nullptr;
    int Fired = 0;
    float LastAutomateValue = 0.0f;
    bool AutomateFired = false;

    static TSmallEQModule* NewEqualiser()
    {
        auto* M = new TSmallEQModule(nullptr);
        M->SetAudioMaster(&AudioMasterCallback);
        return M;
    }
    TVstPlugIn* Hosted(AEffect* Effect)
    {
        TVstPlugIn* P = Host.VstPlugIns().Add();
        P->VstEffect = Effect;
        P->SetActive(true);
        return P;
    }

    TWorld()
    {
        Host.VendorString = "Marvo fuzz vendor";
        Host.ProductString = "Marvo fuzz host";
        Host.VendorVersion = 7;
        Plain = NewEqualiser();
        Edited = NewEqualiser();
        A = Hosted(Plain->Effect());
        B = Hosted(Edited->Effect());
        V = Hosted(&Vendor.Effect);
        TFormDeclaration Declaration;
        WindowOfA = new TForm(nullptr, Declaration);
        EditedForm = new TForm(nullptr, Declaration);
        // The equaliser has no panel of its own: B shows the host's generic editor, which counts as open.
        B->SetGUIStyle(gsOld);
        B->ShowEdit(EditedForm);
        if (!B->EditVisible())
            Finding("the generic editor did not open", 0);

        // Trivial handlers on A; one raises, which the callback must swallow.
        A->OnAudioMasterAutomate = [this](TVstPlugIn*, VstInt32, float Value) {
            LastAutomateValue = Value;
            AutomateFired = true;
        };
        A->OnAudioMasterIdle = [this](TVstPlugIn*) { ++Fired; };
        A->OnAudioMasterNeedIdle = [this](TVstPlugIn*) { ++Fired; };
        A->OnAudioMasterWantMidi = [](TVstPlugIn*) { throw std::runtime_error("handler failure"); };
        A->OnAudioMasterIOChanged = [this](TVstPlugIn*) { ++Fired; };
        A->OnAudioMasterOfflineStart = [this](TVstPlugIn*) { ++Fired; };
        A->OnAudioMasterOfflineRead = [this](TVstPlugIn*, TVstOfflineTask* Task) { Fired += Task ? Task->readCount : 0; };
        A->OnAudioMasterOfflineWrite = [this](TVstPlugIn*, TVstOfflineTask* Task) {
            Fired += Task ? Task->writeCount : 0;
        };
        A->OnAudioMasterOfflineGetCurrentPass = [this](TVstPlugIn*) { ++Fired; };
        A->OnAudioMasterOfflineGetCurrentMetaPass = [this](TVstPlugIn*) { ++Fired; };
        A->OnAudioMasterSetOutputSampleRate = [this](TVstPlugIn*, float Rate) { Fired += Rate > 0.0f; };
        A->OnAudioMasterUpdateDisplay = [this](TVstPlugIn*) { ++Fired; };
        A->OnAudioMasterBeginEdit = [this](TVstPlugIn*, VstInt32 Index) { Fired += Index & 1; };
        A->OnAudioMasterEndEdit = [this](TVstPlugIn*, VstInt32 Index) { Fired += Index & 1; };
        A->OnAudioMasterPinConnected = [](TVstPlugIn*, VstInt32 Pin, bool isInput) { return (Pin & 1) == isInput; };
        A->OnVendorSpecific = [](TVstPlugIn*, VstInt32, VstInt32 Index, VstIntPtr, void*, float) -> VstIntPtr {
            return Index;
        };
        A->OnProcessEvents = [this](TVstPlugIn*, VstEvents* Events) {
            if (!Events)
                return;
            // The list's capacity is the target's own (8); the host hands it over untouched.
            const auto* List = reinterpret_cast<const TVstEventList<8>*>(Events);
            for (VstInt32 I = 0; I < List->numEvents && I < 8; ++I)
                Fired += List->events[I] ? List->events[I]->type : 0;
        };
    }
};

TWorld& World()
{
    static TWorld* W = new TWorld;
    return *W;
}

// The open file selector as the target saw it open: its title, for a matching close.
struct TSelectorModel
{
    std::string Title;
} Selector;

std::string Bounded(const char* P, std::size_t Limit)
{
    return std::string(P, strnlen(P, Limit));
}

void CloseLeftOverSelector()
{
    if (!FileSelectorOpen())
        return;
    auto Close = std::make_unique<VstFileSelect>();
    std::memset(Close.get(), 0, sizeof(VstFileSelect));
    std::memcpy(Close->title, Selector.Title.data(), std::min(Selector.Title.size(), sizeof Close->title));
    AudioMasterCallback(nullptr, audioMasterCloseFileSelector, 0, 0, Close.get(), 0.0f);
    if (FileSelectorOpen())
        Finding("a left-over file selector did not close with its own title", audioMasterCloseFileSelector);
}

float TakeOpt(TReader& In)
{
    switch (In.Take<std::uint8_t>() % 8)
    {
    case 0:
        return std::numeric_limits<float>::quiet_NaN();
    case 1:
        return std::numeric_limits<float>::infinity();
    case 2:
        return -std::numeric_limits<float>::infinity();
    case 3:
        return 3.0e38f;
    case 4:
        return static_cast<float>(In.Take<std::int16_t>());
    default:
        return In.Take<float>();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    if (!std::getenv("MARVO_FUZZ_VERBOSE"))
        std::cerr.rdbuf(nullptr); // message boxes of audioMasterOpenWindow; sanitizer reports bypass it
    World();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    TWorld& W = World();
    TReader In(Data, Size);

    // The state one input starts from.
    HeadlessDriver::Reset();
    CloseLeftOverSelector();
    FreeHostWindows();
    const auto Setup = In.Take<std::uint8_t>();
    W.Host.ManageIdleAutomaticly = Setup & 1;
    W.A->EditorWindow = (Setup & 2) ? W.WindowOfA : nullptr;
    W.V->EditorWindow = (Setup & 4) ? W.WindowOfA : nullptr;
    W.A->NeedIdle = W.B->NeedIdle = W.V->NeedIdle = false;
    W.WindowOfA->SetClientWidth(131);
    W.WindowOfA->SetClientHeight(35);
    W.EditedForm->SetClientWidth(131);
    W.EditedForm->SetClientHeight(35);
    W.Host.VstTimeInfo().SetSampleRate(44100.0);
    W.Host.SetTempo((Setup & 8) ? TakeOpt(In) : 120.0f);
    std::memset(W.Vendor.Vendor, 0, sizeof W.Vendor.Vendor);
    In.TakeBytes(W.Vendor.Vendor, (Setup >> 4) * 2u);
    W.Vendor.Vendor[sizeof W.Vendor.Vendor - 1] = 0;

    VstTimeInfo* const Time = &W.Host.VstTimeInfo().Record();
    // The plug-in's file-selector record: opened and closed through the same record, as plug-ins do.
    auto Select = std::make_unique<VstFileSelect>();
    std::memset(Select.get(), 0, sizeof(VstFileSelect));
    VstFileType Types[8] = {};
    char InitialPath[64] = {};
    char OwnReturnPath[256] = {};

    int Steps = 0;
    while (!In.Empty() && ++Steps < 64)
    {
        const auto Kind = In.Take<std::uint8_t>();
        AEffect* Effects[] = {nullptr, W.Plain->Effect(), W.Edited->Effect(), &W.Vendor.Effect, &W.Stranger};
        AEffect* Effect = Effects[(Kind & 7) % 5];
        // Mostly the published opcodes; sometimes all 32 bits.
        const VstInt32 Opcode = (Kind & 0x08) ? In.Take<VstInt32>() : In.Take<std::uint8_t>() % 56;
        const VstInt32 Index = (Kind & 0x10) ? In.Take<VstInt32>() : In.Take<std::int8_t>();
        const auto Value = static_cast<VstIntPtr>((Kind & 0x20) ? In.Take<std::int64_t>() : In.Take<std::int8_t>());
        const float Opt = TakeOpt(In);

        alignas(16) char Text[512] = {};
        VstWindow Window{};
        TVstEventList<8> Events{};
        TVstMidiEvent Midi[8] = {};
        TVstOfflineTask Task{};
        void* Ptr = Text;
        switch (Opcode & 0xFF)
        {
        case audioMasterCanDo:
        case audioMasterVendorSpecific: {
            const auto Choice = In.Take<std::uint8_t>();
            if (Choice < std::size(HostCanDoStrings))
                std::strcpy(Text, HostCanDoStrings[Choice]);
            else
                In.TakeBytes(Text, Choice + 64u); // up to 319 bytes, possibly without a zero among them
            break;
        }
        case audioMasterOpenFileSelector:
        case audioMasterCloseFileSelector: {
            const auto Change = In.Take<std::uint8_t>();
            if (Change & 1)
                Select->command = (Change & 2) ? In.Take<VstInt32>() : In.Take<std::uint8_t>() % 5;
            if (Change & 4)
            {
                std::memset(Select->title, 0, sizeof Select->title);
                In.TakeBytes(Select->title, In.Take<std::uint8_t>());
            }
            if (Change & 8)
            {
                const VstInt32 Count = In.Take<std::int8_t>();
                Select->nbFileTypes = Count;
                for (VstInt32 I = 0; I < Count && I < 8; ++I)
                    In.TakeBytes(&Types[I], 24);
                Select->nbFileTypes = std::min<VstInt32>(Count, 8);
                Select->fileTypes = (Change & 0x10) ? nullptr : Types;
            }
            if (Change & 0x20)
            {
                In.TakeBytes(InitialPath, In.Take<std::uint8_t>() % sizeof InitialPath);
                InitialPath[sizeof InitialPath - 1] = 0;
                Select->initialPath = InitialPath;
            }
            if (Change & 0x40)
                Select->returnPath = (Select->returnPath == OwnReturnPath) ? nullptr : OwnReturnPath;
            if (Change & 0x80)
            {
                char Answer[32] = {};
                In.TakeBytes(Answer, sizeof Answer - 1);
                HeadlessDriver::PresetNextDialogAnswer(std::string(Answer));
            }
            Ptr = Select.get();
            break;
        }
        case audioMasterOpenWindow: {
            In.TakeBytes(&Window, offsetof(VstWindow, parent));
            const auto Parent = In.Take<std::uint8_t>() % 3;
            Window.parent = Parent == 0 ? nullptr : Parent == 1 ? W.WindowOfA->Handle() : W.EditedForm->Handle();
            Ptr = &Window;
            break;
        }
        case audioMasterProcessEvents: {
            Events.numEvents = In.Take<std::int8_t>();
            for (int I = 0; I < 8; ++I)
            {
                Midi[I].type = In.Take<std::uint8_t>() % 3;
                Midi[I].byteSize = sizeof(TVstMidiEvent);
                Events.events[I] = reinterpret_cast<VstEvent*>(&Midi[I]);
            }
            Ptr = &Events;
            break;
        }
        case audioMasterOfflineRead:
        case audioMasterOfflineWrite:
            Task.readCount = In.Take<std::int8_t>();
            Task.writeCount = In.Take<std::int8_t>();
            Ptr = &Task;
            break;
        default:
            break;
        }
        if (Kind & 0x80)
            Ptr = nullptr;

        const bool SelectorWasOpen = FileSelectorOpen();
        char* const ReturnPathBefore = Select->returnPath;
        W.AutomateFired = false;
        VstIntPtr Answer = 0;
        try
        {
            Answer = AudioMasterCallback(Effect, Opcode, Index, Value, Ptr, Opt);
        }
        catch (...)
        {
            Finding("an exception escaped the callback", Opcode);
        }

        const VstInt32 Low = Opcode & 0xFF;
        if ((Low == audioMasterUnused || Low >= audioMasterGetInputSpeakerArrangement) && Answer != 0)
            Finding("an unknown opcode was not answered with 0", Opcode);
        switch (Low)
        {
        case audioMasterVersion:
            if (Answer != TVstHost::VstVersion())
                Finding("the version answer is not the host's", Opcode);
            break;
        case audioMasterGetTime:
            if (Answer != reinterpret_cast<VstIntPtr>(Time))
                Finding("the time record moved", Opcode);
            break;
        case audioMasterAutomate:
            if (W.AutomateFired && std::memcmp(&W.LastAutomateValue, &Opt, sizeof Opt) != 0)
                Finding("the automated value changed on its way", Opcode);
            break;
        case audioMasterGetVendorString:
        case audioMasterGetProductString:
            if (Ptr)
            {
                const std::string& Expected =
                    Low == audioMasterGetVendorString ? W.Host.VendorString : W.Host.ProductString;
                if (std::memcmp(Text, Expected.c_str(), Expected.size() + 1) != 0)
                    Finding("the vendor or product text is not the host's", Opcode);
            }
            break;
        case audioMasterOpenFileSelector:
            if (Ptr && !SelectorWasOpen && FileSelectorOpen())
                Selector.Title = Bounded(Select->title, sizeof Select->title);
            if (Ptr && !SelectorWasOpen && !ReturnPathBefore && !Select->returnPath && FileSelectorOpen())
                Finding("a cancelled file selector stayed open", Opcode);
            break;
        case audioMasterCloseFileSelector:
            if (Ptr && SelectorWasOpen && Select->command >= 0 && Select->command <= 2 &&
                Bounded(Select->title, sizeof Select->title) == Selector.Title && FileSelectorOpen())
                Finding("the file selector stayed open after its matching close", Opcode);
            break;
        default:
            break;
        }
    }
    // The host's path text belongs to the host; the record must not keep pointing at it into the next input.
    Select->returnPath = nullptr;
    CloseLeftOverSelector();
    FreeHostWindows();
    return 0;
}
