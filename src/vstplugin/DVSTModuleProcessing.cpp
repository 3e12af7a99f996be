// Processing: the routes chosen by ProcessingMode, the three process operations, copy-through and silence,
// the fixed-block mode with its buffers and latency, and the flush of outgoing MIDI events.
#include <algorithm>
#include <cstring>
#include <functional>
#include <type_traits>
#include <vector>

#include "vstplugin/DVSTModule.h"

// ---------------------------------------------------------------------------------------------------------
// Routes

// [host-main] Recomputes the three routes from ProcessingMode and the assigned process events. Double
// precision has no block buffers: in pmBlockSave it has no route; pmCopy and pmMute copy or silence it.
void TCustomVSTModule::UpdateRoutes()
{
    switch (FProcessingMode)
    {
    case pmNormal:
        FActiveProcess = FOnProcess ? TRoute::Handler : TRoute::None;
        FActiveProcessReplacing = FOnProcessReplacing ? TRoute::Handler : TRoute::None;
        FActiveProcessDoubleReplacing = FOnProcessDoubleReplacing ? TRoute::Handler : TRoute::None;
        break;
    case pmBlockSave:
        FActiveProcess = FOnProcess ? TRoute::Block : TRoute::None;
        FActiveProcessReplacing = FOnProcessReplacing ? TRoute::Block : TRoute::None;
        FActiveProcessDoubleReplacing = TRoute::None;
        break;
    case pmCopy:
        FActiveProcess = FActiveProcessReplacing = FActiveProcessDoubleReplacing = TRoute::Copy;
        break;
    case pmMute:
        FActiveProcess = FActiveProcessReplacing = FActiveProcessDoubleReplacing = TRoute::Mute;
        break;
    }
}

// [host-main] A different mode recomputes the routes; entering pmBlockSave prepares the block buffers.
void TCustomVSTModule::SetProcessingMode(TProcessingMode V)
{
    if (V == FProcessingMode)
        return;
    FProcessingMode = V;
    UpdateRoutes();
    if (V == pmBlockSave)
        PrepareBlockBuffers();
}

void TCustomVSTModule::SetOnProcess(TProcessAudioEvent V) // [host-main]
{
    FOnProcess = std::move(V);
    UpdateRoutes();
}

void TCustomVSTModule::SetOnProcessReplacing(TProcessAudioEvent V) // [host-main]
{
    FOnProcessReplacing = std::move(V);
    UpdateRoutes();
}

void TCustomVSTModule::SetOnProcessDoubleReplacing(TProcessDoubleEvent V) // [host-main]
{
    FOnProcessDoubleReplacing = std::move(V);
    UpdateRoutes();
}

// ---------------------------------------------------------------------------------------------------------
// Process operations

// [audio] Input i to output i for the channels both sides have; further outputs untouched.
template <class TSample>
void TCustomVSTModule::CopyThrough(TSample** Inputs, TSample** Outputs, std::int32_t SampleFrames)
{
    if (!Inputs || !Outputs || SampleFrames <= 0)
        return;
    const std::int32_t Channels = std::min(numInputs(), numOutputs());
    for (std::int32_t C = 0; C < Channels; ++C)
        if (Inputs[C] != Outputs[C])
            std::memmove(Outputs[C], Inputs[C], sizeof(TSample) * static_cast<std::size_t>(SampleFrames));
}

// [audio] Zeros in every output plane.
template <class TSample>
void TCustomVSTModule::Silence(TSample** Outputs, std::int32_t SampleFrames)
{
    if (!Outputs || SampleFrames <= 0)
        return;
    for (std::int32_t C = 0; C < numOutputs(); ++C)
        std::fill_n(Outputs[C], SampleFrames, TSample(0));
}

// [audio] One route: the handler, the handler through the fixed blocks (32-bit samples only), copy-through or
// silence.
template <class TSample>
void TCustomVSTModule::RunRoute(TRoute Route, const std::function<void(TSample**, TSample**, std::int32_t)>& Handler,
                                TSample** Inputs, TSample** Outputs, std::int32_t SampleFrames)
{
    switch (Route)
    {
    case TRoute::None:
        break;
    case TRoute::Handler:
        Handler(Inputs, Outputs, SampleFrames);
        break;
    case TRoute::Block:
        if constexpr (std::is_same_v<TSample, float>)
            BlockProcess(Handler, Inputs, Outputs, SampleFrames);
        break;
    case TRoute::Copy:
        CopyThrough(Inputs, Outputs, SampleFrames);
        break;
    case TRoute::Mute:
        Silence(Outputs, SampleFrames);
        break;
    }
}

// [audio] Accumulating: the route writes into zeroed temporary planes, which are added to the
// host's outputs. Allocates its temporaries on every call.
void TCustomVSTModule::Process(float** Inputs, float** Outputs, std::int32_t SampleFrames)
{
    const std::int32_t Frames = std::max(SampleFrames, 0);
    const std::int32_t Channels = std::max(numOutputs(), 0);
    std::vector<std::vector<float>> Temporary(static_cast<std::size_t>(Channels),
                                              std::vector<float>(static_cast<std::size_t>(Frames), 0.0f));
    std::vector<float*> Planes(static_cast<std::size_t>(Channels));
    for (std::int32_t J = 0; J < Channels; ++J)
        Planes[static_cast<std::size_t>(J)] = Temporary[static_cast<std::size_t>(J)].data();
    RunRoute(FActiveProcess, FOnProcess, Inputs, Planes.data(), SampleFrames);
    if (Outputs)
        for (std::int32_t I = 0; I < Frames; ++I)
            for (std::int32_t J = 0; J < Channels; ++J)
                Outputs[J][I] += Temporary[static_cast<std::size_t>(J)][static_cast<std::size_t>(I)];
    FlushMidiOutEvents();
}

// [audio] No allocation: a route call and the event-count test.
void TCustomVSTModule::ProcessReplacing(float** Inputs, float** Outputs, std::int32_t SampleFrames)
{
    RunRoute(FActiveProcessReplacing, FOnProcessReplacing, Inputs, Outputs, SampleFrames);
    FlushMidiOutEvents();
}

// [audio]
void TCustomVSTModule::ProcessDoubleReplacing(double** Inputs, double** Outputs, std::int32_t SampleFrames)
{
    RunRoute(FActiveProcessDoubleReplacing, FOnProcessDoubleReplacing, Inputs, Outputs, SampleFrames);
    FlushMidiOutEvents();
}

// [audio] Hands the collected outgoing events to the host and empties the list.
void TCustomVSTModule::FlushMidiOutEvents()
{
    if (FMidiOutEvents->numEvents > 0)
    {
        HostProcessEvents(reinterpret_cast<VstEvents*>(FMidiOutEvents.get()));
        FMidiOutEvents->numEvents = 0;
    }
}

// ---------------------------------------------------------------------------------------------------------
// Block mode

// [host-main] In pmBlockSave: numInputs and numOutputs buffers of BlockModeSize samples (existing samples
// kept, new ones 0), BlockPosition := BlockModeOverlap, the delay rule. In other modes: no buffers.
void TCustomVSTModule::PrepareBlockBuffers()
{
    if (FProcessingMode != pmBlockSave)
    {
        FBlockInBuffers.clear();
        FBlockOutBuffers.clear();
        FBlockInPointers.clear();
        FBlockOutPointers.clear();
        return;
    }
    const auto Size = static_cast<std::size_t>(FBlockModeSize);
    FBlockInBuffers.resize(static_cast<std::size_t>(std::max(numInputs(), 0)));
    FBlockOutBuffers.resize(static_cast<std::size_t>(std::max(numOutputs(), 0)));
    FBlockInPointers.clear();
    FBlockOutPointers.clear();
    for (auto& Buffer : FBlockInBuffers)
    {
        Buffer.resize(Size, 0.0f);
        FBlockInPointers.push_back(Buffer.data());
    }
    for (auto& Buffer : FBlockOutBuffers)
    {
        Buffer.resize(Size, 0.0f);
        FBlockOutPointers.push_back(Buffer.data());
    }
    FBlockPosition = FBlockModeOverlap;
    ApplyDelayRule();
}

// [host-main] Sizes above 0 (and above the overlap, which would leave no new samples per block) are
// taken; BlockPosition is reset in any case.
void TCustomVSTModule::SetBlockModeSize(std::int32_t V)
{
    if (V > 0 && V > FBlockModeOverlap)
        FBlockModeSize = V;
    FBlockPosition = FBlockModeOverlap;
    PrepareBlockBuffers();
}

// [host-main] Overlaps from 0 up to BlockModeSize - 1 are taken.
void TCustomVSTModule::SetBlockModeOverlap(std::int32_t V)
{
    if (V >= 0 && V < FBlockModeSize)
        FBlockModeOverlap = V;
    ApplyDelayRule();
}

// [host-main] In pmBlockSave the reported latency is at least BlockModeSize - BlockModeOverlap.
void TCustomVSTModule::ApplyDelayRule()
{
    if (FProcessingMode != pmBlockSave)
        return;
    const std::int32_t BlockDelay = FBlockModeSize - FBlockModeOverlap;
    if (FEffect.initialDelay >= BlockDelay)
        return;
    FEffect.initialDelay = std::max(FRequestedDelay, BlockDelay);
    if (AudioMaster() && HostProduct() != "energyXT")
        HostIOChanged();
}

// [audio] Feeds the host's samples into fixed blocks of BlockModeSize, runs Handler on every full
// block, and delivers its output BlockModeSize - BlockModeOverlap samples later. No allocation.
void TCustomVSTModule::BlockProcess(const TProcessAudioEvent& Handler, float** Inputs, float** Outputs,
                                    std::int32_t SampleFrames)
{
    const std::int32_t S = FBlockModeSize, V = FBlockModeOverlap;
    const std::int32_t N = std::max(SampleFrames, 0);
    const auto InChannels = static_cast<std::int32_t>(FBlockInBuffers.size());
    const auto OutChannels = static_cast<std::int32_t>(FBlockOutBuffers.size());
    const std::int32_t HostIn = Inputs ? std::min(InChannels, numInputs()) : 0;
    const std::int32_t HostOut = Outputs ? std::min(OutChannels, numOutputs()) : 0;
    std::int32_t Done = 0;
    do
    {
        const std::int32_t Remaining = N - Done;
        const std::int32_t P = FBlockPosition;
        const std::int32_t Count = (Remaining + P < S) ? Remaining : S - P;
        for (std::int32_t C = 0; C < HostIn; ++C)
            std::memcpy(FBlockInPointers[C] + P, Inputs[C] + Done, sizeof(float) * static_cast<std::size_t>(Count));
        for (std::int32_t C = 0; C < HostOut; ++C)
            std::memcpy(Outputs[C] + Done, FBlockOutPointers[C] + P, sizeof(float) * static_cast<std::size_t>(Count));
        if (Remaining + P < S)
        {
            FBlockPosition = P + Remaining;
            Done = N;
        }
        else
        {
            Handler(FBlockInPointers.data(), FBlockOutPointers.data(), S);
            for (std::int32_t C = 0; C < InChannels; ++C)
                std::memmove(FBlockInPointers[C], FBlockInPointers[C] + (S - V),
                             sizeof(float) * static_cast<std::size_t>(V));
            Done += S - P;
            FBlockPosition = V;
        }
    } while (Done < N);
}
