// The requests the module sends to its host (plug-in to host), the counterpart of the dispatcher (host to
// plug-in): installing the host's callback, the queue of requests from our own window thread, and one
// operation per audioMaster opcode.
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Exceptions.h"
#include "vstplugin/DVSTModule.h"
#include "vstplugin/DVSTModuleHostRequests.h"

// ---------------------------------------------------------------------------------------------------------
// Installing the host's callback

// [host-main]
void TCustomVSTModule::SetAudioMaster(TAudioMasterCallbackFunc Callback)
{
    SetCallback(Callback);
    if (!Callback)
        return;
    if (Callback(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
        throw EMarvoError("AudioMaster Error");
    const bool ShellCapable = HostProduct() != "WaveLab" && HostCanDo("shellCategory") == 1;
    if (FPlugCategory != vpcShell)
        return;
    if (!ShellCapable)
    {
        FPlugCategory = vpcUnknown;
        return;
    }
    const std::int32_t Id = HostCurrentId();
    if (Id <= 0)
        return;
    for (std::int32_t I = 0; I < FShellPlugins->Count(); ++I)
    {
        TCustomVstShellPlugin& Shell = (*FShellPlugins)[I];
        if (Shell.UniqueIDValue != Id)
            continue;
        FEffect.uniqueID = Id;
        if (Shell.numInputs >= 0)
            FEffect.numInputs = Shell.numInputs;
        if (Shell.numOutputs >= 0)
            FEffect.numOutputs = Shell.numOutputs;
        if (Shell.numPrograms >= 0)
            FEffect.numPrograms = Shell.numPrograms;
        if (Shell.numParams >= 0)
            FEffect.numParams = Shell.numParams;
        FPlugCategory = Shell.PlugCategory;
        if (Shell.OnInstanciate)
            Shell.OnInstanciate(this, Shell.UniqueID());
        HostIOChanged();
        return;
    }
}

// ---------------------------------------------------------------------------------------------------------
// Sending, and the queue of our own window thread

// [any]
bool TVSTModuleHostRequests::DefersHostRequests() const
{
    return FOwnWindowThread.load() == CurrentThreadKey();
}

// [any] A foreign host may hold its own lock while it waits in a dispatcher call for our window thread;
// a request from that thread would then wait for the host for ever. So the window thread's requests wait in
// a queue for the host's next dispatcher call, made on a thread of the host's own.
VstIntPtr TVSTModuleHostRequests::CallAudioMaster(TAudioMasterOpcode Opcode, VstInt32 Index, VstIntPtr Value, void* Ptr,
                                            float Opt, bool& Answered)
{
    Answered = FAudioMaster != nullptr;
    if (!FAudioMaster)
        return 0;
    if (DefersHostRequests())
    {
        Answered = Ptr == nullptr;
        if (Answered)
        {
            std::lock_guard<std::mutex> G(FDeferredLock);
            FDeferred.push_back({Opcode, Index, Value, Opt});
            FDeferredPending.store(true);
        }
        return 0;
    }
    return FAudioMaster(&FSender, Opcode, Index, Value, Ptr, Opt);
}

// [any]
VstIntPtr TVSTModuleHostRequests::SendToHost(TAudioMasterOpcode Opcode, VstInt32 Index, VstIntPtr Value, void* Ptr,
                                       float Opt)
{
    bool Answered;
    return CallAudioMaster(Opcode, Index, Value, Ptr, Opt, Answered);
}

// [any] Sends what the own window thread queued, on the calling (host's) thread; nothing on the own
// window thread itself. Requests queued while this runs wait for the next call; a thread that finds another
// sending leaves it to that one, without waiting.
void TVSTModuleHostRequests::DeliverDeferredRequests()
{
    if (!FDeferredPending.load() || !FAudioMaster || DefersHostRequests())
        return;
    std::unique_lock<std::mutex> G(FDeferredLock, std::try_to_lock);
    if (!G.owns_lock())
        return;
    std::vector<TDeferredRequest> Requests;
    Requests.swap(FDeferred);
    FDeferredPending.store(false);
    G.unlock();
    for (const TDeferredRequest& R : Requests)
        FAudioMaster(&FSender, R.Opcode, R.Index, R.Value, nullptr, R.Opt);
}

namespace
{
// [any] The answer as a Boolean "not 0", False without a callback.
inline bool NotZero(VstIntPtr Answer)
{
    return Answer != 0;
}
} // namespace

// ---------------------------------------------------------------------------------------------------------
// The requests

// [host-main] The host's product text, asked once and cached ("Unknown" when it does not answer).
std::string TVSTModuleHostRequests::HostProduct()
{
    if (!FHostProduct.empty())
        return FHostProduct;
    char Text[64] = {};
    if (HostGetProductString(Text))
    {
        Text[63] = '\0';
        FHostProduct = Text;
    }
    else
        FHostProduct = "Unknown";
    return FHostProduct;
}

std::int32_t TVSTModuleHostRequests::HostVersion() // [any]
{
    const VstIntPtr A = SendToHost(audioMasterVersion);
    return A == 0 ? 1 : static_cast<std::int32_t>(A);
}

std::int32_t TVSTModuleHostRequests::HostCurrentId() // [any]
{
    return static_cast<std::int32_t>(SendToHost(audioMasterCurrentId));
}

void TVSTModuleHostRequests::HostIdle() // [host-main, editor]
{
    SendToHost(audioMasterIdle);
}

// [any] True (connected) when the host answers 0, also without a callback.
bool TVSTModuleHostRequests::IsInputConnected(std::int32_t Input)
{
    return SendToHost(audioMasterPinConnected, Input) == 0;
}

bool TVSTModuleHostRequests::IsOutputConnected(std::int32_t Output) // [any]
{
    return SendToHost(audioMasterPinConnected, Output, 1) == 0;
}

void TVSTModuleHostRequests::HostWantMidi() // [host-main, editor]
{
    SendToHost(audioMasterWantMidi, 0, 1);
}

VstTimeInfo* TVSTModuleHostRequests::HostGetTime(std::int32_t Filter) // [any]
{
    return reinterpret_cast<VstTimeInfo*>(SendToHost(audioMasterGetTime, 0, Filter));
}

bool TVSTModuleHostRequests::HostProcessEvents(VstEvents* Events) // [audio]
{
    return SendToHost(audioMasterProcessEvents, 0, 0, Events) == 1;
}

void TVSTModuleHostRequests::HostSetTime(std::int32_t Filter, VstTimeInfo* Info) // [any]
{
    SendToHost(audioMasterSetTime, 0, Filter, Info);
}

std::int32_t TVSTModuleHostRequests::HostTempoAt(std::int32_t SamplePos) // [any]
{
    return static_cast<std::int32_t>(SendToHost(audioMasterTempoAt, 0, SamplePos));
}

std::int32_t TVSTModuleHostRequests::HostGetNumAutomatableParameters() // [any]
{
    return static_cast<std::int32_t>(SendToHost(audioMasterGetNumAutomatableParameters));
}

std::int32_t TVSTModuleHostRequests::HostGetParameterQuantization() // [any]
{
    return static_cast<std::int32_t>(SendToHost(audioMasterGetParameterQuantization));
}

bool TVSTModuleHostRequests::HostIOChanged() // [host-main, editor]
{
    return NotZero(SendToHost(audioMasterIOChanged));
}

bool TVSTModuleHostRequests::HostNeedIdle() // [host-main, editor]
{
    return NotZero(SendToHost(audioMasterNeedIdle));
}

bool TVSTModuleHostRequests::HostSizeWindow(std::int32_t Width, std::int32_t Height) // [host-main, editor]
{
    bool Answered;
    const VstIntPtr Answer = CallAudioMaster(audioMasterSizeWindow, Width, Height, nullptr, 0.0f, Answered);
    return NotZero(Answer) || (Answered && DefersHostRequests());
}

// [host-main, editor] An answer above 0 is stored and announced even when unchanged; answers the stored rate.
float TCustomVSTModule::HostGetSampleRate()
{
    const VstIntPtr A = SendToHost(audioMasterGetSampleRate);
    if (A > 0)
    {
        const auto Rate = static_cast<float>(A);
        FSampleRate.store(Rate);
        if (OnSampleRateChange)
            OnSampleRateChange(this, Rate);
    }
    return FSampleRate.load();
}

// [host-main, editor] As HostGetSampleRate, for the block size.
std::int32_t TCustomVSTModule::HostGetBlockSize()
{
    const VstIntPtr A = SendToHost(audioMasterGetBlockSize);
    if (A > 0)
    {
        const auto Size = static_cast<std::int32_t>(A);
        FBlockSize.store(Size);
        if (OnBlockSizeChange)
            OnBlockSizeChange(this, Size);
    }
    return FBlockSize.load();
}

std::int32_t TVSTModuleHostRequests::HostGetInputLatency() // [any]
{
    return static_cast<std::int32_t>(SendToHost(audioMasterGetInputLatency));
}

std::int32_t TVSTModuleHostRequests::HostGetOutputLatency() // [any]
{
    return static_cast<std::int32_t>(SendToHost(audioMasterGetOutputLatency));
}

AEffect* TVSTModuleHostRequests::HostGetPreviousPlug(std::int32_t Input) // [any]
{
    return reinterpret_cast<AEffect*>(SendToHost(audioMasterGetPreviousPlug, Input));
}

AEffect* TVSTModuleHostRequests::HostGetNextPlug(std::int32_t Output) // [any]
{
    return reinterpret_cast<AEffect*>(SendToHost(audioMasterGetNextPlug, Output));
}

std::int32_t TVSTModuleHostRequests::HostWillReplaceOrAccumulate() // [any]
{
    return static_cast<std::int32_t>(SendToHost(audioMasterWillReplaceOrAccumulate));
}

std::int32_t TVSTModuleHostRequests::HostGetCurrentProcessLevel() // [any]
{
    return static_cast<std::int32_t>(SendToHost(audioMasterGetCurrentProcessLevel));
}

std::int32_t TVSTModuleHostRequests::HostGetAutomationState() // [any]
{
    return static_cast<std::int32_t>(SendToHost(audioMasterGetAutomationState));
}

// [host-main, editor]
bool TVSTModuleHostRequests::HostOfflineStart(TVstAudioFile* AudioFiles, std::int32_t numAudioFiles,
                                        std::int32_t numNewAudioFiles)
{
    return NotZero(SendToHost(audioMasterOfflineStart, numNewAudioFiles, numAudioFiles, AudioFiles));
}

// [host-main, editor]
bool TVSTModuleHostRequests::HostOfflineRead(TVstOfflineTask* Offline, std::int32_t Option, bool ReadSource)
{
    return NotZero(SendToHost(audioMasterOfflineRead, ReadSource ? 1 : 0, Option, Offline));
}

bool TVSTModuleHostRequests::HostOfflineWrite(TVstOfflineTask* Offline, std::int32_t Option) // [host-main, editor]
{
    return NotZero(SendToHost(audioMasterOfflineWrite, 0, Option, Offline));
}

bool TVSTModuleHostRequests::HostOfflineGetCurrentPass() // [host-main, editor]
{
    return NotZero(SendToHost(audioMasterOfflineGetCurrentPass));
}

bool TVSTModuleHostRequests::HostOfflineGetCurrentMetaPass() // [host-main, editor]
{
    return NotZero(SendToHost(audioMasterOfflineGetCurrentMetaPass));
}

void TVSTModuleHostRequests::HostSetOutputSampleRate(float SampleRate) // [host-main, editor]
{
    SendToHost(audioMasterSetOutputSampleRate, 0, 0, nullptr, SampleRate);
}

VstSpeakerArrangement* TVSTModuleHostRequests::HostGetInputSpeakerArrangement() // [host-main, editor]
{
    return reinterpret_cast<VstSpeakerArrangement*>(SendToHost(audioMasterGetInputSpeakerArrangement));
}

VstSpeakerArrangement* TVSTModuleHostRequests::HostGetOutputSpeakerArrangement() // [host-main, editor]
{
    return reinterpret_cast<VstSpeakerArrangement*>(SendToHost(audioMasterGetOutputSpeakerArrangement));
}

bool TVSTModuleHostRequests::HostGetVendorString(char* Text) // [host-main, editor]
{
    return NotZero(SendToHost(audioMasterGetVendorString, 0, 0, Text));
}

bool TVSTModuleHostRequests::HostGetProductString(char* Text) // [host-main, editor]
{
    return NotZero(SendToHost(audioMasterGetProductString, 0, 0, Text));
}

std::int32_t TVSTModuleHostRequests::HostGetVendorVersion() // [host-main, editor]
{
    return static_cast<std::int32_t>(SendToHost(audioMasterGetVendorVersion));
}

// [any]
std::intptr_t TVSTModuleHostRequests::HostVendorSpecific(std::int32_t Index, std::intptr_t Value, void* Ptr, float Opt)
{
    return SendToHost(audioMasterVendorSpecific, Index, Value, Ptr, Opt);
}

std::int32_t TVSTModuleHostRequests::HostCanDo(const char* Text) // [host-main, editor]
{
    return static_cast<std::int32_t>(SendToHost(audioMasterCanDo, 0, 0, const_cast<char*>(Text)));
}

std::int32_t TVSTModuleHostRequests::HostGetLanguage() // [host-main, editor]
{
    return static_cast<std::int32_t>(SendToHost(audioMasterGetLanguage));
}

std::intptr_t TVSTModuleHostRequests::HostOpenWindow(void* Window) // [host-main, editor]
{
    return SendToHost(audioMasterOpenWindow, 0, 0, Window);
}

bool TVSTModuleHostRequests::HostCloseWindow(void* Window) // [host-main, editor]
{
    return NotZero(SendToHost(audioMasterCloseWindow, 0, 0, Window));
}

void* TVSTModuleHostRequests::HostGetDirectory() // [host-main, editor]
{
    return reinterpret_cast<void*>(SendToHost(audioMasterGetDirectory));
}

bool TVSTModuleHostRequests::HostUpdateDisplay() // [host-main, editor]
{
    return NotZero(SendToHost(audioMasterUpdateDisplay));
}

bool TVSTModuleHostRequests::HostBeginEdit(std::int32_t Index) // [host-main, editor]
{
    return NotZero(SendToHost(audioMasterBeginEdit, Index));
}

bool TVSTModuleHostRequests::HostEndEdit(std::int32_t Index) // [host-main, editor]
{
    return NotZero(SendToHost(audioMasterEndEdit, Index));
}

// [host-main, editor] Nothing is sent for a null selector.
bool TVSTModuleHostRequests::HostOpenFileSelector(void* Selector)
{
    if (!Selector)
        return false;
    return NotZero(SendToHost(audioMasterOpenFileSelector, 0, 0, Selector));
}
