// marvo-demo: runs sine tones through an eight-band cascade of symmetry filters and prints, per band, the
// configured gain, the gain measured from the output at the band's centre frequency and the cascade's
// analytic response there.
#include "dsp/DFilter.h"
#include "dsp/DMath.h"
#include "platform/FPUControl.h"

#include <array>
#include <cstdio>

namespace {

constexpr double SampleRate = 44100.0;

struct TBand
{
    double Frequency, GainDb, BandwidthOctaves, Symmetry;
};

constexpr std::array<TBand, 8> Bands = {{
    {31.5, 6.0, 4.0, 0.0}, {100.0, -4.0, 4.0, 0.0}, {500.0, 9.0, 4.0, 0.0}, {1000.0, -12.0, 4.0, 0.0},
    {2000.0, 3.0, 4.0, 0.0}, {4000.0, -6.0, 4.0, 0.0}, {8000.0, 12.0, 4.0, 0.0}, {16000.0, -9.0, 4.0, 0.0},
}};

using TCascade = std::array<TSymmetryFilter, 8>;

// [any]
void Configure(TCascade& Cascade)
{
    for (std::size_t b = 0; b < Bands.size(); ++b) {
        TSymmetryFilter& f = Cascade[b];
        f.SetSampleRate(SampleRate);
        f.SetFrequency(Bands[b].Frequency);
        f.SetGain(Bands[b].GainDb);
        f.SetBandwidth(Bands[b].BandwidthOctaves);
        f.SetSymmetry(Bands[b].Symmetry);
    }
}

// [any] Output RMS over input RMS of a sine at Frequency, after the cascade has settled, measured over
// a whole number of periods.
long double MeasuredGain(TCascade& Cascade, double Frequency)
{
    for (TSymmetryFilter& f : Cascade)
        f.ClearStates();
    const long double step = 2.0L * Extended::Pi * Frequency / SampleRate;
    const int settle = static_cast<int>(SampleRate / 2);
    const long double periods = static_cast<long double>(static_cast<int>(Frequency) + 1);
    const int measure = static_cast<int>(Extended::RoundToInt64(periods * SampleRate / Frequency));
    long double in2 = 0.0L, out2 = 0.0L;
    for (int i = 0; i < settle + measure; ++i) {
        const float x = static_cast<float>(0.25L * Extended::Sin(step * i));
        long double y = x;
        for (TSymmetryFilter& f : Cascade)
            y = f.FilterSampleExtended(y);
        const float out = static_cast<float>(y);
        if (i >= settle) {
            in2 += static_cast<long double>(x) * x;
            out2 += static_cast<long double>(out) * out;
        }
    }
    return Extended::Sqrt(out2 / in2);
}

// [any] The cascade's magnitude response as the product of its sections'.
long double CascadeMagnitude(const TCascade& Cascade, double Frequency)
{
    long double m = 1.0L;
    for (const TSymmetryFilter& f : Cascade)
        m *= f.ResponseMagnitude(Frequency);
    return m;
}

// [any]
long double Decibels(long double Ratio)
{
    return 20.0L * Extended::Log10(Ratio);
}

} // namespace

int main()
{
    TFPUControlScope fpu;
    TCascade cascade;
    Configure(cascade);

    std::printf("Eight-band cascade at %.0f Hz; a sine at each band's centre frequency\n", SampleRate);
    std::printf("band  centre Hz  bandwidth  set dB  measured dB  analytic dB\n");
    for (std::size_t b = 0; b < Bands.size(); ++b) {
        const TBand& band = Bands[b];
        const long double measured = Decibels(MeasuredGain(cascade, band.Frequency));
        const long double analytic = Decibels(CascadeMagnitude(cascade, band.Frequency));
        std::printf("%4zu  %9.1f  %9.2f  %+6.2f  %+11.3f  %+11.3f\n", b + 1, band.Frequency, band.BandwidthOctaves,
                    band.GainDb, static_cast<double>(measured), static_cast<double>(analytic));
    }
    return 0;
}
