// The host component, its time information, the library-wide host state and the host callback.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <vector>

#include "platform/FPUControl.h"
#include "platform/Registry.h"
#include "vsthost/DVSTHost.h"

namespace
{

constexpr THostCanDos kCreationCanDos = [] {
    THostCanDos S;
    for (unsigned I = hcdSendVstEvents; I <= hcdSupplyIdle; ++I)
        S.Include(static_cast<THostCanDo>(I));
    S.Include(hcdStartStopProcess);
    return S;
}();

// Library-wide host state, shared by every host.
struct THostState
{
    TVstHost* Current = nullptr;
    float SampleRate = 44100.0f;
    std::int32_t BlockSize = 2048;
    std::int32_t VstVersion = 2300;
    float Tempo = 120.0f;
    THostCanDos CanDos;
    // The open file selector: its title, and the path text handed to the plug-in, kept until it is closed.
    bool FileSelectorOpen = false;
    std::string FileSelectorTitle;
    std::string FileSelectorPath;
    std::vector<std::unique_ptr<TForm>> HostWindows;
};

// [any]
THostState& State()
{
    static THostState S;
    return S;
}

// [any] The text at P, up to its first zero and at most Limit characters.
std::string BoundedText(const char* P, std::size_t Limit)
{
    return P ? std::string(P, strnlen(P, Limit)) : std::string();
}

// [any] Copies a host text with its zero into a plug-in's buffer, which plug-ins size at the published 64 bytes.
void CopyHostText(void* Ptr, const std::string& Text)
{
    const std::size_t Length = std::min<std::size_t>(Text.size(), 63);
    std::memcpy(Ptr, Text.data(), Length);
    static_cast<char*>(Ptr)[Length] = '\0';
}

// [any]
std::string UpperCase(std::string S)
{
    for (char& C : S)
        if (C >= 'a' && C <= 'z')
            C = static_cast<char>(C - 'a' + 'A');
    return S;
}

// [any] A float rounded half to even as an answer; 0 for values no 32-bit answer can hold (NaN, infinities, huge
// values a plug-in sent through audioMasterSetOutputSampleRate).
VstIntPtr RoundedAnswer(float V, double Limit = 2147483647.0)
{
    const double R = std::nearbyint(static_cast<double>(V));
    return std::isfinite(R) && std::fabs(R) <= Limit ? static_cast<VstIntPtr>(R) : 0;
}

// [any] Fires an event of the calling instance, when there is one and the event is assigned.
template <class TEvent, class... TArgs>
void Fire(TVstPlugIn* Instance, TEvent TVstPlugIn::*Event, TArgs... Args)
{
    if (Instance && Instance->*Event)
        (Instance->*Event)(Instance, Args...);
}

// [any] The hosted instance that holds Effect, or null.
TVstPlugIn* FindInstance(TVstHost& Host, AEffect* Effect)
{
    TVstPlugIns& List = Host.VstPlugIns();
    for (int I = 0; I < List.Count(); ++I)
        if (List.Items(I)->VstEffect == Effect)
            return List.Items(I);
    return nullptr;
}

// [any] (plug-ins ask from their editor's thread) Shows the open or save dialog the selector describes and
// hands the chosen path back in it; answers 1 for a selector, 0 for none or while one is open.
VstIntPtr RunFileSelector(VstFileSelect* Select)
{
    THostState& S = State();
    if (!Select || S.FileSelectorOpen)
        return 0;
    const bool Open = Select->command == 0 || Select->command == 2;
    const bool Save = Select->command == 1;
    if (Open || Save)
    {
        S.FileSelectorOpen = true;
        S.FileSelectorTitle = BoundedText(Select->title, sizeof(Select->title));
        const std::string InitialDir = BoundedText(Select->initialPath, 4096);
        std::string Filter;
        for (VstInt32 I = 0; Select->fileTypes && I < Select->nbFileTypes; ++I)
        {
            const VstFileType& Type = Select->fileTypes[I];
            const std::string Name = BoundedText(Type.name, sizeof(Type.name));
            const std::string Dos = BoundedText(Type.dosType, sizeof(Type.dosType));
            Filter += Name + " (*." + Dos + ")|*." + Dos + "|";
        }
        const std::optional<std::string> Chosen = Open ? OpenFileDialog(S.FileSelectorTitle, InitialDir, Filter)
                                                       : SaveFileDialog(S.FileSelectorTitle, InitialDir, Filter);
        if (Chosen)
        {
            S.FileSelectorPath = *Chosen;
            Select->returnPath = S.FileSelectorPath.data();
            Select->sizeReturnPath = static_cast<VstInt32>(S.FileSelectorPath.size());
        }
    }
    if (!Select->returnPath)
    {
        S.FileSelectorOpen = false;
        S.FileSelectorTitle.clear();
    }
    return 1;
}

// [any] (likewise) Forgets the open selector when Select is the one it showed.
void EndFileSelector(VstFileSelect* Select)
{
    THostState& S = State();
    if (!Select || !S.FileSelectorOpen || Select->command < 0 || Select->command > 2)
        return;
    if (BoundedText(Select->title, sizeof(Select->title)) != S.FileSelectorTitle)
        return;
    S.FileSelectorOpen = false;
    S.FileSelectorTitle.clear();
}

// [any] (likewise) Creates the window the plug-in asked for, unshown, and tells the user.
void OpenHostWindow(VstWindow* Window)
{
    if (!Window)
        return;
    TFormDeclaration Declaration;
    Declaration.Caption = BoundedText(Window->title, sizeof(Window->title));
    auto Form = std::make_unique<TForm>(nullptr, Declaration);
    Form->SetLeft(Window->xPos);
    Form->SetTop(Window->yPos);
    Form->SetWidth(Window->width);
    Form->SetHeight(Window->height);
    if (Window->style == 0)
        Form->SetBorderStyle(TFormBorderStyle::bsSizeToolWin);
    else if (Window->style == 1)
        Form->SetBorderStyle(TFormBorderStyle::bsNone);
    // The parent is a native window of the plug-in's choosing: the new window stays above it.
    if (Window->parent)
        Form->SetOwnerWindow(Window->parent);
    State().HostWindows.push_back(std::move(Form));
    ShowMessageBox("A plug-in asked this host to open a window of its own (audioMasterOpenWindow), which the "
                   "host does not support. The window was created but is not shown.",
                   "Marvo VST host");
}

// One request of a plug-in: the host, the calling instance (null for a record the host does not hold), and
// the arguments; Opcode is as the plug-in sent it.
struct THostCall
{
    TVstHost& Host;
    TVstPlugIn* Instance;
    VstInt32 Opcode;
    VstInt32 Index;
    VstIntPtr Value;
    void* Ptr;
    float Opt;
};
using THostHandler = VstIntPtr (*)(const THostCall& C);

// The handlers, one per request the host answers; each runs on the thread of the plug-in's call [any].
namespace Requests
{
// [any]
VstIntPtr Automate(const THostCall& C)
{
    // The parameter's normalised value travels in Opt.
    Fire(C.Instance, &TVstPlugIn::OnAudioMasterAutomate, C.Index, C.Opt);
    return 0;
}

// [any]
VstIntPtr Version(const THostCall&)
{
    return State().VstVersion;
}

// [any]
VstIntPtr CurrentId(const THostCall& C)
{
    if (C.Instance)
        C.Instance->Identify();
    return 0;
}

// [any]
VstIntPtr Idle(const THostCall& C)
{
    if (!C.Instance)
        return 0;
    C.Instance->NeedIdle = true;
    Fire(C.Instance, &TVstPlugIn::OnAudioMasterIdle);
    if (C.Host.ManageIdleAutomaticly)
    {
        if (C.Instance->EditVisible())
            C.Instance->EditIdle();
        TVstPlugIns& List = C.Host.VstPlugIns();
        for (int I = 0; I < List.Count(); ++I)
            if (List.Items(I)->EditVisible())
                List.Items(I)->EditIdle();
    }
    return 0;
}

// [any]
VstIntPtr PinConnected(const THostCall& C)
{
    if (C.Instance && C.Instance->OnAudioMasterPinConnected)
        return C.Instance->OnAudioMasterPinConnected(C.Instance, C.Index, C.Value == 0) ? 0 : 1;
    return 0;
}

// [any]
VstIntPtr WantMidi(const THostCall& C)
{
    Fire(C.Instance, &TVstPlugIn::OnAudioMasterWantMidi);
    return 0;
}

// [any]
VstIntPtr GetTime(const THostCall& C)
{
    return reinterpret_cast<VstIntPtr>(&C.Host.VstTimeInfo().Record());
}

// [any]
VstIntPtr ProcessEvents(const THostCall& C)
{
    Fire(C.Instance, &TVstPlugIn::OnProcessEvents, static_cast<VstEvents*>(C.Ptr));
    return 0;
}

// [any]
VstIntPtr TempoAt(const THostCall&)
{
    return RoundedAnswer(State().Tempo, 214748.0) * 10000;
}

// [any]
VstIntPtr GetNumAutomatableParameters(const THostCall& C)
{
    return C.Host.NumAutomatableParameters;
}

// [any]
VstIntPtr GetParameterQuantization(const THostCall& C)
{
    return C.Value == -1 ? C.Host.ParameterQuantization : 0;
}

// [any]
VstIntPtr IOChanged(const THostCall& C)
{
    Fire(C.Instance, &TVstPlugIn::OnAudioMasterIOChanged);
    return 0;
}

// [any]
VstIntPtr NeedIdle(const THostCall& C)
{
    if (!C.Instance)
        return 0;
    C.Instance->NeedIdle = true;
    Fire(C.Instance, &TVstPlugIn::OnAudioMasterNeedIdle);
    if (C.Host.ManageIdleAutomaticly)
        C.Instance->Idle();
    return 0;
}

// [any]
VstIntPtr SizeWindow(const THostCall& C)
{
    if (!C.Instance || !C.Instance->EditorWindow)
        return 0;
    // An editor's extent is 16-bit (ERect); a larger request would overflow the window arithmetic.
    if (C.Index < 0 || C.Index > 32767 || C.Value < 0 || C.Value > 32767)
        return 0;
    const std::string Vendor = UpperCase(C.Instance->VendorString());
    if (Vendor.find("DASH") != std::string::npos || Vendor.find("WUSIK") != std::string::npos)
        return 0;
    C.Instance->EditorWindow->SetClientWidth(C.Index);
    C.Instance->EditorWindow->SetClientHeight(static_cast<int>(C.Value));
    return 1;
}

// [any]
VstIntPtr GetSampleRate(const THostCall&)
{
    return RoundedAnswer(State().SampleRate);
}

// [any]
VstIntPtr GetBlockSize(const THostCall&)
{
    return State().BlockSize;
}

// [any]
VstIntPtr GetInputLatency(const THostCall& C)
{
    return C.Host.LatencyInput;
}

// [any]
VstIntPtr GetOutputLatency(const THostCall& C)
{
    return C.Host.LatencyOutput;
}

// [any]
VstIntPtr WillReplaceOrAccumulate(const THostCall& C)
{
    return C.Instance ? C.Instance->ReplaceOrAccumulate : 0;
}

// [any]
VstIntPtr GetCurrentProcessLevel(const THostCall& C)
{
    return C.Instance ? C.Instance->CurrentProcessLevel : 0;
}

// [any]
VstIntPtr GetAutomationState(const THostCall& C)
{
    return C.Instance ? C.Instance->AutomationState : 0;
}

// [any]
VstIntPtr OfflineStart(const THostCall& C)
{
    Fire(C.Instance, &TVstPlugIn::OnAudioMasterOfflineStart);
    return 0;
}

// [any]
VstIntPtr OfflineRead(const THostCall& C)
{
    Fire(C.Instance, &TVstPlugIn::OnAudioMasterOfflineRead, static_cast<TVstOfflineTask*>(C.Ptr));
    return 0;
}

// [any]
VstIntPtr OfflineWrite(const THostCall& C)
{
    Fire(C.Instance, &TVstPlugIn::OnAudioMasterOfflineWrite, static_cast<TVstOfflineTask*>(C.Ptr));
    return 0;
}

// [any]
VstIntPtr OfflineGetCurrentPass(const THostCall& C)
{
    Fire(C.Instance, &TVstPlugIn::OnAudioMasterOfflineGetCurrentPass);
    return 0;
}

// [any]
VstIntPtr OfflineGetCurrentMetaPass(const THostCall& C)
{
    Fire(C.Instance, &TVstPlugIn::OnAudioMasterOfflineGetCurrentMetaPass);
    return 0;
}

// [any]
VstIntPtr SetOutputSampleRate(const THostCall& C)
{
    Fire(C.Instance, &TVstPlugIn::OnAudioMasterSetOutputSampleRate, C.Opt);
    State().SampleRate = C.Opt;
    return 0;
}

// [any]
VstIntPtr GetVendorString(const THostCall& C)
{
    if (C.Ptr)
        CopyHostText(C.Ptr, C.Host.VendorString);
    return 0;
}

// [any]
VstIntPtr GetProductString(const THostCall& C)
{
    if (C.Ptr)
        CopyHostText(C.Ptr, C.Host.ProductString);
    return 0;
}

// [any]
VstIntPtr GetVendorVersion(const THostCall& C)
{
    return C.Host.VendorVersion;
}

// [any]
VstIntPtr VendorSpecific(const THostCall& C)
{
    if (C.Instance && C.Instance->OnVendorSpecific)
        return C.Instance->OnVendorSpecific(C.Instance, C.Opcode, C.Index, C.Value, C.Ptr, C.Opt);
    return 0;
}

// [any]
VstIntPtr CanDo(const THostCall& C)
{
    const std::string Text = BoundedText(static_cast<const char*>(C.Ptr), 255);
    for (unsigned I = 0; I < std::size(HostCanDoStrings); ++I)
        if (Text == HostCanDoStrings[I])
            return State().CanDos.Contains(static_cast<THostCanDo>(I)) ? 1 : 0;
    return 0;
}

// [any]
VstIntPtr GetLanguage(const THostCall& C)
{
    return C.Host.Language;
}

// [any]
VstIntPtr OpenWindow(const THostCall& C)
{
    OpenHostWindow(static_cast<VstWindow*>(C.Ptr));
    return 0;
}

// [any]
VstIntPtr GetDirectory(const THostCall& C)
{
    return reinterpret_cast<VstIntPtr>(C.Host.PlugInDir.c_str());
}

// [any]
VstIntPtr UpdateDisplay(const THostCall& C)
{
    Fire(C.Instance, &TVstPlugIn::OnAudioMasterUpdateDisplay);
    return 0;
}

// [any]
VstIntPtr BeginEdit(const THostCall& C)
{
    Fire(C.Instance, &TVstPlugIn::OnAudioMasterBeginEdit, C.Index);
    return 0;
}

// [any]
VstIntPtr EndEdit(const THostCall& C)
{
    Fire(C.Instance, &TVstPlugIn::OnAudioMasterEndEdit, C.Index);
    return 0;
}

// [any]
VstIntPtr OpenFileSelector(const THostCall& C)
{
    return RunFileSelector(static_cast<VstFileSelect*>(C.Ptr));
}

// [any]
VstIntPtr CloseFileSelector(const THostCall& C)
{
    EndFileSelector(static_cast<VstFileSelect*>(C.Ptr));
    return 0;
}
} // namespace Requests

// [any] The handler of each request by the opcode's low 8 bits; null for those that answer 0
// (audioMasterUnused, audioMasterSetTime, audioMasterGetPreviousPlug, audioMasterGetNextPlug,
// audioMasterGetOutputSpeakerArrangement, audioMasterSetIcon, audioMasterCloseWindow, audioMasterEditFile,
// audioMasterGetChunkFile, audioMasterGetInputSpeakerArrangement and everything above the list). The call may
// come from the audio thread: a lookup, nothing built, allocated or raised.
constexpr std::array<THostHandler, 256> HostHandlers = [] {
    struct TEntry
    {
        TAudioMasterOpcode Opcode;
        THostHandler Handler;
    };
    using namespace Requests;
    constexpr TEntry Entries[] = {
        {audioMasterAutomate, &Automate},
        {audioMasterVersion, &Version},
        {audioMasterCurrentId, &CurrentId},
        {audioMasterIdle, &Idle},
        {audioMasterPinConnected, &PinConnected},
        {audioMasterWantMidi, &WantMidi},
        {audioMasterGetTime, &GetTime},
        {audioMasterProcessEvents, &ProcessEvents},
        {audioMasterTempoAt, &TempoAt},
        {audioMasterGetNumAutomatableParameters, &GetNumAutomatableParameters},
        {audioMasterGetParameterQuantization, &GetParameterQuantization},
        {audioMasterIOChanged, &IOChanged},
        {audioMasterNeedIdle, &NeedIdle},
        {audioMasterSizeWindow, &SizeWindow},
        {audioMasterGetSampleRate, &GetSampleRate},
        {audioMasterGetBlockSize, &GetBlockSize},
        {audioMasterGetInputLatency, &GetInputLatency},
        {audioMasterGetOutputLatency, &GetOutputLatency},
        {audioMasterWillReplaceOrAccumulate, &WillReplaceOrAccumulate},
        {audioMasterGetCurrentProcessLevel, &GetCurrentProcessLevel},
        {audioMasterGetAutomationState, &GetAutomationState},
        {audioMasterOfflineStart, &OfflineStart},
        {audioMasterOfflineRead, &OfflineRead},
        {audioMasterOfflineWrite, &OfflineWrite},
        {audioMasterOfflineGetCurrentPass, &OfflineGetCurrentPass},
        {audioMasterOfflineGetCurrentMetaPass, &OfflineGetCurrentMetaPass},
        {audioMasterSetOutputSampleRate, &SetOutputSampleRate},
        {audioMasterGetVendorString, &GetVendorString},
        {audioMasterGetProductString, &GetProductString},
        {audioMasterGetVendorVersion, &GetVendorVersion},
        {audioMasterVendorSpecific, &VendorSpecific},
        {audioMasterCanDo, &CanDo},
        {audioMasterGetLanguage, &GetLanguage},
        {audioMasterOpenWindow, &OpenWindow},
        {audioMasterGetDirectory, &GetDirectory},
        {audioMasterUpdateDisplay, &UpdateDisplay},
        {audioMasterBeginEdit, &BeginEdit},
        {audioMasterEndEdit, &EndEdit},
        {audioMasterOpenFileSelector, &OpenFileSelector},
        {audioMasterCloseFileSelector, &CloseFileSelector},
    };
    std::array<THostHandler, 256> Table{};
    for (const TEntry& E : Entries)
        Table[static_cast<std::size_t>(E.Opcode)] = E.Handler;
    return Table;
}();

// [any]
VstIntPtr Answer(TVstHost& Host, TVstPlugIn* Instance, VstInt32 Opcode, VstInt32 Index, VstIntPtr Value, void* Ptr,
                 float Opt)
{
    const THostHandler Handler = HostHandlers[static_cast<std::size_t>(Opcode & 0xFF)];
    return Handler ? Handler({Host, Instance, Opcode, Index, Value, Ptr, Opt}) : 0;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// The callback

// [any]
VstIntPtr VSTCALL AudioMasterCallback(AEffect* Effect, VstInt32 Opcode, VstInt32 Index, VstIntPtr Value, void* Ptr,
                                      float Opt)
{
    try
    {
        TVstHost* Host = State().Current;
        if (!Host)
            return 0;
        TVstPlugIn* Instance = FindInstance(*Host, Effect);
        Set8087CW(kDefaultFPUControlWord);
        return Answer(*Host, Instance, Opcode, Index, Value, Ptr, Opt);
    }
    catch (...)
    {
        return 0;
    }
}

// [any]
TVstHost* CurrentHost()
{
    return State().Current;
}

// [host-main]
int HostWindowCount()
{
    return static_cast<int>(State().HostWindows.size());
}

// [host-main]
TForm* HostWindow(int Index)
{
    return State().HostWindows.at(static_cast<std::size_t>(Index)).get();
}

// [host-main]
void FreeHostWindows()
{
    State().HostWindows.clear();
}

// [host-main]
bool FileSelectorOpen()
{
    return State().FileSelectorOpen;
}

// ---------------------------------------------------------------------------------------------------------
// The host component

// [host-main]
TVstHost::TVstHost(TComponent* AOwner) : TComponent(AOwner)
{
    THostState& S = State();
    S.Current = this;
    S.SampleRate = 44100.0f;
    S.BlockSize = 2048;
    S.CanDos = kCreationCanDos;
    try
    {
        TRegistry Registry;
        Registry.SetRootKey(TRegistryRoot::rrLocalMachine);
        if (Registry.OpenKeyReadOnly("SOFTWARE\\Vst") && Registry.ValueExists("VstPluginsPath"))
            PlugInDir = Registry.ReadString("VstPluginsPath");
        else
            PlugInDir = ExtractFilePath(ExecutablePath());
    }
    catch (...)
    {
        PlugInDir = ExtractFilePath(ExecutablePath());
    }
    FVstPlugIns = std::make_unique<TVstPlugIns>(this);
    FVstTimeInfo = std::make_unique<TVstTimeInformation>();
    FVstTimeInfo->OnChanged = [](TVstTimeInformation*) {};
}

// [host-main]
void TVstHost::Loaded()
{
    if (OnCreate)
        OnCreate(this);
}

// [host-main]
TVstHost::~TVstHost()
{
    try
    {
        if (OnDestroy)
            OnDestroy(this);
    }
    catch (...)
    {
    }
    try
    {
        FVstPlugIns->Clear();
    }
    catch (...)
    {
    }
    FVstPlugIns.reset();
    FVstTimeInfo.reset();
    if (State().Current == this)
        State().Current = nullptr;
}

// [any]
std::int32_t TVstHost::BlockSize()
{
    return State().BlockSize;
}

// [host-main]
void TVstHost::SetBlockSize(std::int32_t V)
{
    State().BlockSize = V;
    for (int I = 0; I < FVstPlugIns->Count(); ++I)
        if (FVstPlugIns->Items(I)->VstEffect)
            FVstPlugIns->Items(I)->SetBlockSize(V);
}

// [any]
THostCanDos TVstHost::CanDos()
{
    return State().CanDos;
}

// [host-main]
void TVstHost::SetCanDos(THostCanDos V)
{
    State().CanDos = V;
}

// [any]
float TVstHost::Tempo()
{
    return State().Tempo;
}

// [host-main]
void TVstHost::SetTempo(float V)
{
    State().Tempo = V;
    FVstTimeInfo->SetTempo(V);
}

// [any]
std::int32_t TVstHost::VstVersion()
{
    return State().VstVersion;
}

// [host-main]
void TVstHost::SetVstVersion(std::int32_t V)
{
    State().VstVersion = V;
}

// [any]
float TVstHost::HostSampleRate()
{
    return State().SampleRate;
}

// ---------------------------------------------------------------------------------------------------------
// Time information

// [host-main]
TVstTimeInformation::TVstTimeInformation()
{
    FInfo.sampleRate = 44100.0;
    FInfo.timeSigNumerator = 4;
    FInfo.timeSigDenominator = 4;
    FInfo.smpteFrameRate = 1;
    FInfo.flags = 0xFF00;
}

// [host-main]
void TVstTimeInformation::SetSampleRate(double V)
{
    State().SampleRate = static_cast<float>(V);
    SetDouble(FInfo.sampleRate, V);
}

// [host-main]
void TVstTimeInformation::Assign(const TVstTimeInformation& Source)
{
    FInfo = Source.FInfo;
    Changed();
}

// [host-main]
void TVstTimeInformation::SetDouble(double& Field, double V)
{
    if (Field == V)
        return;
    Field = V;
    Changed();
}

// [host-main]
void TVstTimeInformation::SetInteger(VstInt32& Field, std::int32_t V)
{
    if (Field == V)
        return;
    Field = V;
    Changed();
}

// [host-main]
void TVstTimeInformation::Changed()
{
    if (OnChanged)
        OnChanged(this);
}
