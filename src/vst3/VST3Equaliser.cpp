#include "vst3/VST3Equaliser.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "equaliser/SEQRequests.h"
#include "platform/FPUControl.h"
#include "vst3/VST3Entry.h"
#include "vst3/VST3View.h"

namespace VST3Marvo
{

namespace
{

// [any] The effects' host: it answers its version; other requests go to the instance that made the effect
// (its record's user field; none for the probe, or while the effect is made).
VstIntPtr VSTCALL PluginHost(AEffect* E, VstInt32 Opcode, VstInt32 Index, VstIntPtr Value, void*, float Opt)
{
    if (Opcode == audioMasterVersion)
        return 2400;
    auto* Self = E ? static_cast<TVST3Equaliser*>(E->user) : nullptr;
    return Self ? Self->HostRequest(Opcode, Index, Value, Opt) : 0;
}

// [host-main] A new effect, opened; null when it cannot be made or is not the stereo effect expected.
AEffect* OpenEffect()
{
    TFPUControlScope FPU;
    AEffect* E = VST3EqualiserMain(&PluginHost);
    if (!E)
        return nullptr;
    if (E->numInputs < 2 || E->numOutputs < 2 || E->numParams <= 0 || E->numParams > 64)
    {
        E->dispatcher(E, effClose, 0, 0, nullptr, 0.0f);
        return nullptr;
    }
    E->dispatcher(E, effOpen, 0, 0, nullptr, 0.0f);
    return E;
}

void CloseEffect(AEffect* E)
{
    if (!E)
        return;
    TFPUControlScope FPU;
    E->dispatcher(E, effClose, 0, 0, nullptr, 0.0f);
}

// [any] A normalised value limited to [0, 1]; NaN gives Fallback.
double LimitNormalised(double Value, double Fallback)
{
    if (std::isnan(Value))
        return Fallback;
    return Value < 0.0 ? 0.0 : (Value > 1.0 ? 1.0 : Value);
}

} // namespace

TVST3Equaliser* TVST3Equaliser::Create() noexcept
{
    AEffect* Effect = nullptr;
    AEffect* Probe = nullptr;
    try
    {
        Effect = OpenEffect();
        Probe = Effect ? OpenEffect() : nullptr;
        if (!Probe)
        {
            CloseEffect(Effect);
            return nullptr;
        }
        auto* Instance = new TVST3Equaliser(Effect, Probe);
        Effect->user = Instance;
        // The fast engine, as the LV2 plug-in starts: the editor's "Fast processing" shows and switches the
        // engine of this same effect, which processes.
        Effect->dispatcher(Effect, effVendorSpecific, kSEQRequestSetEngine, kSEQEngineFast, nullptr, 0.0f);
        return Instance;
    }
    catch (...)
    {
        CloseEffect(Effect);
        CloseEffect(Probe);
        return nullptr;
    }
}

TVST3Equaliser::TVST3Equaliser(AEffect* Effect, AEffect* Probe)
    : FEffect(Effect), FProbe(Probe), FFacts(ReadParameterFacts(Probe)), FValues(FFacts.size()), FSent(FFacts.size())
{
    for (std::size_t I = 0; I < FFacts.size(); ++I)
    {
        FValues[I].store(FFacts[I].Default);
        FSent[I].store(static_cast<float>(FFacts[I].Default));
    }
}

TVST3Equaliser::~TVST3Equaliser()
{
    if (FHandler)
        FHandler->release();
    CloseEffect(FProbe);
    CloseEffect(FEffect);
}

tresult TVST3Equaliser::queryInterface(const TUID Iid, void** Object)
{
    if (!Object)
        return kInvalidArgument;
    *Object = nullptr;
    if (SameId(Iid, kFUnknownIid) || SameId(Iid, kIPluginBaseIid) || SameId(Iid, kIComponentIid))
        *Object = static_cast<IComponent*>(this);
    else if (SameId(Iid, kIAudioProcessorIid))
        *Object = static_cast<IAudioProcessor*>(this);
    else if (SameId(Iid, kIEditControllerIid))
        *Object = static_cast<IEditController*>(this);
    else if (SameId(Iid, kIConnectionPointIid))
        *Object = static_cast<IConnectionPoint*>(this);
    else
        return kNoInterface;
    addRef();
    return kResultOk;
}

uint32 TVST3Equaliser::addRef()
{
    return ++FReferences;
}

uint32 TVST3Equaliser::release()
{
    const uint32 Left = --FReferences;
    if (Left == 0)
        delete this;
    return Left;
}

tresult TVST3Equaliser::initialize(FUnknown*)
{
    return kResultOk;
}

tresult TVST3Equaliser::terminate()
{
    return setComponentHandler(nullptr);
}

// ---- IComponent ----

tresult TVST3Equaliser::getControllerClassId(TUID)
{
    return kResultFalse; // the component is its own controller
}

tresult TVST3Equaliser::setIoMode(int32)
{
    return kResultOk;
}

int32 TVST3Equaliser::getBusCount(int32 Type, int32 Direction)
{
    return Type == kAudio && (Direction == kInput || Direction == kOutput) ? 1 : 0;
}

tresult TVST3Equaliser::getBusInfo(int32 Type, int32 Direction, int32 Index, BusInfo& Bus)
{
    if (Type != kAudio || Index != 0 || (Direction != kInput && Direction != kOutput))
        return kInvalidArgument;
    std::memset(&Bus, 0, sizeof Bus);
    Bus.mediaType = kAudio;
    Bus.direction = Direction;
    Bus.channelCount = FChannels;
    CopyString16(Bus.name, 128, Direction == kInput ? u"Input" : u"Output");
    Bus.busType = kMain;
    Bus.flags = BusInfo::kDefaultActive;
    return kResultOk;
}

tresult TVST3Equaliser::getRoutingInfo(RoutingInfo&, RoutingInfo&)
{
    return kNotImplemented;
}

tresult TVST3Equaliser::activateBus(int32 Type, int32 Direction, int32 Index, TBool)
{
    return Answer(Type == kAudio && Index == 0 && (Direction == kInput || Direction == kOutput));
}

tresult TVST3Equaliser::setActive(TBool State)
{
    TFPUControlScope FPU;
    FEffect->dispatcher(FEffect, effMainsChanged, 0, State ? 1 : 0, nullptr, 0.0f);
    FActive = State != 0;
    FMix = FBypassed ? 0.0f : 1.0f;
    return kResultOk;
}

// ---- IAudioProcessor: set-up ----

tresult TVST3Equaliser::setBusArrangements(SpeakerArrangement* Inputs, int32 NumIns, SpeakerArrangement* Outputs,
                                           int32 NumOuts)
{
    if (!Inputs || !Outputs || NumIns != 1 || NumOuts != 1 || Inputs[0] != Outputs[0])
        return kResultFalse;
    if (Inputs[0] != kSpeakerArrStereo && Inputs[0] != kSpeakerArrMono)
        return kResultFalse;
    FChannels = Inputs[0] == kSpeakerArrStereo ? 2 : 1;
    return kResultTrue;
}

tresult TVST3Equaliser::getBusArrangement(int32 Direction, int32 Index, SpeakerArrangement& Arrangement)
{
    if (Index != 0 || (Direction != kInput && Direction != kOutput))
        return kInvalidArgument;
    Arrangement = FChannels == 2 ? kSpeakerArrStereo : kSpeakerArrMono;
    return kResultOk;
}

tresult TVST3Equaliser::canProcessSampleSize(int32 SymbolicSampleSize)
{
    return Answer(SymbolicSampleSize == kSample32 || SymbolicSampleSize == kSample64);
}

uint32 TVST3Equaliser::getLatencySamples()
{
    return 0;
}

uint32 TVST3Equaliser::getTailSamples()
{
    return 0;
}

tresult TVST3Equaliser::setupProcessing(ProcessSetup& Setup)
{
    if (!(Setup.sampleRate > 0.0) || !(Setup.sampleRate <= 1e7) || Setup.maxSamplesPerBlock <= 0 ||
        (Setup.symbolicSampleSize != kSample32 && Setup.symbolicSampleSize != kSample64))
        return kResultFalse;
    FSampleSize = Setup.symbolicSampleSize;
    FMaxFrames = Setup.maxSamplesPerBlock;
    FSampleRate = Setup.sampleRate;
    FMixStep = static_cast<float>(1.0 / std::fmax(1.0, 0.010 * FSampleRate));
    TFPUControlScope FPU;
    FEffect->dispatcher(FEffect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(FSampleRate));
    FEffect->dispatcher(FEffect, effSetBlockSize, 0, FMaxFrames, nullptr, 0.0f);
    FSetUp = true;
    return kResultOk;
}

tresult TVST3Equaliser::setProcessing(TBool)
{
    return kResultOk;
}

// ---- IEditController ----

tresult TVST3Equaliser::setComponentState(IBStream*)
{
    // The component's state is this object's own: setState has already applied it to both sides.
    return kResultOk;
}

int32 TVST3Equaliser::getParameterCount()
{
    return static_cast<int32>(FFacts.size()) + 1;
}

tresult TVST3Equaliser::getParameterInfo(int32 ParamIndex, ParameterInfo& Info)
{
    if (ParamIndex < 0 || ParamIndex > static_cast<int32>(FFacts.size()))
        return kInvalidArgument;
    std::memset(&Info, 0, sizeof Info);
    Info.flags = ParameterInfo::kCanAutomate;
    if (ParamIndex == static_cast<int32>(FFacts.size()))
    {
        Info.id = kBypassId;
        CopyString16(Info.title, 128, u"Bypass");
        CopyString16(Info.shortTitle, 128, u"Bypass");
        Info.stepCount = 1;
        Info.flags |= ParameterInfo::kIsBypass;
        return kResultOk;
    }
    const TParameterFacts& F = FFacts[static_cast<std::size_t>(ParamIndex)];
    Info.id = F.Id;
    CopyString16(Info.title, 128, F.Title);
    CopyString16(Info.shortTitle, 128, F.ShortTitle);
    CopyString16(Info.units, 128, F.Units);
    Info.stepCount = F.StepCount;
    Info.defaultNormalizedValue = F.Default;
    return kResultOk;
}

tresult TVST3Equaliser::getParamStringByValue(ParamID Id, ParamValue ValueNormalized, String128 String)
{
    if (!String)
        return kInvalidArgument;
    const double Value = LimitNormalised(ValueNormalized, 0.0);
    if (Id == kBypassId)
    {
        CopyString16(String, 128, Value >= 0.5 ? u"On" : u"Off");
        return kResultOk;
    }
    if (Id >= FFacts.size())
        return kInvalidArgument;
    char Text[256] = {};
    {
        std::lock_guard<std::mutex> Hold(FProbeLock);
        TFPUControlScope FPU;
        FProbe->setParameter(FProbe, static_cast<VstInt32>(Id), static_cast<float>(Value));
        FProbe->dispatcher(FProbe, effGetParamDisplay, static_cast<VstInt32>(Id), 0, Text, 0.0f);
    }
    Text[sizeof Text - 1] = 0;
    CopyString16(String, 128, Widen(Text));
    return kResultOk;
}

tresult TVST3Equaliser::getParamValueByString(ParamID, char16*, ParamValue&)
{
    return kNotImplemented;
}

// Plain values are the parameters' real units, through the framework's curves; the bypass is its own.
ParamValue TVST3Equaliser::normalizedParamToPlain(ParamID Id, ParamValue ValueNormalized)
{
    return Id < FFacts.size() ? PlainOf(FFacts[Id], ValueNormalized) : ValueNormalized;
}

ParamValue TVST3Equaliser::plainParamToNormalized(ParamID Id, ParamValue PlainValue)
{
    return Id < FFacts.size() ? NormalisedOf(FFacts[Id], PlainValue) : PlainValue;
}

ParamValue TVST3Equaliser::getParamNormalized(ParamID Id)
{
    if (Id == kBypassId)
        return FBypassValue.load();
    return Id < FValues.size() ? FValues[Id].load() : 0.0;
}

tresult TVST3Equaliser::setParamNormalized(ParamID Id, ParamValue Value)
{
    if (Id == kBypassId)
        FBypassValue.store(LimitNormalised(Value, FBypassValue.load()));
    else if (Id < FValues.size())
    {
        const double Limited = LimitNormalised(Value, FValues[Id].load());
        FValues[Id].store(Limited);
        // While the component is inactive no block brings the host's change to the effect, so it goes there
        // now and the open editor shows it. A value the effect reported itself is not handed back. While
        // active, the change arrives in the next block's queue, in its place among the automation points.
        if (!FActive && static_cast<float>(Limited) != FSent[Id].load())
        {
            FSent[Id].store(static_cast<float>(Limited));
            FEffect->setParameter(FEffect, static_cast<VstInt32>(Id), static_cast<float>(Limited));
        }
    }
    else
        return kInvalidArgument;
    return kResultOk;
}

tresult TVST3Equaliser::setComponentHandler(IComponentHandler* Handler)
{
    if (Handler == FHandler)
        return kResultOk;
    if (Handler)
        Handler->addRef();
    if (FHandler)
        FHandler->release();
    FHandler = Handler;
    return kResultOk;
}

IPlugView* TVST3Equaliser::createView(FIDString Name)
{
    if (Name && std::strcmp(Name, "editor") == 0)
        return new (std::nothrow) TVST3View(this);
    return nullptr;
}

VstIntPtr TVST3Equaliser::HostRequest(VstInt32 Opcode, VstInt32 Index, VstIntPtr Value, float Opt)
{
    const bool Known = Index >= 0 && static_cast<std::size_t>(Index) < FValues.size();
    const auto Id = static_cast<ParamID>(Index);
    switch (Opcode)
    {
    case audioMasterBeginEdit:
        if (!Known || !FHandler)
            return 0;
        FEditing[Index] = true;
        return FHandler->beginEdit(Id) == kResultOk;
    case audioMasterEndEdit:
        if (!Known || !FHandler)
            return 0;
        FEditing[Index] = false;
        return FHandler->endEdit(Id) == kResultOk;
    case audioMasterAutomate:
        if (!Known)
            return 0;
        // The effect has the value already; the state and the controller follow it.
        FSent[static_cast<std::size_t>(Index)].store(Opt);
        FValues[static_cast<std::size_t>(Index)].store(Opt);
        if (FHandler)
        {
            const bool Gesture = !FEditing[Index];
            if (Gesture)
                FHandler->beginEdit(Id);
            FHandler->performEdit(Id, Opt);
            if (Gesture)
                FHandler->endEdit(Id);
        }
        return 0;
    case audioMasterSizeWindow:
        if (!FView || Index <= 0 || Value <= 0)
            return 0;
        FView->Resize(Index, static_cast<int32>(Value));
        return 1;
    default:
        return 0;
    }
}

tresult TVST3Equaliser::connect(IConnectionPoint* Other)
{
    return Other ? kResultOk : kInvalidArgument;
}

tresult TVST3Equaliser::disconnect(IConnectionPoint*)
{
    return kResultOk;
}

tresult TVST3Equaliser::notify(IMessage*)
{
    return kResultFalse;
}

} // namespace VST3Marvo
