// A fixed stimulus through a stereo eight-band cascade, chained at extended precision and stored as floats.
// The digest of the output is the same in both builds: the stimulus comes from integer arithmetic and every
// transcendental function in the coefficient path is computed by our own basic-arithmetic code, neither by the
// C library nor by the x87 transcendental instructions.
#include "dsp/DFilter.h"

#include "platform/FPUControl.h"
#include "support/Fnv1a.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>

namespace {

constexpr int Frames = 8192;

struct TBand
{
    double Frequency, GainDb, BandwidthOctaves, Symmetry;
};

constexpr std::array<std::array<TBand, 8>, 2> Bands = {{
    {{{31.5, 12.0, 1.0, -1.0}, {100.0, -6.0, 0.1, -0.5}, {500.0, 9.5, 2.0, 0.0}, {1000.0098, -15.0, 1.0, 0.0},
      {2000.0, 4.0, 0.5, 0.3}, {4000.0, -3.5, 10.0, -0.7}, {8000.0, 15.0, 1.5, 0.5}, {16000.0, -11.0, 0.25, 1.0}}},
    {{{45.0, -9.0, 3.0, -1.0}, {180.0, 7.0, 0.7, -0.2}, {700.0, -12.0, 0.15, 0.0}, {1300.0, 2.5, 6.0, 0.9},
      {2700.0, 14.0, 1.0, -0.4}, {5100.0, -15.0, 0.4, 0.1}, {9900.0, 5.0, 8.0, 0.6}, {19000.0, 8.0, 1.2, 1.0}}},
}};

// Numerical Recipes' 32-bit LCG.
struct TLcg
{
    std::uint32_t Seed;
    std::uint32_t Next() { return Seed = Seed * 1664525u + 1013904223u; }
};

// White noise in [−0.25, 0.25) plus a slow square wave and a few clicks, exactly representable as floats.
float Stimulus(TLcg& Rng, int Frame, int Channel)
{
    const float noise = static_cast<float>(static_cast<std::int32_t>(Rng.Next() >> 8) - 0x800000) * 0x1p-25f;
    const float square = ((Frame / (37 + 11 * Channel)) % 2 == 0) ? 0.3f : -0.3f;
    const float click = (Frame % 2048 == 100) ? 0.9f : 0.0f;
    return noise + square + click;
}

} // namespace

TEST(FilterCascade, StereoEightBandOutputHasTheSameDigestInBothBuilds)
{
    TFPUControlScope fpu;
    std::array<std::array<TSymmetryFilter, 8>, 2> filters;
    for (int ch = 0; ch < 2; ++ch)
        for (int b = 0; b < 8; ++b) {
            TSymmetryFilter& f = filters[ch][b];
            const TBand& band = Bands[ch][b];
            f.SetSampleRate(44100.0);
            f.SetFrequency(band.Frequency);
            f.SetGain(band.GainDb);
            f.SetBandwidth(band.BandwidthOctaves);
            f.SetSymmetry(band.Symmetry);
        }

    TLcg rng{12345u};
    TFnv1a64 digest;
    for (int frame = 0; frame < Frames; ++frame)
        for (int ch = 0; ch < 2; ++ch) {
            long double y = Stimulus(rng, frame, ch);
            for (TSymmetryFilter& f : filters[ch])
                y = f.FilterSampleExtended(y);
            digest.Add(std::bit_cast<std::uint32_t>(static_cast<float>(y)));
        }

    EXPECT_EQ(digest.Hash, 0x904a0b25c4545032ull) << "digest of this build: 0x" << std::hex << digest.Hash;
}
