// The audio side: parameter changes applied at their sample offsets (the block is split there), 32-bit
// stereo straight through the effect's processReplacing, mono, 64-bit and the bypass fade through chunks of
// the instance's own buffers. Everything here is [audio]: no allocation, no lock, no wait.
#include <cmath>
#include <algorithm>
#include <cstring>

#include "vst3/VST3Equaliser.h"

namespace VST3Marvo
{

namespace
{

constexpr int32 kMaxChannels = 64;
constexpr int32 kMaxQueues = 64;

// [audio] Whether the host gave bus 0 of Count buses with at least Channels usable channel buffers.
bool BusUsable(const AudioBusBuffers* Buses, int32 Count, int32 Channels)
{
    if (!Buses || Count < 1 || Buses[0].numChannels < Channels || !Buses[0].channelBuffers32)
        return false;
    for (int32 C = 0; C < Channels; ++C)
        if (!Buses[0].channelBuffers32[C])
            return false;
    return true;
}

// [audio] Zeros every output channel the host handed over, from frame From on.
void ZeroOutputs(ProcessData& Data, int32 From, int32 Frames)
{
    if (!Data.outputs || Frames <= 0 || (Data.symbolicSampleSize != kSample32 && Data.symbolicSampleSize != kSample64))
        return;
    const std::size_t Size = Data.symbolicSampleSize == kSample32 ? sizeof(Sample32) : sizeof(Sample64);
    for (int32 B = 0; B < Data.numOutputs && B < kMaxChannels; ++B)
    {
        AudioBusBuffers& Bus = Data.outputs[B];
        Bus.silenceFlags = 0;
        if (!Bus.channelBuffers32)
            continue;
        for (int32 C = 0; C < Bus.numChannels && C < kMaxChannels; ++C)
            if (Bus.channelBuffers32[C])
                std::memset(static_cast<char*>(static_cast<void*>(Bus.channelBuffers32[C])) + Size * From, 0,
                            Size * static_cast<std::size_t>(Frames));
    }
}

} // namespace

void TVST3Equaliser::ApplyPoint(ParamID Id, ParamValue Value)
{
    if (std::isnan(Value))
        return;
    const double Limited = Value < 0.0 ? 0.0 : (Value > 1.0 ? 1.0 : Value);
    if (Id == kBypassId)
    {
        FBypassed = Limited >= 0.5;
        FBypassValue.store(Limited);
    }
    else if (Id < FValues.size())
    {
        FValues[Id].store(Limited);
        FSent[Id].store(static_cast<float>(Limited));
        FEffect->setParameter(FEffect, static_cast<VstInt32>(Id), static_cast<float>(Limited));
    }
}

tresult TVST3Equaliser::process(ProcessData& Data)
{
    const int32 Frames = Data.numSamples;
    if (!FSetUp || !FActive || Frames < 0 || Data.symbolicSampleSize != FSampleSize)
    {
        ZeroOutputs(Data, 0, Frames);
        return !FSetUp || !FActive ? kNotInitialized : kInvalidArgument;
    }
    const bool OutputUsable = BusUsable(Data.outputs, Data.numOutputs, FChannels);
    FReadSilence = !BusUsable(Data.inputs, Data.numInputs, FChannels) || InputSilent(Data);

    IParameterChanges* Changes = Data.inputParameterChanges;
    const int32 Queues = Changes ? std::min(Changes->getParameterCount(), kMaxQueues) : 0;
    for (int32 Q = 0; Q < Queues; ++Q)
        FCursor[Q] = 0;
    for (int32 Pos = 0;;)
    {
        // Every point due at Pos is applied; the next point after Pos ends the segment. At the block's end the
        // points left (offsets at or past the frame count) are applied too.
        int32 Next = Frames;
        for (int32 Q = 0; Q < Queues; ++Q)
        {
            IParamValueQueue* Queue = Changes->getParameterData(Q);
            if (!Queue)
                continue;
            const int32 Points = Queue->getPointCount();
            while (FCursor[Q] < Points)
            {
                int32 Offset = 0;
                ParamValue Value = 0.0;
                if (Queue->getPoint(FCursor[Q], Offset, Value) == kResultOk && Offset > Pos && Pos < Frames)
                {
                    Next = std::min(Next, Offset);
                    break;
                }
                if (Offset <= Pos || Pos >= Frames)
                    ApplyPoint(Queue->getParameterId(), Value);
                ++FCursor[Q];
            }
        }
        if (Pos >= Frames)
            break;
        if (OutputUsable)
            ProcessSegment(Data, Pos, Next - Pos);
        Pos = Next;
    }
    if (!OutputUsable)
        ZeroOutputs(Data, 0, Frames);
    else
        MarkSilentOutput(Data);
    return kResultOk;
}

bool TVST3Equaliser::InputSilent(const ProcessData& Data) const
{
    const uint64 All = (uint64{1} << FChannels) - 1;
    return (Data.inputs[0].silenceFlags & All) == All;
}

// An output that came from a silent input and is all zeros is flagged silent; any other is not.
void TVST3Equaliser::MarkSilentOutput(ProcessData& Data)
{
    AudioBusBuffers& Out = Data.outputs[0];
    Out.silenceFlags = 0;
    if (!FReadSilence)
        return;
    for (int32 C = 0; C < FChannels; ++C)
        for (int32 I = 0; I < Data.numSamples; ++I)
            if (FSampleSize == kSample32 ? Out.channelBuffers32[C][I] != 0.0f : Out.channelBuffers64[C][I] != 0.0)
                return;
    Out.silenceFlags = (uint64{1} << FChannels) - 1;
}

void TVST3Equaliser::ProcessSegment(ProcessData& Data, int32 From, int32 Frames)
{
    if (FSampleSize == kSample32 && FChannels == 2 && !FReadSilence && !FBypassed && FMix == 1.0f)
    {
        ProcessDirect(Data, From, Frames);
        return;
    }
    for (int32 Done = 0; Done < Frames;)
    {
        const int32 N = std::min(Frames - Done, kChunk);
        ProcessChunk(Data, From + Done, N);
        Done += N;
    }
}

void TVST3Equaliser::ProcessDirect(ProcessData& Data, int32 From, int32 Frames)
{
    float* In[2] = {Data.inputs[0].channelBuffers32[0] + From, Data.inputs[0].channelBuffers32[1] + From};
    float* Out[2] = {Data.outputs[0].channelBuffers32[0] + From, Data.outputs[0].channelBuffers32[1] + From};
    FEffect->processReplacing(FEffect, In, Out, Frames);
}

// The input is copied first (the host may hand the same memory in and out); a mono input feeds both of the
// effect's channels and the output is its left one.
void TVST3Equaliser::ProcessChunk(ProcessData& Data, int32 From, int32 Frames)
{
    const bool Wide = FSampleSize == kSample64;
    for (int32 Ch = 0; Ch < 2; ++Ch)
    {
        const int32 Source = Ch < FChannels ? Ch : 0;
        if (FReadSilence)
            std::memset(FDry[Ch], 0, sizeof FDry[Ch]);
        else if (Wide)
            for (int32 I = 0; I < Frames; ++I)
                FDry[Ch][I] = static_cast<float>(Data.inputs[0].channelBuffers64[Source][From + I]);
        else
            std::memcpy(FDry[Ch], Data.inputs[0].channelBuffers32[Source] + From, sizeof(float) * Frames);
    }
    float* Dry[2] = {FDry[0], FDry[1]};
    float* Wet[2] = {FWet[0], FWet[1]};
    FEffect->processReplacing(FEffect, Dry, Wet, Frames);
    const float Target = FBypassed ? 0.0f : 1.0f;
    for (int32 I = 0; I < Frames; ++I)
    {
        if (FMix < Target)
            FMix = std::fmin(Target, FMix + FMixStep);
        else if (FMix > Target)
            FMix = std::fmax(Target, FMix - FMixStep);
        for (int32 Ch = 0; Ch < FChannels; ++Ch)
        {
            const float D = FDry[Ch][I], W = FWet[Ch][I];
            const float Y = FMix == 1.0f ? W : (FMix == 0.0f ? D : D + (W - D) * FMix);
            if (Wide)
                Data.outputs[0].channelBuffers64[Ch][From + I] = Y;
            else
                Data.outputs[0].channelBuffers32[Ch][From + I] = Y;
        }
    }
}

} // namespace VST3Marvo
