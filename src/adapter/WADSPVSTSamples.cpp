// ModifySamples: one block of interleaved integer PCM through the hosted instance, in place.
#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <utility>

#include <emmintrin.h>

#include "adapter/AdapterEngine.h"
#include "adapter/WADSPVST.h"
#include "dsp/DDSPBase.h"
#include "vsthost/DVSTHost.h"

namespace
{

// Planes beyond this many floats in all are not attempted: no player block comes near it, and a claim that
// large is a fault of the caller that must not bring the process down.
constexpr std::size_t kMaxPlaneFloats = std::size_t(1) << 28;

// Per-width access to one sample and the two scale factors.
struct TPcm8
{
    static constexpr float ToFloat = 0.0078125f;
    static constexpr float ToInteger = 127.0f;
    static constexpr std::size_t Bytes = 1;
    static std::int32_t Read(const std::uint8_t* P) { return static_cast<std::int8_t>(P[0]); }
    static void Write(std::uint8_t* P, std::int32_t V) { P[0] = static_cast<std::uint8_t>(V); }
};

struct TPcm16
{
    static constexpr float ToFloat = 3.0517578125e-05f;
    static constexpr float ToInteger = 32767.0f;
    static constexpr std::size_t Bytes = 2;
    static std::int32_t Read(const std::uint8_t* P)
    {
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(P[0] | (P[1] << 8)));
    }
    static void Write(std::uint8_t* P, std::int32_t V)
    {
        P[0] = static_cast<std::uint8_t>(V);
        P[1] = static_cast<std::uint8_t>(V >> 8);
    }
};

struct TPcm24
{
    static constexpr float ToFloat = 1.1920928955078125e-07f;
    static constexpr float ToInteger = 8388607.0f;
    static constexpr std::size_t Bytes = 3;
    static std::int32_t Read(const std::uint8_t* P)
    {
        return static_cast<std::int8_t>(P[2]) * 65536 + P[1] * 256 + P[0];
    }
    static void Write(std::uint8_t* P, std::int32_t V)
    {
        P[0] = static_cast<std::uint8_t>(V);
        P[1] = static_cast<std::uint8_t>(V >> 8);
        P[2] = static_cast<std::uint8_t>(V >> 16);
    }
};

// [any] x rounded to the nearest integer, ties to even, for |x| < 2^51: adding and removing 1.5·2^52
// leaves no fraction bits, so the hardware's round-to-nearest-even does the rounding (the default mode, which
// the filters' double arithmetic relies on as well).
inline std::int32_t RoundHalfEven(double x)
{
    constexpr double kShift = 6755399441055744.0;
    return static_cast<std::int32_t>((x + kShift) - kShift);
}

// [audio] The way back for one saturated sample: the gain of 1.9 stored as a float, clipping to full
// scale, scaling and rounding. The gain's product is formed in double: for every float input it rounds
// to the same float as the extended-precision product (checked over all 2^32 inputs).
template <class TPcm>
inline std::int32_t ToInteger(float Saturated)
{
    const float Gained = static_cast<float>(static_cast<double>(Saturated) * 1.9);
    const float Limited = Limit(Gained, -1.0f, 1.0f);
    return RoundHalfEven(static_cast<double>(Limited) * static_cast<double>(TPcm::ToInteger));
}

// [audio] ToInteger of four saturated samples at once: the same steps in the same precisions (the minimum and
// maximum instructions give Limit's answers, a NaN included; the conversion rounds to nearest, ties to even).
template <class TPcm>
inline __m128i ToIntegers4(const float* Saturated)
{
    const __m128 s = _mm_loadu_ps(Saturated);
    const __m128d Gain = _mm_set1_pd(1.9);
    const __m128 Gained = _mm_movelh_ps(_mm_cvtpd_ps(_mm_mul_pd(_mm_cvtps_pd(s), Gain)),
                                        _mm_cvtpd_ps(_mm_mul_pd(_mm_cvtps_pd(_mm_movehl_ps(s, s)), Gain)));
    // maxps answers its second operand when either is NaN: Limit's lower bound.
    const __m128 Limited = _mm_min_ps(_mm_max_ps(Gained, _mm_set1_ps(-1.0f)), _mm_set1_ps(1.0f));
    const __m128d Scale = _mm_set1_pd(static_cast<double>(TPcm::ToInteger));
    const __m128i Low = _mm_cvtpd_epi32(_mm_mul_pd(_mm_cvtps_pd(Limited), Scale));
    const __m128i High = _mm_cvtpd_epi32(_mm_mul_pd(_mm_cvtps_pd(_mm_movehl_ps(Limited, Limited)), Scale));
    return _mm_unpacklo_epi64(Low, High);
}

// [audio] ProcessBlock for the most common block, 16-bit stereo into two planes: the same steps, four frames
// at a time.
void ProcessStereo16(TVstPlugIn& Plugin, float** Pointers, std::uint8_t* Samples, std::size_t Frames)
{
    float* Left = Pointers[0];
    float* Right = Pointers[1];
    const __m128 ToFloat = _mm_set1_ps(TPcm16::ToFloat);
    std::size_t j = 0;
    for (; j + 4 <= Frames; j += 4)
    {
        const __m128i Pcm = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Samples + 4 * j));
        // Sign-extended: frames 0 and 1, then 2 and 3, each left then right.
        const __m128 First = _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpacklo_epi16(Pcm, Pcm), 16));
        const __m128 Second = _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpackhi_epi16(Pcm, Pcm), 16));
        _mm_storeu_ps(Left + j, _mm_mul_ps(_mm_shuffle_ps(First, Second, _MM_SHUFFLE(2, 0, 2, 0)), ToFloat));
        _mm_storeu_ps(Right + j, _mm_mul_ps(_mm_shuffle_ps(First, Second, _MM_SHUFFLE(3, 1, 3, 1)), ToFloat));
    }
    for (; j < Frames; ++j)
    {
        Left[j] = static_cast<float>(TPcm16::Read(Samples + 4 * j)) * TPcm16::ToFloat;
        Right[j] = static_cast<float>(TPcm16::Read(Samples + 4 * j + 2)) * TPcm16::ToFloat;
    }

    Plugin.ProcessReplacing(Pointers, Pointers, static_cast<std::int32_t>(Frames));

    SoftSaturateBlock(Left, Left, Frames);
    SoftSaturateBlock(Right, Right, Frames);
    for (j = 0; j + 4 <= Frames; j += 4)
    {
        // The codes lie within ±32767, so packing them to 16 bits keeps them whole.
        const __m128i Codes = _mm_packs_epi32(ToIntegers4<TPcm16>(Left + j), ToIntegers4<TPcm16>(Right + j));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(Samples + 4 * j),
                         _mm_unpacklo_epi16(Codes, _mm_srli_si128(Codes, 8)));
    }
    for (; j < Frames; ++j)
    {
        TPcm16::Write(Samples + 4 * j, ToInteger<TPcm16>(Left[j]));
        TPcm16::Write(Samples + 4 * j + 2, ToInteger<TPcm16>(Right[j]));
    }
}

// [audio] Converts in, runs the instance over the planes in place, converts back. The caller's buffer is
// written only after the instance returned, so a failing plug-in leaves the block unchanged.
template <class TPcm>
void ProcessBlock(TVstPlugIn& Plugin, float** Pointers, std::uint8_t* Samples, std::size_t Frames,
                  std::size_t Channels, std::size_t Used)
{
    for (std::size_t i = 0; i < Used; ++i)
    {
        float* Plane = Pointers[i];
        const std::uint8_t* In = Samples + i * TPcm::Bytes;
        for (std::size_t j = 0; j < Frames; ++j, In += Channels * TPcm::Bytes)
            Plane[j] = static_cast<float>(TPcm::Read(In)) * TPcm::ToFloat;
    }

    Plugin.ProcessReplacing(Pointers, Pointers, static_cast<std::int32_t>(Frames));

    for (std::size_t i = 0; i < Used; ++i)
    {
        float* Plane = Pointers[i];
        SoftSaturateBlock(Plane, Plane, Frames);
        std::uint8_t* Out = Samples + i * TPcm::Bytes;
        std::size_t j = 0;
        for (; j + 4 <= Frames; j += 4)
        {
            alignas(16) std::int32_t Codes[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(Codes), ToIntegers4<TPcm>(Plane + j));
            for (std::int32_t Code : Codes)
            {
                TPcm::Write(Out, Code);
                Out += Channels * TPcm::Bytes;
            }
        }
        for (; j < Frames; ++j, Out += Channels * TPcm::Bytes)
            TPcm::Write(Out, ToInteger<TPcm>(Plane[j]));
    }
}

} // namespace

bool TSamplePlanes::Reserve(std::size_t Planes, std::size_t Frames) noexcept
{
    const std::size_t Floats = Planes * Frames;
    if (Floats > FFloats)
    {
        // A quarter more than asked, so that a player whose block length wanders grows the planes rarely.
        const std::size_t Room = Floats + Floats / 4 + 1;
        std::unique_ptr<float[]> Data(new (std::nothrow) float[Room]);
        if (!Data)
            return false;
        FData = std::move(Data);
        FFloats = Room;
    }
    if (Planes + 1 > FPointerCount)
    {
        std::unique_ptr<float*[]> Pointers(new (std::nothrow) float*[Planes + 1]);
        if (!Pointers)
            return false;
        FPointers = std::move(Pointers);
        FPointerCount = Planes + 1;
    }
    return true;
}

float** TSamplePlanes::Layout(std::size_t Planes, std::size_t Frames, std::size_t ZeroFrom) noexcept
{
    for (std::size_t p = 0; p < Planes; ++p)
        FPointers[p] = FData.get() + p * Frames;
    FPointers[Planes] = nullptr;
    if (ZeroFrom < Planes)
        std::fill(FData.get() + ZeroFrom * Frames, FData.get() + Planes * Frames, 0.0f);
    return FPointers.get();
}

std::int32_t WADSPCALL ModifySamples(TWinampDSPModule* Module, void* Samples, std::int32_t NumSamples,
                                     std::int32_t Bps, std::int32_t Nch, std::int32_t SRate)
{
    try
    {
        TAdapterLockHold Hold;
        if (!Hold.Held())
            return NumSamples;
        TAdapterEngine* Engine = EngineOf(Module);
        if (!Engine)
            return NumSamples;
        TVstPlugIn& Plugin = Engine->Instance();
        if (!Plugin.Active() || (Bps != 8 && Bps != 16 && Bps != 24))
            return NumSamples;
        if (NumSamples < 0 || Nch < 0 || !Samples)
            return NumSamples;

        const std::size_t Frames = static_cast<std::size_t>(NumSamples);
        const std::size_t Channels = static_cast<std::size_t>(Nch);
        const std::size_t Planes = static_cast<std::size_t>(
            std::max<std::int32_t>(Nch, std::max(Plugin.numInputs(), Plugin.numOutputs())));
        if (Planes != 0 && Frames > kMaxPlaneFloats / Planes)
            return NumSamples;

        // Planes too large to be had leave the block unchanged, as the player expects of a failure.
        if (!Engine->SamplePlanes.Reserve(Planes, Frames))
            return NumSamples;
        Plugin.SetBlockSizeAndSampleRate(NumSamples, static_cast<float>(SRate));
        const std::size_t Used = std::min(Planes, Channels);
        float** Pointers = Engine->SamplePlanes.Layout(Planes, Frames, Used);
        auto* Bytes = static_cast<std::uint8_t*>(Samples);
        switch (Bps)
        {
        case 8: ProcessBlock<TPcm8>(Plugin, Pointers, Bytes, Frames, Channels, Used); break;
        case 16:
            if (Channels == 2 && Used == 2)
                ProcessStereo16(Plugin, Pointers, Bytes, Frames);
            else
                ProcessBlock<TPcm16>(Plugin, Pointers, Bytes, Frames, Channels, Used);
            break;
        default: ProcessBlock<TPcm24>(Plugin, Pointers, Bytes, Frames, Channels, Used); break;
        }
    }
    catch (...)
    {
    }
    return NumSamples;
}
