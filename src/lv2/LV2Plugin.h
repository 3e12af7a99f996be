#pragma once
// The LV2 plug-in: one equaliser effect driven through its record. Ports in real units are converted to the
// record's normalised values when they change (LV2Controls.h); the audio goes through processReplacing; the
// bypass fades over 10 ms; the level ports are the equaliser's meter (SEQMeter.h) in dB, read every 256 frames.
//
// Threads, as LV2 names them: instantiation, activation and cleanup on the host's [host-main]; run() and
// connect_port() in the audio class ([audio]); the state interface on [host-main] while run() is not called
// (LV2's instantiation class). run() never allocates, locks or waits. The state keeps the program name and
// the equaliser's snapshots (its snapshot requests, which processing never touches); a UI with
// instance-access hands the snapshots to the effect on the host's UI thread, which is [host-main] too.
#include <atomic>
#include <cstdint>
#include <vector>

#include "equaliser/SEQMeter.h"

#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include "lv2/LV2Controls.h"

namespace LV2Marvo
{

// [host-main] The controls of the equaliser, read once per process (null when they cannot be read).
const std::vector<TControl>* SharedControls();

class TLV2Equaliser
{
public:
    static constexpr std::uint32_t kChunk = 256;
    static constexpr std::uint32_t kMeterFrames = 256;

    // [host-main] Null for a rate that is not positive and finite, or when the effect cannot be made;
    // nothing is left behind then. Features may be null; urid:map is used when given.
    static TLV2Equaliser* Create(double SampleRate, const LV2_Feature* const* Features) noexcept;
    ~TLV2Equaliser();
    TLV2Equaliser(const TLV2Equaliser&) = delete;
    TLV2Equaliser& operator=(const TLV2Equaliser&) = delete;

    void ConnectPort(std::uint32_t Port, void* Data) noexcept; // [audio]
    void Activate() noexcept;                                  // [host-main]
    void Deactivate() noexcept;                                // [host-main]
    // [audio] Any frame count (0 included), any port left unconnected, also before Activate.
    void Run(std::uint32_t Frames) noexcept;

    LV2_State_Status Save(LV2_State_Store_Function Store, LV2_State_Handle Handle) noexcept;      // [host-main]
    LV2_State_Status Restore(LV2_State_Retrieve_Function Retrieve, LV2_State_Handle Handle) noexcept; // [host-main]

    AEffect* Effect() const { return FEffect; }
    // [any] How often a restore has replaced the snapshots: a UI with instance-access that sees it change
    // takes the plug-in's snapshots again.
    std::uint32_t Restores() const { return FRestores.load(std::memory_order_acquire); }

private:
    TLV2Equaliser(AEffect* Effect, const std::vector<TControl>& Controls, double SampleRate,
                  const LV2_URID_Map* Map);
    void ApplyControls();                                     // [audio]
    void ProcessMixed(float* const* Out, const float* const* In, std::uint32_t Frames); // [audio]
    // [audio] The level ports: the equaliser's meter; Mixed when the output was faded with the dry input.
    void Meter(float* const* Out, std::uint32_t Frames, bool Mixed);
    // [audio] The equaliser's levels in dB (its meter, SEQMeter.h).
    void EffectLevels(float (&Db)[2]);

    AEffect* FEffect;
    std::atomic<std::uint32_t> FRestores{0};
    const std::vector<TControl>& FControls;
    const double FSampleRate;
    const LV2_URID_Map* FMap;

    const float* FIn[2] = {nullptr, nullptr};
    float* FOut[2] = {nullptr, nullptr};
    std::vector<const float*> FControlPorts;
    std::vector<float> FApplied; // the real value each parameter was last given (Default at first)
    std::vector<float> FSeen;    // each control port's value as last read (a NaN is read again each time)
    const float* FEnabled = nullptr;
    float* FLevel[2] = {nullptr, nullptr};

    float FMix = 1.0f;     // 1 processed, 0 bypassed
    float FMixStep;        // per frame
    // While the output is faded with the dry input it is not the equaliser's: the same meter follows it here.
    TLevelFollower FFollower[2];
    bool FFollowing = false;
    float FLevelDb[2] = {kLevelFloorDb, kLevelFloorDb};
    std::uint32_t FMeterFrames = 0;
    float FDry[2][kChunk];
};

} // namespace LV2Marvo
