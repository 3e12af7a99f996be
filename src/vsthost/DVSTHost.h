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
    explicit TVstPlugIn(TVstPlugIns* ACollection);
    virtual ~TVstPlugIn();
    TVstPlugIn(const TVstPlugIn&) = delete;
    TVstPlugIn& operator=(const TVstPlugIn&) = delete;

    TVstPlugIns* Collection() const { return FCollection; }
    int Index() const;

    // Copies settings, events, library, activity, program and its chunk from Source (see the source for the
    // list). [host-main]
    void Assign(TVstPlugIn& Source);

    // --- activation [host-main] ---------------------------------------------------------------------
    bool Active() const { return FActive; }
    // True opens (loading DLLFileName unless an effect record was handed in), False closes. Opening raises
    // "Loading failed!", "This is not a valid Vst Plugin!" or "There is no magic in it... failed!" and
    // leaves the instance inactive.
    void SetActive(bool Value);
    // Loads a plug-in library and asks its entry for an effect record; false on any failure (the reason is
    // then in LastLoadError()).
    bool Load(const std::string& FileName);
    // Closes the editor and the plug-in and frees a library loaded by the instance.
    void Unload();
    // Why the last Load failed ("" after a successful one): the loader's text, the missing file, the
    // missing entry, or the error OnAfterLoad raised (the library is then unloaded). Open reports the
    // fixed "This is not a valid Vst Plugin!" whatever the reason.
    const std::string& LastLoadError() const { return FLastLoadError; }

    // --- state ------------------------------------------------------------------------------------------
    const std::string& DisplayName() const { return FDisplayName; }
    void SetDisplayName(const std::string& V) { FDisplayName = V; }
    const std::string& DLLFileName() const { return FDLLFileName; }
    void SetDLLFileName(const std::string& V) { FDLLFileName = V; }
    TGUIStyle GUIStyle() const { return FGUIStyle; }
    // Raises "Close Editor first!" while the editor is open.
    void SetGUIStyle(TGUIStyle V);

    std::int32_t numInputs() const { return FnumInputs; }
    std::int32_t numOutputs() const { return FnumOutputs; }
    std::int32_t numPrograms() const { return FnumPrograms; }
    std::int32_t numParams() const { return FnumParams; }
    std::int32_t Version() const { return FVersion; }
    std::int32_t InitialDelay() const { return VstEffect ? VstEffect->initialDelay : 0; }
    const std::string& uID() const { return FuID; }
    std::int32_t PluginVstVersion() const { return FPluginVstVersion; }
    TVstPluginCategory PlugCategory() const { return FPlugCategory; }
    bool EditVisible() const { return FEditVisible; }
    TEffFlags EffectOptions() const;
    std::int32_t ProgramNrCache() const { return FProgramNrCache; }

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

    std::int32_t ProgramNr();
    void SetProgramNr(std::int32_t Value);
    std::string ProgramName();
    void SetProgramName(const std::string& Value);
    std::string GetParamLabel(std::int32_t Index);
    std::string GetParamDisplay(std::int32_t Index);
    std::string GetParamName(std::int32_t Index);
    VstIntPtr SetSampleRate(double Rate);
    VstIntPtr SetBlockSize(std::int32_t Size);
    VstIntPtr MainsChanged(bool On);
    void EditGetRect(ERect& Rect);
    VstIntPtr EditOpen(TNativeHandle Parent);
    void EditClose();
    VstIntPtr EditIdle();
    VstIntPtr Identify();
    // Data points into the plug-in's memory; answers the byte size.
    std::int32_t GetChunk(void*& Data, bool isPreset);
    VstIntPtr SetChunk(void* Data, std::int32_t Size, bool isPreset);
    TVstPluginCategory GetPlugCategory();
    // [audio]
    VstIntPtr SetBlockSizeAndSampleRate(std::int32_t Size, float Rate);
    VstIntPtr SetBypass(bool On);
    std::string VendorString();
    std::string ProductString();
    std::string EffectName(); // effGetEffectName, ungated beyond an effect record
    std::int32_t VendorVersion();
    VstIntPtr CanDo(const std::string& Text);
    VstIntPtr Idle();
    std::int32_t GetVstVersion();
    VstIntPtr ShellGetNextPlugin(std::string& Name);
    void BeginLoadProgram(TVstPatchChunkInfo& Info);

    // --- parameters and processing ----------------------------------------------------------------------
    virtual void SetParameter(std::int32_t Index, float Value); // [any]
    virtual float GetParameter(std::int32_t Index);             // [any]
    // [audio] Call the effect's entries directly; nothing without an effect record.
    virtual void Process(float** Inputs, float** Outputs, std::int32_t SampleFrames);
    virtual void ProcessReplacing(float** Inputs, float** Outputs, std::int32_t SampleFrames);
    virtual void ProcessDoubleReplacing(double** Inputs, double** Outputs, std::int32_t SampleFrames);

    // --- program files [host-main] -------------------------------------------------------------------
    // Load checks the whole file before anything reaches the plug-in and raises EMarvoError on a missing,
    // foreign, short, malformed or too large file (above 64 MiB), leaving the instance as it was. A
    // parameter-form file's values reach only the parameters the plug-in has; values beyond them are ignored.
    void LoadPreset(const std::string& FileName);
    void LoadPreset(std::istream& Stream);
    // Save raises EMarvoError, writing nothing, for a program that Load would refuse: a chunk that makes a
    // file above 64 MiB ("preset file is too large"), and (parameter form) a negative numParams.
    void SavePreset(const std::string& FileName);
    void SavePreset(std::ostream& Stream);
    // Selects Number and answers the parameter-form header (fields big-endian) and its values. Raises
    // EMarvoError, before calling the plug-in, when numParams is negative or would make a record above 64 MiB.
    void FillProgramRecord(std::int32_t Number, std::vector<std::uint8_t>& Record);

    // --- editor [host-main] --------------------------------------------------------------------------
    void ShowEdit(TForm* Form);
    void CloseEdit();
    // Handlers of the generic editor's controls.
    void ParamScrollChange(TComponent* Sender);
    void ParamBoxChange(TComponent* Sender);
    void ParamBarChange(TComponent* Sender);

    // --- events (fired by Load, the editor and the host callback) ---------------------------------------
    TVstNotifyEvent OnAfterLoad;
    TVstShowEditEvent OnShowEdit;
    TVstNotifyEvent OnCloseEdit;
    TVstProcessEventsEvent OnProcessEvents;
    TVstAutomateEvent OnAudioMasterAutomate;
    TVstNotifyEvent OnAudioMasterIdle;
    TVstNotifyEvent OnAudioMasterNeedIdle;
    TVstNotifyEvent OnAudioMasterWantMidi;
    TVstNotifyEvent OnAudioMasterIOChanged;
    TVstNotifyEvent OnAudioMasterOfflineStart;
    TVstOfflineEvent OnAudioMasterOfflineRead;
    TVstOfflineEvent OnAudioMasterOfflineWrite;
    TVstNotifyEvent OnAudioMasterOfflineGetCurrentPass;
    TVstNotifyEvent OnAudioMasterOfflineGetCurrentMetaPass;
    TVstSampleRateEvent OnAudioMasterSetOutputSampleRate;
    TVstNotifyEvent OnAudioMasterUpdateDisplay;
    TVstEditEvent OnAudioMasterBeginEdit;
    TVstEditEvent OnAudioMasterEndEdit;
    TVstPinConnectedEvent OnAudioMasterPinConnected;
    TVstVendorSpecificEvent OnVendorSpecific;

private:
    friend class TVstPlugIns;
    void Open();
    void Close();
    bool LoadLibraryAndEntry(const std::string& Name);
    bool PluginEditorInUse() const;
    // Reads a text result through a zeroed buffer larger than any text a plug-in writes; at most 255
    // characters up to the first zero. With WantNonZero an answer of 0 means no text; otherwise the text is
    // taken whatever the answer (plug-ins answer 0 or 1 alike for names, labels and displays).
    std::string TextResult(TDispatcherOpcode Opcode, VstInt32 Index, bool WantNonZero);
    void BuildSelectorEditor(TForm* Form);
    void BuildListEditor(TForm* Form);
    void FreeEditorWindow();

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
    explicit TVstPlugIns(TVstHost* AOwner) : FOwner(AOwner) {}
    ~TVstPlugIns();
    TVstPlugIns(const TVstPlugIns&) = delete;
    TVstPlugIns& operator=(const TVstPlugIns&) = delete;

    TVstHost* Owner() const { return FOwner; }
    TVstPlugIn* Add();
    int Count() const { return static_cast<int>(FItems.size()); }
    // Raises "Index out of bounds" outside 0..Count-1.
    TVstPlugIn* Items(int Index) const;
    TVstPlugIn* operator[](int Index) const { return Items(Index); }
    void Delete(int Index);
    void Clear();
    int IndexOf(const TVstPlugIn* Item) const;
    // Replaces the items with copies of Source's (each copied with TVstPlugIn::Assign).
    void Assign(TVstPlugIns& Source);

private:
    TVstHost* FOwner = nullptr;
    std::vector<std::unique_ptr<TVstPlugIn>> FItems;
};

// The time information offered to plug-ins through audioMasterGetTime.
class TVstTimeInformation
{
public:
    TVstTimeInformation();

    // The record a plug-in reads; its address never changes.
    VstTimeInfo& Record() { return FInfo; }

    double SamplePos() const { return FInfo.samplePos; }
    double SampleRate() const { return FInfo.sampleRate; }
    double NanoSeconds() const { return FInfo.nanoSeconds; }
    double PpqPos() const { return FInfo.ppqPos; }
    double Tempo() const { return FInfo.tempo; }
    double BarStartPos() const { return FInfo.barStartPos; }
    double CycleStartPos() const { return FInfo.cycleStartPos; }
    double CycleEndPos() const { return FInfo.cycleEndPos; }
    std::int32_t TimeSigNumerator() const { return FInfo.timeSigNumerator; }
    std::int32_t TimeSigDenominator() const { return FInfo.timeSigDenominator; }
    std::int32_t SmpteOffset() const { return FInfo.smpteOffset; }
    std::int32_t SmpteFrameRate() const { return FInfo.smpteFrameRate; }
    std::int32_t SamplesToNextClock() const { return FInfo.samplesToNextClock; }
    TVstTimeInfoFlags Flags() const { return TVstTimeInfoFlags::FromBits(static_cast<std::uint32_t>(FInfo.flags)); }

    // Each writer stores only a changed value and then fires OnChanged; SetSampleRate also sets the host
    // sample rate; SetFlags stores without notification.
    void SetSamplePos(double V) { SetDouble(FInfo.samplePos, V); }
    void SetSampleRate(double V);
    void SetNanoSeconds(double V) { SetDouble(FInfo.nanoSeconds, V); }
    void SetPpqPos(double V) { SetDouble(FInfo.ppqPos, V); }
    void SetTempo(double V) { SetDouble(FInfo.tempo, V); }
    void SetBarStartPos(double V) { SetDouble(FInfo.barStartPos, V); }
    void SetCycleStartPos(double V) { SetDouble(FInfo.cycleStartPos, V); }
    void SetCycleEndPos(double V) { SetDouble(FInfo.cycleEndPos, V); }
    void SetTimeSigNumerator(std::int32_t V) { SetInteger(FInfo.timeSigNumerator, V); }
    void SetTimeSigDenominator(std::int32_t V) { SetInteger(FInfo.timeSigDenominator, V); }
    void SetSmpteOffset(std::int32_t V) { SetInteger(FInfo.smpteOffset, V); }
    void SetSmpteFrameRate(std::int32_t V) { SetInteger(FInfo.smpteFrameRate, V); }
    void SetSamplesToNextClock(std::int32_t V) { SetInteger(FInfo.samplesToNextClock, V); }
    void SetFlags(TVstTimeInfoFlags V) { FInfo.flags = static_cast<VstInt32>(V.Bits()); }

    // Copies Source's whole record and fires this object's OnChanged.
    void Assign(const TVstTimeInformation& Source);

    std::function<void(TVstTimeInformation* Sender)> OnChanged;

private:
    void SetDouble(double& Field, double V);
    void SetInteger(VstInt32& Field, std::int32_t V);
    void Changed();
    VstTimeInfo FInfo{};
};

// The host component. Creating one makes it the library-wide CurrentHost that AudioMasterCallback answers
// for. [host-main]
class TVstHost : public TComponent
{
public:
    explicit TVstHost(TComponent* AOwner = nullptr);
    ~TVstHost() override;

    TVstPlugIns& VstPlugIns() { return *FVstPlugIns; }
    TVstPlugIn* operator[](int Index) const { return FVstPlugIns->Items(Index); }
    TVstTimeInformation& VstTimeInfo() { return *FVstTimeInfo; }

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
    static std::int32_t BlockSize();
    // Also sends effSetBlockSize to every instance of this host that has an effect record.
    void SetBlockSize(std::int32_t V);
    static THostCanDos CanDos();
    static void SetCanDos(THostCanDos V);
    static float Tempo();
    // Also sets VstTimeInfo's tempo.
    void SetTempo(float V);
    static std::int32_t VstVersion();
    static void SetVstVersion(std::int32_t V);
    static float HostSampleRate();

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;

    // Fires OnCreate; the constructor cannot, because handlers are assigned after construction.
    void Loaded();

private:
    std::unique_ptr<TVstPlugIns> FVstPlugIns;
    std::unique_ptr<TVstTimeInformation> FVstTimeInfo;
};

// The host that AudioMasterCallback answers for (the last created one), or null.
TVstHost* CurrentHost();

// [any] The host callback of every hosted effect record.
VstIntPtr VSTCALL AudioMasterCallback(AEffect* Effect, VstInt32 Opcode, VstInt32 Index, VstIntPtr Value, void* Ptr,
                                      float Opt);

// [host-main] The windows opened for audioMasterOpenWindow (owned by the library), and the open file
// selector's dialog state; for tests and the library's end.
int HostWindowCount();
TForm* HostWindow(int Index);
void FreeHostWindows();
bool FileSelectorOpen();
