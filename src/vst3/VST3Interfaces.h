#pragma once
// The VST 3 binary interface as far as Marvo uses it, written from the published interface definitions:
// interface identifiers, method order, records and result codes. Interfaces are abstract classes with no
// data and no virtual destructor, so their virtual tables are the COM-style tables hosts call through (one
// table pointer per interface; g++ lays them out the way every VST 3 host expects on Linux and Windows).
//
// Calling convention: 32-bit Windows calls every method __stdcall; elsewhere the platform's default.
// Identifiers: the four 32-bit words are stored big-endian on Linux; on Windows the first eight bytes follow
// the COM GUID layout (a little-endian 32-bit word, then two little-endian 16-bit words), the rest as on Linux.
// Every identifier of an interface Ardour 7 also uses was compared byte for byte with the one in its memory.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(_WIN32) && !defined(_WIN64)
#define VST3CALL __stdcall
#else
#define VST3CALL
#endif

namespace VST3Marvo
{

static_assert(std::endian::native == std::endian::little, "VST 3 records are read as little-endian here");

using int8 = std::int8_t;
using uint8 = std::uint8_t;
using int16 = std::int16_t;
using int32 = std::int32_t;
using uint32 = std::uint32_t;
using int64 = std::int64_t;
using uint64 = std::uint64_t;
using tresult = std::int32_t;
using TBool = std::uint8_t;
using char16 = char16_t;
using TUID = char[16];
using FIDString = const char*;
using ParamID = std::uint32_t;
using ParamValue = double;
using SpeakerArrangement = std::uint64_t;
using String128 = char16[128];
using Sample32 = float;
using Sample64 = double;

#if defined(_WIN32)
inline constexpr tresult kNoInterface = static_cast<tresult>(0x80004002L);
inline constexpr tresult kResultOk = 0;
inline constexpr tresult kResultTrue = 0;
inline constexpr tresult kResultFalse = 1;
inline constexpr tresult kInvalidArgument = static_cast<tresult>(0x80070057L);
inline constexpr tresult kNotImplemented = static_cast<tresult>(0x80004001L);
inline constexpr tresult kInternalError = static_cast<tresult>(0x80004005L);
inline constexpr tresult kNotInitialized = static_cast<tresult>(0x8000FFFFL);
inline constexpr tresult kOutOfMemory = static_cast<tresult>(0x8007000EL);
#else
inline constexpr tresult kNoInterface = -1;
inline constexpr tresult kResultOk = 0;
inline constexpr tresult kResultTrue = 0;
inline constexpr tresult kResultFalse = 1;
inline constexpr tresult kInvalidArgument = 2;
inline constexpr tresult kNotImplemented = 3;
inline constexpr tresult kInternalError = 4;
inline constexpr tresult kNotInitialized = 5;
inline constexpr tresult kOutOfMemory = 6;
#endif

// An interface or class identifier in the byte order of this platform.
struct TInterfaceId
{
    char Bytes[16];
};

// [any] The identifier written as four 32-bit words, in this platform's byte order.
constexpr TInterfaceId MakeInterfaceId(uint32 L1, uint32 L2, uint32 L3, uint32 L4)
{
    TInterfaceId Id{};
    auto Put = [&Id](int At, uint32 Word) {
        for (int I = 0; I < 4; ++I)
            Id.Bytes[At + I] = static_cast<char>((Word >> (24 - 8 * I)) & 0xFF);
    };
#if defined(_WIN32)
    const uint32 Data1 = L1, Data2 = L2 >> 16, Data3 = L2 & 0xFFFF;
    for (int I = 0; I < 4; ++I)
        Id.Bytes[I] = static_cast<char>((Data1 >> (8 * I)) & 0xFF);
    Id.Bytes[4] = static_cast<char>(Data2 & 0xFF);
    Id.Bytes[5] = static_cast<char>(Data2 >> 8);
    Id.Bytes[6] = static_cast<char>(Data3 & 0xFF);
    Id.Bytes[7] = static_cast<char>(Data3 >> 8);
#else
    Put(0, L1);
    Put(4, L2);
#endif
    Put(8, L3);
    Put(12, L4);
    return Id;
}

// [any] Whether a host's 16 bytes name the identifier Id (false for null).
inline bool SameId(const char* Bytes, const TInterfaceId& Id)
{
    return Bytes && std::memcmp(Bytes, Id.Bytes, sizeof Id.Bytes) == 0;
}

inline constexpr TInterfaceId kFUnknownIid = MakeInterfaceId(0x00000000, 0x00000000, 0xC0000000, 0x00000046);
inline constexpr TInterfaceId kIPluginBaseIid = MakeInterfaceId(0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625);
inline constexpr TInterfaceId kIPluginFactoryIid = MakeInterfaceId(0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F);
inline constexpr TInterfaceId kIPluginFactory2Iid = MakeInterfaceId(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB);
// Not used by Ardour 7, so not checked against a host.
inline constexpr TInterfaceId kIPluginFactory3Iid = MakeInterfaceId(0x4555A2AB, 0xC1234E0D, 0xA76D2A6E, 0xC3A0D3C0);
inline constexpr TInterfaceId kIComponentIid = MakeInterfaceId(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);
inline constexpr TInterfaceId kIAudioProcessorIid = MakeInterfaceId(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);
inline constexpr TInterfaceId kIEditControllerIid = MakeInterfaceId(0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E);
inline constexpr TInterfaceId kIConnectionPointIid = MakeInterfaceId(0x70A4156F, 0x6E6E4026, 0x989148BF, 0xAA60D8D1);
inline constexpr TInterfaceId kIBStreamIid = MakeInterfaceId(0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B);
inline constexpr TInterfaceId kIParameterChangesIid = MakeInterfaceId(0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D);
inline constexpr TInterfaceId kIParamValueQueueIid = MakeInterfaceId(0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA);
inline constexpr TInterfaceId kIComponentHandlerIid = MakeInterfaceId(0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6);
inline constexpr TInterfaceId kIHostApplicationIid = MakeInterfaceId(0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5);
inline constexpr TInterfaceId kIPlugViewIid = MakeInterfaceId(0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29);
inline constexpr TInterfaceId kIPlugFrameIid = MakeInterfaceId(0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3);
inline constexpr TInterfaceId kIMessageIid = MakeInterfaceId(0x936F033B, 0xC6C047DB, 0xBB0882F8, 0x13C1E613);
inline constexpr TInterfaceId kIRunLoopIid = MakeInterfaceId(0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389);
// The content-scale identifier, read twice: from a Debian-built VST 3 view (the view's queryInterface in
// zam-plugins' ZamEQ2.so compares the asked identifier with four constants, three of them FUnknown, IPlugView
// and IConnectionPoint as above, and the fourth gives the object whose one method takes the host's factor),
// and from Ardour 7's memory, which holds the same 16 bytes under the name of the interface it asks views
// for their scaling (Presonus::IPlugInViewScaling, one method taking the factor as a float). One identifier
// serves both names.
inline constexpr TInterfaceId kIPlugViewContentScaleSupportIid =
    MakeInterfaceId(0x65ED9690, 0x8AC44525, 0x8AADEF7A, 0x72EA703F);
// Not used by Ardour 7 (hosts call these handlers without asking), so not checked against a host.
inline constexpr TInterfaceId kIEventHandlerIid = MakeInterfaceId(0x561E65C9, 0x13A0496F, 0x813A2C35, 0x654D7983);
inline constexpr TInterfaceId kITimerHandlerIid = MakeInterfaceId(0x10BDD94F, 0x41424774, 0x821FAD8F, 0xECA72CA9);

// Result of a call that answers a yes or a no.
inline constexpr tresult Answer(bool Yes) { return Yes ? kResultTrue : kResultFalse; }

class FUnknown
{
public:
    virtual tresult VST3CALL queryInterface(const TUID Iid, void** Object) = 0;
    virtual uint32 VST3CALL addRef() = 0;
    virtual uint32 VST3CALL release() = 0;
};

class IPluginBase : public FUnknown
{
public:
    virtual tresult VST3CALL initialize(FUnknown* Context) = 0;
    virtual tresult VST3CALL terminate() = 0;
};

class IBStream : public FUnknown
{
public:
    enum { kIBSeekSet = 0, kIBSeekCur = 1, kIBSeekEnd = 2 };
    virtual tresult VST3CALL read(void* Buffer, int32 NumBytes, int32* NumBytesRead) = 0;
    virtual tresult VST3CALL write(void* Buffer, int32 NumBytes, int32* NumBytesWritten) = 0;
    virtual tresult VST3CALL seek(int64 Pos, int32 Mode, int64* Result) = 0;
    virtual tresult VST3CALL tell(int64* Pos) = 0;
};

// ---- The factory and its class information ----

struct PFactoryInfo
{
    enum { kNoFlags = 0, kClassesDiscardable = 1, kLicenseCheck = 2, kComponentNonDiscardable = 8, kUnicode = 16 };
    char vendor[64];
    char url[256];
    char email[128];
    int32 flags;
};

struct PClassInfo
{
    enum { kManyInstances = 0x7FFFFFFF };
    TUID cid;
    int32 cardinality;
    char category[32];
    char name[64];
};

struct PClassInfo2
{
    TUID cid;
    int32 cardinality;
    char category[32];
    char name[64];
    uint32 classFlags;
    char subCategories[128];
    char vendor[64];
    char version[64];
    char sdkVersion[64];
};

struct PClassInfoW
{
    TUID cid;
    int32 cardinality;
    char category[32];
    char16 name[64];
    uint32 classFlags;
    char subCategories[128];
    char16 vendor[64];
    char16 version[64];
    char16 sdkVersion[64];
};

class IPluginFactory : public FUnknown
{
public:
    virtual tresult VST3CALL getFactoryInfo(PFactoryInfo* Info) = 0;
    virtual int32 VST3CALL countClasses() = 0;
    virtual tresult VST3CALL getClassInfo(int32 Index, PClassInfo* Info) = 0;
    virtual tresult VST3CALL createInstance(FIDString Cid, FIDString Iid, void** Object) = 0;
};

class IPluginFactory2 : public IPluginFactory
{
public:
    virtual tresult VST3CALL getClassInfo2(int32 Index, PClassInfo2* Info) = 0;
};

class IPluginFactory3 : public IPluginFactory2
{
public:
    virtual tresult VST3CALL getClassInfoUnicode(int32 Index, PClassInfoW* Info) = 0;
    virtual tresult VST3CALL setHostContext(FUnknown* Context) = 0;
};

// ---- Component, buses and processing ----

enum MediaTypes : int32 { kAudio = 0, kEvent = 1 };
enum BusDirections : int32 { kInput = 0, kOutput = 1 };
enum BusTypes : int32 { kMain = 0, kAux = 1 };
enum SymbolicSampleSizes : int32 { kSample32 = 0, kSample64 = 1 };
inline constexpr SpeakerArrangement kSpeakerArrMono = 1ULL << 19; // the centre speaker alone
inline constexpr SpeakerArrangement kSpeakerArrStereo = 0x3;      // left and right

struct BusInfo
{
    enum { kDefaultActive = 1 };
    int32 mediaType;
    int32 direction;
    int32 channelCount;
    String128 name;
    int32 busType;
    uint32 flags;
};

struct RoutingInfo
{
    int32 mediaType;
    int32 busIndex;
    int32 channel;
};

class IComponent : public IPluginBase
{
public:
    virtual tresult VST3CALL getControllerClassId(TUID ClassId) = 0;
    virtual tresult VST3CALL setIoMode(int32 Mode) = 0;
    virtual int32 VST3CALL getBusCount(int32 Type, int32 Direction) = 0;
    virtual tresult VST3CALL getBusInfo(int32 Type, int32 Direction, int32 Index, BusInfo& Bus) = 0;
    virtual tresult VST3CALL getRoutingInfo(RoutingInfo& InInfo, RoutingInfo& OutInfo) = 0;
    virtual tresult VST3CALL activateBus(int32 Type, int32 Direction, int32 Index, TBool State) = 0;
    virtual tresult VST3CALL setActive(TBool State) = 0;
    virtual tresult VST3CALL setState(IBStream* State) = 0;
    virtual tresult VST3CALL getState(IBStream* State) = 0;
};

struct ProcessSetup
{
    int32 processMode;
    int32 symbolicSampleSize;
    int32 maxSamplesPerBlock;
    double sampleRate;
};

struct AudioBusBuffers
{
    int32 numChannels;
    uint64 silenceFlags;
    union
    {
        Sample32** channelBuffers32;
        Sample64** channelBuffers64;
    };
};

class IParamValueQueue : public FUnknown
{
public:
    virtual ParamID VST3CALL getParameterId() = 0;
    virtual int32 VST3CALL getPointCount() = 0;
    virtual tresult VST3CALL getPoint(int32 Index, int32& SampleOffset, ParamValue& Value) = 0;
    virtual tresult VST3CALL addPoint(int32 SampleOffset, ParamValue Value, int32& Index) = 0;
};

class IParameterChanges : public FUnknown
{
public:
    virtual int32 VST3CALL getParameterCount() = 0;
    virtual IParamValueQueue* VST3CALL getParameterData(int32 Index) = 0;
    virtual IParamValueQueue* VST3CALL addParameterData(const ParamID& Id, int32& Index) = 0;
};

struct ProcessData
{
    int32 processMode;
    int32 symbolicSampleSize;
    int32 numSamples;
    int32 numInputs;
    int32 numOutputs;
    AudioBusBuffers* inputs;
    AudioBusBuffers* outputs;
    IParameterChanges* inputParameterChanges;
    IParameterChanges* outputParameterChanges;
    void* inputEvents;  // IEventList: the equaliser has no event buses
    void* outputEvents;
    void* processContext;
};

class IAudioProcessor : public FUnknown
{
public:
    virtual tresult VST3CALL setBusArrangements(SpeakerArrangement* Inputs, int32 NumIns,
                                                SpeakerArrangement* Outputs, int32 NumOuts) = 0;
    virtual tresult VST3CALL getBusArrangement(int32 Direction, int32 Index, SpeakerArrangement& Arrangement) = 0;
    virtual tresult VST3CALL canProcessSampleSize(int32 SymbolicSampleSize) = 0;
    virtual uint32 VST3CALL getLatencySamples() = 0;
    virtual tresult VST3CALL setupProcessing(ProcessSetup& Setup) = 0;
    virtual tresult VST3CALL setProcessing(TBool State) = 0;
    virtual tresult VST3CALL process(ProcessData& Data) = 0;
    virtual uint32 VST3CALL getTailSamples() = 0;
};

// ---- The controller ----

struct ParameterInfo
{
    enum { kNoFlags = 0, kCanAutomate = 1, kIsReadOnly = 2, kIsWrapAround = 4, kIsList = 8, kIsHidden = 16,
           kIsProgramChange = 0x8000, kIsBypass = 0x10000 };
    ParamID id;
    String128 title;
    String128 shortTitle;
    String128 units;
    int32 stepCount;
    ParamValue defaultNormalizedValue;
    int32 unitId;
    int32 flags;
};

class IComponentHandler : public FUnknown
{
public:
    enum RestartFlags { kReloadComponent = 1, kIoChanged = 2, kParamValuesChanged = 4, kLatencyChanged = 8,
                        kParamTitlesChanged = 16 };
    virtual tresult VST3CALL beginEdit(ParamID Id) = 0;
    virtual tresult VST3CALL performEdit(ParamID Id, ParamValue ValueNormalized) = 0;
    virtual tresult VST3CALL endEdit(ParamID Id) = 0;
    virtual tresult VST3CALL restartComponent(int32 Flags) = 0;
};

// ---- The editor's view ----

inline constexpr const char* kPlatformTypeHWND = "HWND";
inline constexpr const char* kPlatformTypeX11EmbedWindowID = "X11EmbedWindowID";

struct ViewRect
{
    int32 left;
    int32 top;
    int32 right;
    int32 bottom;
};

class IPlugView;

class IPlugFrame : public FUnknown
{
public:
    virtual tresult VST3CALL resizeView(IPlugView* View, ViewRect* NewSize) = 0;
};

class IPlugView : public FUnknown
{
public:
    virtual tresult VST3CALL isPlatformTypeSupported(FIDString Type) = 0;
    virtual tresult VST3CALL attached(void* Parent, FIDString Type) = 0;
    virtual tresult VST3CALL removed() = 0;
    virtual tresult VST3CALL onWheel(float Distance) = 0;
    virtual tresult VST3CALL onKeyDown(char16 Key, int16 KeyCode, int16 Modifiers) = 0;
    virtual tresult VST3CALL onKeyUp(char16 Key, int16 KeyCode, int16 Modifiers) = 0;
    virtual tresult VST3CALL getSize(ViewRect* Size) = 0;
    virtual tresult VST3CALL onSize(ViewRect* NewSize) = 0;
    virtual tresult VST3CALL onFocus(TBool State) = 0;
    virtual tresult VST3CALL setFrame(IPlugFrame* Frame) = 0;
    virtual tresult VST3CALL canResize() = 0;
    virtual tresult VST3CALL checkSizeConstraint(ViewRect* Rect) = 0;
};

// The host's scale factor for a view's contents (its display's scaling), asked of the view by the host.
class IPlugViewContentScaleSupport : public FUnknown
{
public:
    virtual tresult VST3CALL setContentScaleFactor(float Factor) = 0;
};

// The Linux host's run loop, which drives a view's windows on the host's UI thread.
using FileDescriptor = int;
using TimerInterval = uint64;

class IEventHandler : public FUnknown
{
public:
    virtual void VST3CALL onFDIsSet(FileDescriptor Fd) = 0;
};

class ITimerHandler : public FUnknown
{
public:
    virtual void VST3CALL onTimer() = 0;
};

class IRunLoop : public FUnknown
{
public:
    virtual tresult VST3CALL registerEventHandler(IEventHandler* Handler, FileDescriptor Fd) = 0;
    virtual tresult VST3CALL unregisterEventHandler(IEventHandler* Handler) = 0;
    virtual tresult VST3CALL registerTimer(ITimerHandler* Handler, TimerInterval Milliseconds) = 0;
    virtual tresult VST3CALL unregisterTimer(ITimerHandler* Handler) = 0;
};

class IEditController : public IPluginBase
{
public:
    virtual tresult VST3CALL setComponentState(IBStream* State) = 0;
    virtual tresult VST3CALL setState(IBStream* State) = 0;
    virtual tresult VST3CALL getState(IBStream* State) = 0;
    virtual int32 VST3CALL getParameterCount() = 0;
    virtual tresult VST3CALL getParameterInfo(int32 ParamIndex, ParameterInfo& Info) = 0;
    virtual tresult VST3CALL getParamStringByValue(ParamID Id, ParamValue ValueNormalized, String128 String) = 0;
    virtual tresult VST3CALL getParamValueByString(ParamID Id, char16* String, ParamValue& ValueNormalized) = 0;
    virtual ParamValue VST3CALL normalizedParamToPlain(ParamID Id, ParamValue ValueNormalized) = 0;
    virtual ParamValue VST3CALL plainParamToNormalized(ParamID Id, ParamValue PlainValue) = 0;
    virtual ParamValue VST3CALL getParamNormalized(ParamID Id) = 0;
    virtual tresult VST3CALL setParamNormalized(ParamID Id, ParamValue Value) = 0;
    virtual tresult VST3CALL setComponentHandler(IComponentHandler* Handler) = 0;
    virtual IPlugView* VST3CALL createView(FIDString Name) = 0;
};

class IMessage;

class IConnectionPoint : public FUnknown
{
public:
    virtual tresult VST3CALL connect(IConnectionPoint* Other) = 0;
    virtual tresult VST3CALL disconnect(IConnectionPoint* Other) = 0;
    virtual tresult VST3CALL notify(IMessage* Message) = 0;
};

// ---- Record layouts, as hosts built for i686 and x86-64 lay them out ----

static_assert(sizeof(char16) == 2 && sizeof(TUID) == 16);
static_assert(sizeof(PFactoryInfo) == 452 && offsetof(PFactoryInfo, flags) == 448);
static_assert(sizeof(PClassInfo) == 116 && offsetof(PClassInfo, category) == 20 && offsetof(PClassInfo, name) == 52);
static_assert(sizeof(PClassInfo2) == 440 && offsetof(PClassInfo2, classFlags) == 116);
static_assert(offsetof(PClassInfo2, subCategories) == 120 && offsetof(PClassInfo2, sdkVersion) == 376);
static_assert(sizeof(PClassInfoW) == 696 && offsetof(PClassInfoW, name) == 52);
static_assert(offsetof(PClassInfoW, classFlags) == 180 && offsetof(PClassInfoW, vendor) == 312);
static_assert(offsetof(PClassInfoW, sdkVersion) == 568);
static_assert(sizeof(BusInfo) == 276 && offsetof(BusInfo, name) == 12 && offsetof(BusInfo, busType) == 268);
static_assert(sizeof(RoutingInfo) == 12 && sizeof(ViewRect) == 16);
static_assert(sizeof(ProcessSetup) == 24 && offsetof(ProcessSetup, sampleRate) == 16);
static_assert(sizeof(AudioBusBuffers) == 24 && offsetof(AudioBusBuffers, silenceFlags) == 8);
static_assert(offsetof(AudioBusBuffers, channelBuffers32) == 16);
static_assert(sizeof(ParameterInfo) == 792 && offsetof(ParameterInfo, shortTitle) == 260);
static_assert(offsetof(ParameterInfo, units) == 516 && offsetof(ParameterInfo, stepCount) == 772);
static_assert(offsetof(ParameterInfo, defaultNormalizedValue) == 776 && offsetof(ParameterInfo, unitId) == 784);
static_assert(offsetof(ParameterInfo, flags) == 788);
static_assert(offsetof(ProcessData, numOutputs) == 16 && offsetof(ProcessData, inputs) == (sizeof(void*) == 8 ? 24 : 20));
static_assert(sizeof(ProcessData) == (sizeof(void*) == 8 ? 80 : 48));
static_assert(sizeof(FUnknown) == sizeof(void*) && sizeof(IComponent) == sizeof(void*));

} // namespace VST3Marvo
