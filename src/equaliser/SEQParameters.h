#pragma once
// Where each of the equaliser's 33 parameters lives: four per band (frequency in Hz, gain in dB, bandwidth
// control 0..1, symmetry -1..1), then the output volume in dB.
#include <cstdint>

enum TBandParameter : std::int32_t
{
    bpFrequency = 0,
    bpGain = 1,
    bpBandwidth = 2,
    bpSymmetry = 3
};

inline constexpr std::int32_t kBandParameters = 4;
inline constexpr std::int32_t kVolumeParameter = 32;

// [any] The index of parameter Kind of band Band (0..7).
constexpr std::int32_t ParameterIndex(int Band, TBandParameter Kind)
{
    return kBandParameters * Band + Kind;
}

// [any] The band of a band parameter's index (0..31), and which of its parameters it is.
constexpr int BandOfParameter(std::int32_t Index)
{
    return Index / kBandParameters;
}
constexpr TBandParameter KindOfParameter(std::int32_t Index)
{
    return static_cast<TBandParameter>(Index % kBandParameters);
}

static_assert(ParameterIndex(7, bpSymmetry) + 1 == kVolumeParameter);
