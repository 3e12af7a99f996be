#include "graphics/Color32.h"

#include <algorithm>
#include <climits>
#include <cmath>

// [any]
TColor32 BlendOver(TColor32 Source, TColor32 Dest)
{
    const std::uint32_t As = Source >> 24;
    if (As == 0)
        return Dest;
    if (As == 255)
        return Source;
    const std::uint32_t Ad = Dest >> 24;
    if (Ad == 255)
    {
        // Opaque destination: Co = (Cs As + Cd (255 - As)) / 255, alpha stays 255.
        const std::uint32_t Ai = 255 - As;
        TColor32 Result = 0xFF000000u;
        for (int Shift = 0; Shift <= 16; Shift += 8)
        {
            const std::uint32_t Cs = (Source >> Shift) & 0xFF;
            const std::uint32_t Cd = (Dest >> Shift) & 0xFF;
            Result |= ((Cs * As + Cd * Ai + 127) / 255) << Shift;
        }
        return Result;
    }
    // Weights scaled by 255 x 255: source As x 255, destination Ad x (255 - As); their sum is Ao x 255 x 255.
    const std::uint32_t Ws = As * 255;
    const std::uint32_t Wd = Ad * (255 - As);
    const std::uint32_t Wo = Ws + Wd;
    TColor32 Result = ((Wo + 127) / 255) << 24;
    for (int Shift = 0; Shift <= 16; Shift += 8)
    {
        const std::uint32_t Cs = (Source >> Shift) & 0xFF;
        const std::uint32_t Cd = (Dest >> Shift) & 0xFF;
        Result |= ((Cs * Ws + Cd * Wd + Wo / 2) / Wo) << Shift;
    }
    return Result;
}

// [any]
TColor32 BlendOverCoverage(TColor32 Source, TColor32 Dest, int Coverage)
{
    if (Coverage <= 0)
        return Dest;
    if (Coverage >= 256)
        return BlendOver(Source, Dest);
    const std::uint32_t A = ((Source >> 24) * static_cast<std::uint32_t>(Coverage) + 128) >> 8;
    return BlendOver((Source & 0x00FFFFFFu) | (A << 24), Dest);
}

// [any]
int RoundHalfEven(long double x)
{
    if (std::isnan(x))
        return 0;
    if (x >= static_cast<long double>(INT_MAX))
        return INT_MAX;
    if (x <= static_cast<long double>(INT_MIN))
        return INT_MIN;
    const long double Floor = std::floor(x);
    const long double Fraction = x - Floor;
    long double Result = Floor;
    if (Fraction > 0.5L)
        Result = Floor + 1;
    else if (Fraction == 0.5L && std::fmod(Floor, 2.0L) != 0)
        Result = Floor + 1;
    return static_cast<int>(Result);
}

namespace
{
// [any] A channel value v in 0..1 as 0..255, rounded half to even and limited.
int ChannelByte(long double v)
{
    return std::clamp(RoundHalfEven(v * 255), 0, 255);
}
} // namespace

// [any]
TColor32 HSLtoRGB(double H, double S, double L)
{
    const long double Hue = H, Sat = S, Light = L;
    if (Sat == 0)
    {
        const int V = ChannelByte(Light);
        return Color32(V, V, V);
    }
    const long double M2 = Light <= 0.5L ? Light * (1 + Sat) : Light + Sat - Light * Sat;
    const long double M1 = 2 * Light - M2;
    const auto Channel = [M1, M2](long double h) {
        h = h - std::floor(h);
        if (6 * h < 1)
            return M1 + (M2 - M1) * (6 * h);
        if (2 * h < 1)
            return M2;
        if (3 * h < 2)
            return M1 + (M2 - M1) * (2.0L / 3 - h) * 6;
        return M1;
    };
    return Color32(ChannelByte(Channel(Hue + 1.0L / 3)), ChannelByte(Channel(Hue)),
                   ChannelByte(Channel(Hue - 1.0L / 3)));
}

// [any]
TColor32 Lighten(TColor32 Color, int Amount)
{
    Amount = std::clamp(Amount, -256, 256);
    const auto Add = [Amount](int C) { return std::clamp(C + Amount, 0, 255); };
    return Color32(Add(RedComponent(Color)), Add(GreenComponent(Color)), Add(BlueComponent(Color)),
                   AlphaComponent(Color));
}
