#include "dsp/DFilter.h"

#include "platform/FPUControl.h"

#include <benchmark/benchmark.h>

#include <array>
#include <vector>

namespace {

using TCascade = std::array<TSymmetryFilter, 8>;

void Configure(TCascade& Cascade)
{
    const double frequencies[] = {31.5, 100.0, 500.0, 1000.0, 2000.0, 4000.0, 8000.0, 16000.0};
    for (int b = 0; b < 8; ++b) {
        TSymmetryFilter& f = Cascade[b];
        f.SetSampleRate(44100.0);
        f.SetFrequency(frequencies[b]);
        f.SetGain(b % 2 == 0 ? 6.0 : -4.5);
        f.SetBandwidth(1.0);
        f.SetSymmetry(-1.0 + b * (2.0 / 7.0));
    }
}

// One block of stereo frames through eight sections per channel, the way the equaliser's loop runs it.
void StereoEightBandCascade(benchmark::State& State)
{
    TFPUControlScope fpu;
    std::array<TCascade, 2> cascades;
    Configure(cascades[0]);
    Configure(cascades[1]);
    const int frames = static_cast<int>(State.range(0));
    std::vector<float> left(frames), right(frames);
    for (int i = 0; i < frames; ++i) {
        left[i] = static_cast<float>((i * 7919) % 2000 - 1000) * 1e-3f;
        right[i] = -left[i];
    }
    std::array<float*, 2> planes = {left.data(), right.data()};
    for (auto _ : State) {
        for (int ch = 0; ch < 2; ++ch) {
            float* p = planes[ch];
            for (int i = 0; i < frames; ++i) {
                long double y = p[i];
                for (TSymmetryFilter& f : cascades[ch])
                    y = f.FilterSampleExtended(y);
                p[i] = static_cast<float>(y);
            }
            for (TSymmetryFilter& f : cascades[ch])
                f.ClearStates();
        }
        benchmark::ClobberMemory();
    }
    State.SetItemsProcessed(State.iterations() * frames);
}
BENCHMARK(StereoEightBandCascade)->Arg(576)->Arg(4096);

// The coefficient work of one parameter change on one band (what a mouse drag costs per step).
void SymmetryFilterSetters(benchmark::State& State)
{
    TFPUControlScope fpu;
    TSymmetryFilter f;
    f.SetSampleRate(44100.0);
    double frequency = 100.0;
    for (auto _ : State) {
        frequency = frequency > 15000.0 ? 100.0 : frequency * 1.01;
        f.SetFrequency(frequency);
        f.SetGain(frequency * 1e-3 - 7.0);
        f.SetBandwidth(0.5 + frequency * 1e-4);
        f.SetSymmetry(frequency * 1e-4 - 0.75);
        benchmark::DoNotOptimize(f.Coefficients());
    }
    State.SetItemsProcessed(State.iterations() * 4);
}
BENCHMARK(SymmetryFilterSetters);

} // namespace
