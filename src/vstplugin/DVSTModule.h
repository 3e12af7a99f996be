#pragma once
// The plug-in side of VST 2: TCustomVSTModule owns an AEffect record and answers the host through it; a
// concrete plug-in derives from TVSTModule and only lists declarations (module properties, programs,
// parameters, shell plug-ins, handlers) in static tables that the framework loads at construction.
//
// A concrete module:
//
//     class TMyModule : public TVSTModule
//     {
//     public:
//         explicit TMyModule(TComponent* AOwner) : TVSTModule(AOwner) { LoadDeclaration(Declaration); }
//         void GainChange(TComponent* Sender, std::int32_t Index, float& Value);
//         static const TVSTModuleDeclaration<TMyModule> Declaration;
//     };
//
//     static const TVstParameterDeclaration<TMyModule> MyParameters[] = {
//         {.Min = -15, .Max = 15, .DisplayName = "Gain", .Units = "dB", .OnParameterChange = &TMyModule::GainChange},
//     };
//     const TVSTModuleDeclaration<TMyModule> TMyModule::Declaration = {
//         .Properties = {.Flags = {effFlagsCanReplacing}, .EffectName = "Mine", .UniqueID = "Mine"},
//         .Programs = MyPrograms, .Parameters = MyParameters,
//         .Events = {.OnProcessReplacing = &TMyModule::Process},
//     };
//
// Threads: the module takes no locks on the processing path. The processing entries are [audio];
// setParameter, getParameter and the parameter operations are [thread-safe], also on two host threads at
// once (a host's editor on its UI thread while its automation writes on [audio]): the value cells, the
// smoothing state, the sample rate and block size and the editor's update flag are atomic, and the
// re-entrancy guards hold per thread. The rest is [host-main] (the player sets block size and rate on
// [audio]), the editor's opcodes [editor]. Requests the editor sends from our own X11 window thread (foreign
// host) are queued and sent on the host's next dispatcher call, so the editor never waits on a waiting host.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <string>
#include <vector>

#include "platform/Forms.h"
#include "vstplugin/DVSTEffect.h"

class TCustomVSTModule;
class TCustomVstProgram;

// ---------------------------------------------------------------------------------------------------------
// Event types. Sender is the module unless stated otherwise; reference arguments are in-out.

using TGetEditorEvent = std::function<void(TComponent* Sender, TForm*& GUI)>;
using TVSTKeyEvent = std::function<void(TComponent* Sender, TVstKeyCode& KeyCode)>;
using TSetKnobModeEvent = std::function<void(TComponent* Sender, std::int32_t Val)>;
using TParameterChangeEvent = std::function<void(TComponent* Sender, std::int32_t Index, float& Value)>;
using TBlockSizeChangeEvent = std::function<void(TComponent* Sender, std::int32_t BlockSize)>;
using TSampleRateChangeEvent = std::function<void(TComponent* Sender, float SampleRate)>;
using TGetVUEvent = std::function<void(float& VU)>;
// Inputs and Outputs are arrays of channel pointers (numInputs and numOutputs of them), SampleFrames long.
using TProcessAudioEvent = std::function<void(float** Inputs, float** Outputs, std::int32_t SampleFrames)>;
using TProcessDoubleEvent = std::function<void(double** Inputs, double** Outputs, std::int32_t SampleFrames)>;
using TSoftBypassEvent = std::function<void(TComponent* Sender, bool onOff)>;
using TProcessMidiEvent = std::function<void(TComponent* Sender, const TVstMidiEvent& MidiEvent)>;
using TInOutConnectedEvent = std::function<void(TComponent* Sender, std::int32_t Index, bool State)>;
using TOfflineNotifyEvent =
    std::function<void(TComponent* Sender, TVstAudioFile* AudioFile, std::int32_t numAudioFiles, bool start)>;
using TOfflinePrepareEvent = std::function<void(TComponent* Sender, TVstOfflineTask* OfflineTask, std::int32_t count)>;
using TOfflineRunEvent = TOfflinePrepareEvent;
using TProcessVarIOEvent = std::function<void(TComponent* Sender, TVstVariableIo* varIo)>;
using TOnSetPanLawEvent = std::function<void(TComponent* Sender, std::int32_t& vType, float& val)>;
using TOnBeginLoadBankEvent = std::function<void(TComponent* Sender, const TVstPatchChunkInfo& PatchChunkInfo)>;
using TOnBeginLoadProgramEvent = TOnBeginLoadBankEvent;
using TOnDispatcherEvent = std::function<void(TComponent* Sender, TDispatcherOpcode opCode)>;
using TOnVendorSpecificEvent = std::function<std::int32_t(TComponent* Sender, std::int32_t lArg1,
                                                          std::intptr_t lArg2, void* ptrArg, float floatArg)>;
using TOnCanDoEvent = std::function<std::int32_t(TComponent* Sender, const std::string& CanDoText)>;
using TOnGetChannelPropertiesEvent =
    std::function<std::int32_t(TComponent* Sender, std::string& vLabel, std::string& shortLabel,
                               std::int32_t& SpeakerArrangement, TChannelPropertyFlags& Flags)>;
using TOnCheckKey = std::function<bool(TComponent* Sender, char Key)>;
using TGetChunkParameterEvent = std::function<float(TComponent* Sender, std::int32_t Index)>;
using TCustomParameterLabelEvent = std::function<void(TComponent* Sender, std::int32_t Index, std::string& PreDefined)>;
using TCustomParameterDisplayEvent = TCustomParameterLabelEvent;
// Sender is the program.
using TProgramNotifyEvent = std::function<void(TCustomVstProgram* Sender)>;
using TChunkEvent = std::function<void(TCustomVstProgram* Sender, std::int32_t Index, bool isPreset)>;
// UID is the plug-in's identifier as 4 characters, most significant byte first.
using TUIDInstantiateEvent = std::function<void(TComponent* Sender, const std::string& UID)>;

enum TCurveType { ctLinear, ctLogarithmic, ctExponential, ctFrequencyScale };
enum TProcessingMode { pmNormal, pmBlockSave, pmCopy, pmMute };

// ---------------------------------------------------------------------------------------------------------
// A growable byte buffer with a read/write position.
class TMemoryStream
{
public:
    // [any] Writes Count bytes at the position, growing the stream; answers Count.
    std::size_t Write(const void* Buffer, std::size_t Count);
    // [any] Reads up to Count bytes from the position; answers the number read.
    std::size_t Read(void* Buffer, std::size_t Count);
    void Clear() { FData.clear(); FPosition = 0; }
    std::size_t Size() const { return FData.size(); }
    void SetSize(std::size_t NewSize);
    std::size_t Position() const { return FPosition; }
    void SetPosition(std::size_t P) { FPosition = P; }
    std::uint8_t* Memory() { return FData.data(); }
    const std::uint8_t* Memory() const { return FData.data(); }

private:
    std::vector<std::uint8_t> FData;
    std::size_t FPosition = 0;
};

// ---------------------------------------------------------------------------------------------------------
// Processor identification, done once at construction. Read by nothing in this system.
enum TCPUVendor { cvUnknown, cvAMD, cvCentaur, cvCyrix, cvIntel, cvTransmeta, cvNexGen, cvRise, cvUMC, cvNSC, cvSiS };
enum TCPUInstruction
{
    isFPU, isTSC, isCX8, isSEP, isCMOV, isMMX, isFXSR, isSSE, isSSE2, isSSE3, isMONITOR, isCX16, isX64,
    isExMMX, isEx3DNow, is3DNow
};
using TCPUInstructions = TEnumSet<TCPUInstruction>;

class TCPU
{
public:
    TCPU(); // [any]
    TCPUVendor Vendor() const { return FVendor; }
    std::uint32_t Signature() const { return FSignature; }
    std::uint8_t EffFamily() const { return FEffFamily; }
    std::uint8_t EffModel() const { return FEffModel; }
    std::uint16_t CodeL1CacheSize() const { return FCodeL1CacheSize; }
    std::uint16_t DataL1CacheSize() const { return FDataL1CacheSize; }
    std::uint16_t L2CacheSize() const { return FL2CacheSize; }
    std::uint16_t L3CacheSize() const { return FL3CacheSize; }
    TCPUInstructions Instructions() const { return FInstructions; }

private:
    TCPUVendor FVendor = cvUnknown;
    std::uint32_t FSignature = 0;
    std::uint8_t FEffFamily = 0, FEffModel = 0;
    std::uint16_t FCodeL1CacheSize = 0, FDataL1CacheSize = 0, FL2CacheSize = 0, FL3CacheSize = 0;
    TCPUInstructions FInstructions;
};

// ---------------------------------------------------------------------------------------------------------
// Parameter declarations (runtime items). Index in the collection = parameter index seen by the host.
// An ordered collection of items that add themselves on construction (TItem(TSelf&)) and remove themselves on
// destruction; deleting an item through the collection frees it. TSelf, the derived collection, frees the
// items in its destructor, while it is still whole.
template <class TItem, class TSelf>
class TVstItemCollection
{
public:
    explicit TVstItemCollection(TCustomVSTModule* Module) : FModule(Module) {}
    TVstItemCollection(const TVstItemCollection&) = delete;
    TVstItemCollection& operator=(const TVstItemCollection&) = delete;

    // [host-main]
    TItem* Add() { return new TItem(static_cast<TSelf&>(*this)); }
    // [host-main] Out-of-range indices are ignored.
    void Delete(std::int32_t Index)
    {
        if (Index >= 0 && Index < Count())
            delete FItems[static_cast<std::size_t>(Index)];
    }
    // [host-main] Deletes the items from the front.
    void Clear()
    {
        while (!FItems.empty())
            delete FItems.front();
    }
    std::int32_t Count() const { return static_cast<std::int32_t>(FItems.size()); }
    TItem& operator[](std::int32_t Index) const { return *FItems[Index]; }
    // [any] The position of Item, or -1.
    std::int32_t IndexOf(const TItem* Item) const
    {
        const auto It = std::find(FItems.begin(), FItems.end(), Item);
        return It == FItems.end() ? -1 : static_cast<std::int32_t>(It - FItems.begin());
    }
    TCustomVSTModule* VSTModule() const { return FModule; }

protected:
    ~TVstItemCollection() = default;

private:
    friend TItem;
    TCustomVSTModule* FModule;
    std::vector<TItem*> FItems;
};

class TCustomVstParameterProperties;

class TCustomVstParameterProperty
{
public:
    // [host-main] Appends itself to the collection: numParams recounted, value arrays grown by one 0.0.
    explicit TCustomVstParameterProperty(TCustomVstParameterProperties& Collection);
    // [host-main] Removes its own entry from the value arrays and recounts numParams.
    ~TCustomVstParameterProperty();
    TCustomVstParameterProperty(const TCustomVstParameterProperty&) = delete;
    TCustomVstParameterProperty& operator=(const TCustomVstParameterProperty&) = delete;

    // [any] Copies Units and DisplayName only.
    void Assign(const TCustomVstParameterProperty& Source);
    std::int32_t Index() const; // [any]
    TCustomVSTModule* VSTModule() const { return FModule; }

    const std::string& DisplayName() const { return FDisplayName; }
    void SetDisplayName(const std::string& V); // keeps at most 30 characters
    const std::string& ShortLabel() const { return FShortLabel; }
    void SetShortLabel(const std::string& V); // keeps at most 7 characters

    // [any] Advances SmoothState by one host write and answers the smoothed value. The state's cells
    // are read and written atomically; two threads writing the same parameter at once interleave their steps.
    float Smooth(float Value);

    float Min = 0.0f;
    float Max = 1.0f;
    std::int32_t CC = -1;
    TCurveType Curve = ctLinear;
    std::string Units;
    float CurveFactor = 1.0f;
    float SmoothingFactor = 1.0f;
    bool CanBeAutomated = true;
    bool ReportVST2Properties = false;
    float StepFloat = 0.0f, SmallStepFloat = 0.0f, LargeStepFloat = 0.0f;
    TVstParameterPropertiesFlags Flags;
    std::int32_t MinInteger = 0, MaxInteger = 0, StepInteger = 0, LargeStepInteger = 0;
    float SmoothState[2] = {0.0f, 0.0f}; // accessed through std::atomic_ref

    TParameterChangeEvent OnParameterChange;
    TCustomParameterLabelEvent OnCustomParameterLabel;
    TCustomParameterDisplayEvent OnCustomParameterDisplay;

private:
    TCustomVstParameterProperties& FCollection;
    TCustomVSTModule* FModule;
    std::string FDisplayName;
    std::string FShortLabel;
};

class TCustomVstParameterProperties
    : public TVstItemCollection<TCustomVstParameterProperty, TCustomVstParameterProperties>
{
public:
    using TVstItemCollection::TVstItemCollection;
    ~TCustomVstParameterProperties() { Clear(); } // deletes the items from the front
};

// ---------------------------------------------------------------------------------------------------------
// Programs
class TCustomVstPrograms;

class TCustomVstProgram
{
public:
    // [host-main] Appends itself: numPrograms recounted; a chunk (under effFlagsProgramChunks) or
    // numParams values of 0.0; the first program makes CurrentProgram 0.
    explicit TCustomVstProgram(TCustomVstPrograms& Collection);
    ~TCustomVstProgram();
    TCustomVstProgram(const TCustomVstProgram&) = delete;
    TCustomVstProgram& operator=(const TCustomVstProgram&) = delete;

    // [host-main] Copies the values (resizing to the source's count) and then the name.
    void Assign(const TCustomVstProgram& Source);
    std::int32_t Index() const;
    TCustomVSTModule* VSTModule() const { return FModule; }

    const std::string& DisplayName() const { return FDisplayName; }
    void SetDisplayName(const std::string& V); // keeps at most 50 characters

    // [any] Value Index of this program: 0 outside 0..numParams-1; writes there, or under
    // effFlagsProgramChunks, are ignored. The cell is read and written atomically.
    float Parameter(std::int32_t Index) const;
    void SetParameter(std::int32_t Index, float Value);

    std::vector<float> ParameterValues; // cells accessed through std::atomic_ref off the window thread
    std::unique_ptr<TMemoryStream> Chunk; // only under effFlagsProgramChunks

    TProgramNotifyEvent OnInitialize;
    TChunkEvent OnLoadChunk;
    TChunkEvent OnStoreChunk;

private:
    TCustomVstPrograms& FCollection;
    TCustomVSTModule* FModule;
    std::string FDisplayName = "Init";
};

class TCustomVstPrograms : public TVstItemCollection<TCustomVstProgram, TCustomVstPrograms>
{
public:
    using TVstItemCollection::TVstItemCollection;
    ~TCustomVstPrograms() { Clear(); } // deletes the items from the front
};

// ---------------------------------------------------------------------------------------------------------
// Shell plug-ins: one module standing for several plug-ins, chosen by unique identifier.
class TCustomVstShellPlugin
{
public:
    explicit TCustomVstShellPlugin(TCustomVSTModule* Module) : FModule(Module) {}
    void Assign(const TCustomVstShellPlugin& Source) { FDisplayName = Source.FDisplayName; } // name only
    TCustomVSTModule* VSTModule() const { return FModule; }

    const std::string& DisplayName() const { return FDisplayName; }
    void SetDisplayName(const std::string& V); // keeps at most 50 characters
    std::string UniqueID() const;              // 4 characters, most significant byte first
    void SetUniqueID(const std::string& V);    // takes the first 4 characters

    std::int32_t numInputs = -1, numOutputs = -1, numParams = -1, numPrograms = -1; // -1: keep the module's
    TVstPluginCategory PlugCategory = vpcUnknown;
    VstInt32 UniqueIDValue = 0;
    TUIDInstantiateEvent OnInstanciate;

private:
    TCustomVSTModule* FModule;
    std::string FDisplayName = "Init";
};

class TCustomVstShellPlugins
{
public:
    explicit TCustomVstShellPlugins(TCustomVSTModule* Module) : FModule(Module) {}
    TCustomVstShellPlugin* Add();
    void Clear() { FItems.clear(); }
    std::int32_t Count() const { return static_cast<std::int32_t>(FItems.size()); }
    TCustomVstShellPlugin& operator[](std::int32_t Index) const { return *FItems[Index]; }

private:
    TCustomVSTModule* FModule;
    std::vector<std::unique_ptr<TCustomVstShellPlugin>> FItems;
};

// ---------------------------------------------------------------------------------------------------------
// Declaration tables. A concrete module TModule lists them as static constants; LoadDeclaration applies them.
// Handlers are member functions of TModule; a null handler leaves the event unassigned.

// Module properties, applied through their writers in this order. Defaults are the framework's own.
struct TVSTModuleProperties
{
    TEffFlags Flags{};
    const char* Version = "0.0";
    const char* EffectName = "";
    const char* ProductName = "";
    const char* VendorName = "";
    std::int32_t VersionMajor = 1, VersionMinor = 0, VersionRelease = 0;
    TVstPluginCategory PlugCategory = vpcUnknown;
    std::int32_t TailSize = 0;
    TVstCanDos CanDos{};
    float SampleRate = 44100.0f;
    std::int32_t BlockSize = 1024;
    std::int32_t numInputs = 2, numOutputs = 2;
    std::int32_t numCategories = 1;
    std::int32_t CurrentProgram = -1;
    const char* CurrentProgramName = nullptr; // null: not stored
    TProcessingMode ProcessingMode = pmNormal;
    std::int32_t BlockModeSize = 1024, BlockModeOverlap = 0;
    std::int32_t InitialDelay = 0;
    bool KeysRequired = false;
    std::int32_t RealQualities = 0, OffQualities = 0, IORatio = 1;
    const char* UniqueID = "NoEf";
    bool OldCreateOrder = false;
};

template <class TModule>
struct TVstProgramDeclaration
{
    const char* DisplayName = "Init";
    void (TModule::*OnInitialize)(TCustomVstProgram* Sender) = nullptr;
    void (TModule::*OnLoadChunk)(TCustomVstProgram* Sender, std::int32_t Index, bool isPreset) = nullptr;
    void (TModule::*OnStoreChunk)(TCustomVstProgram* Sender, std::int32_t Index, bool isPreset) = nullptr;
};

template <class TModule>
struct TVstParameterDeclaration
{
    float Min = 0.0f;
    float Max = 1.0f;
    std::int32_t CC = -1;
    TCurveType Curve = ctLinear;
    const char* DisplayName = nullptr; // null: "Parameter n"
    const char* Units = "";
    float CurveFactor = 1.0f;
    float SmoothingFactor = 1.0f;
    bool CanBeAutomated = true;
    bool ReportVST2Properties = false;
    float StepFloat = 0.0f, SmallStepFloat = 0.0f, LargeStepFloat = 0.0f;
    TVstParameterPropertiesFlags Flags{};
    std::int32_t MinInteger = 0, MaxInteger = 0, StepInteger = 0, LargeStepInteger = 0;
    const char* ShortLabel = "";
    void (TModule::*OnParameterChange)(TComponent* Sender, std::int32_t Index, float& Value) = nullptr;
    void (TModule::*OnCustomParameterLabel)(TComponent* Sender, std::int32_t Index, std::string& PreDefined) = nullptr;
    void (TModule::*OnCustomParameterDisplay)(TComponent* Sender, std::int32_t Index, std::string& PreDefined) = nullptr;
};

template <class TModule>
struct TVstShellPluginDeclaration
{
    const char* DisplayName = "Init";
    std::int32_t numInputs = -1, numOutputs = -1, numParams = -1, numPrograms = -1;
    TVstPluginCategory PlugCategory = vpcUnknown;
    const char* UniqueID = "";
    void (TModule::*OnInstanciate)(TComponent* Sender, const std::string& UID) = nullptr;
};

// The module's own event handlers (each optional).
template <class TModule>
struct TVSTModuleEvents
{
    using M = TModule;
    void (M::*OnCreate)(TComponent*) = nullptr;
    void (M::*OnDestroy)(TComponent*) = nullptr;
    void (M::*OnInitialize)(TComponent*) = nullptr;
    void (M::*OnOpen)(TComponent*) = nullptr;
    void (M::*OnClose)(TComponent*) = nullptr;
    void (M::*OnEditOpen)(TComponent*, TForm*&) = nullptr;
    void (M::*OnEditClose)(TComponent*) = nullptr;
    void (M::*OnEditIdle)(TComponent*) = nullptr;
    void (M::*OnEditTop)(TComponent*) = nullptr;
    void (M::*OnEditSleep)(TComponent*) = nullptr;
    void (M::*OnEditorKeyDown)(TComponent*, TVstKeyCode&) = nullptr;
    void (M::*OnEditorKeyUp)(TComponent*, TVstKeyCode&) = nullptr;
    void (M::*OnEditorKnobMode)(TComponent*, std::int32_t) = nullptr;
    void (M::*OnParameterChange)(TComponent*, std::int32_t, float&) = nullptr;
    void (M::*OnParameterSizeFailed)(TComponent*) = nullptr;
    void (M::*OnResume)(TComponent*) = nullptr;
    void (M::*OnSuspend)(TComponent*) = nullptr;
    void (M::*OnBlockSizeChange)(TComponent*, std::int32_t) = nullptr;
    void (M::*OnSampleRateChange)(TComponent*, float) = nullptr;
    void (M::*OnGetVU)(float&) = nullptr;
    void (M::*OnProcess)(float**, float**, std::int32_t) = nullptr;
    void (M::*OnProcessReplacing)(float**, float**, std::int32_t) = nullptr;
    void (M::*OnProcessDoubleReplacing)(double**, double**, std::int32_t) = nullptr;
    void (M::*OnSoftBypass)(TComponent*, bool) = nullptr;
    void (M::*OnProcessMidi)(TComponent*, const TVstMidiEvent&) = nullptr;
    void (M::*OnInConnected)(TComponent*, std::int32_t, bool) = nullptr;
    void (M::*OnOutConnected)(TComponent*, std::int32_t, bool) = nullptr;
    void (M::*OnStartProcess)(TComponent*) = nullptr;
    void (M::*OnStopProcess)(TComponent*) = nullptr;
    void (M::*OnOfflineNotify)(TComponent*, TVstAudioFile*, std::int32_t, bool) = nullptr;
    void (M::*OnOfflinePrepare)(TComponent*, TVstOfflineTask*, std::int32_t) = nullptr;
    void (M::*OnOfflineRun)(TComponent*, TVstOfflineTask*, std::int32_t) = nullptr;
    void (M::*OnProcessVarIO)(TComponent*, TVstVariableIo*) = nullptr;
    void (M::*OnSetPanLaw)(TComponent*, std::int32_t&, float&) = nullptr;
    void (M::*OnBeginLoadBank)(TComponent*, const TVstPatchChunkInfo&) = nullptr;
    void (M::*OnBeginLoadProgram)(TComponent*, const TVstPatchChunkInfo&) = nullptr;
    void (M::*OnBeginSetProgram)(TComponent*) = nullptr;
    void (M::*OnEndSetProgram)(TComponent*) = nullptr;
    void (M::*OnBeforeProgramChange)(TComponent*) = nullptr;
    void (M::*OnAfterProgramChange)(TComponent*) = nullptr;
    void (M::*OnDispatcher)(TComponent*, TDispatcherOpcode) = nullptr;
    std::int32_t (M::*OnVendorSpecific)(TComponent*, std::int32_t, std::intptr_t, void*, float) = nullptr;
    std::int32_t (M::*OnCanDo)(TComponent*, const std::string&) = nullptr;
    std::int32_t (M::*OnInputProperties)(TComponent*, std::string&, std::string&, std::int32_t&,
                                         TChannelPropertyFlags&) = nullptr;
    std::int32_t (M::*OnOutputProperties)(TComponent*, std::string&, std::string&, std::int32_t&,
                                          TChannelPropertyFlags&) = nullptr;
    bool (M::*OnCheckKey)(TComponent*, char) = nullptr;
    float (M::*OnGetChunkParameter)(TComponent*, std::int32_t) = nullptr;
};

template <class TModule>
struct TVSTModuleDeclaration
{
    TVSTModuleProperties Properties{};
    // Programs are created before parameters, so each program gets one value per parameter.
    std::span<const TVstProgramDeclaration<TModule>> Programs{};
    std::span<const TVstParameterDeclaration<TModule>> Parameters{};
    std::span<const TVstShellPluginDeclaration<TModule>> ShellPlugins{};
    TVSTModuleEvents<TModule> Events{};
};

// ---------------------------------------------------------------------------------------------------------
// The module.

class TCustomVSTModule : public TComponent
{
public:
    // [host-main] Sets the framework's defaults (no declaration loaded yet).
    explicit TCustomVSTModule(TComponent* AOwner);
    // [host-main, or editor with the editor open] Fires OnDestroy (unless BeforeDestruction ran), then frees
    // declarations, programs, the editor window and the rest.
    ~TCustomVSTModule() override;

    // [host-main, or editor with the editor open] Fires OnDestroy once. A concrete module whose OnDestroy
    // handler reads its own fields calls this first in its destructor; effClose calls it before deleting it.
    void BeforeDestruction();

    // [any] The effect record; its address never changes while the module lives.
    AEffect* Effect() { return &FEffect; }

    // [host-main] Stores the callback, asks the host's version ("AudioMaster Error" when it answers 0),
    // decides shell instantiation.
    virtual void SetAudioMaster(TAudioMasterCallbackFunc Callback);
    TAudioMasterCallbackFunc AudioMaster() const { return FAudioMaster; }

    // [any; editor opcodes: editor] The module's answer to one dispatcher call (the opcode's low 8 bits only).
    virtual VstIntPtr Dispatcher(VstInt32 Opcode, VstInt32 Index, VstIntPtr Value, void* Ptr, float Opt);

    // ----- properties
    TEffFlags Flags() const { return TEffFlags::FromBits(static_cast<std::uint32_t>(FEffect.flags)); }
    virtual void SetFlags(TEffFlags V);
    const std::string& About() const { return FAbout; }
    virtual void SetAbout(const std::string&) {} // the credit line is fixed
    const TCPU& CPU() const { return *FCPU; }
    const std::string& Version() const { return FVersion; }
    void SetVersion(const std::string& V) { FVersion = V; }
    const std::string& EffectName() const { return FEffectName; }
    virtual void SetEffectName(const std::string& V) { FEffectName = V; }
    const std::string& ProductName() const { return FProductName; }
    void SetProductName(const std::string& V) { FProductName = V; }
    const std::string& VendorName() const { return FVendorName; }
    void SetVendorName(const std::string& V) { FVendorName = V; }
    std::int32_t VersionMajor() const { return FVersionMajor; }
    std::int32_t VersionMinor() const { return FVersionMinor; }
    std::int32_t VersionRelease() const { return FVersionRelease; }
    void SetVersionMajor(std::int32_t V);
    void SetVersionMinor(std::int32_t V);
    void SetVersionRelease(std::int32_t V);
    TVstPluginCategory PlugCategory() const { return FPlugCategory; }
    void SetPlugCategory(TVstPluginCategory V) { FPlugCategory = V; }
    float Tempo() const { return FTempo; }
    std::int32_t TailSize() const { return FTailSize; }
    void SetTailSize(std::int32_t V) { FTailSize = V; }
    TVstCanDos CanDos() const { return FCanDos; }
    void SetCanDos(TVstCanDos V) { FCanDos = V; }
    float SampleRate() const { return FSampleRate.load(); } // [any]
    virtual void SetSampleRate(float V);
    std::int32_t BlockSize() const { return FBlockSize.load(); } // [any]
    virtual void SetBlockSize(std::int32_t V);
    std::int32_t numInputs() const { return FEffect.numInputs; }
    std::int32_t numOutputs() const { return FEffect.numOutputs; }
    virtual void SetNumInputs(std::int32_t V);
    virtual void SetNumOutputs(std::int32_t V);
    std::int32_t numParams() const { return FEffect.numParams; }
    std::int32_t numPrograms() const { return FEffect.numPrograms; }
    virtual void SetNumParams(std::int32_t Ignored);   // recounts the declarations
    virtual void SetNumPrograms(std::int32_t Ignored); // recounts the programs
    std::int32_t numCategories() const { return FNumCategories; }
    void SetNumCategories(std::int32_t V) { FNumCategories = V; }
    std::int32_t CurrentProgram() const { return FCurrentProgram.load(); } // [any]
    virtual void SetCurrentProgram(std::int32_t V);
    virtual std::string CurrentProgramName() const;
    virtual void SetCurrentProgramName(const std::string& V);
    TProcessingMode ProcessingMode() const { return FProcessingMode; }
    void SetProcessingMode(TProcessingMode V);
    std::int32_t BlockModeSize() const { return FBlockModeSize; }
    virtual void SetBlockModeSize(std::int32_t V);
    std::int32_t BlockModeOverlap() const { return FBlockModeOverlap; }
    virtual void SetBlockModeOverlap(std::int32_t V);
    std::int32_t InitialDelay() const { return FEffect.initialDelay; }
    virtual void SetInitialDelay(std::int32_t V);
    std::int32_t RequestedDelay() const { return FRequestedDelay; }
    bool KeysRequired() const { return FKeysRequired; }
    void SetKeysRequired(bool V);
    std::int32_t RealQualities() const { return FEffect.realQualities; }
    void SetRealQualities(std::int32_t V) { FEffect.realQualities = V; }
    std::int32_t OffQualities() const { return FEffect.offQualities; }
    void SetOffQualities(std::int32_t V) { FEffect.offQualities = V; }
    std::int32_t IORatio() const { return FEffect.ioRatio; }
    void SetIORatio(std::int32_t V) { FEffect.ioRatio = V; }
    virtual std::string UniqueID() const;
    virtual void SetUniqueID(const std::string& V); // the first 4 characters
    bool OldCreateOrder() const { return FOldCreateOrder; }

    TCustomVstParameterProperties& ParameterProperties() { return *FParameterProperties; }
    TCustomVstPrograms& Programs() { return *FPrograms; }
    TCustomVstShellPlugins& ShellPlugins() { return *FShellPlugins; }
    // Cells are read and written through std::atomic_ref<float> while other threads may write parameters.
    std::vector<float>& ParameterValues() { return FParameterValues; }
    std::int32_t ShellPluginIndex() const { return FShellPluginIndex; }

    TForm* EditorForm() const { return FEditorForm; }
    const ERect& EditorRect() const { return FEditorRect; }
    bool EditorNeedsUpdate() const { return FEditorNeedsUpdate.load(); } // [any]
    void MarkEditorForUpdate() { FEditorNeedsUpdate.store(true); }      // [any]

    // ----- parameters
    // [thread-safe] Stored real value (no range check; callers check).
    virtual float Parameter(std::int32_t Index) const;
    // [thread-safe] Stores and fires the change events; "Index out of bounds" for a bad index; a write
    // from inside a change handler on the same thread is ignored.
    virtual void SetParameter(std::int32_t Index, float Value);
    // [thread-safe] SetParameter, then audioMasterAutomate when automatable and this thread is not serving a
    // host write.
    void SetParameterAutomated(std::int32_t Index, float Value);
    float ParameterToNormalized(std::int32_t Index, float Value) const; // [any]
    float NormalizedToParameter(std::int32_t Index, float Value);       // [any] advances Smooth

    // ----- chunks
    // [host-main] Hands out the program's (isPreset) or the bank's bytes; answers their count.
    virtual std::int32_t GetChunk(void** Data, bool isPreset);
    // [host-main] Takes the program's or the bank's bytes; answers ByteSize (0 without chunk programs).
    virtual std::int32_t SetChunk(const void* Data, std::int32_t ByteSize, bool isPreset);
    TMemoryStream& BankChunk() { return *FBankChunk; }

    // ----- processing entries behind the record
    virtual void Process(float** Inputs, float** Outputs, std::int32_t SampleFrames);            // [audio]
    virtual void ProcessReplacing(float** Inputs, float** Outputs, std::int32_t SampleFrames);   // [audio]
    virtual void ProcessDoubleReplacing(double** Inputs, double** Outputs, std::int32_t SampleFrames); // [audio]
    virtual void PrepareBlockBuffers(); // [host-main]
    std::int32_t BlockPosition() const { return FBlockPosition; }

    // ----- outgoing MIDI events (flushed to the host after each process call)
    TVstEventList<2048>& MidiOutEvents() { return *FMidiOutEvents; }
    TVstMidiEvent* MidiOutEventRecord(int I) { return &FMidiEventRecords[I]; } // 0..255

    // ----- host requests; each answers the stated default when no callback is installed
    std::string HostProduct(); // cached for the module's life
    virtual std::int32_t HostVersion();
    virtual std::int32_t HostCurrentId();
    virtual void HostIdle();
    virtual bool IsInputConnected(std::int32_t Input);
    virtual bool IsOutputConnected(std::int32_t Output);
    void HostWantMidi();
    virtual VstTimeInfo* HostGetTime(std::int32_t Filter);
    virtual bool HostProcessEvents(VstEvents* Events);
    virtual void HostSetTime(std::int32_t Filter, VstTimeInfo* Info);
    virtual std::int32_t HostTempoAt(std::int32_t SamplePos);
    virtual std::int32_t HostGetNumAutomatableParameters();
    virtual std::int32_t HostGetParameterQuantization();
    virtual bool HostIOChanged();
    virtual bool HostNeedIdle();
    virtual bool HostSizeWindow(std::int32_t Width, std::int32_t Height);
    virtual float HostGetSampleRate();
    virtual std::int32_t HostGetBlockSize();
    virtual std::int32_t HostGetInputLatency();
    virtual std::int32_t HostGetOutputLatency();
    virtual AEffect* HostGetPreviousPlug(std::int32_t Input);
    virtual AEffect* HostGetNextPlug(std::int32_t Output);
    virtual std::int32_t HostWillReplaceOrAccumulate();
    virtual std::int32_t HostGetCurrentProcessLevel();
    virtual std::int32_t HostGetAutomationState();
    virtual bool HostOfflineStart(TVstAudioFile* AudioFiles, std::int32_t numAudioFiles, std::int32_t numNewAudioFiles);
    virtual bool HostOfflineRead(TVstOfflineTask* Offline, std::int32_t Option, bool ReadSource);
    virtual bool HostOfflineWrite(TVstOfflineTask* Offline, std::int32_t Option);
    virtual bool HostOfflineGetCurrentPass();
    virtual bool HostOfflineGetCurrentMetaPass();
    virtual void HostSetOutputSampleRate(float SampleRate);
    virtual VstSpeakerArrangement* HostGetInputSpeakerArrangement();
    virtual VstSpeakerArrangement* HostGetOutputSpeakerArrangement();
    virtual bool HostGetVendorString(char* Text);  // Text: at least 64 bytes
    virtual bool HostGetProductString(char* Text); // Text: at least 64 bytes
    virtual std::int32_t HostGetVendorVersion();
    virtual std::intptr_t HostVendorSpecific(std::int32_t Index, std::intptr_t Value, void* Ptr, float Opt);
    virtual std::int32_t HostCanDo(const char* Text); // 1 yes, -1 no, 0 unknown
    virtual std::int32_t HostGetLanguage();
    virtual std::intptr_t HostOpenWindow(void* Window);
    virtual bool HostCloseWindow(void* Window);
    virtual void* HostGetDirectory();
    virtual bool HostUpdateDisplay();
    virtual bool HostBeginEdit(std::int32_t Index);
    virtual bool HostEndEdit(std::int32_t Index);
    virtual bool HostOpenFileSelector(void* Selector);

    // ----- events
    TNotifyEvent OnCreate, OnDestroy, OnInitialize, OnOpen, OnClose;
    TGetEditorEvent OnEditOpen;
    TNotifyEvent OnEditClose, OnEditIdle, OnEditTop, OnEditSleep;
    TVSTKeyEvent OnEditorKeyDown, OnEditorKeyUp;
    TSetKnobModeEvent OnEditorKnobMode;
    TParameterChangeEvent OnParameterChange;
    TNotifyEvent OnParameterSizeFailed;
    TNotifyEvent OnResume, OnSuspend;
    TBlockSizeChangeEvent OnBlockSizeChange;
    TSampleRateChangeEvent OnSampleRateChange;
    TGetVUEvent OnGetVU;
    TSoftBypassEvent OnSoftBypass;
    TProcessMidiEvent OnProcessMidi;
    TInOutConnectedEvent OnInConnected, OnOutConnected;
    TNotifyEvent OnStartProcess, OnStopProcess;
    TOfflineNotifyEvent OnOfflineNotify;
    TOfflinePrepareEvent OnOfflinePrepare;
    TOfflineRunEvent OnOfflineRun;
    TProcessVarIOEvent OnProcessVarIO;
    TOnSetPanLawEvent OnSetPanLaw;
    TOnBeginLoadBankEvent OnBeginLoadBank;
    TOnBeginLoadProgramEvent OnBeginLoadProgram;
    TNotifyEvent OnBeginSetProgram, OnEndSetProgram;
    TNotifyEvent OnBeforeProgramChange, OnAfterProgramChange;
    TOnDispatcherEvent OnDispatcher;
    TOnVendorSpecificEvent OnVendorSpecific;
    TOnCanDoEvent OnCanDo;
    TOnGetChannelPropertiesEvent OnInputProperties, OnOutputProperties;
    TOnCheckKey OnCheckKey;
    TGetChunkParameterEvent OnGetChunkParameter;

    // The process events; assigning one recomputes the routes.
    const TProcessAudioEvent& OnProcess() const { return FOnProcess; }
    const TProcessAudioEvent& OnProcessReplacing() const { return FOnProcessReplacing; }
    const TProcessDoubleEvent& OnProcessDoubleReplacing() const { return FOnProcessDoubleReplacing; }
    void SetOnProcess(TProcessAudioEvent V);
    void SetOnProcessReplacing(TProcessAudioEvent V);
    void SetOnProcessDoubleReplacing(TProcessDoubleEvent V);

protected:
    // [host-main] Loads a declaration: properties through their writers, programs, parameters, shell
    // plug-ins, handlers; then each program's OnInitialize, program 0, OnInitialize and OnCreate. Called once,
    // as the last statement of the concrete module's constructor.
    template <class TModule>
    void LoadDeclaration(const TVSTModuleDeclaration<TModule>& Declaration);

    // Dispatcher pieces a descendant may override.
    virtual std::int32_t EditorOpen(void* ParentWindow);
    virtual void EditorClose();
    virtual void EditorIdle();
    virtual void Suspend();
    virtual void Resume();
    virtual void GetParameterLabel(std::int32_t Index, char* Text);
    virtual void GetParameterDisplay(std::int32_t Index, char* Text);
    virtual void GetParameterName(std::int32_t Index, char* Text);
    virtual bool ProcessEvents(VstEvents* Events);
    virtual bool CanBeAutomated(std::int32_t Index);
    virtual bool String2Parameter(std::int32_t Index, const char* Text);
    virtual bool GetProgramNameIndexed(std::int32_t Category, std::int32_t Index, char* Text);
    virtual bool GetInputProperties(std::int32_t Index, VstPinProperties* Properties);
    virtual bool GetOutputProperties(std::int32_t Index, VstPinProperties* Properties);
    virtual bool GetParameterProperties(std::int32_t Index, VstParameterProperties* Properties);
    virtual std::int32_t CanDo(const char* Text);
    virtual std::int32_t EditKey(bool Down, std::int32_t Character, std::intptr_t VirtualKey, float Modifiers);
    virtual std::int32_t ShellGetNextPlugin(char* Name);

    // [any] Sends one request through the installed callback; Answered is false without one. On a
    // window thread of the toolkit's own (see DispatcherEntry) the requests without a pointer argument
    // (automation, beginEdit, endEdit, sizeWindow, updateDisplay, ...) are queued for the host's next
    // dispatcher call and answer 0 with Answered true; the others answer 0 with Answered false.
    VstIntPtr CallAudioMaster(TAudioMasterOpcode Opcode, VstInt32 Index, VstIntPtr Value, void* Ptr, float Opt,
                              bool& Answered);
    // [any] Whether requests from this thread are queued (see CallAudioMaster).
    bool DefersHostRequests() const;

private:
    friend class TCustomVstParameterProperty;
    friend class TCustomVstProgram;

    void ApplyProperties(const TVSTModuleProperties& P);
    void FinishLoading();
    void UpdateVersion();
    void UpdateRoutes();
    void ApplyDelayRule();
    void FlushMidiOutEvents();
    void ChunkParameterDisplay(std::int32_t Index, std::string& Text);
    // [any] Sends the queued requests, in order, on the calling thread; does nothing on the own window
    // thread or while another thread sends them.
    void DeliverDeferredRequests();
    // The record's entries: dispatcher [any; editor opcodes: editor], process [audio], parameters [thread-safe]
    static VstIntPtr VSTCALL DispatcherEntry(AEffect* Effect, VstInt32 Opcode, VstInt32 Index, VstIntPtr Value,
                                             void* Ptr, float Opt);
    static void VSTCALL ProcessEntry(AEffect* Effect, float** Inputs, float** Outputs, VstInt32 SampleFrames);
    static void VSTCALL ProcessReplacingEntry(AEffect* Effect, float** Inputs, float** Outputs, VstInt32 SampleFrames);
    static void VSTCALL ProcessDoubleReplacingEntry(AEffect* Effect, double** Inputs, double** Outputs,
                                                    VstInt32 SampleFrames);
    static void VSTCALL SetParameterEntry(AEffect* Effect, VstInt32 Index, float Value);
    static float VSTCALL GetParameterEntry(AEffect* Effect, VstInt32 Index);

    // Routes and block processing
    void BlockProcess(const TProcessAudioEvent& Handler, float** Inputs, float** Outputs, std::int32_t SampleFrames);
    void CopyThrough(float** Inputs, float** Outputs, std::int32_t SampleFrames);
    void Silence(float** Outputs, std::int32_t SampleFrames);
    void CopyThroughDouble(double** Inputs, double** Outputs, std::int32_t SampleFrames);
    void SilenceDouble(double** Outputs, std::int32_t SampleFrames);
    enum class TRoute { None, Handler, Block, Copy, Mute };

    AEffect FEffect{};
    TAudioMasterCallbackFunc FAudioMaster = nullptr;
    std::unique_ptr<TCustomVstParameterProperties> FParameterProperties;
    std::unique_ptr<TCustomVstPrograms> FPrograms;
    std::unique_ptr<TCustomVstShellPlugins> FShellPlugins;
    std::unique_ptr<TCPU> FCPU;
    std::unique_ptr<TMemoryStream> FBankChunk;
    std::vector<float> FParameterValues;

    std::string FAbout, FVersion = "0.0", FEffectName, FProductName, FVendorName;
    std::int32_t FVersionMajor = 1, FVersionMinor = 0, FVersionRelease = 0;
    TVstPluginCategory FPlugCategory = vpcUnknown;
    float FTempo = 0.0f;
    std::int32_t FTailSize = 0;
    TVstCanDos FCanDos;
    std::atomic<float> FSampleRate{44100.0f};
    std::atomic<std::int32_t> FBlockSize{1024};
    std::int32_t FNumCategories = 1;
    std::atomic<std::int32_t> FCurrentProgram{-1};
    bool FKeysRequired = false;
    bool FOldCreateOrder = false;
    bool FDestroying = false;

    TProcessingMode FProcessingMode = pmNormal;
    std::int32_t FBlockModeSize = 1024, FBlockModeOverlap = 0, FBlockPosition = 0, FRequestedDelay = 0;
    std::vector<std::vector<float>> FBlockInBuffers, FBlockOutBuffers;
    std::vector<float*> FBlockInPointers, FBlockOutPointers;

    TProcessAudioEvent FOnProcess, FOnProcessReplacing;
    TProcessDoubleEvent FOnProcessDoubleReplacing;
    TRoute FActiveProcess = TRoute::None, FActiveProcessReplacing = TRoute::None;
    TRoute FActiveProcessDoubleReplacing = TRoute::None;

    TForm* FEditorForm = nullptr;
    ERect FEditorRect{};
    std::atomic<bool> FEditorNeedsUpdate{false};
    // Requests queued on a window thread of the toolkit's own, and that thread (none while the editor's
    // opcodes run on the host's own thread).
    struct TDeferredRequest
    {
        TAudioMasterOpcode Opcode;
        VstInt32 Index;
        VstIntPtr Value;
        float Opt;
    };
    std::mutex FDeferredLock;
    std::vector<TDeferredRequest> FDeferred;
    std::atomic<bool> FDeferredPending{false};
    std::atomic<std::thread::id> FOwnWindowThread{};
    std::string FHostProduct;
    std::int32_t FShellPluginIndex = 0;

    std::unique_ptr<TVstEventList<2048>> FMidiOutEvents;
    std::unique_ptr<TVstMidiEvent[]> FMidiEventRecords;
};

// Publishes the properties and events of TCustomVSTModule; concrete plug-ins derive from it.
class TVSTModule : public TCustomVSTModule
{
public:
    explicit TVSTModule(TComponent* AOwner) : TCustomVSTModule(AOwner) {}
};

// ---------------------------------------------------------------------------------------------------------
// Loading a declaration

namespace VSTModuleDetail
{
template <class TModule, class R, class... A>
void Bind(std::function<R(A...)>& Event, TModule* Module, R (TModule::*Handler)(A...))
{
    if (Handler)
        Event = [Module, Handler](A... Args) -> R { return (Module->*Handler)(std::forward<A>(Args)...); };
}
} // namespace VSTModuleDetail

template <class TModule>
void TCustomVSTModule::LoadDeclaration(const TVSTModuleDeclaration<TModule>& D)
{
    using VSTModuleDetail::Bind;
    TModule* M = static_cast<TModule*>(this);
    ApplyProperties(D.Properties);
    for (const auto& P : D.Programs)
    {
        TCustomVstProgram* Program = FPrograms->Add();
        Program->SetDisplayName(P.DisplayName ? P.DisplayName : "");
        Bind(Program->OnInitialize, M, P.OnInitialize);
        Bind(Program->OnLoadChunk, M, P.OnLoadChunk);
        Bind(Program->OnStoreChunk, M, P.OnStoreChunk);
    }
    for (const auto& P : D.Parameters)
    {
        TCustomVstParameterProperty* Item = FParameterProperties->Add();
        Item->Min = P.Min;
        Item->Max = P.Max;
        Item->CC = P.CC;
        Item->Curve = P.Curve;
        if (P.DisplayName)
            Item->SetDisplayName(P.DisplayName);
        Item->Units = P.Units ? P.Units : "";
        Item->CurveFactor = P.CurveFactor;
        Item->SmoothingFactor = P.SmoothingFactor;
        Item->CanBeAutomated = P.CanBeAutomated;
        Item->ReportVST2Properties = P.ReportVST2Properties;
        Item->StepFloat = P.StepFloat;
        Item->SmallStepFloat = P.SmallStepFloat;
        Item->LargeStepFloat = P.LargeStepFloat;
        Item->Flags = P.Flags;
        Item->MinInteger = P.MinInteger;
        Item->MaxInteger = P.MaxInteger;
        Item->StepInteger = P.StepInteger;
        Item->LargeStepInteger = P.LargeStepInteger;
        Item->SetShortLabel(P.ShortLabel ? P.ShortLabel : "");
        Bind(Item->OnParameterChange, M, P.OnParameterChange);
        Bind(Item->OnCustomParameterLabel, M, P.OnCustomParameterLabel);
        Bind(Item->OnCustomParameterDisplay, M, P.OnCustomParameterDisplay);
    }
    for (const auto& S : D.ShellPlugins)
    {
        TCustomVstShellPlugin* Item = FShellPlugins->Add();
        Item->SetDisplayName(S.DisplayName ? S.DisplayName : "");
        Item->numInputs = S.numInputs;
        Item->numOutputs = S.numOutputs;
        Item->numParams = S.numParams;
        Item->numPrograms = S.numPrograms;
        Item->PlugCategory = S.PlugCategory;
        Item->SetUniqueID(S.UniqueID ? S.UniqueID : "");
        Bind(Item->OnInstanciate, M, S.OnInstanciate);
    }
    const TVSTModuleEvents<TModule>& E = D.Events;
    Bind(OnCreate, M, E.OnCreate);
    Bind(OnDestroy, M, E.OnDestroy);
    Bind(OnInitialize, M, E.OnInitialize);
    Bind(OnOpen, M, E.OnOpen);
    Bind(OnClose, M, E.OnClose);
    Bind(OnEditOpen, M, E.OnEditOpen);
    Bind(OnEditClose, M, E.OnEditClose);
    Bind(OnEditIdle, M, E.OnEditIdle);
    Bind(OnEditTop, M, E.OnEditTop);
    Bind(OnEditSleep, M, E.OnEditSleep);
    Bind(OnEditorKeyDown, M, E.OnEditorKeyDown);
    Bind(OnEditorKeyUp, M, E.OnEditorKeyUp);
    Bind(OnEditorKnobMode, M, E.OnEditorKnobMode);
    Bind(OnParameterChange, M, E.OnParameterChange);
    Bind(OnParameterSizeFailed, M, E.OnParameterSizeFailed);
    Bind(OnResume, M, E.OnResume);
    Bind(OnSuspend, M, E.OnSuspend);
    Bind(OnBlockSizeChange, M, E.OnBlockSizeChange);
    Bind(OnSampleRateChange, M, E.OnSampleRateChange);
    Bind(OnGetVU, M, E.OnGetVU);
    Bind(OnSoftBypass, M, E.OnSoftBypass);
    Bind(OnProcessMidi, M, E.OnProcessMidi);
    Bind(OnInConnected, M, E.OnInConnected);
    Bind(OnOutConnected, M, E.OnOutConnected);
    Bind(OnStartProcess, M, E.OnStartProcess);
    Bind(OnStopProcess, M, E.OnStopProcess);
    Bind(OnOfflineNotify, M, E.OnOfflineNotify);
    Bind(OnOfflinePrepare, M, E.OnOfflinePrepare);
    Bind(OnOfflineRun, M, E.OnOfflineRun);
    Bind(OnProcessVarIO, M, E.OnProcessVarIO);
    Bind(OnSetPanLaw, M, E.OnSetPanLaw);
    Bind(OnBeginLoadBank, M, E.OnBeginLoadBank);
    Bind(OnBeginLoadProgram, M, E.OnBeginLoadProgram);
    Bind(OnBeginSetProgram, M, E.OnBeginSetProgram);
    Bind(OnEndSetProgram, M, E.OnEndSetProgram);
    Bind(OnBeforeProgramChange, M, E.OnBeforeProgramChange);
    Bind(OnAfterProgramChange, M, E.OnAfterProgramChange);
    Bind(OnDispatcher, M, E.OnDispatcher);
    Bind(OnVendorSpecific, M, E.OnVendorSpecific);
    Bind(OnCanDo, M, E.OnCanDo);
    Bind(OnInputProperties, M, E.OnInputProperties);
    Bind(OnOutputProperties, M, E.OnOutputProperties);
    Bind(OnCheckKey, M, E.OnCheckKey);
    Bind(OnGetChunkParameter, M, E.OnGetChunkParameter);
    TProcessAudioEvent Handler;
    Bind(Handler, M, E.OnProcess);
    if (Handler)
        SetOnProcess(std::move(Handler));
    Handler = nullptr;
    Bind(Handler, M, E.OnProcessReplacing);
    if (Handler)
        SetOnProcessReplacing(std::move(Handler));
    TProcessDoubleEvent DoubleHandler;
    Bind(DoubleHandler, M, E.OnProcessDoubleReplacing);
    if (DoubleHandler)
        SetOnProcessDoubleReplacing(std::move(DoubleHandler));
    FinishLoading();
}

// ---------------------------------------------------------------------------------------------------------
// Plug-in library entry: creates a TModule without owner, installs the host's callback and answers the
// module's effect record (null when the module cannot be created or the host does not answer its version).
template <class TModule>
AEffect* CreateVSTPlugin(TAudioMasterCallbackFunc AudioMaster) // [host-main]
{
    TModule* Module = nullptr;
    try
    {
        Module = new TModule(nullptr);
        Module->SetAudioMaster(AudioMaster);
        return Module->Effect();
    }
    catch (...)
    {
        delete Module;
        return nullptr;
    }
}

#if defined(_WIN32)
#define MARVO_VST_EXPORT extern "C" __declspec(dllexport)
#if defined(_WIN64)
#define MARVO_VST_MAIN_SYMBOL "main"
#else
#define MARVO_VST_MAIN_SYMBOL "_main"
#endif
// "main" cannot be declared dllexport under its own name; the linker directive exports it.
#define MARVO_VST_EXPORT_MAIN extern "C"
#define MARVO_VST_MAIN_DIRECTIVE __asm__(".section .drectve\n\t.ascii \" -export:main\"\n\t.text");
#else
#define MARVO_VST_EXPORT extern "C" __attribute__((visibility("default")))
#define MARVO_VST_EXPORT_MAIN MARVO_VST_EXPORT
#define MARVO_VST_MAIN_SYMBOL "main"
#define MARVO_VST_MAIN_DIRECTIVE
#endif

// Exports VSTPluginMain and main from a plug-in library, both answering a new TModule's effect record.
#define MARVO_EXPORT_VST_PLUGIN(TModule)                                                                    \
    MARVO_VST_EXPORT AEffect* VSTCALL VSTPluginMain(TAudioMasterCallbackFunc AudioMaster)                   \
    {                                                                                                       \
        return CreateVSTPlugin<TModule>(AudioMaster);                                                       \
    }                                                                                                       \
    MARVO_VST_EXPORT_MAIN AEffect* VSTCALL VSTPluginMainLegacy(TAudioMasterCallbackFunc AudioMaster)        \
        __asm__(MARVO_VST_MAIN_SYMBOL);                                                                     \
    MARVO_VST_EXPORT_MAIN AEffect* VSTCALL VSTPluginMainLegacy(TAudioMasterCallbackFunc AudioMaster)        \
    {                                                                                                       \
        return CreateVSTPlugin<TModule>(AudioMaster);                                                       \
    }                                                                                                       \
    MARVO_VST_MAIN_DIRECTIVE
