// Module core: construction and destruction, and the properties that keep the effect record in step.
#include "vstplugin/DVSTModule.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "vstplugin/DVSTModuleCPU.h"

namespace
{
const char* const CreditLine = "Marvo VST 2 plug-in framework, version 1.0";

// [any] Runs a handler whose failure must not leave the caller (destruction).
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
// Construction and destruction

// [host-main]
TCustomVSTModule::TCustomVSTModule(TComponent* AOwner) : TComponent(AOwner), TVSTModuleHostRequests(FEffect)
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
        TEditorWindow* Form = FEditorForm;
        FEditorForm = nullptr;
        Guarded([Form] { delete Form; });
    }
    FCPU.reset();
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
    return FourCharText(FEffect.uniqueID);
}

// [host-main] The first four characters, the first in the most significant byte; missing ones are 0.
void TCustomVSTModule::SetUniqueID(const std::string& V)
{
    FEffect.uniqueID = FourCharValue(V);
}

// [any]
const TCPU& TCustomVSTModule::CPU() const
{
    return *FCPU;
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
    if (AudioMaster() && HostProduct() != "energyXT")
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
