// FaultyVST3: a VST 3 plug-in library for marvo-vst validate's tests, the counterpart of FaultyEffect. Without
// a fault it is a well-behaved stereo gain (output = input x 2 x gain, changes at their offsets, a bypass,
// its state a tag and the two values); the environment variable MARVO_FAULTY_VST3, read when the library
// loads, names one fault that exactly one check must find.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

#include "vst3/VST3Interfaces.h"

using namespace VST3Marvo;

namespace
{

enum TFault { fNone, fCategory, fArrangement, fPlain, fLenientState, fBlockStart, fNaN, fRestart, fCrash, fVersion };

TFault FaultFromEnvironment()
{
    const char* Name = std::getenv("MARVO_FAULTY_VST3");
    const std::string N = Name ? Name : "";
    const char* const kNames[] = {"", "category", "arrangement", "plain", "lenient-state", "block-start", "nan",
                                  "restart", "crash", "version"};
    for (int I = 0; I < static_cast<int>(std::size(kNames)); ++I)
        if (N == kNames[I])
            return static_cast<TFault>(I);
    return fNone;
}

const TFault Fault = FaultFromEnvironment();
const TInterfaceId kClassId = MakeInterfaceId(0x46415531, 0x54595653, 0x54335445, 0x53540001);
constexpr char kTag[4] = {'F', 'V', '3', '1'};
constexpr ParamID kGain = 0, kBypass = 1;

void Copy16(String128 To, const char* Text)
{
    int I = 0;
    for (; Text[I] && I < 127; ++I)
        To[I] = static_cast<char16>(Text[I]);
    To[I] = 0;
}

class TFaulty final : public IComponent, public IAudioProcessor, public IEditController
{
public:
    tresult VST3CALL queryInterface(const TUID Iid, void** Object) override
    {
        if (SameId(Iid, kFUnknownIid) || SameId(Iid, kIComponentIid) || SameId(Iid, kIPluginBaseIid))
            *Object = static_cast<IComponent*>(this);
        else if (SameId(Iid, kIAudioProcessorIid))
            *Object = static_cast<IAudioProcessor*>(this);
        else if (SameId(Iid, kIEditControllerIid))
            *Object = static_cast<IEditController*>(this);
        else
        {
            *Object = nullptr;
            return kNoInterface;
        }
        addRef();
        return kResultOk;
    }
    uint32 VST3CALL addRef() override { return ++FReferences; }
    uint32 VST3CALL release() override
    {
        const uint32 Left = --FReferences;
        if (Left == 0)
            delete this;
        return Left;
    }
    tresult VST3CALL initialize(FUnknown*) override { return kResultOk; }
    tresult VST3CALL terminate() override { return kResultOk; }

    tresult VST3CALL getControllerClassId(TUID) override { return kResultFalse; }
    tresult VST3CALL setIoMode(int32) override { return kResultOk; }
    int32 VST3CALL getBusCount(int32 Type, int32) override { return Type == kAudio ? 1 : 0; }
    tresult VST3CALL getBusInfo(int32 Type, int32 Direction, int32 Index, BusInfo& Bus) override
    {
        if (Type != kAudio || Index != 0)
            return kInvalidArgument;
        Bus = {};
        Bus.mediaType = kAudio;
        Bus.direction = Direction;
        Bus.channelCount = FChannels;
        Copy16(Bus.name, "Main");
        Bus.flags = BusInfo::kDefaultActive;
        return kResultOk;
    }
    tresult VST3CALL getRoutingInfo(RoutingInfo&, RoutingInfo&) override { return kNotImplemented; }
    tresult VST3CALL activateBus(int32, int32, int32, TBool) override { return kResultOk; }
    tresult VST3CALL setActive(TBool State) override
    {
        if (Fault == fRestart && State && FHandler)
            FHandler->restartComponent(1 << 20);
        return kResultOk;
    }
    tresult VST3CALL setState(IBStream* Stream) override
    {
        char Record[12] = {};
        int32 Read = 0;
        if (!Stream || Stream->read(Record, sizeof Record, &Read) != kResultOk)
            return kResultFalse;
        if (Fault != fLenientState && (Read != static_cast<int32>(sizeof Record) || std::memcmp(Record, kTag, 4) != 0))
            return kResultFalse;
        float Values[2];
        std::memcpy(Values, Record + 4, sizeof Values);
        FGain = Values[0];
        FBypass = Values[1];
        return kResultOk;
    }
    tresult VST3CALL getState(IBStream* Stream) override
    {
        char Record[12];
        const float Values[2] = {FGain, FBypass};
        std::memcpy(Record, kTag, 4);
        std::memcpy(Record + 4, Values, sizeof Values);
        int32 Written = 0;
        return Stream && Stream->write(Record, sizeof Record, &Written) == kResultOk && Written == 12 ? kResultOk
                                                                                                    : kResultFalse;
    }

    tresult VST3CALL setBusArrangements(SpeakerArrangement* Inputs, int32 NumIns, SpeakerArrangement* Outputs,
                                        int32 NumOuts) override
    {
        if (!Inputs || !Outputs || NumIns != 1 || NumOuts != 1)
            return kResultFalse;
        if (Fault == fArrangement)
            FArrangement = Inputs[0];
        if (Inputs[0] != Outputs[0] || (Inputs[0] != kSpeakerArrStereo && Inputs[0] != kSpeakerArrMono))
            return kResultFalse;
        FArrangement = Inputs[0];
        FChannels = Inputs[0] == kSpeakerArrStereo ? 2 : 1;
        return kResultTrue;
    }
    tresult VST3CALL getBusArrangement(int32, int32 Index, SpeakerArrangement& Arrangement) override
    {
        if (Index != 0)
            return kInvalidArgument;
        Arrangement = FArrangement;
        return kResultOk;
    }
    tresult VST3CALL canProcessSampleSize(int32 Size) override { return Answer(Size == kSample32); }
    uint32 VST3CALL getLatencySamples() override { return 0; }
    tresult VST3CALL setupProcessing(ProcessSetup&) override { return kResultOk; }
    tresult VST3CALL setProcessing(TBool) override { return kResultOk; }
    uint32 VST3CALL getTailSamples() override { return 0; }

    // Sample by sample, each queue's points applied at their offsets (fBlockStart: all at frame 0).
    tresult VST3CALL process(ProcessData& Data) override
    {
        if (Fault == fCrash && Data.numSamples == 0)
            *static_cast<volatile int*>(nullptr) = 0;
        IParameterChanges* Changes = Data.inputParameterChanges;
        const int32 Queues = Changes ? Changes->getParameterCount() : 0;
        int32 Next[8] = {};
        const bool Buffers = Data.numInputs > 0 && Data.numOutputs > 0 && Data.inputs && Data.outputs &&
                             Data.inputs[0].channelBuffers32 && Data.outputs[0].channelBuffers32;
        const int32 Channels = Buffers ? std::min({Data.inputs[0].numChannels, Data.outputs[0].numChannels, 2}) : 0;
        for (int32 F = 0; F < std::max(Data.numSamples, 1); ++F)
        {
            for (int32 Q = 0; Q < std::min(Queues, 8); ++Q)
            {
                IParamValueQueue* Queue = Changes->getParameterData(Q);
                int32 Offset = 0;
                ParamValue Value = 0.0;
                while (Queue && Queue->getPoint(Next[Q], Offset, Value) == kResultOk &&
                       (Offset <= F || Fault == fBlockStart))
                {
                    ++Next[Q];
                    if (std::isfinite(Value) || Fault == fNaN)
                        (Queue->getParameterId() == kGain ? FGain : FBypass) =
                            static_cast<float>(Fault == fNaN ? Value : std::fmin(std::fmax(Value, 0.0), 1.0));
                }
            }
            if (F < Data.numSamples)
                for (int32 C = 0; C < Channels; ++C)
                {
                    const float In = Data.inputs[0].channelBuffers32[C][F];
                    Data.outputs[0].channelBuffers32[C][F] = FBypass >= 0.5f ? In : In * 2.0f * FGain;
                }
        }
        return kResultOk;
    }

    tresult VST3CALL setComponentState(IBStream*) override { return kResultOk; }
    int32 VST3CALL getParameterCount() override { return 2; }
    tresult VST3CALL getParameterInfo(int32 Index, ParameterInfo& Info) override
    {
        if (Index < 0 || Index > 1)
            return kInvalidArgument;
        Info = {};
        Info.id = static_cast<ParamID>(Index);
        Copy16(Info.title, Index == 0 ? "Gain" : "Bypass");
        Info.stepCount = Index;
        Info.defaultNormalizedValue = Index == 0 ? 0.5 : 0.0;
        Info.flags = ParameterInfo::kCanAutomate | (Index == 1 ? ParameterInfo::kIsBypass : 0);
        return kResultOk;
    }
    tresult VST3CALL getParamStringByValue(ParamID, ParamValue Value, String128 String) override
    {
        Copy16(String, std::to_string(std::lround(Value * 1000.0)).c_str());
        return kResultOk;
    }
    tresult VST3CALL getParamValueByString(ParamID, char16* String, ParamValue& Value) override
    {
        std::string Text;
        for (int I = 0; I < 127 && String[I]; ++I)
            Text += static_cast<char>(String[I]);
        Value = std::atof(Text.c_str()) / 1000.0;
        return kResultOk;
    }
    ParamValue VST3CALL normalizedParamToPlain(ParamID, ParamValue Value) override { return Value * 2.0; }
    ParamValue VST3CALL plainParamToNormalized(ParamID, ParamValue Plain) override
    {
        return Fault == fPlain ? Plain / 3.0 : Plain / 2.0;
    }
    ParamValue VST3CALL getParamNormalized(ParamID Id) override { return Id == kGain ? FShownGain : FShownBypass; }
    tresult VST3CALL setParamNormalized(ParamID Id, ParamValue Value) override
    {
        (Id == kGain ? FShownGain : FShownBypass) = Value;
        return kResultOk;
    }
    tresult VST3CALL setComponentHandler(IComponentHandler* Handler) override
    {
        FHandler = Handler;
        return kResultOk;
    }
    IPlugView* VST3CALL createView(FIDString) override { return nullptr; }

private:
    std::atomic<uint32> FReferences{1};
    IComponentHandler* FHandler = nullptr;
    SpeakerArrangement FArrangement = kSpeakerArrStereo;
    int32 FChannels = 2;
    float FGain = 0.5f, FBypass = 0.0f;
    double FShownGain = 0.5, FShownBypass = 0.0;
};

class TFactory final : public IPluginFactory2
{
public:
    tresult VST3CALL queryInterface(const TUID Iid, void** Object) override
    {
        const bool Known = SameId(Iid, kFUnknownIid) || SameId(Iid, kIPluginFactoryIid) || SameId(Iid, kIPluginFactory2Iid);
        *Object = Known ? this : nullptr;
        return Known ? kResultOk : kNoInterface;
    }
    uint32 VST3CALL addRef() override { return 1; }
    uint32 VST3CALL release() override { return 1; }
    tresult VST3CALL getFactoryInfo(PFactoryInfo* Info) override
    {
        *Info = {};
        std::strcpy(Info->vendor, "Marvo tests");
        return kResultOk;
    }
    int32 VST3CALL countClasses() override { return 1; }
    tresult VST3CALL getClassInfo(int32 Index, PClassInfo* Info) override
    {
        if (Index != 0)
            return kInvalidArgument;
        *Info = {};
        std::memcpy(Info->cid, kClassId.Bytes, 16);
        Info->cardinality = PClassInfo::kManyInstances;
        std::strcpy(Info->category, "Audio Module Class");
        std::strcpy(Info->name, "FaultyVST3");
        return kResultOk;
    }
    tresult VST3CALL getClassInfo2(int32 Index, PClassInfo2* Info) override
    {
        if (Index != 0)
            return kInvalidArgument;
        *Info = {};
        std::memcpy(Info->cid, kClassId.Bytes, 16);
        Info->cardinality = PClassInfo::kManyInstances;
        std::strcpy(Info->category, Fault == fCategory ? "Audio Module" : "Audio Module Class");
        std::strcpy(Info->name, "FaultyVST3");
        std::strcpy(Info->subCategories, "Fx");
        std::strcpy(Info->vendor, "Marvo tests");
        std::strcpy(Info->version, Fault == fVersion ? "1.0.1" : "1.0.0"); // moduleinfo.json says 1.0.0
        std::strcpy(Info->sdkVersion, "VST 3.7.0");
        return kResultOk;
    }
    tresult VST3CALL createInstance(FIDString Cid, FIDString Iid, void** Object) override
    {
        *Object = nullptr;
        if (!SameId(Cid, kClassId))
            return kNoInterface;
        auto* P = new TFaulty;
        const tresult R = P->queryInterface(Iid, Object);
        static_cast<IComponent*>(P)->release();
        return R;
    }
};

TFactory Factory;

} // namespace

#if defined(_WIN32)
#define FAULTY_EXPORT extern "C" __declspec(dllexport)
#else
#define FAULTY_EXPORT extern "C" __attribute__((visibility("default")))
#endif

FAULTY_EXPORT IPluginFactory* VST3CALL GetPluginFactory()
{
    return &Factory;
}
#if defined(_WIN32)
FAULTY_EXPORT bool InitDll() { return true; }
FAULTY_EXPORT bool ExitDll() { return true; }
#else
FAULTY_EXPORT bool ModuleEntry(void*) { return true; }
FAULTY_EXPORT bool ModuleExit() { return true; }
#endif
