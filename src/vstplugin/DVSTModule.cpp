// Module core: construction and destruction, declaration loading, properties that keep the effect record in
// step, the entry points behind the record, and the requests the module sends to its host.
#include "vstplugin/DVSTModule.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/Exceptions.h"

namespace
{
const char* const CreditLine = "Marvo VST 2 plug-in framework, version 1.0";

// Runs a handler whose failure must not leave the caller (destruction, creation notifications).
template <class F>
void Guarded(F&& Call)
{
    try
    {
        Call();
    }
    catch (...)
    {
    }
}
} // namespace

// ---------------------------------------------------------------------------------------------------------
// TMemoryStream

// [any]
std::size_t TMemoryStream::Write(const void* Buffer, std::size_t Count)
{
    if (Count == 0)
        return 0;
    if (FPosition + Count > FData.size())
        FData.resize(FPosition + Count);
    std::memcpy(FData.data() + FPosition, Buffer, Count);
    FPosition += Count;
    return Count;
}

// [any]
std::size_t TMemoryStream::Read(void* Buffer, std::size_t Count)
{
    if (FPosition >= FData.size())
        return 0;
    Count = std::min(Count, FData.size() - FPosition);
    std::memcpy(Buffer, FData.data() + FPosition, Count);
    FPosition += Count;
    return Count;
}

// [any]
void TMemoryStream::SetSize(std::size_t NewSize)
{
    FData.resize(NewSize);
    FPosition = std::min(FPosition, NewSize);
}

// ---------------------------------------------------------------------------------------------------------
// Construction and destruction

// [host-main]
TCustomVSTModule::TCustomVSTModule(TComponent* AOwner) : TComponent(AOwner)
{
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    FAbout = CreditLine;
    FEffect.magic = kEffectMagic;
    FEffect.dispatcher = &DispatcherEntry;
    FEffect.process = &ProcessEntry;
    FEffect.setParameter = &SetParameterEntry;
    FEffect.getParameter = &GetParameterEntry;
    FEffect.processReplacing = &ProcessReplacingEntry;
    FEffect.processDoubleReplacing = &ProcessDoubleReplacingEntry;
    FEffect.object = this;
    FEffect.user = nullptr;
    FEffect.flags = 0;
    FEffect.resvd1 = 0;
    FEffect.resvd2 = 0;
    FEffect.uniqueID = FourCharCode("NoEf");
    FEffect.ioRatio = 1;
    FEffect.numPrograms = 0;
    FEffect.numParams = 0;
    FEffect.numInputs = 2;
    FEffect.numOutputs = 2;
    UpdateVersion();
    FParameterProperties = std::make_unique<TCustomVstParameterProperties>(this);
    FPrograms = std::make_unique<TCustomVstPrograms>(this);
    FCPU = std::make_unique<TCPU>();
    FBankChunk = std::make_unique<TMemoryStream>();
    FShellPlugins = std::make_unique<TCustomVstShellPlugins>(this);
    FMidiOutEvents = std::make_unique<TVstEventList<2048>>();
    std::memset(FMidiOutEvents.get(), 0, sizeof(TVstEventList<2048>));
    FMidiEventRecords = std::make_unique<TVstMidiEvent[]>(256);
    for (int I = 0; I < 256; ++I)
    {
        TVstMidiEvent& E = FMidiEventRecords[I];
        std::memset(&E, 0, sizeof E);
        E.type = kVstMidiType;
        E.byteSize = 24;
        FMidiOutEvents->events[I] = reinterpret_cast<VstEvent*>(&E);
    }
}

// [host-main, or editor with the editor open]
TCustomVSTModule::~TCustomVSTModule()
{
    BeforeDestruction();
    FParameterProperties.reset();
    FPrograms.reset();
    if (FEditorForm)
    {
        TForm* Form = FEditorForm;
        FEditorForm = nullptr;
        Guarded([Form] { delete Form; });
    }
    FCPU.reset();
    FBankChunk.reset();
    FShellPlugins.reset();
    FMidiOutEvents.reset();
    FMidiEventRecords.reset();
}

// [host-main, or editor with the editor open]
void TCustomVSTModule::BeforeDestruction()
{
    if (FDestroying)
        return;
    FDestroying = true;
    if (OnDestroy)
        Guarded([this] { OnDestroy(this); });
}

// [host-main]
void TCustomVSTModule::ApplyProperties(const TVSTModuleProperties& P)
{
    SetFlags(P.Flags);
    SetVersion(P.Version ? P.Version : "");
    SetEffectName(P.EffectName ? P.EffectName : "");
    SetProductName(P.ProductName ? P.ProductName : "");
    SetVendorName(P.VendorName ? P.VendorName : "");
    SetVersionMajor(P.VersionMajor);
    SetVersionMinor(P.VersionMinor);
    SetVersionRelease(P.VersionRelease);
    SetPlugCategory(P.PlugCategory);
    SetTailSize(P.TailSize);
    SetCanDos(P.CanDos);
    SetSampleRate(P.SampleRate);
    SetBlockSize(P.BlockSize);
    if (P.numInputs != numInputs())
        SetNumInputs(P.numInputs);
    if (P.numOutputs != numOutputs())
        SetNumOutputs(P.numOutputs);
    SetNumCategories(P.numCategories);
    if (P.CurrentProgram != FCurrentProgram)
        SetCurrentProgram(P.CurrentProgram);
    if (P.CurrentProgramName)
        SetCurrentProgramName(P.CurrentProgramName);
    SetProcessingMode(P.ProcessingMode);
    SetBlockModeSize(P.BlockModeSize);
    SetBlockModeOverlap(P.BlockModeOverlap);
    SetInitialDelay(P.InitialDelay);
    if (P.KeysRequired != FKeysRequired)
        SetKeysRequired(P.KeysRequired);
    SetRealQualities(P.RealQualities);
    SetOffQualities(P.OffQualities);
    SetIORatio(P.IORatio);
    SetUniqueID(P.UniqueID ? P.UniqueID : "");
    FOldCreateOrder = P.OldCreateOrder;
}

// [host-main] The end of loading: programs' OnInitialize, program 0, the module's OnInitialize, OnCreate.
void TCustomVSTModule::FinishLoading()
{
    for (std::int32_t I = 0; I < FPrograms->Count(); ++I)
    {
        TCustomVstProgram& Program = (*FPrograms)[I];
        if (Program.OnInitialize)
            Program.OnInitialize(&Program);
    }
    if (FPrograms->Count() > 0)
        SetCurrentProgram(0);
    if (OnInitialize)
        OnInitialize(this);
    // Both create orders meet here: the concrete module's fields exist once LoadDeclaration runs.
    if (OnCreate)
        Guarded([this] { OnCreate(this); });
}

// ---------------------------------------------------------------------------------------------------------
// Properties

// [host-main]
void TCustomVSTModule::SetFlags(TEffFlags V)
{
    FEffect.flags = static_cast<VstInt32>(V.Bits());
}

// [host-main]
void TCustomVSTModule::UpdateVersion()
{
    FEffect.version = static_cast<VstInt32>(static_cast<std::uint32_t>(FVersionMajor) * 65536u +
                                            static_cast<std::uint32_t>(FVersionMinor) * 256u +
                                            static_cast<std::uint32_t>(FVersionRelease));
}

void TCustomVSTModule::SetVersionMajor(std::int32_t V) // [host-main]
{
    FVersionMajor = V;
    UpdateVersion();
}

void TCustomVSTModule::SetVersionMinor(std::int32_t V) // [host-main]
{
    FVersionMinor = V;
    UpdateVersion();
}

void TCustomVSTModule::SetVersionRelease(std::int32_t V) // [host-main]
{
    FVersionRelease = V;
    UpdateVersion();
}

// [any, audio in the player] A different rate is stored and announced; an equal one does nothing.
void TCustomVSTModule::SetSampleRate(float V)
{
    if (FSampleRate.exchange(V) == V)
        return;
    if (OnSampleRateChange)
        OnSampleRateChange(this, V);
}

// [any, audio in the player]
void TCustomVSTModule::SetBlockSize(std::int32_t V)
{
    if (FBlockSize.exchange(V) == V)
        return;
    if (OnBlockSizeChange)
        OnBlockSizeChange(this, V);
}

// [host-main]
void TCustomVSTModule::SetNumInputs(std::int32_t V)
{
    FEffect.numInputs = V;
    PrepareBlockBuffers();
    HostIOChanged();
}

// [host-main]
void TCustomVSTModule::SetNumOutputs(std::int32_t V)
{
    FEffect.numOutputs = V;
    PrepareBlockBuffers();
    HostIOChanged();
}

void TCustomVSTModule::SetNumParams(std::int32_t) // [host-main]
{
    FEffect.numParams = FParameterProperties->Count();
}

void TCustomVSTModule::SetNumPrograms(std::int32_t) // [host-main]
{
    FEffect.numPrograms = FPrograms->Count();
}

// [host-main]
void TCustomVSTModule::SetKeysRequired(bool V)
{
    FKeysRequired = V;
    HostUpdateDisplay();
}

// [any]
std::string TCustomVSTModule::UniqueID() const
{
    const auto U = static_cast<std::uint32_t>(FEffect.uniqueID);
    std::string Text(4, '\0');
    for (int I = 0; I < 4; ++I)
        Text[I] = static_cast<char>((U >> (24 - 8 * I)) & 0xFF);
    return Text;
}

// [host-main] The first four characters, the first in the most significant byte; missing ones are 0.
void TCustomVSTModule::SetUniqueID(const std::string& V)
{
    std::uint32_t U = 0;
    for (std::size_t I = 0; I < 4; ++I)
        U = (U << 8) | (I < V.size() ? static_cast<std::uint8_t>(V[I]) : 0u);
    FEffect.uniqueID = static_cast<VstInt32>(U);
}

// [host-main] Latency reported to the host; in block mode at least the block delay.
void TCustomVSTModule::SetInitialDelay(std::int32_t V)
{
    if (V == FRequestedDelay)
        return;
    FRequestedDelay = V;
    std::int32_t Delay = V;
    if (FProcessingMode == pmBlockSave)
        Delay = std::max(Delay, FBlockModeSize - FBlockModeOverlap);
    FEffect.initialDelay = Delay;
    // Without a callback nothing would be sent; asking for the product then would cache "Unknown" for good.
    if (FAudioMaster && HostProduct() != "energyXT")
        HostIOChanged();
}

// ---------------------------------------------------------------------------------------------------------
// Suspend and resume

void TCustomVSTModule::Suspend() // [host-main]
{
    if (OnSuspend)
        OnSuspend(this);
}

void TCustomVSTModule::Resume() // [host-main]
{
    if (OnResume)
        OnResume(this);
    HostWantMidi();
}

// ---------------------------------------------------------------------------------------------------------
// Host callback installation and the host requests

// [host-main]
void TCustomVSTModule::SetAudioMaster(TAudioMasterCallbackFunc Callback)
{
    FAudioMaster = Callback;
    if (!FAudioMaster)
        return;
    if (FAudioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
        throw EMarvoError("AudioMaster Error");
    const bool ShellCapable = HostProduct() != "WaveLab" && HostCanDo("shellCategory") == 1;
    if (FPlugCategory != vpcShell)
        return;
    if (!ShellCapable)
    {
        FPlugCategory = vpcUnknown;
        return;
    }
    const std::int32_t Id = HostCurrentId();
    if (Id <= 0)
        return;
    for (std::int32_t I = 0; I < FShellPlugins->Count(); ++I)
    {
        TCustomVstShellPlugin& Shell = (*FShellPlugins)[I];
        if (Shell.UniqueIDValue != Id)
            continue;
        FEffect.uniqueID = Id;
        if (Shell.numInputs >= 0)
            FEffect.numInputs = Shell.numInputs;
        if (Shell.numOutputs >= 0)
            FEffect.numOutputs = Shell.numOutputs;
        if (Shell.numPrograms >= 0)
            FEffect.numPrograms = Shell.numPrograms;
        if (Shell.numParams >= 0)
            FEffect.numParams = Shell.numParams;
        FPlugCategory = Shell.PlugCategory;
        if (Shell.OnInstanciate)
            Shell.OnInstanciate(this, Shell.UniqueID());
        HostIOChanged();
        return;
    }
}

// [any]
bool TCustomVSTModule::DefersHostRequests() const
{
    return FOwnWindowThread.load() == std::this_thread::get_id();
}

// [any] A foreign host may hold its own lock while it waits in a dispatcher call for our window thread;
// a request from that thread would then wait for the host for ever. So the window thread's requests wait in
// a queue for the host's next dispatcher call, made on a thread of the host's own.
VstIntPtr TCustomVSTModule::CallAudioMaster(TAudioMasterOpcode Opcode, VstInt32 Index, VstIntPtr Value, void* Ptr,
                                            float Opt, bool& Answered)
{
    Answered = FAudioMaster != nullptr;
    if (!FAudioMaster)
        return 0;
    if (DefersHostRequests())
    {
        Answered = Ptr == nullptr;
        if (Answered)
        {
            std::lock_guard<std::mutex> G(FDeferredLock);
            FDeferred.push_back({Opcode, Index, Value, Opt});
            FDeferredPending.store(true);
        }
        return 0;
    }
    return FAudioMaster(&FEffect, Opcode, Index, Value, Ptr, Opt);
}

namespace
{
// The answer as a Boolean "not 0", False without a callback.
inline bool NotZero(VstIntPtr Answer)
{
    return Answer != 0;
}
} // namespace

// [host-main] The host's product text, asked once and cached ("Unknown" when it does not answer).
std::string TCustomVSTModule::HostProduct()
{
    if (!FHostProduct.empty())
        return FHostProduct;
    char Text[64] = {};
    if (HostGetProductString(Text))
    {
        Text[63] = '\0';
        FHostProduct = Text;
    }
    else
        FHostProduct = "Unknown";
    return FHostProduct;
}

std::int32_t TCustomVSTModule::HostVersion() // [any]
{
    bool Answered;
    const VstIntPtr A = CallAudioMaster(audioMasterVersion, 0, 0, nullptr, 0.0f, Answered);
    return (!Answered || A == 0) ? 1 : static_cast<std::int32_t>(A);
}

std::int32_t TCustomVSTModule::HostCurrentId() // [any]
{
    bool Answered;
    return static_cast<std::int32_t>(CallAudioMaster(audioMasterCurrentId, 0, 0, nullptr, 0.0f, Answered));
}

void TCustomVSTModule::HostIdle() // [host-main, editor]
{
    bool Answered;
    CallAudioMaster(audioMasterIdle, 0, 0, nullptr, 0.0f, Answered);
}

// [any] True (connected) when the host answers 0, also without a callback.
bool TCustomVSTModule::IsInputConnected(std::int32_t Input)
{
    bool Answered;
    return CallAudioMaster(audioMasterPinConnected, Input, 0, nullptr, 0.0f, Answered) == 0;
}

bool TCustomVSTModule::IsOutputConnected(std::int32_t Output) // [any]
{
    bool Answered;
    return CallAudioMaster(audioMasterPinConnected, Output, 1, nullptr, 0.0f, Answered) == 0;
}

void TCustomVSTModule::HostWantMidi() // [host-main, editor]
{
    bool Answered;
    CallAudioMaster(audioMasterWantMidi, 0, 1, nullptr, 0.0f, Answered);
}

VstTimeInfo* TCustomVSTModule::HostGetTime(std::int32_t Filter) // [any]
{
    bool Answered;
    return reinterpret_cast<VstTimeInfo*>(CallAudioMaster(audioMasterGetTime, 0, Filter, nullptr, 0.0f, Answered));
}

bool TCustomVSTModule::HostProcessEvents(VstEvents* Events) // [audio]
{
    bool Answered;
    return CallAudioMaster(audioMasterProcessEvents, 0, 0, Events, 0.0f, Answered) == 1;
}

void TCustomVSTModule::HostSetTime(std::int32_t Filter, VstTimeInfo* Info) // [any]
{
    bool Answered;
    CallAudioMaster(audioMasterSetTime, 0, Filter, Info, 0.0f, Answered);
}

std::int32_t TCustomVSTModule::HostTempoAt(std::int32_t SamplePos) // [any]
{
    bool Answered;
    return static_cast<std::int32_t>(CallAudioMaster(audioMasterTempoAt, 0, SamplePos, nullptr, 0.0f, Answered));
}

std::int32_t TCustomVSTModule::HostGetNumAutomatableParameters() // [any]
{
    bool Answered;
    return static_cast<std::int32_t>(
        CallAudioMaster(audioMasterGetNumAutomatableParameters, 0, 0, nullptr, 0.0f, Answered));
}

std::int32_t TCustomVSTModule::HostGetParameterQuantization() // [any]
{
    bool Answered;
    return static_cast<std::int32_t>(
        CallAudioMaster(audioMasterGetParameterQuantization, 0, 0, nullptr, 0.0f, Answered));
}

bool TCustomVSTModule::HostIOChanged() // [host-main, editor]
{
    bool Answered;
    return NotZero(CallAudioMaster(audioMasterIOChanged, 0, 0, nullptr, 0.0f, Answered));
}

bool TCustomVSTModule::HostNeedIdle() // [host-main, editor]
{
    bool Answered;
    return NotZero(CallAudioMaster(audioMasterNeedIdle, 0, 0, nullptr, 0.0f, Answered));
}

bool TCustomVSTModule::HostSizeWindow(std::int32_t Width, std::int32_t Height) // [host-main, editor]
{
    bool Answered;
    return NotZero(CallAudioMaster(audioMasterSizeWindow, Width, Height, nullptr, 0.0f, Answered));
}

// [host-main, editor] An answer above 0 is stored and announced even when unchanged; answers the stored rate.
float TCustomVSTModule::HostGetSampleRate()
{
    bool Answered;
    const VstIntPtr A = CallAudioMaster(audioMasterGetSampleRate, 0, 0, nullptr, 0.0f, Answered);
    if (A > 0)
    {
        const auto Rate = static_cast<float>(A);
        FSampleRate.store(Rate);
        if (OnSampleRateChange)
            OnSampleRateChange(this, Rate);
    }
    return FSampleRate.load();
}

// [host-main, editor] As HostGetSampleRate, for the block size.
std::int32_t TCustomVSTModule::HostGetBlockSize()
{
    bool Answered;
    const VstIntPtr A = CallAudioMaster(audioMasterGetBlockSize, 0, 0, nullptr, 0.0f, Answered);
    if (A > 0)
    {
        const auto Size = static_cast<std::int32_t>(A);
        FBlockSize.store(Size);
        if (OnBlockSizeChange)
            OnBlockSizeChange(this, Size);
    }
    return FBlockSize.load();
}

std::int32_t TCustomVSTModule::HostGetInputLatency() // [any]
{
    bool Answered;
    return static_cast<std::int32_t>(CallAudioMaster(audioMasterGetInputLatency, 0, 0, nullptr, 0.0f, Answered));
}

std::int32_t TCustomVSTModule::HostGetOutputLatency() // [any]
{
    bool Answered;
    return static_cast<std::int32_t>(CallAudioMaster(audioMasterGetOutputLatency, 0, 0, nullptr, 0.0f, Answered));
}

AEffect* TCustomVSTModule::HostGetPreviousPlug(std::int32_t Input) // [any]
{
    bool Answered;
    return reinterpret_cast<AEffect*>(CallAudioMaster(audioMasterGetPreviousPlug, Input, 0, nullptr, 0.0f, Answered));
}

AEffect* TCustomVSTModule::HostGetNextPlug(std::int32_t Output) // [any]
{
    bool Answered;
    return reinterpret_cast<AEffect*>(CallAudioMaster(audioMasterGetNextPlug, Output, 0, nullptr, 0.0f, Answered));
}

std::int32_t TCustomVSTModule::HostWillReplaceOrAccumulate() // [any]
{
    bool Answered;
    return static_cast<std::int32_t>(
        CallAudioMaster(audioMasterWillReplaceOrAccumulate, 0, 0, nullptr, 0.0f, Answered));
}

std::int32_t TCustomVSTModule::HostGetCurrentProcessLevel() // [any]
{
    bool Answered;
    return static_cast<std::int32_t>(
        CallAudioMaster(audioMasterGetCurrentProcessLevel, 0, 0, nullptr, 0.0f, Answered));
}

std::int32_t TCustomVSTModule::HostGetAutomationState() // [any]
{
    bool Answered;
    return static_cast<std::int32_t>(CallAudioMaster(audioMasterGetAutomationState, 0, 0, nullptr, 0.0f, Answered));
}

// [host-main, editor]
bool TCustomVSTModule::HostOfflineStart(TVstAudioFile* AudioFiles, std::int32_t numAudioFiles,
                                        std::int32_t numNewAudioFiles)
{
    bool Answered;
    return NotZero(
        CallAudioMaster(audioMasterOfflineStart, numNewAudioFiles, numAudioFiles, AudioFiles, 0.0f, Answered));
}

// [host-main, editor]
bool TCustomVSTModule::HostOfflineRead(TVstOfflineTask* Offline, std::int32_t Option, bool ReadSource)
{
    bool Answered;
    return NotZero(CallAudioMaster(audioMasterOfflineRead, ReadSource ? 1 : 0, Option, Offline, 0.0f, Answered));
}

bool TCustomVSTModule::HostOfflineWrite(TVstOfflineTask* Offline, std::int32_t Option) // [host-main, editor]
{
    bool Answered;
    return NotZero(CallAudioMaster(audioMasterOfflineWrite, 0, Option, Offline, 0.0f, Answered));
}

bool TCustomVSTModule::HostOfflineGetCurrentPass() // [host-main, editor]
{
    bool Answered;
    return NotZero(CallAudioMaster(audioMasterOfflineGetCurrentPass, 0, 0, nullptr, 0.0f, Answered));
}

bool TCustomVSTModule::HostOfflineGetCurrentMetaPass() // [host-main, editor]
{
    bool Answered;
    return NotZero(CallAudioMaster(audioMasterOfflineGetCurrentMetaPass, 0, 0, nullptr, 0.0f, Answered));
}

void TCustomVSTModule::HostSetOutputSampleRate(float SampleRate) // [host-main, editor]
{
    bool Answered;
    CallAudioMaster(audioMasterSetOutputSampleRate, 0, 0, nullptr, SampleRate, Answered);
}

VstSpeakerArrangement* TCustomVSTModule::HostGetInputSpeakerArrangement() // [host-main, editor]
{
    bool Answered;
    return reinterpret_cast<VstSpeakerArrangement*>(
        CallAudioMaster(audioMasterGetInputSpeakerArrangement, 0, 0, nullptr, 0.0f, Answered));
}

VstSpeakerArrangement* TCustomVSTModule::HostGetOutputSpeakerArrangement() // [host-main, editor]
{
    bool Answered;
    return reinterpret_cast<VstSpeakerArrangement*>(
        CallAudioMaster(audioMasterGetOutputSpeakerArrangement, 0, 0, nullptr, 0.0f, Answered));
}

bool TCustomVSTModule::HostGetVendorString(char* Text) // [host-main, editor]
{
    bool Answered;
    return NotZero(CallAudioMaster(audioMasterGetVendorString, 0, 0, Text, 0.0f, Answered));
}

bool TCustomVSTModule::HostGetProductString(char* Text) // [host-main, editor]
{
    bool Answered;
    return NotZero(CallAudioMaster(audioMasterGetProductString, 0, 0, Text, 0.0f, Answered));
}

std::int32_t TCustomVSTModule::HostGetVendorVersion() // [host-main, editor]
{
    bool Answered;
    return static_cast<std::int32_t>(CallAudioMaster(audioMasterGetVendorVersion, 0, 0, nullptr, 0.0f, Answered));
}

// [any]
std::intptr_t TCustomVSTModule::HostVendorSpecific(std::int32_t Index, std::intptr_t Value, void* Ptr, float Opt)
{
    bool Answered;
    return CallAudioMaster(audioMasterVendorSpecific, Index, Value, Ptr, Opt, Answered);
}

std::int32_t TCustomVSTModule::HostCanDo(const char* Text) // [host-main, editor]
{
    bool Answered;
    return static_cast<std::int32_t>(
        CallAudioMaster(audioMasterCanDo, 0, 0, const_cast<char*>(Text), 0.0f, Answered));
}

std::int32_t TCustomVSTModule::HostGetLanguage() // [host-main, editor]
{
    bool Answered;
    return static_cast<std::int32_t>(CallAudioMaster(audioMasterGetLanguage, 0, 0, nullptr, 0.0f, Answered));
}

std::intptr_t TCustomVSTModule::HostOpenWindow(void* Window) // [host-main, editor]
{
    bool Answered;
    return CallAudioMaster(audioMasterOpenWindow, 0, 0, Window, 0.0f, Answered);
}

bool TCustomVSTModule::HostCloseWindow(void* Window) // [host-main, editor]
{
    bool Answered;
    return NotZero(CallAudioMaster(audioMasterCloseWindow, 0, 0, Window, 0.0f, Answered));
}

void* TCustomVSTModule::HostGetDirectory() // [host-main, editor]
{
    bool Answered;
    return reinterpret_cast<void*>(CallAudioMaster(audioMasterGetDirectory, 0, 0, nullptr, 0.0f, Answered));
}

bool TCustomVSTModule::HostUpdateDisplay() // [host-main, editor]
{
    bool Answered;
    return NotZero(CallAudioMaster(audioMasterUpdateDisplay, 0, 0, nullptr, 0.0f, Answered));
}

bool TCustomVSTModule::HostBeginEdit(std::int32_t Index) // [host-main, editor]
{
    bool Answered;
    return NotZero(CallAudioMaster(audioMasterBeginEdit, Index, 0, nullptr, 0.0f, Answered));
}

bool TCustomVSTModule::HostEndEdit(std::int32_t Index) // [host-main, editor]
{
    bool Answered;
    return NotZero(CallAudioMaster(audioMasterEndEdit, Index, 0, nullptr, 0.0f, Answered));
}

// [host-main, editor] Nothing is sent for a null selector.
bool TCustomVSTModule::HostOpenFileSelector(void* Selector)
{
    if (!Selector)
        return false;
    bool Answered;
    return NotZero(CallAudioMaster(audioMasterOpenFileSelector, 0, 0, Selector, 0.0f, Answered));
}

// ---------------------------------------------------------------------------------------------------------
// Entry points behind the record. No exception leaves them.

namespace
{

// The opcodes that work on the editor's window.
bool IsEditorOpcode(VstInt32 Opcode)
{
    switch (Opcode)
    {
    case effEditGetRect:
    case effEditOpen:
    case effEditClose:
    case effEditIdle:
    case effEditTop:
    case effEditSleep:
    case effEditKeyDown:
    case effEditKeyUp: return true;
    default: return false;
    }
}

} // namespace

// [any] Sends what the own window thread queued, on the calling (host's) thread; nothing on the own
// window thread itself. Requests queued while this runs wait for the next call; a thread that finds another
// sending leaves it to that one, without waiting.
void TCustomVSTModule::DeliverDeferredRequests()
{
    if (!FDeferredPending.load() || !FAudioMaster || DefersHostRequests())
        return;
    std::unique_lock<std::mutex> G(FDeferredLock, std::try_to_lock);
    if (!G.owns_lock())
        return;
    std::vector<TDeferredRequest> Requests;
    Requests.swap(FDeferred);
    FDeferredPending.store(false);
    G.unlock();
    for (const TDeferredRequest& R : Requests)
        FAudioMaster(&FEffect, R.Opcode, R.Index, R.Value, nullptr, R.Opt);
}

// [any] effClose (low byte 1) destroys the module after the dispatcher ran and answers 1. The editor's
// opcodes, and the closing of a module whose editor is open, run on the platform's window thread for the
// caller (RunInWindowThread: the caller's own, unless a foreign host calls from a thread without windows of
// ours), so that the editor and its windows belong to one thread whichever thread the host calls from. When
// that thread is not the caller's, it is the module's own window thread from then on: its requests to the
// host are queued (CallAudioMaster) and sent here, on the host's thread, before and after each call except
// effProcessEvents (which hosts send from their audio thread).
VstIntPtr VSTCALL TCustomVSTModule::DispatcherEntry(AEffect* Effect, VstInt32 Opcode, VstInt32 Index,
                                                    VstIntPtr Value, void* Ptr, float Opt)
{
    if (!Effect || !Effect->object)
        return 0;
    auto* Module = static_cast<TCustomVSTModule*>(Effect->object);
    try
    {
        const bool Closing = (Opcode & 0xFF) == effClose;
        const bool Delivers = (Opcode & 0xFF) != effProcessEvents;
        if (Delivers)
            Module->DeliverDeferredRequests();
        VstIntPtr Answer = 0;
        const std::thread::id Caller = std::this_thread::get_id();
        const auto Dispatch = [&] {
            if (Caller != std::this_thread::get_id())
                Module->FOwnWindowThread.store(std::this_thread::get_id());
            if (Closing)
            {
                Module->Dispatcher(Opcode, Index, Value, Ptr, Opt);
                Module->BeforeDestruction();
                delete Module;
                Answer = 1;
            }
            else
                Answer = Module->Dispatcher(Opcode, Index, Value, Ptr, Opt);
        };
        if (IsEditorOpcode(Opcode) || (Closing && Module->EditorForm()))
            RunInWindowThread(Dispatch);
        else
            Dispatch();
        if (Delivers && !Closing)
            Module->DeliverDeferredRequests();
        return Answer;
    }
    catch (...)
    {
        return 0;
    }
}

namespace
{

// [audio] Runs Method on the module behind Effect, if there is one; nothing escapes to the host.
template <class TSample>
void RunProcessing(AEffect* Effect, void (TCustomVSTModule::*Method)(TSample**, TSample**, std::int32_t),
                   TSample** Inputs, TSample** Outputs, VstInt32 SampleFrames)
{
    if (!Effect || !Effect->object)
        return;
    try
    {
        (static_cast<TCustomVSTModule*>(Effect->object)->*Method)(Inputs, Outputs, SampleFrames);
    }
    catch (...)
    {
    }
}

} // namespace

// [audio]
void VSTCALL TCustomVSTModule::ProcessEntry(AEffect* Effect, float** Inputs, float** Outputs, VstInt32 SampleFrames)
{
    RunProcessing(Effect, &TCustomVSTModule::Process, Inputs, Outputs, SampleFrames);
}

// [audio]
void VSTCALL TCustomVSTModule::ProcessReplacingEntry(AEffect* Effect, float** Inputs, float** Outputs,
                                                     VstInt32 SampleFrames)
{
    RunProcessing(Effect, &TCustomVSTModule::ProcessReplacing, Inputs, Outputs, SampleFrames);
}

// [audio]
void VSTCALL TCustomVSTModule::ProcessDoubleReplacingEntry(AEffect* Effect, double** Inputs, double** Outputs,
                                                           VstInt32 SampleFrames)
{
    RunProcessing(Effect, &TCustomVSTModule::ProcessDoubleReplacing, Inputs, Outputs, SampleFrames);
}
