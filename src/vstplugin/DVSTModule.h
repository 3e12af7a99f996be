#pragma once
// The plug-in side of VST 2, as a plug-in author reads it. TCustomVSTModule owns an AEffect record and answers
// the host through it; a concrete plug-in derives from TVSTModule and only lists declarations (module
// properties, programs, parameters, shell plug-ins, handlers) in static tables that the framework loads at
// construction (DVSTModuleDeclaration.h, with an example); the library exports it with
// MARVO_EXPORT_VST_PLUGIN (DVSTModuleExport.h).
//
//     class TMyModule : public TVSTModule
//     {
//     public:
//         explicit TMyModule(TComponent* AOwner) : TVSTModule(AOwner) { LoadDeclaration(Declaration); }
//         void GainChange(TComponent* Sender, std::int32_t Index, float& Value);
//         static const TVSTModuleDeclaration<TMyModule> Declaration;
//     };
//
// Threads: the module takes no locks on the processing path. The processing entries are [audio];
// setParameter, getParameter and the parameter operations are [thread-safe], also on two host threads at
// once (a host's editor on its UI thread while its automation writes on [audio]): the value cells, the
// smoothing state, the sample rate and block size and the editor's update flag are atomic, and the
// re-entrancy guards hold per thread. The rest is [host-main] (the player sets block size and rate on
// [audio]), the editor's opcodes [editor]. Requests the editor sends from our own X11 window thread (foreign
// host) are queued and sent on the host's next dispatcher call, so the editor never waits on a waiting host.
// An event fires on the thread of the operation that fires it; its tag below says which that is.
//
// Behind this header: DVSTModuleEntries.cpp (the six entries of the record), DVSTModuleDispatcher.cpp (the
// host's opcodes, host to plug-in), DVSTModuleHostRequests.cpp (plug-in to host), DVSTModuleParameters.cpp,
// DVSTModulePrograms.cpp (programs and chunks), DVSTModuleProcessing.cpp (routes and block mode),
// DVSTModule.cpp (construction and properties), DVSTModuleDeclaration.cpp (loading), DVSTModuleItems.cpp.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Component.h"
#include "platform/EditorWindow.h"
#include "vstplugin/DVSTEffect.h"
#include "vstplugin/DVSTModuleDeclaration.h"
#include "vstplugin/DVSTModuleItems.h"

class TCPU; // vstplugin/DVSTModuleCPU.h

// ---------------------------------------------------------------------------------------------------------
// Event types of the module. Sender is the module; reference arguments are in-out.

using TGetEditorEvent = std::function<void(TComponent* Sender, TEditorWindow*& GUI)>;
using TVSTKeyEvent = std::function<void(TComponent* Sender, TVstKeyCode& KeyCode)>;
using TSetKnobModeEvent = std::function<void(TComponent* Sender, std::int32_t Val)>;
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

    // ----- properties: read [any], written [host-main] (at construction, through the declaration) unless marked
    TEffFlags Flags() const { return TEffFlags::FromBits(static_cast<std::uint32_t>(FEffect.flags)); }
    virtual void SetFlags(TEffFlags V);
    const std::string& About() const { return FAbout; }
    virtual void SetAbout(const std::string&) {} // the credit line is fixed
    const TCPU& CPU() const;                     // identified once, at construction
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
    void SetVersionMajor(std::int32_t V); // each of the three recomputes AEffect.version
    void SetVersionMinor(std::int32_t V);
    void SetVersionRelease(std::int32_t V);
    TVstPluginCategory PlugCategory() const { return FPlugCategory; }
    void SetPlugCategory(TVstPluginCategory V) { FPlugCategory = V; }
    float Tempo() const { return FTempo; }
    std::int32_t TailSize() const { return FTailSize; }
    void SetTailSize(std::int32_t V) { FTailSize = V; }
    TVstCanDos CanDos() const { return FCanDos; }
    void SetCanDos(TVstCanDos V) { FCanDos = V; }
    float SampleRate() const { return FSampleRate.load(); }
    // [any, audio in the player] A different rate is stored and fires OnSampleRateChange; an equal one does nothing.
    virtual void SetSampleRate(float V);
    std::int32_t BlockSize() const { return FBlockSize.load(); }
    // [any, audio in the player] As SetSampleRate, with OnBlockSizeChange.
    virtual void SetBlockSize(std::int32_t V);
    std::int32_t numInputs() const { return FEffect.numInputs; }
    std::int32_t numOutputs() const { return FEffect.numOutputs; }
    virtual void SetNumInputs(std::int32_t V);  // prepares the block buffers, sends audioMasterIOChanged
    virtual void SetNumOutputs(std::int32_t V); // likewise
    std::int32_t numParams() const { return FEffect.numParams; }
    std::int32_t numPrograms() const { return FEffect.numPrograms; }
    virtual void SetNumParams(std::int32_t Ignored);   // recounts the declarations
    virtual void SetNumPrograms(std::int32_t Ignored); // recounts the programs
    std::int32_t numCategories() const { return FNumCategories; }
    void SetNumCategories(std::int32_t V) { FNumCategories = V; }
    std::int32_t CurrentProgram() const { return FCurrentProgram.load(); }
    virtual void SetCurrentProgram(std::int32_t V); // the program switch
    virtual std::string CurrentProgramName() const;
    virtual void SetCurrentProgramName(const std::string& V);
    TProcessingMode ProcessingMode() const { return FProcessingMode; }
    void SetProcessingMode(TProcessingMode V); // recomputes the routes
    std::int32_t BlockModeSize() const { return FBlockModeSize; }
    virtual void SetBlockModeSize(std::int32_t V);
    std::int32_t BlockModeOverlap() const { return FBlockModeOverlap; }
    virtual void SetBlockModeOverlap(std::int32_t V);
    std::int32_t InitialDelay() const { return FEffect.initialDelay; }
    virtual void SetInitialDelay(std::int32_t V); // the latency reported to the host
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

    // [host-main] The collections the declaration filled.
    TCustomVstParameterProperties& ParameterProperties() { return *FParameterProperties; }
    TCustomVstPrograms& Programs() { return *FPrograms; }
    TCustomVstShellPlugins& ShellPlugins() { return *FShellPlugins; }
    // [any] Cells are read and written through std::atomic_ref<float> while other threads may write parameters.
    std::vector<float>& ParameterValues() { return FParameterValues; }
    std::int32_t ShellPluginIndex() const { return FShellPluginIndex; }

    TEditorWindow* EditorForm() const { return FEditorForm; } // [editor]
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
    // [host-main] The last bank GetChunk handed out; it stays until the next bank request.
    const std::vector<std::uint8_t>& BankChunk() const { return FBankChunk; }

    // ----- processing behind the record's entries
    virtual void Process(float** Inputs, float** Outputs, std::int32_t SampleFrames);            // [audio]
    virtual void ProcessReplacing(float** Inputs, float** Outputs, std::int32_t SampleFrames);   // [audio]
    virtual void ProcessDoubleReplacing(double** Inputs, double** Outputs, std::int32_t SampleFrames); // [audio]
    virtual void PrepareBlockBuffers(); // [host-main]
    std::int32_t BlockPosition() const { return FBlockPosition; }

    // ----- outgoing MIDI events (flushed to the host after each process call) [audio]
    TVstEventList<2048>& MidiOutEvents() { return *FMidiOutEvents; }
    TVstMidiEvent* MidiOutEventRecord(int I) { return &FMidiEventRecords[I]; } // 0..255

    // ----- host requests (plug-in to host); each answers the stated default when no callback is installed.
    // On our own X11 window thread the requests without a pointer argument are queued (CallAudioMaster).
    std::string HostProduct(); // [host-main] cached for the module's life
    virtual std::int32_t HostVersion();                   // [any] 1 when the host answers 0
    virtual std::int32_t HostCurrentId();                 // [any]
    virtual void HostIdle();                              // [host-main, editor]
    virtual bool IsInputConnected(std::int32_t Input);    // [any] true when the host answers 0
    virtual bool IsOutputConnected(std::int32_t Output);  // [any] likewise
    void HostWantMidi();                                  // [host-main, editor]
    virtual VstTimeInfo* HostGetTime(std::int32_t Filter); // [any]
    virtual bool HostProcessEvents(VstEvents* Events);    // [audio]
    virtual void HostSetTime(std::int32_t Filter, VstTimeInfo* Info); // [any]
    virtual std::int32_t HostTempoAt(std::int32_t SamplePos);         // [any]
    virtual std::int32_t HostGetNumAutomatableParameters();           // [any]
    virtual std::int32_t HostGetParameterQuantization();              // [any]
    virtual bool HostIOChanged();                                     // [host-main, editor]
    virtual bool HostNeedIdle();                                      // [host-main, editor]
    // [host-main, editor] Queued (see above), the request reaches the host only at its next call, so its
    // answer cannot come back: a queued request answers true.
    virtual bool HostSizeWindow(std::int32_t Width, std::int32_t Height);
    // [host-main, editor] An answer above 0 is stored and fires the change event even when unchanged;
    // answers the stored value.
    virtual float HostGetSampleRate();
    virtual std::int32_t HostGetBlockSize();
    virtual std::int32_t HostGetInputLatency();                      // [any]
    virtual std::int32_t HostGetOutputLatency();                     // [any]
    virtual AEffect* HostGetPreviousPlug(std::int32_t Input);        // [any]
    virtual AEffect* HostGetNextPlug(std::int32_t Output);           // [any]
    virtual std::int32_t HostWillReplaceOrAccumulate();              // [any]
    virtual std::int32_t HostGetCurrentProcessLevel();               // [any]
    virtual std::int32_t HostGetAutomationState();                   // [any]
    // [host-main, editor] from here to the end of the list, unless marked
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
    virtual std::intptr_t HostVendorSpecific(std::int32_t Index, std::intptr_t Value, void* Ptr, float Opt); // [any]
    virtual std::int32_t HostCanDo(const char* Text); // 1 yes, -1 no, 0 unknown
    virtual std::int32_t HostGetLanguage();
    virtual std::intptr_t HostOpenWindow(void* Window);
    virtual bool HostCloseWindow(void* Window);
    virtual void* HostGetDirectory();
    virtual bool HostUpdateDisplay();
    virtual bool HostBeginEdit(std::int32_t Index);
    virtual bool HostEndEdit(std::int32_t Index);
    virtual bool HostOpenFileSelector(void* Selector); // nothing is sent for a null selector

    // ----- events, each fired on the thread of what fires it
    TNotifyEvent OnCreate, OnInitialize; // [host-main] at construction
    TNotifyEvent OnDestroy;              // [host-main, or editor with the editor open]
    TNotifyEvent OnOpen, OnClose;        // [host-main]; effClose on [editor] with the editor open
    TGetEditorEvent OnEditOpen;                     // [editor] the handler creates the editor window
    TNotifyEvent OnEditClose, OnEditIdle, OnEditTop, OnEditSleep; // [editor]
    TVSTKeyEvent OnEditorKeyDown, OnEditorKeyUp;                  // [editor]
    TSetKnobModeEvent OnEditorKnobMode;                           // [host-main]
    TParameterChangeEvent OnParameterChange;                      // [thread-safe] after every parameter write
    TNotifyEvent OnParameterSizeFailed;                           // [thread-safe] the host's setParameter
    TNotifyEvent OnResume, OnSuspend;                             // [host-main]
    TBlockSizeChangeEvent OnBlockSizeChange;                      // [any, audio in the player]
    TSampleRateChangeEvent OnSampleRateChange;                    // [any, audio in the player]
    TGetVUEvent OnGetVU;                                          // [host-main]
    TSoftBypassEvent OnSoftBypass;                                // [host-main]
    TProcessMidiEvent OnProcessMidi;                              // [audio] once per MIDI event
    TInOutConnectedEvent OnInConnected, OnOutConnected;           // [host-main]
    TNotifyEvent OnStartProcess, OnStopProcess;                   // [host-main]
    // [host-main] from here to OnAfterProgramChange
    TOfflineNotifyEvent OnOfflineNotify;
    TOfflinePrepareEvent OnOfflinePrepare;
    TOfflineRunEvent OnOfflineRun;
    TProcessVarIOEvent OnProcessVarIO;
    TOnSetPanLawEvent OnSetPanLaw;
    TOnBeginLoadBankEvent OnBeginLoadBank;
    TOnBeginLoadProgramEvent OnBeginLoadProgram;
    TNotifyEvent OnBeginSetProgram, OnEndSetProgram;
    TNotifyEvent OnBeforeProgramChange, OnAfterProgramChange; // around a program switch
    TOnDispatcherEvent OnDispatcher;                          // [any; editor opcodes: editor] before every opcode
    TOnVendorSpecificEvent OnVendorSpecific;                  // [host-main]
    TOnCanDoEvent OnCanDo;                                    // [host-main]
    TOnGetChannelPropertiesEvent OnInputProperties, OnOutputProperties; // [host-main]
    TOnCheckKey OnCheckKey;                                   // [editor] after a forwarded key
    TGetChunkParameterEvent OnGetChunkParameter;              // [thread-safe] values under effFlagsProgramChunks

    // [host-main] The process events; assigning one recomputes the routes. They run on [audio].
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
    void LoadDeclaration(const TVSTModuleDeclaration<TModule>& Declaration)
    {
        ApplyProperties(Declaration.Properties);
        VSTModuleDetail::BindDeclaration(static_cast<TModule&>(*this), Declaration);
        FinishLoading();
    }

    // Dispatcher pieces a descendant may override: [host-main] unless marked.
    virtual std::int32_t EditorOpen(void* ParentWindow); // [editor]
    virtual void EditorClose();                          // [editor]
    virtual void EditorIdle();                           // [editor]
    virtual void Suspend();
    virtual void Resume();
    virtual void GetParameterLabel(std::int32_t Index, char* Text);
    virtual void GetParameterDisplay(std::int32_t Index, char* Text);
    virtual void GetParameterName(std::int32_t Index, char* Text);
    virtual bool ProcessEvents(VstEvents* Events); // [audio]
    virtual bool CanBeAutomated(std::int32_t Index);
    virtual bool String2Parameter(std::int32_t Index, const char* Text);
    virtual bool GetProgramNameIndexed(std::int32_t Category, std::int32_t Index, char* Text);
    virtual bool GetInputProperties(std::int32_t Index, VstPinProperties* Properties);
    virtual bool GetOutputProperties(std::int32_t Index, VstPinProperties* Properties);
    virtual bool GetParameterProperties(std::int32_t Index, VstParameterProperties* Properties);
    virtual std::int32_t CanDo(const char* Text);
    // [editor]
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

    // [host-main]
    void ApplyProperties(const TVSTModuleProperties& P); // DVSTModuleDeclaration.cpp
    void FinishLoading();                                // likewise
    void UpdateVersion();
    void UpdateRoutes();
    void ApplyDelayRule();
    void FlushMidiOutEvents(); // [audio]
    // [any] CallAudioMaster for a request whose caller does not ask whether it was answered.
    VstIntPtr SendToHost(TAudioMasterOpcode Opcode, VstInt32 Index = 0, VstIntPtr Value = 0, void* Ptr = nullptr,
                         float Opt = 0.0f);
    // [any] Sends the queued requests, in order, on the calling thread; does nothing on the own window
    // thread or while another thread sends them.
    void DeliverDeferredRequests();
    // [thread-safe] The host's setParameter behind its entry: a normalised value, re-entry on the same thread
    // ignored.
    void SetParameterFromHost(std::int32_t Index, float Value);
    // The record's entries (DVSTModuleEntries.cpp): dispatcher [any; editor opcodes: editor], process [audio],
    // parameters [thread-safe]
    static VstIntPtr VSTCALL DispatcherEntry(AEffect* Effect, VstInt32 Opcode, VstInt32 Index, VstIntPtr Value,
                                             void* Ptr, float Opt);
    static void VSTCALL ProcessEntry(AEffect* Effect, float** Inputs, float** Outputs, VstInt32 SampleFrames);
    static void VSTCALL ProcessReplacingEntry(AEffect* Effect, float** Inputs, float** Outputs, VstInt32 SampleFrames);
    static void VSTCALL ProcessDoubleReplacingEntry(AEffect* Effect, double** Inputs, double** Outputs,
                                                    VstInt32 SampleFrames);
    static void VSTCALL SetParameterEntry(AEffect* Effect, VstInt32 Index, float Value);
    static float VSTCALL GetParameterEntry(AEffect* Effect, VstInt32 Index);

    // Routes and block processing [audio]
    enum class TRoute { None, Handler, Block, Copy, Mute };
    template <class TSample>
    void RunRoute(TRoute Route, const std::function<void(TSample**, TSample**, std::int32_t)>& Handler,
                  TSample** Inputs, TSample** Outputs, std::int32_t SampleFrames);
    void BlockProcess(const TProcessAudioEvent& Handler, float** Inputs, float** Outputs, std::int32_t SampleFrames);
    template <class TSample>
    void CopyThrough(TSample** Inputs, TSample** Outputs, std::int32_t SampleFrames);
    template <class TSample>
    void Silence(TSample** Outputs, std::int32_t SampleFrames);

    AEffect FEffect{};
    TAudioMasterCallbackFunc FAudioMaster = nullptr;
    std::unique_ptr<TCustomVstParameterProperties> FParameterProperties;
    std::unique_ptr<TCustomVstPrograms> FPrograms;
    std::unique_ptr<TCustomVstShellPlugins> FShellPlugins;
    std::unique_ptr<TCPU> FCPU;
    std::vector<std::uint8_t> FBankChunk;
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

    TEditorWindow* FEditorForm = nullptr;
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
