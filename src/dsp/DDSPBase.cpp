#include "dsp/DDSPBase.h"

#include "dsp/DMath.h"

#include <bit>
#include <cstdint>
#include <limits>

float Limit(float x, float Lower, float Upper)
{
    if (!(x >= Lower))
        return Lower;
    if (x > Upper)
        return Upper;
    return x;
}

float SoftSaturate(float x)
{
    const float a = std::bit_cast<float>(std::bit_cast<std::uint32_t>(x) & 0x7FFFFFFFu);
    const float b = static_cast<float>((3.0L + a) * a + 6.0L);
    // Beyond about 1.8e19 b overflows and the quotient would be inf/inf = NaN (a huge positive sample would
    // come out as negative full scale); the curve has reached ±1 long before.
    if (b == std::numeric_limits<float>::infinity())
        return x < 0.0f ? -1.0f : 1.0f;
    return static_cast<float>((static_cast<long double>(x) * b) / (static_cast<long double>(a) * b + 12.0L));
}

long double NormalisedToFrequency(float x)
{
    // 6.907755279 ≈ ln 1000, as stored.
    return 20.0L * Extended::Exp(6.907755279L * x);
}

void SinCos(double Angle, double& SinValue, double& CosValue)
{
    long double s, c;
    Extended::SinCos(Angle, s, c);
    SinValue = static_cast<double>(s);
    CosValue = static_cast<double>(c);
}
