#include "dsp/DDSPBase.h"

#include <bit>
#include <cstdint>

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
    return static_cast<float>((static_cast<long double>(x) * b) / (static_cast<long double>(a) * b + 12.0L));
}
