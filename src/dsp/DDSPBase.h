#pragma once
// DSP helpers shared by the sample path and the editor.
#include <bit>
#include <cstddef>
#include <cstdint>

// [any] x limited to [Lower, Upper]; a NaN x gives Lower (an unordered comparison counts as below).
inline float Limit(float x, float Lower, float Upper)
{
    if (!(x >= Lower))
        return Lower;
    if (x > Upper)
        return Upper;
    return x;
}

// [any] Odd soft-saturation curve with slope 0.5 at 0, tending to ±1; each step rounded to float.
// ±∞ and magnitudes too large for the curve's float intermediate give ±1; NaN stays NaN. Bit for bit the
// result of SoftSaturateExtended for every float input (64-bit x87 precision), at a fraction of its cost:
// double arithmetic, with the extended path only where the double result lies next to a float rounding tie.
inline float SoftSaturate(float x);
// [any] The same curve with every intermediate at extended precision: the definition of the result.
float SoftSaturateExtended(float x);
// [any] Out[i] = SoftSaturate(In[i]) for i < Count, four at a time; In and Out may be the same array.
void SoftSaturateBlock(const float* In, float* Out, std::size_t Count);

// [any] A normalised control value 0..1 mapped logarithmically to 20 Hz..20 kHz: 20·1000^x.
long double NormalisedToFrequency(float x);

// [any] sin and cos of Angle from one evaluation, each rounded to double.
void SinCos(double Angle, double& SinValue, double& CosValue);

namespace DDSPBaseDetail
{

// Magnitudes below kDoubleLower saturate to exactly x/2 at every precision (b rounds to 6, the denominator
// to 12); above kDoubleUpper the double path is not used.
inline constexpr float kDoubleLower = 0x1p-70f;
inline constexpr float kDoubleUpper = 0x1p40f;

// Distance, in units of the last place of a double, that a double result keeps from a float rounding tie so
// that it rounds to the same float as the extended-precision result: both lie within a few units of the
// exact value (no cancellation: every term is non-negative, and x·b and a·b are exact in double).
inline constexpr std::uint64_t kTieGuard = 64;

// [any] Whether v, to be rounded to a normal float, lies within kTieGuard double units of a tie: the
// 29 bits that the rounding drops are then close to 1000…0.
inline bool NearFloatTie(double v)
{
    constexpr std::uint64_t kDropped = (std::uint64_t(1) << 29) - 1;
    constexpr std::uint64_t kTie = std::uint64_t(1) << 28;
    const std::uint64_t Low = std::bit_cast<std::uint64_t>(v) & kDropped;
    return Low - (kTie - kTieGuard) <= 2 * kTieGuard;
}

} // namespace DDSPBaseDetail

inline float SoftSaturate(float x)
{
    using namespace DDSPBaseDetail;
    const float a = std::bit_cast<float>(std::bit_cast<std::uint32_t>(x) & 0x7FFFFFFFu);
    if (!(a >= kDoubleLower && a <= kDoubleUpper)) [[unlikely]]
        return a < kDoubleLower ? x * 0.5f : SoftSaturateExtended(x);
    const double ad = a;
    const double bd = (3.0 + ad) * ad + 6.0;
    if (NearFloatTie(bd)) [[unlikely]]
        return SoftSaturateExtended(x);
    const double b = static_cast<float>(bd);
    const double q = (static_cast<double>(x) * b) / (ad * b + 12.0);
    if (NearFloatTie(q)) [[unlikely]]
        return SoftSaturateExtended(x);
    return static_cast<float>(q);
}
