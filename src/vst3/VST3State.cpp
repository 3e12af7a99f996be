// The plug-in's state as hosts keep it, through IBStream. Version 1, little-endian:
//   "MvS3"  int32 version (1)  int32 parameter count (N)
//   float[N] normalised parameter values   float bypass (0 or 1)
//   char[32] program name, zero-padded      int32 current snapshot (0..7)
//   float[8][33] the snapshots in real units, snapshot-major
// A stream that is shorter, of another kind or version, or holds a value out of its range is refused as a
// whole (kResultFalse) and nothing changes.
#include <cmath>
#include <cstring>

#include "equaliser/SEQRequests.h"
#include "platform/FPUControl.h"
#include "vst3/VST3Equaliser.h"

namespace VST3Marvo
{

namespace
{

constexpr char kStateMagic[4] = {'M', 'v', 'S', '3'};
constexpr int32 kStateVersion = 1;
constexpr int32 kNameBytes = 32;
constexpr int32 kMaxParameters = 64;

// [host-main] Reads exactly Size bytes (a stream may hand them over in pieces).
bool ReadExactly(IBStream* Stream, void* To, int32 Size)
{
    auto* Bytes = static_cast<char*>(To);
    for (int32 Done = 0; Done < Size;)
    {
        int32 Got = 0;
        if (Stream->read(Bytes + Done, Size - Done, &Got) != kResultOk || Got <= 0 || Got > Size - Done)
            return false;
        Done += Got;
    }
    return true;
}

bool WriteAll(IBStream* Stream, const void* From, int32 Size)
{
    int32 Written = 0;
    return Stream->write(const_cast<void*>(From), Size, &Written) == kResultOk && Written == Size;
}

bool Normalised(float V)
{
    return V >= 0.0f && V <= 1.0f;
}

// [host-main] One of the equaliser's snapshot requests; true when the effect answers it.
bool SnapshotRequest(AEffect* E, std::int32_t Code, TSEQSnapshotSet& Set)
{
    TFPUControlScope FPU;
    return E->dispatcher(E, effVendorSpecific, Code, sizeof Set, &Set, 0.0f) == 1;
}

} // namespace

struct TVST3Equaliser::TStateRecord
{
    int32 Count = 0;
    float Values[kMaxParameters] = {};
    float Bypass = 0.0f;
    char Name[kNameBytes] = {};
    TSEQSnapshotSet Snapshots;
};

tresult TVST3Equaliser::getState(IBStream* State)
{
    if (!State)
        return kInvalidArgument;
    TStateRecord R;
    R.Count = FEffect->numParams;
    {
        TFPUControlScope FPU;
        for (int32 I = 0; I < R.Count; ++I)
            R.Values[I] = FSent[static_cast<std::size_t>(I)].load();
        char Name[256] = {};
        FEffect->dispatcher(FEffect, effGetProgramName, 0, 0, Name, 0.0f);
        std::memcpy(R.Name, Name, kNameBytes - 1);
    }
    R.Bypass = FBypassValue.load() >= 0.5 ? 1.0f : 0.0f;
    if (!SnapshotRequest(FEffect, kSEQRequestGetSnapshots, R.Snapshots))
        return kInternalError;
    const int32 Header[2] = {kStateVersion, R.Count};
    const bool Written = WriteAll(State, kStateMagic, sizeof kStateMagic) && WriteAll(State, Header, sizeof Header) &&
                         WriteAll(State, R.Values, static_cast<int32>(sizeof(float)) * R.Count) &&
                         WriteAll(State, &R.Bypass, sizeof R.Bypass) && WriteAll(State, R.Name, kNameBytes) &&
                         WriteAll(State, &R.Snapshots.Current, sizeof R.Snapshots.Current) &&
                         WriteAll(State, R.Snapshots.Values, sizeof R.Snapshots.Values);
    return Written ? kResultOk : kResultFalse;
}

bool TVST3Equaliser::ReadState(IBStream* Stream, TStateRecord& R)
{
    char Magic[4] = {};
    int32 Header[2] = {};
    if (!ReadExactly(Stream, Magic, sizeof Magic) || std::memcmp(Magic, kStateMagic, sizeof Magic) != 0 ||
        !ReadExactly(Stream, Header, sizeof Header) || Header[0] != kStateVersion || Header[1] != FEffect->numParams)
        return false;
    R.Count = Header[1];
    if (!ReadExactly(Stream, R.Values, static_cast<int32>(sizeof(float)) * R.Count) ||
        !ReadExactly(Stream, &R.Bypass, sizeof R.Bypass) || !ReadExactly(Stream, R.Name, kNameBytes) ||
        !ReadExactly(Stream, &R.Snapshots.Current, sizeof R.Snapshots.Current) ||
        !ReadExactly(Stream, R.Snapshots.Values, sizeof R.Snapshots.Values))
        return false;
    for (int32 I = 0; I < R.Count; ++I)
        if (!Normalised(R.Values[I]))
            return false;
    for (const auto& Snapshot : R.Snapshots.Values)
        for (float V : Snapshot)
            if (!std::isfinite(V))
                return false;
    R.Name[kNameBytes - 1] = 0;
    return (R.Bypass == 0.0f || R.Bypass == 1.0f) && R.Snapshots.Current >= 0 &&
           R.Snapshots.Current < TSEQSnapshotSet::kSnapshots;
}

void TVST3Equaliser::ApplyState(const TStateRecord& R)
{
    TSEQSnapshotSet Snapshots = R.Snapshots;
    SnapshotRequest(FEffect, kSEQRequestSetSnapshots, Snapshots);
    TFPUControlScope FPU;
    // The framework keeps up to 24 characters of a program name; the text is limited before it crosses.
    char Name[25] = {};
    std::memcpy(Name, R.Name, sizeof Name - 1);
    FEffect->dispatcher(FEffect, effSetProgramName, 0, 0, Name, 0.0f);
    // A value the effect already has is not sent again, so an effect keeps its own initial values exactly.
    for (int32 I = 0; I < R.Count; ++I)
    {
        const auto At = static_cast<std::size_t>(I);
        if (FSent[At].load() != R.Values[I])
            FEffect->setParameter(FEffect, I, R.Values[I]);
        FSent[At].store(R.Values[I]);
        FValues[At].store(R.Values[I]);
    }
    FBypassValue.store(R.Bypass);
    FBypassed = R.Bypass >= 0.5f;
}

tresult TVST3Equaliser::setState(IBStream* State)
{
    if (!State)
        return kInvalidArgument;
    TStateRecord R;
    if (!ReadState(State, R))
        return kResultFalse;
    ApplyState(R);
    return kResultOk;
}

} // namespace VST3Marvo
