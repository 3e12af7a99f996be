// FakeDSP: a DSP plug-in library whose effect is known exactly, for marvo-play's tests. Module 0 decodes the
// player's samples on its own (8-bit signed bytes, 16 and 24 bits little-endian), multiplies channel c by
// (c + 1) with the sign (-1)^c, clips to the depth's range and encodes them again. It refuses Init without
// the player's window and library handle, and leaves samples untouched (answering 0 frames) unless it was
// initialised. FAKE_DSP_VERSION overrides the header's interface version.
#include <cstdint>

#include "adapter/WinampDSP.h"

#ifndef FAKE_DSP_VERSION
#define FAKE_DSP_VERSION kWinampDSPVersion
#endif

#if defined(_WIN32)
#define FAKE_DSP_EXPORT extern "C" __declspec(dllexport)
#else
#define FAKE_DSP_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace
{

bool Initialised = false;

void WADSPCALL Config(TWinampDSPModule*) {}

std::int32_t WADSPCALL Init(TWinampDSPModule* Module)
{
    if (!Module->hwndParent || !Module->hDllInstance)
        return 1;
    Initialised = true;
    return 0;
}

std::int32_t WADSPCALL ModifySamples(TWinampDSPModule*, void* Samples, std::int32_t Frames, std::int32_t Bps,
                                     std::int32_t Nch, std::int32_t)
{
    if (!Initialised || (Bps != 8 && Bps != 16 && Bps != 24) || Nch < 1)
        return 0;
    auto* B = static_cast<unsigned char*>(Samples);
    const int Width = Bps / 8;
    const std::int64_t Max = (std::int64_t{1} << (Bps - 1)) - 1, Min = -Max - 1;
    for (std::int64_t I = 0; I < std::int64_t{Frames} * Nch; ++I)
    {
        unsigned char* P = B + I * Width;
        std::int64_t S = 0;
        for (int K = Width - 1; K >= 0; --K)
            S = S * 256 + P[K];
        if (S > Max)
            S -= std::int64_t{1} << Bps;
        const int C = static_cast<int>(I % Nch);
        S *= (C % 2 == 0) ? C + 1 : -(C + 1);
        S = S > Max ? Max : (S < Min ? Min : S);
        for (int K = 0; K < Width; ++K)
            P[K] = static_cast<unsigned char>((S >> (8 * K)) & 0xFF);
    }
    return Frames;
}

void WADSPCALL Quit(TWinampDSPModule*)
{
    Initialised = false;
}

TWinampDSPModule Module = {"Fake DSP: channel c times (-1)^c (c + 1)", nullptr, nullptr, Config, Init,
                           ModifySamples, Quit, nullptr};

TWinampDSPModule* WADSPCALL GetModule(std::int32_t Index)
{
    return Index == 0 ? &Module : nullptr;
}

TWinampDSPHeader Header = {FAKE_DSP_VERSION, "Fake DSP", GetModule};

} // namespace

FAKE_DSP_EXPORT TWinampDSPHeader* WADSPCALL winampDSPGetHeader2()
{
    return &Header;
}
