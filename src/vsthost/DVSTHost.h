#pragma once
// The host side of VST 2: hosted plug-in instances (TVstPlugIn) in a collection (TVstPlugIns) owned by the
// host component (TVstHost), the time information it offers, the one host callback every hosted effect
// receives (AudioMasterCallback), program files (fxp) and the hosting of a plug-in's editor or of a generic
// parameter editor in a window.
//
// The host knows a plug-in only through its AEffect record: a record loaded from a plug-in library
// (".dll" on Windows, ".so" on Linux, entry "main", else "VSTPluginMain") or handed in directly.
//
// Threads: nothing here takes a lock. Callers serialise the calls into one instance; the process entries
// and SetBlockSizeAndSampleRate may run on the audio thread ([audio]), everything else on the
// host's UI thread ([host-main]). The callback runs on whichever thread the plug-in calls from; its
// window opcodes (size window, open window, file selector) must come from the host's UI thread.
//
// Failures: calls into a plug-in never raise (a plug-in's error answers 0); activation and program files
// raise EMarvoError with fixed English texts; the callback never raises.
#include <cstdint>
#include <functional>
#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/Forms.h"
#include "platform/System.h"
#include "vstplugin/DVSTEffect.h"

class TVstPlugIn;
class TVstPlugIns;
class TVstHost;

// ---------------------------------------------------------------------------------------------------------
// Published host-side records passed by pointer through the callback.

struct VstWindow
{
    char title[128];
    VstInt16 xPos;
    VstInt16 yPos;
    VstInt16 width;
    VstInt16 height;
    VstInt32 style;
    void* parent;
    void* userHandle;
    void* winHandle;
    char future[104];
};

struct VstFileType
{
    char name[128];
    char macType[8];
    char dosType[8];
    char unixType[8];
    char mimeType1[128];
    char mimeType2[128];
};

struct VstFileSelect
{
    VstInt32 command; // 0 load, 1 save, 2 load multiple, 3 directory
    VstInt32 type;
    VstInt32 macCreator;
    VstInt32 nbFileTypes;
    VstFileType* fileTypes;
    char title[1024];
    char* initialPath;
    char* returnPath;
    VstInt32 sizeReturnPath;
    char** returnMultiplePaths;
    VstInt32 nbReturnPath;
    VstIntPtr reserved;
    char future[116];
};

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(VstWindow) == 256);
static_assert(offsetof(VstWindow, xPos) == 128 && offsetof(VstWindow, yPos) == 130);
static_assert(offsetof(VstWindow, width) == 132 && offsetof(VstWindow, height) == 134);
static_assert(offsetof(VstWindow, style) == 136 && offsetof(VstWindow, parent) == 140);
static_assert(offsetof(VstWindow, userHandle) == 144 && offsetof(VstWindow, winHandle) == 148);
static_assert(offsetof(VstWindow, future) == 152);
static_assert(sizeof(VstFileType) == 408);
static_assert(offsetof(VstFileType, macType) == 128 && offsetof(VstFileType, dosType) == 136);
static_assert(offsetof(VstFileType, unixType) == 144 && offsetof(VstFileType, mimeType1) == 152);
static_assert(offsetof(VstFileType, mimeType2) == 280);
static_assert(sizeof(VstFileSelect) == 1184);
static_assert(offsetof(VstFileSelect, type) == 4 && offsetof(VstFileSelect, macCreator) == 8);
static_assert(offsetof(VstFileSelect, nbFileTypes) == 12 && offsetof(VstFileSelect, fileTypes) == 16);
static_assert(offsetof(VstFileSelect, title) == 20 && offsetof(VstFileSelect, initialPath) == 1044);
static_assert(offsetof(VstFileSelect, returnPath) == 1048 && offsetof(VstFileSelect, sizeReturnPath) == 1052);
static_assert(offsetof(VstFileSelect, returnMultiplePaths) == 1056);
static_assert(offsetof(VstFileSelect, nbReturnPath) == 1060 && offsetof(VstFileSelect, reserved) == 1064);
static_assert(offsetof(VstFileSelect, future) == 1068);
#elif defined(_WIN64) || defined(__x86_64__)
static_assert(sizeof(VstWindow) == 272);
static_assert(offsetof(VstWindow, xPos) == 128 && offsetof(VstWindow, height) == 134);
static_assert(offsetof(VstWindow, style) == 136 && offsetof(VstWindow, parent) == 144);
static_assert(offsetof(VstWindow, userHandle) == 152 && offsetof(VstWindow, winHandle) == 160);
static_assert(offsetof(VstWindow, future) == 168);
static_assert(sizeof(VstFileType) == 408 && offsetof(VstFileType, mimeType2) == 280);
static_assert(sizeof(VstFileSelect) == 1216);
static_assert(offsetof(VstFileSelect, nbFileTypes) == 12 && offsetof(VstFileSelect, fileTypes) == 16);
static_assert(offsetof(VstFileSelect, title) == 24 && offsetof(VstFileSelect, initialPath) == 1048);
static_assert(offsetof(VstFileSelect, returnPath) == 1056 && offsetof(VstFileSelect, sizeReturnPath) == 1064);
static_assert(offsetof(VstFileSelect, returnMultiplePaths) == 1072);
static_assert(offsetof(VstFileSelect, nbReturnPath) == 1080 && offsetof(VstFileSelect, reserved) == 1088);
static_assert(offsetof(VstFileSelect, future) == 1096);
#endif

// ---------------------------------------------------------------------------------------------------------
// Vocabularies of the host side.

enum TReplaceOrAccumulate : VstInt32 { roa0NotSupported, roa1Replace, roa2Accumulate };
enum TCurrentProcessLevel : VstInt32
{
    cpl0NotSupported, cpl1UserThread, cpl2AudioThread, cpl3Sequencer, cpl4OfflineProcessing
};
enum TAutomationState : VstInt32 { as0NotSupported, as1Off, as2Read, as3Write, as4ReadWrite };
enum TGUIStyle { gsDefault, gsOld, gsList };

// ---------------------------------------------------------------------------------------------------------
// Events of a hosted instance. Sender is the instance.

using TVstNotifyEvent = std::function<void(TVstPlugIn* Sender)>;
using TVstShowEditEvent = std::function<void(TVstPlugIn* Sender, TForm* Form)>;
using TVstProcessEventsEvent = std::function<void(TVstPlugIn* Sender, VstEvents* p)>;
using TVstAutomateEvent = std::function<void(TVstPlugIn* Sender, VstInt32 ParamIndex, float ParamValue)>;
using TVstOfflineEvent = std::function<void(TVstPlugIn* Sender, TVstOfflineTask* VstOfflineTaskPointer)>;
using TVstSampleRateEvent = std::function<void(TVstPlugIn* Sender, float SampleRate)>;
using TVstEditEvent = std::function<void(TVstPlugIn* Sender, VstInt32 ParameterIndex)>;
using TVstPinConnectedEvent = std::function<bool(TVstPlugIn* Sender, VstInt32 PinNr, bool isInput)>;
using TVstVendorSpecificEvent = std::function<VstIntPtr(TVstPlugIn* Sender, VstInt32 Opcode, VstInt32 Index,
                                                        VstIntPtr Value, void* Ptr, float Opt)>;

// ---------------------------------------------------------------------------------------------------------
// One hosted plug-in instance.
class TVstPlugIn
{
public:
    // Instances are made by their collection (TVstPlugIns::Add).
    explicit TVstPlugIn(TVstPlugIns* ACollection); // [host-main]
    virtual ~TVstPlugIn(); // [host-main]
    TVstPlugIn(const TVstPlugIn&) = delete;
    TVstPlugIn& operator=(const TVstPlugIn&) = delete;

    TVstPlugIns* Collection() const { return FCollection; } // [host-main]
    int Index() const; // [host-main]

    // Copies settings, events, library, activity, program and its chunk from Source (see the source for the
    // list). [host-main]
    void Assign(TVstPlugIn& Source);

    // --- activation ------------------------------------------------------------------------------------
    bool Active() const { return FActive; } // [host-main]
    // True opens (loading DLLFileName unless an effect record was handed in), False closes. Opening raises
    // "Loading failed!", "This is not a valid Vst Plugin!" or "There is no magic in it... failed!" and
    // leaves the instance inactive.
    void SetActive(bool Value); // [host-main]
    // Loads a plug-in library and asks its entry for an effect record; false on any failure (the reason is
    // then in LastLoadError()).
    bool Load(const std::string& FileName); // [host-main]
    // Closes the editor and the plug-in and frees a library loaded by the instance.
    void Unload(); // [host-main]
    // Why the last Load failed ("" after a successful one): the loader's text, the missing file, the
    // missing entry, or the error OnAfterLoad raised (the library is then unloaded). Open reports the
    // fixed "This is not a valid Vst Plugin!" whatever the reason.
    const std::string& LastLoadError() const { return FLastLoadError; } // [host-main]

    // --- state ------------------------------------------------------------------------------------------
    const std::string& DisplayName() const { return FDisplayName; } // [host-main]
    void SetDisplayName(const std::string& V) { FDisplayName = V; } // [host-main]
    const std::string& DLLFileName() const { return FDLLFileName; } // [host-main]
    void SetDLLFileName(const std::string& V) { FDLLFileName = V; } // [host-main]
    TGUIStyle GUIStyle() const { return FGUIStyle; } // [host-main]
    // Raises "Close Editor first!" while the editor is open.
    void SetGUIStyle(TGUIStyle V); // [host-main]

    std::int32_t numInputs() const { return FnumInputs; } // [host-main]
    std::int32_t numOutputs() const { return FnumOutputs; } // [host-main]
    std::int32_t numPrograms() const { return FnumPrograms; } // [host-main]
    std::int32_t numParams() const { return FnumParams; } // [host-main]
    std::int32_t Version() const { return FVersion; } // [host-main]
    std::int32_t InitialDelay() const { return VstEffect ? VstEffect->initialDelay : 0; } // [host-main]
    const std::string& uID() const { return FuID; } // [host-main]
    std::int32_t PluginVstVersion() const { return FPluginVstVersion; } // [host-main]
    TVstPluginCategory PlugCategory() const { return FPlugCategory; } // [host-main]
    bool EditVisible() const { return FEditVisible; } // [host-main]
    TEffFlags EffectOptions() const; // [host-main]
    std::int32_t ProgramNrCache() const { return FProgramNrCache; } // [host-main]

    TReplaceOrAccumulate ReplaceOrAccumulate = roa0NotSupported;
    TCurrentProcessLevel CurrentProcessLevel = cpl0NotSupported;
    TAutomationState AutomationState = as0NotSupported;
    // Set by the host callback when the plug-in asks for idle calls; gates Idle().
    bool NeedIdle = false;
    // The instance frees EditorWindow when closing the editor or being destroyed.
    bool OwnsEditorWindow = false;
    // The hosted effect record; a caller may hand one in before activation. Never freed by the instance.
    AEffect* VstEffect = nullptr;
    // The window most recently given to ShowEdit.
    TForm* EditorWindow = nullptr;
    TLibraryHandle LibHandle = 0;
    TMainProc MainFunction = nullptr;

    // --- dispatcher wrappers ----------------------------------------------------------------------------
    // [any] The one road to the dispatcher: loads the control word 0x133F, answers 0 without an effect
    // record or when the plug-in raises.
    VstIntPtr VstDispatch(TDispatcherOpcode Opcode, VstInt32 Index = 0, VstIntPtr Value = 0, void* Ptr = nullptr,
                          double Opt = 0.0);

    std::int32_t ProgramNr(); // [host-main]
    void SetProgramNr(std::int32_t Value); // [host-main]
    std::string ProgramName(); // [host-main]
    void SetProgramName(const std::string& Value); // [host-main]
    std::string GetParamLabel(std::int32_t Index); // [host-main]
    std::string GetParamDisplay(std::int32_t Index); // [host-main]
    std::string GetParamName(std::int32_t Index); // [host-main]
    VstIntPtr SetSampleRate(double Rate); // [host-main]
    VstIntPtr SetBlockSize(std::int32_t Size); // [host-main]
    VstIntPtr MainsChanged(bool On); // [host-main]
    void EditGetRect(ERect& Rect); // [host-main]
    VstIntPtr EditOpen(TNativeHandle Parent); // [host-main]
    void EditClose(); // [host-main]
    VstIntPtr EditIdle(); // [host-main]
    VstIntPtr Identify(); // [host-main]
    // Data points into the plug-in's memory; answers the byte size.
    std::int32_t GetChunk(void*& Data, bool isPreset); // [host-main]
    VstIntPtr SetChunk(void* Data, std::int32_t Size, bool isPreset); // [host-main]
    TVstPluginCategory GetPlugCategory(); // [host-main]
    // [audio]
    VstIntPtr SetBlockSizeAndSampleRate(std::int32_t Size, float Rate);
    VstIntPtr SetBypass(bool On); // [host-main]
    std::string VendorString(); // [host-main]
    std::string ProductString(); // [host-main]
    std::string EffectName(); // effGetEffectName, ungated beyond an effect record
    std::int32_t VendorVersion(); // [host-main]
    VstIntPtr CanDo(const std::string& Text); // [host-main]
    VstIntPtr Idle(); // [host-main]
    std::int32_t GetVstVersion(); // [host-main]
    VstIntPtr ShellGetNextPlugin(std::string& Name); // [host-main]
    void BeginLoadProgram(TVstPatchChunkInfo& Info); // [host-main]

    // --- parameters and processing ----------------------------------------------------------------------
    virtual void SetParameter(std::int32_t Index, float Value); // [any]
    virtual float GetParameter(std::int32_t Index);             // [any]
    // [audio] Call the effect's entries directly; nothing without an effect record.
    virtual void Process(float** Inputs, float** Outputs, std::int32_t SampleFrames);
    virtual void ProcessReplacing(float** Inputs, float** Outputs, std::int32_t SampleFrames); // [audio]
    virtual void ProcessDoubleReplacing(double** Inputs, double** Outputs, std::int32_t SampleFrames); // [audio]

    // --- program files ---------------------------------------------------------------------------------
    // Load checks the whole file before anything reaches the plug-in and raises EMarvoError on a missing,
    // foreign, short, malformed or too large file (above 64 MiB), leaving the instance as it was. A
    // parameter-form file's values reach only the parameters the plug-in has; values beyond them are ignored.
    void LoadPreset(const std::string& FileName); // [host-main]
    void LoadPreset(std::istream& Stream); // [host-main]
    // Save raises EMarvoError, writing nothing, for a program that Load would refuse: a chunk that makes a
    // file above 64 MiB ("preset file is too large"), and (parameter form) a negative numParams.
    void SavePreset(const std::string& FileName); // [host-main]
    void SavePreset(std::ostream& Stream); // [host-main]
    // Selects Number and answers the parameter-form header (fields big-endian) and its values. Raises
    // EMarvoError, before calling the plug-in, when numParams is negative or would make a record above 64 MiB.
    void FillProgramRecord(std::int32_t Number, std::vector<std::uint8_t>& Record); // [host-main]

    // --- editor ----------------------------------------------------------------------------------------
    void ShowEdit(TForm* Form); // [host-main]
    void CloseEdit(); // [host-main]
    // Handlers of the generic editor's controls.
    void ParamScrollChange(TComponent* Sender); // [host-main]
    void ParamBoxChange(TComponent* Sender); // [host-main]
    void ParamBarChange(TComponent* Sender); // [host-main]

    // --- events (fired by Load, the editor and the host callback) ---------------------------------------
    TVstNotifyEvent OnAfterLoad; // [host-main]
    TVstShowEditEvent OnShowEdit; // [host-main]
    TVstNotifyEvent OnCloseEdit; // [host-main]
    TVstProcessEventsEvent OnProcessEvents; // [any] fired on the plug-in's calling thread
    TVstAutomateEvent OnAudioMasterAutomate; // [any] fired on the plug-in's calling thread
    TVstNotifyEvent OnAudioMasterIdle; // [any] fired on the plug-in's calling thread
    TVstNotifyEvent OnAudioMasterNeedIdle; // [any] fired on the plug-in's calling thread
    TVstNotifyEvent OnAudioMasterWantMidi; // [any] fired on the plug-in's calling thread
    TVstNotifyEvent OnAudioMasterIOChanged; // [any] fired on the plug-in's calling thread
    TVstNotifyEvent OnAudioMasterOfflineStart; // [any] fired on the plug-in's calling thread
    TVstOfflineEvent OnAudioMasterOfflineRead; // [any] fired on the plug-in's calling thread
    TVstOfflineEvent OnAudioMasterOfflineWrite; // [any] fired on the plug-in's calling thread
    TVstNotifyEvent OnAudioMasterOfflineGetCurrentPass; // [any] fired on the plug-in's calling thread
    TVstNotifyEvent OnAudioMasterOfflineGetCurrentMetaPass; // [any] fired on the plug-in's calling thread
    TVstSampleRateEvent OnAudioMasterSetOutputSampleRate; // [any] fired on the plug-in's calling thread
    TVstNotifyEvent OnAudioMasterUpdateDisplay; // [any] fired on the plug-in's calling thread
    TVstEditEvent OnAudioMasterBeginEdit; // [any] fired on the plug-in's calling thread
    TVstEditEvent OnAudioMasterEndEdit; // [any] fired on the plug-in's calling thread
    TVstPinConnectedEvent OnAudioMasterPinConnected; // [any] fired on the plug-in's calling thread
    TVstVendorSpecificEvent OnVendorSpecific; // [any] fired on the plug-in's calling thread

private:
    friend class TVstPlugIns;
    void Open(); // [host-main]
    void Close(); // [host-main]
    bool LoadLibraryAndEntry(const std::string& Name); // [host-main]
    bool PluginEditorInUse() const; // [host-main]
    // Reads a text result through a zeroed buffer larger than any text a plug-in writes; at most 255
    // characters up to the first zero. With WantNonZero an answer of 0 means no text; otherwise the text is
    // taken whatever the answer (plug-ins answer 0 or 1 alike for names, labels and displays).
    std::string TextResult(TDispatcherOpcode Opcode, VstInt32 Index, bool WantNonZero); // [host-main]
    void BuildSelectorEditor(TForm* Form); // [host-main]
    void BuildListEditor(TForm* Form); // [host-main]
    void FreeEditorWindow(); // [host-main]

    TVstPlugIns* FCollection = nullptr;
    std::string FDisplayName = "TVstPlugIn";
    std::string FDLLFileName;
    std::string FLastLoadError;
    bool FActive = false;
    bool FEditVisible = false;
    std::int32_t FnumInputs = 0, FnumOutputs = 0, FnumPrograms = 0, FnumParams = 0;
    std::int32_t FVersion = 0;
    std::int32_t FProgramNrCache = 0;
    std::string FuID;
    std::int32_t FPluginVstVersion = -1;
    TVstPluginCategory FPlugCategory = vpcUnknown;
    TGUIStyle FGUIStyle = gsDefault;
};

// The collection of hosted instances; owns them. [host-main]
class TVstPlugIns
{
public:
    explicit TVstPlugIns(TVstHost* AOwner) : FOwner(AOwner) {} // [host-main]
    ~TVstPlugIns(); // [host-main]
    TVstPlugIns(const TVstPlugIns&) = delete;
    TVstPlugIns& operator=(const TVstPlugIns&) = delete;

    TVstHost* Owner() const { return FOwner; } // [host-main]
    TVstPlugIn* Add(); // [host-main]
    int Count() const { return static_cast<int>(FItems.size()); } // [any] the callback looks instances up
    // Raises "Index out of bounds" outside 0..Count-1.
    TVstPlugIn* Items(int Index) const; // [any] likewise
    TVstPlugIn* operator[](int Index) const { return Items(Index); } // [host-main]
    void Delete(int Index); // [host-main]
    void Clear(); // [host-main]
    int IndexOf(const TVstPlugIn* Item) const; // [host-main]
    // Replaces the items with copies of Source's (each copied with TVstPlugIn::Assign).
    void Assign(TVstPlugIns& Source); // [host-main]

private:
    TVstHost* FOwner = nullptr;
    std::vector<std::unique_ptr<TVstPlugIn>> FItems;
};

// The time information offered to plug-ins through audioMasterGetTime.
class TVstTimeInformation
{
public:
    TVstTimeInformation(); // [host-main]

    // The record a plug-in reads; its address never changes.
    VstTimeInfo& Record() { return FInfo; } // [any]

    double SamplePos() const { return FInfo.samplePos; } // [host-main]
    double SampleRate() const { return FInfo.sampleRate; } // [host-main]
    double NanoSeconds() const { return FInfo.nanoSeconds; } // [host-main]
    double PpqPos() const { return FInfo.ppqPos; } // [host-main]
    double Tempo() const { return FInfo.tempo; } // [host-main]
    double BarStartPos() const { return FInfo.barStartPos; } // [host-main]
    double CycleStartPos() const { return FInfo.cycleStartPos; } // [host-main]
    double CycleEndPos() const { return FInfo.cycleEndPos; } // [host-main]
    std::int32_t TimeSigNumerator() const { return FInfo.timeSigNumerator; } // [host-main]
    std::int32_t TimeSigDenominator() const { return FInfo.timeSigDenominator; } // [host-main]
    std::int32_t SmpteOffset() const { return FInfo.smpteOffset; } // [host-main]
    std::int32_t SmpteFrameRate() const { return FInfo.smpteFrameRate; } // [host-main]
    std::int32_t SamplesToNextClock() const { return FInfo.samplesToNextClock; } // [host-main]
    // [host-main]
    TVstTimeInfoFlags Flags() const { return TVstTimeInfoFlags::FromBits(static_cast<std::uint32_t>(FInfo.flags)); }

    // Each writer stores only a changed value and then fires OnChanged; SetSampleRate also sets the host
    // sample rate; SetFlags stores without notification.
    void SetSamplePos(double V) { SetDouble(FInfo.samplePos, V); } // [host-main]
    void SetSampleRate(double V); // [host-main]
    void SetNanoSeconds(double V) { SetDouble(FInfo.nanoSeconds, V); } // [host-main]
    void SetPpqPos(double V) { SetDouble(FInfo.ppqPos, V); } // [host-main]
    void SetTempo(double V) { SetDouble(FInfo.tempo, V); } // [host-main]
    void SetBarStartPos(double V) { SetDouble(FInfo.barStartPos, V); } // [host-main]
    void SetCycleStartPos(double V) { SetDouble(FInfo.cycleStartPos, V); } // [host-main]
    void SetCycleEndPos(double V) { SetDouble(FInfo.cycleEndPos, V); } // [host-main]
    void SetTimeSigNumerator(std::int32_t V) { SetInteger(FInfo.timeSigNumerator, V); } // [host-main]
    void SetTimeSigDenominator(std::int32_t V) { SetInteger(FInfo.timeSigDenominator, V); } // [host-main]
    void SetSmpteOffset(std::int32_t V) { SetInteger(FInfo.smpteOffset, V); } // [host-main]
    void SetSmpteFrameRate(std::int32_t V) { SetInteger(FInfo.smpteFrameRate, V); } // [host-main]
    void SetSamplesToNextClock(std::int32_t V) { SetInteger(FInfo.samplesToNextClock, V); } // [host-main]
    void SetFlags(TVstTimeInfoFlags V) { FInfo.flags = static_cast<VstInt32>(V.Bits()); } // [host-main]

    // Copies Source's whole record and fires this object's OnChanged.
    void Assign(const TVstTimeInformation& Source); // [host-main]

    std::function<void(TVstTimeInformation* Sender)> OnChanged; // [host-main]

private:
    void SetDouble(double& Field, double V); // [host-main]
    void SetInteger(VstInt32& Field, std::int32_t V); // [host-main]
    void Changed(); // [host-main]
    VstTimeInfo FInfo{};
};

// The host component. Creating one makes it the library-wide CurrentHost that AudioMasterCallback answers
// for. [host-main]
class TVstHost : public TComponent
{
public:
    explicit TVstHost(TComponent* AOwner = nullptr); // [host-main]
    ~TVstHost() override; // [host-main]

    TVstPlugIns& VstPlugIns() { return *FVstPlugIns; } // [any] the callback looks instances up
    TVstPlugIn* operator[](int Index) const { return FVstPlugIns->Items(Index); } // [host-main]
    TVstTimeInformation& VstTimeInfo() { return *FVstTimeInfo; } // [any] audioMasterGetTime hands out its record

    std::int32_t LatencyInput = 0;
    std::int32_t LatencyOutput = 0;
    TVstHostLanguage Language = kVstLangEnglish;
    std::int32_t NumAutomatableParameters = 0;
    std::int32_t ParameterQuantization = 2147483647;
    bool ManageIdleAutomaticly = false;
    std::string VendorString;
    std::int32_t VendorVersion = 0;
    std::string ProductString;
    std::string PlugInDir;

    // Library-wide settings, shared by every host and surviving it.
    static std::int32_t BlockSize(); // [any]
    // Also sends effSetBlockSize to every instance of this host that has an effect record.
    void SetBlockSize(std::int32_t V); // [host-main]
    static THostCanDos CanDos(); // [any]
    static void SetCanDos(THostCanDos V); // [host-main]
    static float Tempo(); // [any]
    // Also sets VstTimeInfo's tempo.
    void SetTempo(float V); // [host-main]
    static std::int32_t VstVersion(); // [any]
    static void SetVstVersion(std::int32_t V); // [host-main]
    static float HostSampleRate(); // [any]

    TNotifyEvent OnCreate; // [host-main]
    TNotifyEvent OnDestroy; // [host-main]

    // Fires OnCreate; the constructor cannot, because handlers are assigned after construction.
    void Loaded(); // [host-main]

private:
    std::unique_ptr<TVstPlugIns> FVstPlugIns;
    std::unique_ptr<TVstTimeInformation> FVstTimeInfo;
};

// The host that AudioMasterCallback answers for (the last created one), or null.
TVstHost* CurrentHost(); // [any]

// [any] The host callback of every hosted effect record.
VstIntPtr VSTCALL AudioMasterCallback(AEffect* Effect, VstInt32 Opcode, VstInt32 Index, VstIntPtr Value, void* Ptr,
                                      float Opt);

// [host-main] The windows opened for audioMasterOpenWindow (owned by the library), and the open file
// selector's dialog state; for tests and the library's end.
int HostWindowCount(); // [host-main]
TForm* HostWindow(int Index); // [host-main]
void FreeHostWindows(); // [host-main]
bool FileSelectorOpen(); // [host-main]
