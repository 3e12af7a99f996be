// The hosted instance: activation, library loading, the dispatcher wrappers and the forwarded entries.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>

#include "platform/Exceptions.h"
#include "platform/FPUControl.h"
#include "vsthost/DVSTHost.h"

namespace
{

// Room for the text a plug-in writes into a host buffer: the published limits are far lower, but real
// plug-ins write past them.
constexpr std::size_t kTextBufferSize = 4096;
constexpr std::size_t kMaxTextLength = 255;

// [any] The stand-by entry of a library without one.
AEffect* VSTCALL NoEntryFunction(TAudioMasterCallbackFunc)
{
    throw EMarvoError("This is not a valid Vst Plugin!");
}

} // namespace

TVstPlugIn::TVstPlugIn(TVstPlugIns* ACollection) : FCollection(ACollection) {}

// [host-main]
TVstPlugIn::~TVstPlugIn()
{
    try
    {
        if (!FDLLFileName.empty())
        {
            if (FEditVisible)
                CloseEdit();
            Unload();
            FreeEditorWindow();
        }
        else if (FActive)
            Close(); // a handed-in record still open gets its effClose, so the plug-in can free itself
    }
    catch (...)
    {
    }
}

// [host-main]
int TVstPlugIn::Index() const
{
    return FCollection ? FCollection->IndexOf(this) : -1;
}

// [host-main]
void TVstPlugIn::Assign(TVstPlugIn& Source)
{
    FDisplayName = Source.FDisplayName;
    ReplaceOrAccumulate = Source.ReplaceOrAccumulate;
    CurrentProcessLevel = Source.CurrentProcessLevel;
    AutomationState = Source.AutomationState;
    OnAudioMasterAutomate = Source.OnAudioMasterAutomate;
    OnAudioMasterIdle = Source.OnAudioMasterIdle;
    OnAudioMasterNeedIdle = Source.OnAudioMasterNeedIdle;
    OnAudioMasterIOChanged = Source.OnAudioMasterIOChanged;
    OnAudioMasterWantMidi = Source.OnAudioMasterWantMidi;
    OnAudioMasterOfflineStart = Source.OnAudioMasterOfflineStart;
    OnAudioMasterOfflineRead = Source.OnAudioMasterOfflineRead;
    OnAudioMasterOfflineWrite = Source.OnAudioMasterOfflineWrite;
    OnAudioMasterOfflineGetCurrentPass = Source.OnAudioMasterOfflineGetCurrentPass;
    OnAudioMasterOfflineGetCurrentMetaPass = Source.OnAudioMasterOfflineGetCurrentMetaPass;
    OnAudioMasterSetOutputSampleRate = Source.OnAudioMasterSetOutputSampleRate;
    OnAudioMasterUpdateDisplay = Source.OnAudioMasterUpdateDisplay;
    OnAudioMasterBeginEdit = Source.OnAudioMasterBeginEdit;
    OnAudioMasterEndEdit = Source.OnAudioMasterEndEdit;
    OnAudioMasterPinConnected = Source.OnAudioMasterPinConnected;
    OnShowEdit = Source.OnShowEdit;
    OnCloseEdit = Source.OnCloseEdit;
    OnAfterLoad = Source.OnAfterLoad;
    OnProcessEvents = Source.OnProcessEvents;
    FDLLFileName = Source.FDLLFileName;
    SetActive(Source.Active());
    FProgramNrCache = Source.ProgramNr();
    void* Data = nullptr;
    const std::int32_t Size = Source.GetChunk(Data, false);
    SetChunk(Data, Size, false);
}

// ---------------------------------------------------------------------------------------------------------
// Activation

// [host-main]
void TVstPlugIn::SetActive(bool Value)
{
    if (Value == FActive)
        return;
    if (Value)
        Open();
    else
        Close();
}

// [host-main]
void TVstPlugIn::Open()
{
    bool Ok = true;
    if (!VstEffect)
        Ok = Load(FDLLFileName);
    else
        FDLLFileName.clear();
    Set8087CW(kDefaultFPUControlWord);
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    FEditVisible = false;
    NeedIdle = false;
    if (!VstEffect)
    {
        FActive = false;
        throw EMarvoError(Ok ? "Loading failed!" : "This is not a valid Vst Plugin!");
    }
    if (VstEffect->magic != kEffectMagic)
    {
        FActive = false;
        throw EMarvoError("There is no magic in it... failed!");
    }
    if (VstEffect->uniqueID == 0)
    {
        // A shell plug-in: walk its list (reaches the plug-in only when Load set the Active flag).
        std::string Name;
        for (int Guard = 0; Guard < 65536 && ShellGetNextPlugin(Name) != 0; ++Guard)
        {
        }
    }
    VstDispatch(effOpen);
    CanDo("bypass");
    SetSampleRate(TVstHost::HostSampleRate());
    SetBlockSize(TVstHost::BlockSize());
    SetBypass(false);
    FActive = true;
    const auto ID = static_cast<std::uint32_t>(VstEffect->uniqueID);
    FuID.clear();
    for (int Shift = 24; Shift >= 0; Shift -= 8)
        FuID.push_back(static_cast<char>((ID >> Shift) & 0xFF));
    FVersion = VstEffect->version;
    FPluginVstVersion = GetVstVersion();
    FPlugCategory = GetPlugCategory();
    FnumInputs = VstEffect->numInputs;
    FnumOutputs = VstEffect->numOutputs;
    FnumPrograms = VstEffect->numPrograms;
    FnumParams = VstEffect->numParams;
    MainsChanged(true);
}

// [host-main]
void TVstPlugIn::Close()
{
    while (FEditVisible)
        CloseEdit();
    if (FActive)
    {
        VstDispatch(effClose);
        VstEffect = nullptr;
    }
    FActive = false;
    FVersion = 0;
    FPlugCategory = vpcUnknown;
    FnumInputs = FnumOutputs = FnumPrograms = FnumParams = 0;
}

// [host-main]
bool TVstPlugIn::Load(const std::string& FileName)
{
    FLastLoadError.clear();
    try
    {
        Unload();
        MainFunction = nullptr;
        if (!FileExists(FileName))
            throw EMarvoError("File " + FileName + " does not exists");
        if (LoadLibraryAndEntry(FileName))
        {
            FLastLoadError = "the library exports neither \"main\" nor \"VSTPluginMain\"";
            Unload();
            return false;
        }
        if (MainFunction)
        {
            Set8087CW(kDefaultFPUControlWord);
            VstEffect = MainFunction(&AudioMasterCallback);
        }
    }
    catch (const std::exception& E)
    {
        FLastLoadError = E.what();
        Unload();
        return false;
    }
    catch (...)
    {
        FLastLoadError = "the plug-in raised an unknown error";
        Unload();
        return false;
    }
    if (!VstEffect)
    {
        FLastLoadError = "the plug-in's entry answered no effect";
        Unload();
        return false;
    }
    try
    {
        if (OnAfterLoad)
            OnAfterLoad(this);
    }
    catch (const std::exception& E)
    {
        FLastLoadError = *E.what() ? E.what() : "the OnAfterLoad handler raised an error";
    }
    catch (...)
    {
        FLastLoadError = "the OnAfterLoad handler raised an unknown error";
    }
    // The entry made an effect: closing it (effClose) lets the plug-in free itself before its library goes.
    FActive = true;
    if (!FLastLoadError.empty())
    {
        Unload();
        return false;
    }
    try
    {
        FDLLFileName = FileName;
    }
    catch (...)
    {
    }
    return true;
}

// [host-main] True means the library has no entry function.
bool TVstPlugIn::LoadLibraryAndEntry(const std::string& Name)
{
    LibHandle = LoadDynamicLibrary(Name);
    if (!LibHandle)
    {
        const std::uint32_t Error = LastSystemError();
        std::string Text = SystemErrorMessage(Error);
        if (Text.empty())
            Text = std::to_string(Error);
        throw EMarvoError(Text);
    }
    void* Entry = GetLibraryEntry(LibHandle, "main");
    if (!Entry)
        Entry = GetLibraryEntry(LibHandle, "VSTPluginMain");
    if (!Entry)
    {
        MainFunction = &NoEntryFunction;
        return true;
    }
    MainFunction = reinterpret_cast<TMainProc>(Entry);
    return false;
}

// [host-main]
void TVstPlugIn::Unload()
{
    try
    {
        if (FEditVisible)
            CloseEdit();
    }
    catch (...)
    {
    }
    try
    {
        Close();
    }
    catch (...)
    {
    }
    FnumInputs = FnumOutputs = FnumPrograms = FVersion = -1;
    FuID.clear();
    if (LibHandle)
    {
        try
        {
            FreeDynamicLibrary(LibHandle);
        }
        catch (...)
        {
        }
        LibHandle = 0;
    }
    VstEffect = nullptr;
}

// [host-main]
void TVstPlugIn::SetGUIStyle(TGUIStyle V)
{
    if (FEditVisible)
        throw EMarvoError("Close Editor first!");
    FGUIStyle = V;
}

// [host-main]
TEffFlags TVstPlugIn::EffectOptions() const
{
    return VstEffect ? TEffFlags::FromBits(static_cast<std::uint32_t>(VstEffect->flags)) : TEffFlags{};
}

// ---------------------------------------------------------------------------------------------------------
// Dispatcher wrappers

// [any]
VstIntPtr TVstPlugIn::VstDispatch(TDispatcherOpcode Opcode, VstInt32 Index, VstIntPtr Value, void* Ptr, double Opt)
{
    Set8087CW(kDefaultFPUControlWord);
    if (!VstEffect)
        return 0;
    try
    {
        return VstEffect->dispatcher(VstEffect, Opcode, Index, Value, Ptr, static_cast<float>(Opt));
    }
    catch (...)
    {
        return 0;
    }
}

// [host-main]
std::string TVstPlugIn::TextResult(TDispatcherOpcode Opcode, VstInt32 Index, bool WantNonZero)
{
    if (!FActive)
        return {};
    std::vector<char> Buffer(kTextBufferSize, '\0');
    const VstIntPtr Answer = VstDispatch(Opcode, Index, 0, Buffer.data());
    if (WantNonZero && Answer == 0)
        return {};
    const std::size_t Length = strnlen(Buffer.data(), kMaxTextLength);
    return std::string(Buffer.data(), Length);
}

// [host-main]
std::int32_t TVstPlugIn::ProgramNr()
{
    FProgramNrCache = FActive ? static_cast<std::int32_t>(VstDispatch(effGetProgram)) : -1;
    return FProgramNrCache;
}

// [host-main]
void TVstPlugIn::SetProgramNr(std::int32_t Value)
{
    if (!FActive)
        return;
    VstDispatch(effSetProgram, 0, Value);
    FProgramNrCache = Value;
}

// [host-main]
std::string TVstPlugIn::ProgramName()
{
    return TextResult(effGetProgramName, 0, false);
}

// [host-main]
void TVstPlugIn::SetProgramName(const std::string& Value)
{
    if (!FActive)
        return;
    std::string Text = Value;
    VstDispatch(effSetProgramName, 0, 0, Text.data());
}

// [host-main]
std::string TVstPlugIn::GetParamLabel(std::int32_t Index)
{
    return TextResult(effGetParamLabel, Index, false);
}

// [host-main]
std::string TVstPlugIn::GetParamDisplay(std::int32_t Index)
{
    return TextResult(effGetParamDisplay, Index, false);
}

// [host-main]
std::string TVstPlugIn::GetParamName(std::int32_t Index)
{
    return TextResult(effGetParamName, Index, false);
}

// [host-main]
VstIntPtr TVstPlugIn::SetSampleRate(double Rate)
{
    return VstDispatch(effSetSampleRate, 0, 0, nullptr, Rate);
}

// [host-main]
VstIntPtr TVstPlugIn::SetBlockSize(std::int32_t Size)
{
    return VstDispatch(effSetBlockSize, 0, Size);
}

// [host-main]
VstIntPtr TVstPlugIn::MainsChanged(bool On)
{
    return VstDispatch(effMainsChanged, 0, On ? 1 : 0);
}

// [host-main]
void TVstPlugIn::EditGetRect(ERect& Rect)
{
    if (!FActive)
        return;
    ERect* Answer = nullptr;
    VstDispatch(effEditGetRect, 0, 0, &Answer);
    if (Answer)
        std::memcpy(&Rect, Answer, sizeof(ERect));
}

// [host-main]
VstIntPtr TVstPlugIn::EditOpen(TNativeHandle Parent)
{
    const VstIntPtr Answer = VstDispatch(effEditOpen, 0, 0, Parent);
    FEditVisible = Answer > 0;
    return Answer;
}

// [host-main]
void TVstPlugIn::EditClose()
{
    if (FEditVisible)
        VstDispatch(effEditClose);
    FEditVisible = false;
}

// [host-main]
VstIntPtr TVstPlugIn::EditIdle()
{
    return FEditVisible ? VstDispatch(effEditIdle) : 0;
}

// [host-main]
VstIntPtr TVstPlugIn::Identify()
{
    return VstDispatch(effIdentify);
}

// [host-main]
std::int32_t TVstPlugIn::GetChunk(void*& Data, bool isPreset)
{
    return static_cast<std::int32_t>(VstDispatch(effGetChunk, isPreset ? 1 : 0, 0, &Data));
}

// [host-main]
VstIntPtr TVstPlugIn::SetChunk(void* Data, std::int32_t Size, bool isPreset)
{
    return VstDispatch(effSetChunk, isPreset ? 1 : 0, Size, Data);
}

// [host-main]
TVstPluginCategory TVstPlugIn::GetPlugCategory()
{
    return FActive ? static_cast<TVstPluginCategory>(VstDispatch(effGetPlugCategory)) : vpcUnknown;
}

// [audio]
VstIntPtr TVstPlugIn::SetBlockSizeAndSampleRate(std::int32_t Size, float Rate)
{
    return VstDispatch(effSetBlockSizeAndSampleRate, 0, Size, nullptr, Rate);
}

// [host-main]
VstIntPtr TVstPlugIn::SetBypass(bool On)
{
    return VstDispatch(effSetBypass, 0, On ? 1 : 0);
}

// [host-main]
std::string TVstPlugIn::VendorString()
{
    return TextResult(effGetVendorString, 0, true);
}

// [host-main]
std::string TVstPlugIn::ProductString()
{
    return TextResult(effGetProductString, 0, true);
}

// [host-main]
std::string TVstPlugIn::EffectName()
{
    return TextResult(effGetEffectName, 0, true);
}

// [host-main]
std::int32_t TVstPlugIn::VendorVersion()
{
    return FActive ? static_cast<std::int32_t>(VstDispatch(effGetVendorVersion)) : -1;
}

// [host-main]
VstIntPtr TVstPlugIn::CanDo(const std::string& Text)
{
    std::string Copy = Text;
    return VstDispatch(effCanDo, 0, 0, Copy.data());
}

// [host-main]
VstIntPtr TVstPlugIn::Idle()
{
    return NeedIdle ? VstDispatch(effIdle) : 0;
}

// [host-main]
std::int32_t TVstPlugIn::GetVstVersion()
{
    return FActive ? static_cast<std::int32_t>(VstDispatch(effGetVstVersion)) : -1;
}

// [host-main]
VstIntPtr TVstPlugIn::ShellGetNextPlugin(std::string& Name)
{
    if (!FActive)
        return 0;
    std::vector<char> Buffer(kTextBufferSize, '\0');
    const VstIntPtr Answer = VstDispatch(effShellGetNextPlugin, 0, 0, Buffer.data());
    if (Answer != 0)
        Name.assign(Buffer.data(), strnlen(Buffer.data(), kMaxTextLength));
    return Answer;
}

// [host-main]
void TVstPlugIn::BeginLoadProgram(TVstPatchChunkInfo& Info)
{
    if (FActive)
        VstDispatch(effBeginLoadProgram, 0, 0, &Info);
}

// ---------------------------------------------------------------------------------------------------------
// Parameters and processing: straight to the effect record's entries.

// [any]
void TVstPlugIn::SetParameter(std::int32_t Index, float Value)
{
    if (!VstEffect)
        return;
    Set8087CW(kDefaultFPUControlWord);
    try
    {
        VstEffect->setParameter(VstEffect, Index, Value);
    }
    catch (...)
    {
    }
}

// [any]
float TVstPlugIn::GetParameter(std::int32_t Index)
{
    if (!VstEffect)
        return 0.0f;
    Set8087CW(kDefaultFPUControlWord);
    try
    {
        return VstEffect->getParameter(VstEffect, Index);
    }
    catch (...)
    {
        return 0.0f;
    }
}

// [audio]
void TVstPlugIn::Process(float** Inputs, float** Outputs, std::int32_t SampleFrames)
{
    if (VstEffect && VstEffect->process)
        VstEffect->process(VstEffect, Inputs, Outputs, SampleFrames);
}

// [audio]
void TVstPlugIn::ProcessReplacing(float** Inputs, float** Outputs, std::int32_t SampleFrames)
{
    if (VstEffect && VstEffect->processReplacing)
        VstEffect->processReplacing(VstEffect, Inputs, Outputs, SampleFrames);
}

// [audio]
void TVstPlugIn::ProcessDoubleReplacing(double** Inputs, double** Outputs, std::int32_t SampleFrames)
{
    if (VstEffect && VstEffect->processDoubleReplacing)
        VstEffect->processDoubleReplacing(VstEffect, Inputs, Outputs, SampleFrames);
}

// ---------------------------------------------------------------------------------------------------------
// The collection

// [host-main]
TVstPlugIns::~TVstPlugIns()
{
    Clear();
}

// [host-main]
TVstPlugIn* TVstPlugIns::Add()
{
    FItems.push_back(std::make_unique<TVstPlugIn>(this));
    return FItems.back().get();
}

// [any]
TVstPlugIn* TVstPlugIns::Items(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw EMarvoError("Index out of bounds");
    return FItems[static_cast<std::size_t>(Index)].get();
}

// [host-main]
void TVstPlugIns::Delete(int Index)
{
    if (Index < 0 || Index >= Count())
        throw EMarvoError("Index out of bounds");
    // The item leaves the list before it is destroyed, so the callback never finds a half-destroyed one.
    std::unique_ptr<TVstPlugIn> Item = std::move(FItems[static_cast<std::size_t>(Index)]);
    FItems.erase(FItems.begin() + Index);
    Item.reset();
}

// [host-main]
void TVstPlugIns::Clear()
{
    while (!FItems.empty())
        Delete(0);
}

// [host-main]
int TVstPlugIns::IndexOf(const TVstPlugIn* Item) const
{
    for (std::size_t I = 0; I < FItems.size(); ++I)
        if (FItems[I].get() == Item)
            return static_cast<int>(I);
    return -1;
}

// [host-main]
void TVstPlugIns::Assign(TVstPlugIns& Source)
{
    if (&Source == this)
        return;
    Clear();
    for (int I = 0; I < Source.Count(); ++I)
        Add()->Assign(*Source.Items(I));
}
