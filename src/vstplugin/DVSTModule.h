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
// [audio]), the editor's opcodes [editor]. An event fires on the thread of the operation that fires it.
//
// The requests the module sends to its host (plug-in to host) are in DVSTModuleHostRequests.h; the events in
// DVSTModuleEvents.h.
//
// Behind this header: DVSTModuleEntries.cpp (the six entries of the record), DVSTModuleDispatcher.cpp (the
// host's opcodes, host to plug-in), DVSTModuleEditor.cpp (the editor window and its keys),
// DVSTModuleHostRequests.cpp (plug-in to host), DVSTModuleParameters.cpp,
// DVSTModulePrograms.cpp (programs and chunks), DVSTModuleProcessing.cpp (routes and block mode),
// DVSTModule.cpp (construction and properties), DVSTModuleDeclaration.cpp (loading), DVSTModuleItems.cpp.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Component.h"
#include "platform/EditorWindow.h"
#include "vstplugin/DVSTEffect.h"
#include "vstplugin/DVSTModuleDeclaration.h"
#include "vstplugin/DVSTModuleEvents.h"
#include "vstplugin/DVSTModuleHostRequests.h"
#include "vstplugin/DVSTModuleItems.h"

class TCPU; // vstplugin/DVSTModuleCPU.h

// The module's event members: a public std::function per event; a routed one is private, read through Name()
// and assigned through SetName.
#define MARVO_MODULE_EVENT_MEMBER(Name, Event) Event Name;
#define MARVO_MODULE_ROUTED_EVENT_ACCESS(Name, Event)                                                           \
    const Event& Name() const { return F##Name; } /* [host-main] */                                             \
    void Set##Name(Event V);                     /* [host-main] recomputes the routes */
#define MARVO_MODULE_ROUTED_EVENT_FIELD(Name, Event) Event F##Name;
#define MARVO_IGNORE_MODULE_EVENT(Name, Event)

// ---------------------------------------------------------------------------------------------------------
// The module.

class TCustomVSTModule : public TComponent, public TVSTModuleHostRequests
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

    // [any; editor opcodes: editor] The module's answer to one dispatcher call (the opcode's low 8 bits only).
    virtual VstIntPtr Dispatcher(VstInt32 Opcode, VstInt32 Index, VstIntPtr Value, void* Ptr, float Opt);

    // ----- properties. Those set only while the declaration loads are read on any thread afterwards.
    TEffFlags Flags() const { return TEffFlags::FromBits(static_cast<std::uint32_t>(FEffect.flags)); } // [any]
    virtual void SetFlags(TEffFlags V);                         // [host-main]
    const std::string& About() const { return FAbout; }         // [any]
    virtual void SetAbout(const std::string&) {}                // [any] the credit line is fixed
    const TCPU& CPU() const;                                    // [any] identified once, at construction
    const std::string& Version() const { return FVersion; }     // [any]
    void SetVersion(const std::string& V) { FVersion = V; }     // [host-main]
    const std::string& EffectName() const { return FEffectName; } // [any]
    virtual void SetEffectName(const std::string& V) { FEffectName = V; } // [host-main]
    const std::string& ProductName() const { return FProductName; }       // [any]
    void SetProductName(const std::string& V) { FProductName = V; }       // [host-main]
    const std::string& VendorName() const { return FVendorName; }         // [any]
    void SetVendorName(const std::string& V) { FVendorName = V; }         // [host-main]
    std::int32_t VersionMajor() const { return FVersionMajor; }           // [any]
    std::int32_t VersionMinor() const { return FVersionMinor; }           // [any]
    std::int32_t VersionRelease() const { return FVersionRelease; }       // [any]
    void SetVersionMajor(std::int32_t V);   // [host-main] recomputes AEffect.version
    void SetVersionMinor(std::int32_t V);   // [host-main] likewise
    void SetVersionRelease(std::int32_t V); // [host-main] likewise
    TVstPluginCategory PlugCategory() const { return FPlugCategory; }     // [any]
    void SetPlugCategory(TVstPluginCategory V) { FPlugCategory = V; }     // [host-main]
    float Tempo() const { return FTempo; }                                // [any]
    std::int32_t TailSize() const { return FTailSize; }                   // [any]
    void SetTailSize(std::int32_t V) { FTailSize = V; }                   // [host-main]
    TVstCanDos CanDos() const { return FCanDos; }                         // [any]
    void SetCanDos(TVstCanDos V) { FCanDos = V; }                         // [host-main]
    float SampleRate() const { return FSampleRate.load(); }               // [any]
    // [any, audio in the player] A different rate is stored and fires OnSampleRateChange; an equal one does nothing.
    virtual void SetSampleRate(float V);
    std::int32_t BlockSize() const { return FBlockSize.load(); } // [any]
    // [any, audio in the player] As SetSampleRate, with OnBlockSizeChange.
    virtual void SetBlockSize(std::int32_t V);
    std::int32_t numInputs() const { return FEffect.numInputs; }   // [any]
    std::int32_t numOutputs() const { return FEffect.numOutputs; } // [any]
    virtual void SetNumInputs(std::int32_t V);  // [host-main] prepares the block buffers, sends audioMasterIOChanged
    virtual void SetNumOutputs(std::int32_t V); // [host-main] likewise
    std::int32_t numParams() const { return FEffect.numParams; }     // [any]
    std::int32_t numPrograms() const { return FEffect.numPrograms; } // [any]
    virtual void SetNumParams(std::int32_t Ignored);   // [host-main] recounts the declarations
    virtual void SetNumPrograms(std::int32_t Ignored); // [host-main] recounts the programs
    std::int32_t numCategories() const { return FNumCategories; }    // [any]
    void SetNumCategories(std::int32_t V) { FNumCategories = V; }    // [host-main]
    std::int32_t CurrentProgram() const { return FCurrentProgram.load(); } // [any]
    virtual void SetCurrentProgram(std::int32_t V);                        // [host-main] the program switch
    // [any] The current program's name, read whole while the host may rename it; empty without a program.
    virtual std::string CurrentProgramName() const;
    virtual void SetCurrentProgramName(const std::string& V); // [host-main]
    TProcessingMode ProcessingMode() const { return FProcessingMode; } // [any]
    void SetProcessingMode(TProcessingMode V);                         // [host-main] recomputes the routes
    std::int32_t BlockModeSize() const { return FBlockModeSize; }      // [any]
    virtual void SetBlockModeSize(std::int32_t V);                     // [host-main]
    std::int32_t BlockModeOverlap() const { return FBlockModeOverlap; } // [any]
    virtual void SetBlockModeOverlap(std::int32_t V);                   // [host-main]
    std::int32_t InitialDelay() const { return FEffect.initialDelay; }  // [any]
    virtual void SetInitialDelay(std::int32_t V); // [host-main] the latency reported to the host
    std::int32_t RequestedDelay() const { return FRequestedDelay; }             // [any]
    bool KeysRequired() const { return FKeysRequired; }                         // [any]
    void SetKeysRequired(bool V);                                               // [host-main]
    std::int32_t RealQualities() const { return FEffect.realQualities; }        // [any]
    void SetRealQualities(std::int32_t V) { FEffect.realQualities = V; }        // [host-main]
    std::int32_t OffQualities() const { return FEffect.offQualities; }          // [any]
    void SetOffQualities(std::int32_t V) { FEffect.offQualities = V; }          // [host-main]
    std::int32_t IORatio() const { return FEffect.ioRatio; }                    // [any]
    void SetIORatio(std::int32_t V) { FEffect.ioRatio = V; }                    // [host-main]
    virtual std::string UniqueID() const;                                       // [any]
    virtual void SetUniqueID(const std::string& V); // [host-main] the first 4 characters
    bool OldCreateOrder() const { return FOldCreateOrder; }                     // [any]

    TCustomVstParameterProperties& ParameterProperties() { return *FParameterProperties; } // [any] filled at load
    TCustomVstPrograms& Programs() { return *FPrograms; }                                  // [any] likewise
    TCustomVstShellPlugins& ShellPlugins() { return *FShellPlugins; }                      // [any] likewise
    // [any] Cells are read and written through std::atomic_ref<float> while other threads may write parameters.
    std::vector<float>& ParameterValues() { return FParameterValues; }
    std::int32_t ShellPluginIndex() const { return FShellPluginIndex; } // [host-main]

    // [any] The open editor window (null while none is open); only the editor's thread uses the window.
    TEditorWindow* EditorForm() const { return FEditorForm.load(); }
    const ERect& EditorRect() const { return FEditorRect; }              // [editor]
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
    // [any] while no one renames the parameter: everything known of parameter Index, from its declaration
    // (DVSTParameterDescription.h); "Index out of bounds" outside the declarations.
    TVstParameterDescription ParameterDescription(std::int32_t Index) const;

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
    std::int32_t BlockPosition() const { return FBlockPosition; } // [audio]

    // ----- outgoing MIDI events, flushed to the host after each process call
    TVstEventList<2048>& MidiOutEvents() { return *FMidiOutEvents; }                // [audio]
    TVstMidiEvent* MidiOutEventRecord(int I) { return &FMidiEventRecords[I]; } // [audio] 0..255

    // ----- the host requests that change the module's own state (the others: DVSTModuleHostRequests.h)
    // [host-main, editor] An answer above 0 is stored and fires the change event even when unchanged;
    // answers the stored value.
    virtual float HostGetSampleRate();
    virtual std::int32_t HostGetBlockSize(); // [host-main, editor] likewise

    // ----- events (DVSTModuleEvents.h lists them with the thread each fires on)
    MARVO_VST_MODULE_EVENTS(MARVO_MODULE_EVENT_MEMBER, MARVO_MODULE_ROUTED_EVENT_ACCESS)

protected:
    // [host-main] Loads a declaration: properties through their writers, programs, parameters, shell
    // plug-ins, handlers; then each program's OnInitialize, program 0, OnInitialize and OnCreate. Called once,
    // as the last statement of the concrete module's constructor.
    template <class TModule>
    void LoadDeclaration(const TVSTModuleDeclaration<TModule>& Declaration)
    {
        ApplyProperties(Declaration.Properties);
        VSTModuleDetail::BindItems(static_cast<TModule&>(*this), Declaration);
        VSTModuleDetail::BindEvents(static_cast<TModule&>(*this), Declaration.Events);
        FinishLoading();
    }

    // Dispatcher pieces a descendant may override.
    virtual std::int32_t EditorOpen(void* ParentWindow);                   // [editor]
    virtual void EditorClose();                                            // [editor]
    virtual void EditorIdle();                                             // [editor]
    virtual void Suspend();                                                // [host-main]
    virtual void Resume();                                                 // [host-main]
    virtual void GetParameterLabel(std::int32_t Index, char* Text);        // [host-main]
    virtual void GetParameterDisplay(std::int32_t Index, char* Text);      // [host-main]
    virtual void GetParameterName(std::int32_t Index, char* Text);         // [host-main]
    virtual bool ProcessEvents(VstEvents* Events);                         // [audio]
    virtual bool CanBeAutomated(std::int32_t Index);                       // [host-main]
    virtual bool String2Parameter(std::int32_t Index, const char* Text);   // [host-main]
    virtual bool GetProgramNameIndexed(std::int32_t Category, std::int32_t Index, char* Text); // [host-main]
    virtual bool GetInputProperties(std::int32_t Index, VstPinProperties* Properties);         // [host-main]
    virtual bool GetOutputProperties(std::int32_t Index, VstPinProperties* Properties);        // [host-main]
    virtual bool GetParameterProperties(std::int32_t Index, VstParameterProperties* Properties); // [host-main]
    virtual std::int32_t CanDo(const char* Text);                                                // [host-main]
    // [editor]
    virtual std::int32_t EditKey(bool Down, std::int32_t Character, std::intptr_t VirtualKey, float Modifiers);
    virtual std::int32_t ShellGetNextPlugin(char* Name); // [host-main]

private:
    friend class TCustomVstParameterProperty;
    friend class TCustomVstProgram;

    // The dispatcher's opcode handlers (DVSTModuleDispatcher.cpp).
    struct TDispatch;

    void ApplyProperties(const TVSTModuleProperties& P); // [host-main] DVSTModuleDeclaration.cpp
    void FinishLoading();                                // [host-main] likewise
    void UpdateVersion();                                // [host-main]
    void UpdateRoutes();                                 // [host-main]
    void ApplyDelayRule();                               // [host-main]
    void FlushMidiOutEvents();                           // [audio]
    // [any] effVendorSpecific kVstRequestParameterDescription (DVSTParameterDescription.h).
    VstIntPtr AnswerParameterDescription(VstIntPtr Value, void* Ptr) const;
    // [thread-safe] The host's setParameter behind its entry: a normalised value, re-entry on the same thread
    // ignored.
    void SetParameterFromHost(std::int32_t Index, float Value);
    // The record's entries (DVSTModuleEntries.cpp).
    // [any; editor opcodes: editor]
    static VstIntPtr VSTCALL DispatcherEntry(AEffect* Effect, VstInt32 Opcode, VstInt32 Index, VstIntPtr Value,
                                             void* Ptr, float Opt);
    // [audio]
    static void VSTCALL ProcessEntry(AEffect* Effect, float** Inputs, float** Outputs, VstInt32 SampleFrames);
    // [audio]
    static void VSTCALL ProcessReplacingEntry(AEffect* Effect, float** Inputs, float** Outputs, VstInt32 SampleFrames);
    // [audio]
    static void VSTCALL ProcessDoubleReplacingEntry(AEffect* Effect, double** Inputs, double** Outputs,
                                                    VstInt32 SampleFrames);
    static void VSTCALL SetParameterEntry(AEffect* Effect, VstInt32 Index, float Value); // [thread-safe]
    static float VSTCALL GetParameterEntry(AEffect* Effect, VstInt32 Index);            // [thread-safe]

    // Routes and block processing
    enum class TRoute { None, Handler, Block, Copy, Mute };
    // [audio]
    template <class TSample>
    void RunRoute(TRoute Route, const std::function<void(TSample**, TSample**, std::int32_t)>& Handler,
                  TSample** Inputs, TSample** Outputs, std::int32_t SampleFrames);
    // [audio]
    void BlockProcess(const TProcessAudioEvent& Handler, float** Inputs, float** Outputs, std::int32_t SampleFrames);
    // [audio]
    template <class TSample>
    void CopyThrough(TSample** Inputs, TSample** Outputs, std::int32_t SampleFrames);
    // [audio]
    template <class TSample>
    void Silence(TSample** Outputs, std::int32_t SampleFrames);

    AEffect FEffect{};
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

    MARVO_VST_MODULE_EVENTS(MARVO_IGNORE_MODULE_EVENT, MARVO_MODULE_ROUTED_EVENT_FIELD)
    TRoute FActiveProcess = TRoute::None, FActiveProcessReplacing = TRoute::None;
    TRoute FActiveProcessDoubleReplacing = TRoute::None;

    std::atomic<TEditorWindow*> FEditorForm{nullptr}; // written on [editor]
    ERect FEditorRect{};
    std::atomic<bool> FEditorNeedsUpdate{false};
    std::int32_t FShellPluginIndex = 0;

    std::unique_ptr<TVstEventList<2048>> FMidiOutEvents;
    std::unique_ptr<TVstMidiEvent[]> FMidiEventRecords;
};

#undef MARVO_MODULE_EVENT_MEMBER
#undef MARVO_MODULE_ROUTED_EVENT_ACCESS
#undef MARVO_MODULE_ROUTED_EVENT_FIELD
#undef MARVO_IGNORE_MODULE_EVENT

// Publishes the properties and events of TCustomVSTModule; concrete plug-ins derive from it.
class TVSTModule : public TCustomVSTModule
{
public:
    explicit TVSTModule(TComponent* AOwner) : TCustomVSTModule(AOwner) {}
};
