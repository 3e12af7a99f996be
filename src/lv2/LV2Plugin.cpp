#include "lv2/LV2Plugin.h"

#include <cmath>
#include <cstring>
#include <new>
#include <optional>

#include <lv2/atom/atom.h>
#include <lv2/core/lv2_util.h>

#include "equaliser/SEQRequests.h"
#include "lv2/LV2Entry.h"
#include "platform/FPUControl.h"
#include "vstplugin/DVSTVersionHost.h"

namespace LV2Marvo
{

namespace
{

// [any] A level in dB limited to the level ports' range.
float PortDb(float Db)
{
    if (!(Db >= kLevelFloorDb))
        return kLevelFloorDb;
    return Db > kLevelCeilingDb ? kLevelCeilingDb : Db;
}

const LV2_URID_Map* FindMap(const LV2_Feature* const* Features)
{
    void* Map = nullptr;
    lv2_features_query(Features, LV2_URID__map, &Map, false, nullptr);
    return static_cast<const LV2_URID_Map*>(Map);
}

} // namespace

const std::vector<TControl>* SharedControls()
{
    static const std::optional<std::vector<TControl>> Table = []() -> std::optional<std::vector<TControl>> {
        try
        {
            return DescribeControls(&LV2EqualiserMain);
        }
        catch (...)
        {
            return std::nullopt;
        }
    }();
    return Table ? &*Table : nullptr;
}

TLV2Equaliser* TLV2Equaliser::Create(double SampleRate, const LV2_Feature* const* Features) noexcept
{
    if (!(SampleRate > 0.0) || !(SampleRate <= 1e9))
        return nullptr;
    AEffect* E = nullptr;
    try
    {
        const std::vector<TControl>* Controls = SharedControls();
        if (!Controls)
            return nullptr;
        {
            TFPUControlScope FPU;
            E = LV2EqualiserMain(&VersionOnlyHost);
        }
        if (!E || E->numParams != static_cast<VstInt32>(Controls->size()) || E->numInputs < 2 || E->numOutputs < 2)
        {
            if (E)
                E->dispatcher(E, effClose, 0, 0, nullptr, 0.0f);
            return nullptr;
        }
        return new TLV2Equaliser(E, *Controls, SampleRate, FindMap(Features));
    }
    catch (...)
    {
        if (E)
            E->dispatcher(E, effClose, 0, 0, nullptr, 0.0f);
        return nullptr;
    }
}

TLV2Equaliser::TLV2Equaliser(AEffect* Effect, const std::vector<TControl>& Controls, double SampleRate,
                             const LV2_URID_Map* Map)
    : FEffect(Effect), FControls(Controls), FSampleRate(SampleRate), FMap(Map),
      FControlPorts(Controls.size(), nullptr), FApplied(Controls.size()), FSeen(Controls.size()),
      FMixStep(static_cast<float>(1.0 / std::fmax(1.0, 0.010 * SampleRate)))
{
    for (std::size_t I = 0; I < Controls.size(); ++I)
        FApplied[I] = FSeen[I] = Controls[I].Default;
    TFPUControlScope FPU;
    FEffect->dispatcher(FEffect, effOpen, 0, 0, nullptr, 0.0f);
    FEffect->dispatcher(FEffect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(FSampleRate));
    FEffect->dispatcher(FEffect, effSetBlockSize, 0, kChunk, nullptr, 0.0f);
    FEffect->dispatcher(FEffect, effVendorSpecific, kSEQRequestSetEngine, kSEQEngineFast, nullptr, 0.0f);
}

TLV2Equaliser::~TLV2Equaliser()
{
    TFPUControlScope FPU;
    FEffect->dispatcher(FEffect, effClose, 0, 0, nullptr, 0.0f);
}

void TLV2Equaliser::ConnectPort(std::uint32_t Port, void* Data) noexcept
{
    const auto Parameters = static_cast<std::uint32_t>(FControls.size());
    if (Port == kPortInLeft || Port == kPortInRight)
        FIn[Port - kPortInLeft] = static_cast<const float*>(Data);
    else if (Port == kPortOutLeft || Port == kPortOutRight)
        FOut[Port - kPortOutLeft] = static_cast<float*>(Data);
    else if (Port >= kFirstParameterPort && Port < EnabledPort(Parameters))
        FControlPorts[Port - kFirstParameterPort] = static_cast<const float*>(Data);
    else if (Port == EnabledPort(Parameters))
        FEnabled = static_cast<const float*>(Data);
    else if (Port == LevelPort(Parameters, 0) || Port == LevelPort(Parameters, 1))
        FLevel[Port - LevelPort(Parameters, 0)] = static_cast<float*>(Data);
}

void TLV2Equaliser::Activate() noexcept
{
    TFPUControlScope FPU;
    FEffect->dispatcher(FEffect, effMainsChanged, 0, 1, nullptr, 0.0f);
    FMix = (FEnabled && *FEnabled < 0.5f) ? 0.0f : 1.0f;
    FFollower[0] = FFollower[1] = TLevelFollower{};
    FFollowing = false;
    FLevelDb[0] = FLevelDb[1] = kLevelFloorDb;
    FMeterFrames = 0;
}

void TLV2Equaliser::Deactivate() noexcept
{
    TFPUControlScope FPU;
    FEffect->dispatcher(FEffect, effMainsChanged, 0, 0, nullptr, 0.0f);
}

// A port value goes to the effect only when its limited value differs from the one it last gave, so the
// fresh effect keeps its own initial values exactly until a host moves a control.
void TLV2Equaliser::ApplyControls()
{
    for (std::size_t I = 0; I < FControls.size(); ++I)
    {
        if (!FControlPorts[I])
            continue;
        const float Port = *FControlPorts[I];
        if (Port == FSeen[I])
            continue;
        FSeen[I] = Port;
        const TControl& C = FControls[I];
        float Value = Port;
        if (!(Value >= C.Min))
            Value = C.Min;
        else if (Value > C.Max)
            Value = C.Max;
        if (Value == FApplied[I])
            continue;
        FApplied[I] = Value;
        FEffect->setParameter(FEffect, C.Index, NormalisedFor(C, Value));
    }
}

void TLV2Equaliser::Run(std::uint32_t Frames) noexcept
{
    // The effect loads the x87 control word it computes with itself, and so do the conversions.
    if (Frames == 0)
        return;
    if (!FIn[0] || !FIn[1] || !FOut[0] || !FOut[1])
    {
        for (float* Out : FOut)
            if (Out)
                std::memset(Out, 0, Frames * sizeof(float));
        return;
    }
    ApplyControls();
    const float Target = (FEnabled && *FEnabled < 0.5f) ? 0.0f : 1.0f;
    const bool Mixed = !(FMix == 1.0f && Target == 1.0f);
    if (!Mixed)
    {
        float* In[2] = {const_cast<float*>(FIn[0]), const_cast<float*>(FIn[1])};
        FEffect->processReplacing(FEffect, In, FOut, static_cast<VstInt32>(Frames));
    }
    else
    {
        for (std::uint32_t Done = 0; Done < Frames;)
        {
            const std::uint32_t N = Frames - Done < kChunk ? Frames - Done : kChunk;
            const float* In[2] = {FIn[0] + Done, FIn[1] + Done};
            float* Out[2] = {FOut[0] + Done, FOut[1] + Done};
            ProcessMixed(Out, In, N);
            Done += N;
        }
    }
    Meter(FOut, Frames, Mixed);
}

// The effect always runs, so its filters are warm when the bypass ends; the output fades between the dry
// input and the effect's output.
void TLV2Equaliser::ProcessMixed(float* const* Out, const float* const* In, std::uint32_t Frames)
{
    for (int Ch = 0; Ch < 2; ++Ch)
        std::memcpy(FDry[Ch], In[Ch], Frames * sizeof(float));
    float* Dry[2] = {FDry[0], FDry[1]};
    float* Wet[2] = {Out[0], Out[1]};
    // The input is copied first: the host may hand the same memory in and out.
    FEffect->processReplacing(FEffect, Dry, Wet, static_cast<VstInt32>(Frames));
    const float Target = (FEnabled && *FEnabled < 0.5f) ? 0.0f : 1.0f;
    for (std::uint32_t I = 0; I < Frames; ++I)
    {
        if (FMix < Target)
            FMix = std::fmin(Target, FMix + FMixStep);
        else if (FMix > Target)
            FMix = std::fmax(Target, FMix - FMixStep);
        for (int Ch = 0; Ch < 2; ++Ch)
            Out[Ch][I] = FDry[Ch][I] + (Out[Ch][I] - FDry[Ch][I]) * FMix;
    }
}

void TLV2Equaliser::EffectLevels(float (&Db)[2])
{
    Db[0] = Db[1] = kMeterSilenceDb;
    FEffect->dispatcher(FEffect, effVendorSpecific, kSEQRequestGetLevels, 0, Db, 0.0f);
}

// The ports show the equaliser's own meter, read once per kMeterFrames frames so that one-frame blocks do not
// pay a logarithm each. While the output fades to or from the dry input (the bypass), the same meter follows
// the output itself, starting from the equaliser's level, and hands back to the equaliser's when the fade
// has ended.
void TLV2Equaliser::Meter(float* const* Out, std::uint32_t Frames, bool Mixed)
{
    if (Mixed)
    {
        if (!FFollowing)
        {
            float Db[2];
            EffectLevels(Db);
            for (int Ch = 0; Ch < 2; ++Ch)
                FFollower[Ch].Level = Db[Ch] <= kMeterSilenceDb ? 0.0 : std::pow(10.0, Db[Ch] / 20.0);
            FFollowing = true;
        }
        for (int Ch = 0; Ch < 2; ++Ch)
            FFollower[Ch].Follow(Out[Ch], Frames);
    }
    else
        FFollowing = false;
    FMeterFrames += Frames;
    if (FMeterFrames >= kMeterFrames)
    {
        float Db[2];
        if (FFollowing)
            Db[0] = FFollower[0].Db(), Db[1] = FFollower[1].Db();
        else
            EffectLevels(Db);
        for (int Ch = 0; Ch < 2; ++Ch)
            FLevelDb[Ch] = PortDb(Db[Ch]);
        FMeterFrames = 0;
    }
    for (int Ch = 0; Ch < 2; ++Ch)
        if (FLevel[Ch])
            *FLevel[Ch] = FLevelDb[Ch];
}

namespace
{

// The snapshots as the state keeps them: an atom:Vector body of atom:Float.
struct TSnapshotVector
{
    LV2_Atom_Vector_Body Body;
    float Values[TSEQSnapshotSet::kSnapshots * TSEQSnapshotSet::kParameters];
};

// [host-main] The effect's answer to one of the equaliser's snapshot requests.
bool SnapshotRequest(AEffect* E, std::int32_t Code, TSEQSnapshotSet& Set)
{
    TFPUControlScope FPU;
    return E->dispatcher(E, effVendorSpecific, Code, sizeof Set, &Set, 0.0f) == 1;
}

} // namespace

// Keys: the program name (atom:String), the snapshots and the current snapshot. An effect that does not
// answer the snapshot request (another module behind the record) keeps the program name alone.
LV2_State_Status TLV2Equaliser::Save(LV2_State_Store_Function Store, LV2_State_Handle Handle) noexcept
{
    if (!FMap)
        return LV2_STATE_ERR_NO_FEATURE;
    char Name[256] = {};
    {
        TFPUControlScope FPU;
        FEffect->dispatcher(FEffect, effGetProgramName, 0, 0, Name, 0.0f);
    }
    Name[sizeof Name - 1] = 0;
    constexpr std::uint32_t Flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    LV2_State_Status Status = Store(Handle, FMap->map(FMap->handle, kProgramNameKey), Name, std::strlen(Name) + 1,
                                    FMap->map(FMap->handle, LV2_ATOM__String), Flags);
    TSEQSnapshotSet Set;
    if (Status != LV2_STATE_SUCCESS || !SnapshotRequest(FEffect, kSEQRequestGetSnapshots, Set))
        return Status;
    TSnapshotVector Vector;
    Vector.Body.child_size = sizeof(float);
    Vector.Body.child_type = FMap->map(FMap->handle, LV2_ATOM__Float);
    std::memcpy(Vector.Values, Set.Values, sizeof Vector.Values);
    Status = Store(Handle, FMap->map(FMap->handle, kSnapshotsKey), &Vector, sizeof Vector,
                   FMap->map(FMap->handle, LV2_ATOM__Vector), Flags);
    if (Status != LV2_STATE_SUCCESS)
        return Status;
    const std::int32_t Current = Set.Current;
    return Store(Handle, FMap->map(FMap->handle, kCurrentSnapshotKey), &Current, sizeof Current,
                 FMap->map(FMap->handle, LV2_ATOM__Int), Flags);
}

// A key that is missing leaves that part as it is; a value of the wrong type or size is refused
// (LV2_STATE_ERR_BAD_TYPE) and leaves that part as it is.
LV2_State_Status TLV2Equaliser::Restore(LV2_State_Retrieve_Function Retrieve, LV2_State_Handle Handle) noexcept
{
    if (!FMap)
        return LV2_STATE_ERR_NO_FEATURE;
    LV2_State_Status Status = LV2_STATE_SUCCESS;
    std::size_t Size = 0;
    std::uint32_t Type = 0, Flags = 0;
    const void* Data = Retrieve(Handle, FMap->map(FMap->handle, kProgramNameKey), &Size, &Type, &Flags);
    if (Data && (Type != FMap->map(FMap->handle, LV2_ATOM__String) || Size == 0))
        Status = LV2_STATE_ERR_BAD_TYPE;
    else if (Data)
    {
        // The framework keeps up to 24 characters of a program name; the text is limited before it crosses.
        char Name[25] = {};
        std::memcpy(Name, Data, Size < sizeof Name - 1 ? Size : sizeof Name - 1);
        TFPUControlScope FPU;
        FEffect->dispatcher(FEffect, effSetProgramName, 0, 0, Name, 0.0f);
    }

    Data = Retrieve(Handle, FMap->map(FMap->handle, kSnapshotsKey), &Size, &Type, &Flags);
    if (!Data)
        return Status;
    TSnapshotVector Vector;
    if (Type != FMap->map(FMap->handle, LV2_ATOM__Vector) || Size != sizeof Vector)
        return LV2_STATE_ERR_BAD_TYPE;
    std::memcpy(&Vector, Data, sizeof Vector);
    if (Vector.Body.child_size != sizeof(float) || Vector.Body.child_type != FMap->map(FMap->handle, LV2_ATOM__Float))
        return LV2_STATE_ERR_BAD_TYPE;
    TSEQSnapshotSet Set;
    std::memcpy(Set.Values, Vector.Values, sizeof Set.Values);
    Data = Retrieve(Handle, FMap->map(FMap->handle, kCurrentSnapshotKey), &Size, &Type, &Flags);
    if (Data && Type == FMap->map(FMap->handle, LV2_ATOM__Int) && Size == sizeof Set.Current)
        std::memcpy(&Set.Current, Data, sizeof Set.Current);
    else if (Data)
        Status = LV2_STATE_ERR_BAD_TYPE;
    if (Set.Current < 0 || Set.Current >= TSEQSnapshotSet::kSnapshots)
        Set.Current = 0;
    if (SnapshotRequest(FEffect, kSEQRequestSetSnapshots, Set))
        FRestores.fetch_add(1, std::memory_order_release);
    return Status;
}

} // namespace LV2Marvo
