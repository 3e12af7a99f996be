#pragma once
// The VST 2.4 interface subset shared by the plug-in framework and the host: the effect record, the records
// passed by pointer, the entry-point signatures and the numbered vocabularies. Every number here is the one
// that crosses the interface. Records are plain structs; their sizes and field offsets are checked against
// the published 32-bit layout on i686 Windows and against the 64-bit one on x86-64 (Windows and Linux).
#include <cstddef>
#include <cstdint>
#include <initializer_list>

// Calling convention of every entry point in both directions: cdecl on i686 Windows.
#if defined(_WIN32) && !defined(_WIN64)
#define VSTCALL __cdecl
#else
#define VSTCALL
#endif

using VstInt16 = std::int16_t;
using VstInt32 = std::int32_t;
using VstIntPtr = std::intptr_t;

// A bit set over an enumeration: each enumeration value names one bit position. Bits() is the word that
// crosses the interface when the positions are the published bit numbers.
template <class E>
class TEnumSet
{
public:
    constexpr TEnumSet() = default;
    constexpr TEnumSet(std::initializer_list<E> Items)
    {
        for (E Item : Items)
            FBits |= Bit(Item);
    }
    static constexpr TEnumSet FromBits(std::uint32_t Bits)
    {
        TEnumSet S;
        S.FBits = Bits;
        return S;
    }
    static constexpr std::uint32_t Bit(E Item) { return std::uint32_t(1) << static_cast<unsigned>(Item); }

    constexpr bool Contains(E Item) const { return (FBits & Bit(Item)) != 0; }
    constexpr void Include(E Item) { FBits |= Bit(Item); }
    constexpr void Exclude(E Item) { FBits &= ~Bit(Item); }
    constexpr bool Empty() const { return FBits == 0; }
    constexpr std::uint32_t Bits() const { return FBits; }
    constexpr bool operator==(const TEnumSet&) const = default;

private:
    std::uint32_t FBits = 0;
};

// ---------------------------------------------------------------------------------------------------------
// Vocabularies

enum TDispatcherOpcode : VstInt32
{
    effOpen, effClose, effSetProgram, effGetProgram, effSetProgramName, effGetProgramName, effGetParamLabel,
    effGetParamDisplay, effGetParamName, effGetVu, effSetSampleRate, effSetBlockSize, effMainsChanged,
    effEditGetRect, effEditOpen, effEditClose, effEditDraw, effEditMouse, effEditKey, effEditIdle, effEditTop,
    effEditSleep, effIdentify, effGetChunk, effSetChunk, effProcessEvents, effCanBeAutomated,
    effString2Parameter, effGetNumProgramCategories, effGetProgramNameIndexed, effCopyProgram, effConnectInput,
    effConnectOutput, effGetInputProperties, effGetOutputProperties, effGetPlugCategory, effGetCurrentPosition,
    effGetDestinationBuffer, effOfflineNotify, effOfflinePrepare, effOfflineRun, effProcessVarIo,
    effSetSpeakerArrangement, effSetBlockSizeAndSampleRate, effSetBypass, effGetEffectName, effGetErrorText,
    effGetVendorString, effGetProductString, effGetVendorVersion, effVendorSpecific, effCanDo, effGetTailSize,
    effIdle, effGetIcon, effSetViewPosition, effGetParameterProperties, effKeysRequired, effGetVstVersion,
    effEditKeyDown, effEditKeyUp, effSetEditKnobMode, effGetMidiProgramName, effGetCurrentMidiProgram,
    effGetMidiProgramCategory, effHasMidiProgramsChanged, effGetMidiKeyName, effBeginSetProgram,
    effEndSetProgram, effGetSpeakerArrangement, effShellGetNextPlugin, effStartProcess, effStopProcess,
    effSetTotalSampleToProcess, effSetPanLaw, effBeginLoadBank, effBeginLoadProgram
};
static_assert(effBeginLoadProgram == 76);

enum TAudioMasterOpcode : VstInt32
{
    audioMasterAutomate, audioMasterVersion, audioMasterCurrentId, audioMasterIdle, audioMasterPinConnected,
    audioMasterUnused, audioMasterWantMidi, audioMasterGetTime, audioMasterProcessEvents, audioMasterSetTime,
    audioMasterTempoAt, audioMasterGetNumAutomatableParameters, audioMasterGetParameterQuantization,
    audioMasterIOChanged, audioMasterNeedIdle, audioMasterSizeWindow, audioMasterGetSampleRate,
    audioMasterGetBlockSize, audioMasterGetInputLatency, audioMasterGetOutputLatency,
    audioMasterGetPreviousPlug, audioMasterGetNextPlug, audioMasterWillReplaceOrAccumulate,
    audioMasterGetCurrentProcessLevel, audioMasterGetAutomationState, audioMasterOfflineStart,
    audioMasterOfflineRead, audioMasterOfflineWrite, audioMasterOfflineGetCurrentPass,
    audioMasterOfflineGetCurrentMetaPass, audioMasterSetOutputSampleRate,
    audioMasterGetOutputSpeakerArrangement, audioMasterGetVendorString, audioMasterGetProductString,
    audioMasterGetVendorVersion, audioMasterVendorSpecific, audioMasterSetIcon, audioMasterCanDo,
    audioMasterGetLanguage, audioMasterOpenWindow, audioMasterCloseWindow, audioMasterGetDirectory,
    audioMasterUpdateDisplay, audioMasterBeginEdit, audioMasterEndEdit, audioMasterOpenFileSelector,
    audioMasterCloseFileSelector, audioMasterEditFile, audioMasterGetChunkFile,
    audioMasterGetInputSpeakerArrangement
};
static_assert(audioMasterGetInputSpeakerArrangement == 49);

// Effect flags: the value of each name is its published bit number; the flags word is TEffFlags::Bits().
enum TEffFlag : unsigned
{
    effFlagsHasEditor = 0,
    effFlagsHasClip = 1,
    effFlagsHasVu = 2,
    effFlagsCanMono = 3,
    effFlagsCanReplacing = 4,
    effFlagsProgramChunks = 5,
    effFlagsUnused1 = 6,
    effFlagsUnused2 = 7,
    effFlagsIsSynth = 8,
    effFlagsNoSoundInStop = 9,
    effFlagsExtIsAsync = 10,
    effFlagsExtHasBuffer = 11,
    effFlagsCanDoubleReplacing = 12
};
using TEffFlags = TEnumSet<TEffFlag>;

enum TVstPluginCategory : VstInt32
{
    vpcUnknown, vpcEffect, vpcSynth, vpcAnalysis, vpcMastering, vpcSpacializer, vpcRoomFx, vpcSurroundFx,
    vpcRestoration, vpcOfflineProcess, vpcShell, vpcGenerator
};

enum TVstHostLanguage : VstInt32
{
    kVstLangUnknown, kVstLangEnglish, kVstLangGerman, kVstLangFrench, kVstLangItalian, kVstLangSpanish,
    kVstLangJapanese
};

// Parameter-properties flags: bit positions; the flags field is TVstParameterPropertiesFlags::Bits().
enum TVstParameterPropertiesFlag : unsigned
{
    kVstParameterIsSwitch, kVstParameterUsesIntegerMinMax, kVstParameterUsesFloatStep,
    kVstParameterUsesIntStep, kVstParameterSupportsDisplayIndex, kVstParameterSupportsDisplayCategory,
    kVstParameterCanRamp
};
using TVstParameterPropertiesFlags = TEnumSet<TVstParameterPropertiesFlag>;

// Time-information flags: bit positions 0 to 15.
enum TVstTimeInfoFlag : unsigned
{
    vtiTransportChanged, vtiTransportPlaying, vtiTransportCycleActive, vtiTransportRecording,
    vtiTransportUnused1, vtiTransportUnused2, vtiAutomationWriting, vtiAutomationReading, vtiNanosValid,
    vtiPpqPosValid, vtiTempoValid, vtiBarsValid, vtiCyclePosValid, vtiTimeSigValid, vtiSmpteValid,
    vtiClockValid
};
using TVstTimeInfoFlags = TEnumSet<TVstTimeInfoFlag>;

// Plug-in can-do items in enumeration order (the bit positions of TVstCanDos). The order in which effCanDo
// compares the strings is a different one: VstCanDoMatchOrder.
enum TVstCanDo : unsigned
{
    vcdSendVstEvents, vcdSendVstMidiEvent, vcdSendVstTimeInfo, vcdReceiveVstEvents, vcdReceiveVstMidiEvent,
    vcdReceiveVstTimeInfo, vcdOffline, vcdPlugAsChannelInsert, vcdPlugAsSend, vcdMixDryWet, vcdNoRealTime,
    vcdMultipass, vcdMetapass, vcd1in1out, vcd1in2out, vcd2in1out, vcd2in2out, vcd2in4out, vcd4in2out,
    vcd4in4out, vcd4in8out, vcd8in4out, vcd8in8out, vcdMidiProgramNames, vcdLiveWithoutToolbar,
    vcdConformsToWindowRules, vcdBypass
};
using TVstCanDos = TEnumSet<TVstCanDo>;

struct TVstCanDoString
{
    TVstCanDo Item;
    const char* Text;
};
// The 27 can-do strings in the order effCanDo compares them (exact, case-sensitive; the first match decides).
inline constexpr TVstCanDoString VstCanDoMatchOrder[27] = {
    {vcdReceiveVstEvents, "receiveVstEvents"}, {vcdReceiveVstMidiEvent, "receiveVstMidiEvent"},
    {vcdReceiveVstTimeInfo, "receiveVstTimeInfo"}, {vcdSendVstEvents, "sendVstEvents"},
    {vcdSendVstMidiEvent, "sendVstMidiEvent"}, {vcdSendVstTimeInfo, "sendVstTimeInfo"},
    {vcdOffline, "offline"}, {vcdPlugAsChannelInsert, "plugAsChannelInsert"}, {vcdPlugAsSend, "plugAsSend"},
    {vcdMixDryWet, "mixDryWet"}, {vcdNoRealTime, "noRealTime"}, {vcdMultipass, "multipass"},
    {vcdMetapass, "metapass"}, {vcd1in1out, "1in1out"}, {vcd1in2out, "1in2out"}, {vcd2in1out, "2in1out"},
    {vcd2in2out, "2in2out"}, {vcd2in4out, "2in4out"}, {vcd4in2out, "4in2out"}, {vcd4in4out, "4in4out"},
    {vcd4in8out, "4in8out"}, {vcd8in4out, "8in4out"}, {vcd8in8out, "8in8out"},
    {vcdMidiProgramNames, "midiProgramNames"}, {vcdConformsToWindowRules, "conformsToWindowRules"},
    {vcdLiveWithoutToolbar, "LiveWithoutToolbar"}, {vcdBypass, "bypass"}};

// Host can-do items in enumeration order, and their strings (indexed by the item).
enum THostCanDo : unsigned
{
    hcdSendVstEvents, hcdSendVstMidiEvent, hcdSendVstTimeInfo, hcdReceiveVstEvents, hcdReceiveVstMidiEvent,
    hcdReceiveVstTimeInfo, hcdReportConnectionChanges, hcdAcceptIOChanges, hcdSizeWindow,
    hcdAsyncProcessing, hcdOffline, hcdSupplyIdle, hcdSupportShell, hcdOpenFileSelector,
    hcdCloseFileSelector, hcdEditFile, hcdShellCategory, hcdStartStopProcess
};
using THostCanDos = TEnumSet<THostCanDo>;
inline constexpr const char* HostCanDoStrings[18] = {
    "sendVstEvents", "sendVstMidiEvent", "sendVstTimeInfo", "receiveVstEvents", "receiveVstMidiEvent",
    "receiveVstTimeInfo", "reportConnectionChanges", "acceptIOChanges", "sizeWindow", "asyncProcessing",
    "offline", "supplyIdle", "supportShell", "openFileSelector", "closeFileSelector", "editFile",
    "shellCategory", "startStopProcess"};

// Pin flags of VstPinProperties.flags.
enum : VstInt32
{
    kVstPinIsActive = 1,
    kVstPinIsStereo = 2,
    kVstPinUseSpeaker = 4
};

// The framework's own pin flag set: cpfIsActive 1, cpfIsStereo 2, cpfUseSpeaker 4.
enum TChannelPropertyFlag : unsigned
{
    cpfIsActive, cpfIsStereo, cpfUseSpeaker
};
using TChannelPropertyFlags = TEnumSet<TChannelPropertyFlag>;

// Event types of VstEvent.type.
enum : VstInt32
{
    kVstMidiType = 1
};

// The magic word of AEffect: 'VstP' read as a big-endian number.
inline constexpr VstInt32 kEffectMagic = 0x56737450;

// A four-character identifier as a number, first character in the most significant byte.
constexpr VstInt32 FourCharCode(const char (&Text)[5])
{
    return static_cast<VstInt32>((std::uint32_t(std::uint8_t(Text[0])) << 24) |
                                 (std::uint32_t(std::uint8_t(Text[1])) << 16) |
                                 (std::uint32_t(std::uint8_t(Text[2])) << 8) | std::uint32_t(std::uint8_t(Text[3])));
}

// ---------------------------------------------------------------------------------------------------------
// Entry points and the effect record

struct AEffect;

using TAudioMasterCallbackFunc = VstIntPtr(VSTCALL*)(AEffect* Effect, VstInt32 Opcode, VstInt32 Index,
                                                     VstIntPtr Value, void* Ptr, float Opt);
using TDispatcherFunc = VstIntPtr(VSTCALL*)(AEffect* Effect, VstInt32 Opcode, VstInt32 Index, VstIntPtr Value,
                                            void* Ptr, float Opt);
using TProcessAudioFunc = void(VSTCALL*)(AEffect* Effect, float** Inputs, float** Outputs, VstInt32 SampleFrames);
using TProcessDoubleFunc = void(VSTCALL*)(AEffect* Effect, double** Inputs, double** Outputs,
                                          VstInt32 SampleFrames);
using TSetParameterFunc = void(VSTCALL*)(AEffect* Effect, VstInt32 Index, float Parameter);
using TGetParameterFunc = float(VSTCALL*)(AEffect* Effect, VstInt32 Index);
// The entry function a plug-in library exports ("main" or "VSTPluginMain").
using TMainProc = AEffect*(VSTCALL*)(TAudioMasterCallbackFunc AudioMaster);

struct AEffect
{
    VstInt32 magic;
    TDispatcherFunc dispatcher;
    TProcessAudioFunc process;
    TSetParameterFunc setParameter;
    TGetParameterFunc getParameter;
    VstInt32 numPrograms;
    VstInt32 numParams;
    VstInt32 numInputs;
    VstInt32 numOutputs;
    VstInt32 flags;
    VstIntPtr resvd1;
    VstIntPtr resvd2;
    VstInt32 initialDelay;
    VstInt32 realQualities;
    VstInt32 offQualities;
    VstInt32 ioRatio; // an integer in this system (1 by default), not a float
    void* object;
    void* user;
    VstInt32 uniqueID;
    VstInt32 version;
    TProcessAudioFunc processReplacing;
    TProcessDoubleFunc processDoubleReplacing;
    char future[56];
};

struct VstParameterProperties
{
    float stepFloat;
    float smallStepFloat;
    float largeStepFloat;
    char label[64];
    VstInt32 flags;
    VstInt32 minInteger;
    VstInt32 maxInteger;
    VstInt32 stepInteger;
    VstInt32 largeStepInteger;
    char shortLabel[8];
    VstInt16 displayIndex;
    VstInt16 category;
    VstInt16 numParametersInCategory;
    VstInt16 reserved;
    char categoryLabel[24];
    char future[16];
};

struct VstPinProperties
{
    char label[64];
    VstInt32 flags;
    VstInt32 arrangementType;
    char shortLabel[8];
    char future[48];
};

struct ERect
{
    VstInt16 top;
    VstInt16 left;
    VstInt16 bottom;
    VstInt16 right;
};

struct VstTimeInfo
{
    double samplePos;
    double sampleRate;
    double nanoSeconds;
    double ppqPos;
    double tempo;
    double barStartPos;
    double cycleStartPos;
    double cycleEndPos;
    VstInt32 timeSigNumerator;
    VstInt32 timeSigDenominator;
    VstInt32 smpteOffset;
    VstInt32 smpteFrameRate;
    VstInt32 samplesToNextClock;
    VstInt32 flags;
};

struct VstEvent
{
    VstInt32 type;
    VstInt32 byteSize;
    VstInt32 deltaFrames;
    VstInt32 flags;
    char data[16];
};

struct TVstMidiEvent
{
    VstInt32 type;     // kVstMidiType
    VstInt32 byteSize; // 24
    VstInt32 deltaFrames;
    VstInt32 flags;
    VstInt32 noteLength;
    VstInt32 noteOffset;
    char midiData[4];
    char detune;
    char noteOffVelocity;
    char reserved1;
    char reserved2;
};
using VstMidiEvent = TVstMidiEvent;

// An event list with room for Capacity event pointers; VstEvents is the published two-slot form that
// crosses the interface (a list of any capacity is passed as a pointer to it).
template <int Capacity>
struct TVstEventList
{
    VstInt32 numEvents;
    VstIntPtr reserved;
    VstEvent* events[Capacity];
};
using VstEvents = TVstEventList<2>;

struct TVstKeyCode
{
    VstInt32 character;
    std::uint8_t virt;
    std::uint8_t modifier;
};
// Modifier bits of TVstKeyCode.modifier.
enum : std::uint8_t
{
    MODIFIER_SHIFT = 1,
    MODIFIER_ALTERNATE = 2,
    MODIFIER_COMMAND = 4,
    MODIFIER_CONTROL = 8
};

struct TVstPatchChunkInfo
{
    VstInt32 version;
    VstInt32 pluginUniqueID;
    VstInt32 pluginVersion;
    VstInt32 numElements;
    char future[48];
};

struct VstSpeakerProperties
{
    float azimuth;
    float elevation;
    float radius;
    float reserved;
    char name[64];
    VstInt32 type;
    char future[28];
};

struct VstSpeakerArrangement
{
    VstInt32 type;
    VstInt32 numChannels;
    VstSpeakerProperties speakers[8]; // numChannels entries follow; 8 is the published minimum room
};

// Offline and variable-I/O records: passed through to event handlers unread.
struct TVstAudioFile
{
    VstInt32 flags;
    void* hostOwned;
    void* plugOwned;
    char name[100];
    VstInt32 uniqueId;
    double sampleRate;
    VstInt32 numChannels;
    double numFrames;
    VstInt32 format;
    double editCursorPosition;
    double selectionStart;
    double selectionSize;
    VstInt32 selectedChannelsMask;
    VstInt32 numMarkers;
    VstInt32 timeRulerUnit;
    double timeRulerOffset;
    double tempo;
    VstInt32 timeSigNumerator;
    VstInt32 timeSigDenominator;
    VstInt32 ticksPerBlackNote;
    VstInt32 smpteFrameRate;
    char future[64];
};

struct TVstOfflineTask
{
    char processName[96];
    double readPosition;
    double writePosition;
    VstInt32 readCount;
    VstInt32 writeCount;
    VstInt32 sizeInputBuffer;
    VstInt32 sizeOutputBuffer;
    void* inputBuffer;
    void* outputBuffer;
    double positionToProcessFrom;
    double numFramesToProcess;
    double maxFramesToWrite;
    void* extraBuffer;
    VstInt32 value;
    VstInt32 index;
    double numFramesInSourceFile;
    double sourceSampleRate;
    double destinationSampleRate;
    VstInt32 numSourceChannels;
    VstInt32 numDestinationChannels;
    VstInt32 sourceFormat;
    VstInt32 destinationFormat;
    char outputText[512];
    double progress;
    VstInt32 progressMode;
    char progressText[100];
    VstInt32 flags;
    VstInt32 returnValue;
    void* hostOwned;
    void* plugOwned;
    char future[1024];
};

struct TVstVariableIo
{
    float** inputs;
    float** outputs;
    VstInt32 numSamplesInput;
    VstInt32 numSamplesOutput;
    VstInt32* numSamplesInputProcessed;
    VstInt32* numSamplesOutputProcessed;
};

// ---------------------------------------------------------------------------------------------------------
// The published 32-bit layouts.

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(AEffect) == 144);
static_assert(offsetof(AEffect, magic) == 0 && offsetof(AEffect, dispatcher) == 4 && offsetof(AEffect, process) == 8);
static_assert(offsetof(AEffect, setParameter) == 12 && offsetof(AEffect, getParameter) == 16);
static_assert(offsetof(AEffect, numPrograms) == 20 && offsetof(AEffect, numParams) == 24);
static_assert(offsetof(AEffect, numInputs) == 28 && offsetof(AEffect, numOutputs) == 32);
static_assert(offsetof(AEffect, flags) == 36 && offsetof(AEffect, resvd1) == 40 && offsetof(AEffect, resvd2) == 44);
static_assert(offsetof(AEffect, initialDelay) == 48 && offsetof(AEffect, realQualities) == 52);
static_assert(offsetof(AEffect, offQualities) == 56 && offsetof(AEffect, ioRatio) == 60);
static_assert(offsetof(AEffect, object) == 64 && offsetof(AEffect, user) == 68);
static_assert(offsetof(AEffect, uniqueID) == 72 && offsetof(AEffect, version) == 76);
static_assert(offsetof(AEffect, processReplacing) == 80 && offsetof(AEffect, processDoubleReplacing) == 84);
static_assert(offsetof(AEffect, future) == 88);

static_assert(sizeof(VstParameterProperties) == 152);
static_assert(offsetof(VstParameterProperties, smallStepFloat) == 4);
static_assert(offsetof(VstParameterProperties, largeStepFloat) == 8);
static_assert(offsetof(VstParameterProperties, label) == 12 && offsetof(VstParameterProperties, flags) == 76);
static_assert(offsetof(VstParameterProperties, minInteger) == 80);
static_assert(offsetof(VstParameterProperties, maxInteger) == 84);
static_assert(offsetof(VstParameterProperties, stepInteger) == 88);
static_assert(offsetof(VstParameterProperties, largeStepInteger) == 92);
static_assert(offsetof(VstParameterProperties, shortLabel) == 96);
static_assert(offsetof(VstParameterProperties, displayIndex) == 104);
static_assert(offsetof(VstParameterProperties, category) == 106);
static_assert(offsetof(VstParameterProperties, numParametersInCategory) == 108);
static_assert(offsetof(VstParameterProperties, reserved) == 110);
static_assert(offsetof(VstParameterProperties, categoryLabel) == 112);
static_assert(offsetof(VstParameterProperties, future) == 136);

static_assert(sizeof(VstPinProperties) == 128);
static_assert(offsetof(VstPinProperties, flags) == 64 && offsetof(VstPinProperties, arrangementType) == 68);
static_assert(offsetof(VstPinProperties, shortLabel) == 72 && offsetof(VstPinProperties, future) == 80);

static_assert(sizeof(ERect) == 8 && offsetof(ERect, left) == 2 && offsetof(ERect, bottom) == 4 &&
              offsetof(ERect, right) == 6);

static_assert(sizeof(VstTimeInfo) == 88);
static_assert(offsetof(VstTimeInfo, sampleRate) == 8 && offsetof(VstTimeInfo, nanoSeconds) == 16);
static_assert(offsetof(VstTimeInfo, ppqPos) == 24 && offsetof(VstTimeInfo, tempo) == 32);
static_assert(offsetof(VstTimeInfo, barStartPos) == 40 && offsetof(VstTimeInfo, cycleStartPos) == 48);
static_assert(offsetof(VstTimeInfo, cycleEndPos) == 56 && offsetof(VstTimeInfo, timeSigNumerator) == 64);
static_assert(offsetof(VstTimeInfo, timeSigDenominator) == 68 && offsetof(VstTimeInfo, smpteOffset) == 72);
static_assert(offsetof(VstTimeInfo, smpteFrameRate) == 76 && offsetof(VstTimeInfo, samplesToNextClock) == 80);
static_assert(offsetof(VstTimeInfo, flags) == 84);

static_assert(sizeof(VstEvent) == 32);
static_assert(sizeof(TVstMidiEvent) == 32);
static_assert(offsetof(TVstMidiEvent, deltaFrames) == 8 && offsetof(TVstMidiEvent, flags) == 12);
static_assert(offsetof(TVstMidiEvent, noteLength) == 16 && offsetof(TVstMidiEvent, noteOffset) == 20);
static_assert(offsetof(TVstMidiEvent, midiData) == 24 && offsetof(TVstMidiEvent, detune) == 28);
static_assert(offsetof(TVstMidiEvent, noteOffVelocity) == 29 && offsetof(TVstMidiEvent, reserved1) == 30);
static_assert(offsetof(TVstMidiEvent, reserved2) == 31);
static_assert(offsetof(VstEvents, numEvents) == 0 && offsetof(VstEvents, reserved) == 4);
static_assert(offsetof(VstEvents, events) == 8 && sizeof(VstEvents) == 16);

static_assert(sizeof(TVstKeyCode) == 8 && offsetof(TVstKeyCode, virt) == 4 && offsetof(TVstKeyCode, modifier) == 5);

static_assert(sizeof(TVstPatchChunkInfo) == 64);
static_assert(offsetof(TVstPatchChunkInfo, pluginUniqueID) == 4 && offsetof(TVstPatchChunkInfo, pluginVersion) == 8);
static_assert(offsetof(TVstPatchChunkInfo, numElements) == 12 && offsetof(TVstPatchChunkInfo, future) == 16);

static_assert(sizeof(VstSpeakerProperties) == 112);
static_assert(offsetof(VstSpeakerProperties, name) == 16 && offsetof(VstSpeakerProperties, type) == 80);
static_assert(offsetof(VstSpeakerProperties, future) == 84);
static_assert(offsetof(VstSpeakerArrangement, numChannels) == 4 && offsetof(VstSpeakerArrangement, speakers) == 8);

static_assert(sizeof(TVstVariableIo) == 24);
static_assert(offsetof(TVstVariableIo, numSamplesInput) == 8 && offsetof(TVstVariableIo, numSamplesOutput) == 12);
static_assert(offsetof(TVstVariableIo, numSamplesInputProcessed) == 16);
static_assert(offsetof(TVstVariableIo, numSamplesOutputProcessed) == 20);

// Doubles are 8-aligned in Windows records, also on i686.
static_assert(sizeof(TVstAudioFile) == 288);
static_assert(offsetof(TVstAudioFile, hostOwned) == 4 && offsetof(TVstAudioFile, plugOwned) == 8);
static_assert(offsetof(TVstAudioFile, name) == 12 && offsetof(TVstAudioFile, uniqueId) == 112);
static_assert(offsetof(TVstAudioFile, sampleRate) == 120 && offsetof(TVstAudioFile, numChannels) == 128);
static_assert(offsetof(TVstAudioFile, numFrames) == 136 && offsetof(TVstAudioFile, format) == 144);
static_assert(offsetof(TVstAudioFile, editCursorPosition) == 152);
static_assert(offsetof(TVstAudioFile, selectedChannelsMask) == 176);
static_assert(offsetof(TVstAudioFile, timeRulerOffset) == 192 && offsetof(TVstAudioFile, tempo) == 200);
static_assert(offsetof(TVstAudioFile, smpteFrameRate) == 220 && offsetof(TVstAudioFile, future) == 224);

static_assert(sizeof(TVstOfflineTask) == 1880);
static_assert(offsetof(TVstOfflineTask, readPosition) == 96 && offsetof(TVstOfflineTask, readCount) == 112);
static_assert(offsetof(TVstOfflineTask, inputBuffer) == 128 && offsetof(TVstOfflineTask, outputBuffer) == 132);
static_assert(offsetof(TVstOfflineTask, positionToProcessFrom) == 136);
static_assert(offsetof(TVstOfflineTask, extraBuffer) == 160 && offsetof(TVstOfflineTask, value) == 164);
static_assert(offsetof(TVstOfflineTask, numFramesInSourceFile) == 176);
static_assert(offsetof(TVstOfflineTask, numSourceChannels) == 200 && offsetof(TVstOfflineTask, outputText) == 216);
static_assert(offsetof(TVstOfflineTask, progress) == 728 && offsetof(TVstOfflineTask, progressMode) == 736);
static_assert(offsetof(TVstOfflineTask, progressText) == 740 && offsetof(TVstOfflineTask, flags) == 840);
static_assert(offsetof(TVstOfflineTask, hostOwned) == 848 && offsetof(TVstOfflineTask, plugOwned) == 852);
static_assert(offsetof(TVstOfflineTask, future) == 856);

// ---------------------------------------------------------------------------------------------------------
// The published 64-bit layouts (Windows x64; x86-64 Linux lays the records out the same way). Pointer-sized
// fields are pointers or VstIntPtr, never long (32 bits on Windows x64).

#elif defined(_WIN64) || defined(__x86_64__)
static_assert(sizeof(AEffect) == 192);
static_assert(offsetof(AEffect, magic) == 0 && offsetof(AEffect, dispatcher) == 8 && offsetof(AEffect, process) == 16);
static_assert(offsetof(AEffect, setParameter) == 24 && offsetof(AEffect, getParameter) == 32);
static_assert(offsetof(AEffect, numPrograms) == 40 && offsetof(AEffect, numParams) == 44);
static_assert(offsetof(AEffect, numInputs) == 48 && offsetof(AEffect, numOutputs) == 52);
static_assert(offsetof(AEffect, flags) == 56 && offsetof(AEffect, resvd1) == 64 && offsetof(AEffect, resvd2) == 72);
static_assert(offsetof(AEffect, initialDelay) == 80 && offsetof(AEffect, realQualities) == 84);
static_assert(offsetof(AEffect, offQualities) == 88 && offsetof(AEffect, ioRatio) == 92);
static_assert(offsetof(AEffect, object) == 96 && offsetof(AEffect, user) == 104);
static_assert(offsetof(AEffect, uniqueID) == 112 && offsetof(AEffect, version) == 116);
static_assert(offsetof(AEffect, processReplacing) == 120 && offsetof(AEffect, processDoubleReplacing) == 128);
static_assert(offsetof(AEffect, future) == 136);

// Records without pointers keep their 32-bit layout.
static_assert(sizeof(VstParameterProperties) == 152 && offsetof(VstParameterProperties, flags) == 76);
static_assert(offsetof(VstParameterProperties, categoryLabel) == 112);
static_assert(offsetof(VstParameterProperties, future) == 136);
static_assert(sizeof(VstPinProperties) == 128 && offsetof(VstPinProperties, shortLabel) == 72);
static_assert(sizeof(ERect) == 8 && offsetof(ERect, right) == 6);
static_assert(sizeof(VstTimeInfo) == 88 && offsetof(VstTimeInfo, flags) == 84);
static_assert(sizeof(VstEvent) == 32 && sizeof(TVstMidiEvent) == 32 && offsetof(TVstMidiEvent, detune) == 28);
static_assert(sizeof(TVstKeyCode) == 8 && offsetof(TVstKeyCode, modifier) == 5);
static_assert(sizeof(TVstPatchChunkInfo) == 64 && offsetof(TVstPatchChunkInfo, future) == 16);
static_assert(sizeof(VstSpeakerProperties) == 112 && offsetof(VstSpeakerProperties, future) == 84);
static_assert(sizeof(VstSpeakerArrangement) == 904 && offsetof(VstSpeakerArrangement, speakers) == 8);

static_assert(offsetof(VstEvents, numEvents) == 0 && offsetof(VstEvents, reserved) == 8);
static_assert(offsetof(VstEvents, events) == 16 && sizeof(VstEvents) == 32);

static_assert(sizeof(TVstVariableIo) == 40);
static_assert(offsetof(TVstVariableIo, outputs) == 8 && offsetof(TVstVariableIo, numSamplesInput) == 16);
static_assert(offsetof(TVstVariableIo, numSamplesOutput) == 20);
static_assert(offsetof(TVstVariableIo, numSamplesInputProcessed) == 24);
static_assert(offsetof(TVstVariableIo, numSamplesOutputProcessed) == 32);

static_assert(sizeof(TVstAudioFile) == 296);
static_assert(offsetof(TVstAudioFile, hostOwned) == 8 && offsetof(TVstAudioFile, plugOwned) == 16);
static_assert(offsetof(TVstAudioFile, name) == 24 && offsetof(TVstAudioFile, uniqueId) == 124);
static_assert(offsetof(TVstAudioFile, sampleRate) == 128 && offsetof(TVstAudioFile, numChannels) == 136);
static_assert(offsetof(TVstAudioFile, numFrames) == 144 && offsetof(TVstAudioFile, format) == 152);
static_assert(offsetof(TVstAudioFile, editCursorPosition) == 160);
static_assert(offsetof(TVstAudioFile, selectedChannelsMask) == 184);
static_assert(offsetof(TVstAudioFile, timeRulerOffset) == 200 && offsetof(TVstAudioFile, tempo) == 208);
static_assert(offsetof(TVstAudioFile, smpteFrameRate) == 228 && offsetof(TVstAudioFile, future) == 232);

static_assert(sizeof(TVstOfflineTask) == 1896);
static_assert(offsetof(TVstOfflineTask, readPosition) == 96 && offsetof(TVstOfflineTask, readCount) == 112);
static_assert(offsetof(TVstOfflineTask, inputBuffer) == 128 && offsetof(TVstOfflineTask, outputBuffer) == 136);
static_assert(offsetof(TVstOfflineTask, positionToProcessFrom) == 144);
static_assert(offsetof(TVstOfflineTask, extraBuffer) == 168 && offsetof(TVstOfflineTask, value) == 176);
static_assert(offsetof(TVstOfflineTask, numFramesInSourceFile) == 184);
static_assert(offsetof(TVstOfflineTask, numSourceChannels) == 208 && offsetof(TVstOfflineTask, outputText) == 224);
static_assert(offsetof(TVstOfflineTask, progress) == 736 && offsetof(TVstOfflineTask, progressMode) == 744);
static_assert(offsetof(TVstOfflineTask, progressText) == 748 && offsetof(TVstOfflineTask, flags) == 848);
static_assert(offsetof(TVstOfflineTask, hostOwned) == 856 && offsetof(TVstOfflineTask, plugOwned) == 864);
static_assert(offsetof(TVstOfflineTask, future) == 872);
#endif
