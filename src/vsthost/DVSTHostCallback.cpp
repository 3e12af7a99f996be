// The host component, its time information, the library-wide host state and the host callback.
#include <algorithm>
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

THostState& State()
{
    static THostState S;
    return S;
}

// The text at P, up to its first zero and at most Limit characters.
std::string BoundedText(const char* P, std::size_t Limit)
{
    return P ? std::string(P, strnlen(P, Limit)) : std::string();
}

// Copies a host text with its zero into a plug-in's buffer, which plug-ins size at the published 64 bytes.
void CopyHostText(void* Ptr, const std::string& Text)
{
    const std::size_t Length = std::min<std::size_t>(Text.size(), 63);
    std::memcpy(Ptr, Text.data(), Length);
    static_cast<char*>(Ptr)[Length] = '\0';
}

std::string UpperCase(std::string S)
{
    for (char& C : S)
        if (C >= 'a' && C <= 'z')
            C = static_cast<char>(C - 'a' + 'A');
    return S;
}

// A float rounded half to even as an answer; 0 for values no 32-bit answer can hold (NaN, infinities, huge
// values a plug-in sent through audioMasterSetOutputSampleRate).
VstIntPtr RoundedAnswer(float V, double Limit = 2147483647.0)
{
    const double R = std::nearbyint(static_cast<double>(V));
    return std::isfinite(R) && std::fabs(R) <= Limit ? static_cast<VstIntPtr>(R) : 0;
}

// Fires an event of the calling instance, when there is one and the event is assigned.
template <class TEvent, class... TArgs>
void Fire(TVstPlugIn* Instance, TEvent TVstPlugIn::*Event, TArgs... Args)
{
    if (Instance && Instance->*Event)
        (Instance->*Event)(Instance, Args...);
}

TVstPlugIn* FindInstance(TVstHost& Host, AEffect* Effect)
{
    TVstPlugIns& List = Host.VstPlugIns();
    for (int I = 0; I < List.Count(); ++I)
        if (List.Items(I)->VstEffect == Effect)
            return List.Items(I);
    return nullptr;
}

VstIntPtr OpenFileSelector(VstFileSelect* Select)
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

void CloseFileSelector(VstFileSelect* Select)
{
    THostState& S = State();
    if (!Select || !S.FileSelectorOpen || Select->command < 0 || Select->command > 2)
        return;
    if (BoundedText(Select->title, sizeof(Select->title)) != S.FileSelectorTitle)
        return;
    S.FileSelectorOpen = false;
    S.FileSelectorTitle.clear();
}

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

VstIntPtr Answer(TVstHost& Host, TVstPlugIn* Instance, VstInt32 Opcode, VstInt32 Index, VstIntPtr Value, void* Ptr,
                 float Opt)
{
    THostState& S = State();
    switch (static_cast<TAudioMasterOpcode>(Opcode & 0xFF))
    {
    case audioMasterAutomate:
        // The parameter's normalised value travels in Opt.
        Fire(Instance, &TVstPlugIn::OnAudioMasterAutomate, Index, Opt);
        return 0;
    case audioMasterVersion:
        return S.VstVersion;
    case audioMasterCurrentId:
        if (Instance)
            Instance->Identify();
        return 0;
    case audioMasterIdle:
        if (Instance)
        {
            Instance->NeedIdle = true;
            Fire(Instance, &TVstPlugIn::OnAudioMasterIdle);
            if (Host.ManageIdleAutomaticly)
            {
                if (Instance->EditVisible())
                    Instance->EditIdle();
                for (int I = 0; I < Host.VstPlugIns().Count(); ++I)
                    if (Host.VstPlugIns().Items(I)->EditVisible())
                        Host.VstPlugIns().Items(I)->EditIdle();
            }
        }
        return 0;
    case audioMasterPinConnected:
        if (Instance && Instance->OnAudioMasterPinConnected)
            return Instance->OnAudioMasterPinConnected(Instance, Index, Value == 0) ? 0 : 1;
        return 0;
    case audioMasterWantMidi:
        Fire(Instance, &TVstPlugIn::OnAudioMasterWantMidi);
        return 0;
    case audioMasterGetTime:
        return reinterpret_cast<VstIntPtr>(&Host.VstTimeInfo().Record());
    case audioMasterProcessEvents:
        Fire(Instance, &TVstPlugIn::OnProcessEvents, static_cast<VstEvents*>(Ptr));
        return 0;
    case audioMasterTempoAt:
        return RoundedAnswer(S.Tempo, 214748.0) * 10000;
    case audioMasterGetNumAutomatableParameters:
        return Host.NumAutomatableParameters;
    case audioMasterGetParameterQuantization:
        return Value == -1 ? Host.ParameterQuantization : 0;
    case audioMasterIOChanged:
        Fire(Instance, &TVstPlugIn::OnAudioMasterIOChanged);
        return 0;
    case audioMasterNeedIdle:
        if (Instance)
        {
            Instance->NeedIdle = true;
            Fire(Instance, &TVstPlugIn::OnAudioMasterNeedIdle);
            if (Host.ManageIdleAutomaticly)
                Instance->Idle();
        }
        return 0;
    case audioMasterSizeWindow:
        if (Instance && Instance->EditorWindow)
        {
            // An editor's extent is 16-bit (ERect); a larger request would overflow the window arithmetic.
            if (Index < 0 || Index > 32767 || Value < 0 || Value > 32767)
                return 0;
            const std::string Vendor = UpperCase(Instance->VendorString());
            if (Vendor.find("DASH") != std::string::npos || Vendor.find("WUSIK") != std::string::npos)
                return 0;
            Instance->EditorWindow->SetClientWidth(Index);
            Instance->EditorWindow->SetClientHeight(static_cast<int>(Value));
            return 1;
        }
        return 0;
    case audioMasterGetSampleRate:
        return RoundedAnswer(S.SampleRate);
    case audioMasterGetBlockSize:
        return S.BlockSize;
    case audioMasterGetInputLatency:
        return Host.LatencyInput;
    case audioMasterGetOutputLatency:
        return Host.LatencyOutput;
    case audioMasterWillReplaceOrAccumulate:
        return Instance ? Instance->ReplaceOrAccumulate : 0;
    case audioMasterGetCurrentProcessLevel:
        return Instance ? Instance->CurrentProcessLevel : 0;
    case audioMasterGetAutomationState:
        return Instance ? Instance->AutomationState : 0;
    case audioMasterOfflineStart:
        Fire(Instance, &TVstPlugIn::OnAudioMasterOfflineStart);
        return 0;
    case audioMasterOfflineRead:
        Fire(Instance, &TVstPlugIn::OnAudioMasterOfflineRead, static_cast<TVstOfflineTask*>(Ptr));
        return 0;
    case audioMasterOfflineWrite:
        Fire(Instance, &TVstPlugIn::OnAudioMasterOfflineWrite, static_cast<TVstOfflineTask*>(Ptr));
        return 0;
    case audioMasterOfflineGetCurrentPass:
        Fire(Instance, &TVstPlugIn::OnAudioMasterOfflineGetCurrentPass);
        return 0;
    case audioMasterOfflineGetCurrentMetaPass:
        Fire(Instance, &TVstPlugIn::OnAudioMasterOfflineGetCurrentMetaPass);
        return 0;
    case audioMasterSetOutputSampleRate:
        Fire(Instance, &TVstPlugIn::OnAudioMasterSetOutputSampleRate, Opt);
        S.SampleRate = Opt;
        return 0;
    case audioMasterGetVendorString:
        if (Ptr)
            CopyHostText(Ptr, Host.VendorString);
        return 0;
    case audioMasterGetProductString:
        if (Ptr)
            CopyHostText(Ptr, Host.ProductString);
        return 0;
    case audioMasterGetVendorVersion:
        return Host.VendorVersion;
    case audioMasterVendorSpecific:
        if (Instance && Instance->OnVendorSpecific)
            return Instance->OnVendorSpecific(Instance, Opcode, Index, Value, Ptr, Opt);
        return 0;
    case audioMasterCanDo: {
        const std::string Text = BoundedText(static_cast<const char*>(Ptr), 255);
        for (unsigned I = 0; I < std::size(HostCanDoStrings); ++I)
            if (Text == HostCanDoStrings[I])
                return S.CanDos.Contains(static_cast<THostCanDo>(I)) ? 1 : 0;
        return 0;
    }
    case audioMasterGetLanguage:
        return Host.Language;
    case audioMasterOpenWindow:
        OpenHostWindow(static_cast<VstWindow*>(Ptr));
        return 0;
    case audioMasterGetDirectory:
        return reinterpret_cast<VstIntPtr>(Host.PlugInDir.c_str());
    case audioMasterUpdateDisplay:
        Fire(Instance, &TVstPlugIn::OnAudioMasterUpdateDisplay);
        return 0;
    case audioMasterBeginEdit:
        Fire(Instance, &TVstPlugIn::OnAudioMasterBeginEdit, Index);
        return 0;
    case audioMasterEndEdit:
        Fire(Instance, &TVstPlugIn::OnAudioMasterEndEdit, Index);
        return 0;
    case audioMasterOpenFileSelector:
        return OpenFileSelector(static_cast<VstFileSelect*>(Ptr));
    case audioMasterCloseFileSelector:
        CloseFileSelector(static_cast<VstFileSelect*>(Ptr));
        return 0;
    case audioMasterSetTime:
    case audioMasterGetPreviousPlug:
    case audioMasterGetNextPlug:
    case audioMasterGetOutputSpeakerArrangement:
    case audioMasterSetIcon:
    case audioMasterCloseWindow:
    case audioMasterEditFile:
    case audioMasterGetChunkFile:
        return 0;
    default:
        // audioMasterUnused and everything above the table. The call may come from the audio thread: no
        // report is built, nothing is allocated or raised.
        return 0;
    }
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

TVstHost* CurrentHost()
{
    return State().Current;
}

int HostWindowCount()
{
    return static_cast<int>(State().HostWindows.size());
}

TForm* HostWindow(int Index)
{
    return State().HostWindows.at(static_cast<std::size_t>(Index)).get();
}

void FreeHostWindows()
{
    State().HostWindows.clear();
}

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

THostCanDos TVstHost::CanDos()
{
    return State().CanDos;
}

void TVstHost::SetCanDos(THostCanDos V)
{
    State().CanDos = V;
}

float TVstHost::Tempo()
{
    return State().Tempo;
}

void TVstHost::SetTempo(float V)
{
    State().Tempo = V;
    FVstTimeInfo->SetTempo(V);
}

std::int32_t TVstHost::VstVersion()
{
    return State().VstVersion;
}

void TVstHost::SetVstVersion(std::int32_t V)
{
    State().VstVersion = V;
}

float TVstHost::HostSampleRate()
{
    return State().SampleRate;
}

// ---------------------------------------------------------------------------------------------------------
// Time information

TVstTimeInformation::TVstTimeInformation()
{
    FInfo.sampleRate = 44100.0;
    FInfo.timeSigNumerator = 4;
    FInfo.timeSigDenominator = 4;
    FInfo.smpteFrameRate = 1;
    FInfo.flags = 0xFF00;
}

void TVstTimeInformation::SetSampleRate(double V)
{
    State().SampleRate = static_cast<float>(V);
    SetDouble(FInfo.sampleRate, V);
}

void TVstTimeInformation::Assign(const TVstTimeInformation& Source)
{
    FInfo = Source.FInfo;
    Changed();
}

void TVstTimeInformation::SetDouble(double& Field, double V)
{
    if (Field == V)
        return;
    Field = V;
    Changed();
}

void TVstTimeInformation::SetInteger(VstInt32& Field, std::int32_t V)
{
    if (Field == V)
        return;
    Field = V;
    Changed();
}

void TVstTimeInformation::Changed()
{
    if (OnChanged)
        OnChanged(this);
}
