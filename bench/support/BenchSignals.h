#pragma once
// What the adapters' benchmarks feed the equaliser: one setting with every band active and the same noise, so
// their figures compare.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "equaliser/SEQRequests.h"
#include "platform/FPUControl.h"
#include "vstplugin/DVSTEffect.h"
#include "vstplugin/DVSTVersionHost.h"

namespace BenchSignals
{

// The normalised setting: gains and symmetries on every band, as the equaliser's own benchmark sets them.
inline std::vector<std::pair<int, float>> Setting()
{
    const float Gains[8] = {6, -4, 3, -6, 5, -3, 4, -5};
    const float Symmetries[8] = {-1, -0.5f, 0.3f, 0, -0.2f, 0.6f, 0.5f, 1};
    std::vector<std::pair<int, float>> S;
    for (int B = 0; B < 8; ++B)
    {
        S.emplace_back(4 * B + 1, (Gains[B] + 15.0f) / 30.0f);
        S.emplace_back(4 * B + 3, (Symmetries[B] + 1.0f) / 2.0f);
    }
    return S;
}

// Frames of uniform noise in -0.5..0.5 from Seed.
inline std::vector<float> Noise(std::size_t Frames, unsigned Seed)
{
    std::mt19937 Random(Seed);
    std::uniform_real_distribution<float> U(-0.5f, 0.5f);
    std::vector<float> S(Frames);
    for (float& X : S)
        X = U(Random);
    return S;
}

// The effect Main makes, driven through its own processReplacing on State.range(0) stereo frames of the noise
// with the setting (at 48 kHz); Engine, when given, is the equaliser's engine request's value. The baseline
// the adapters' benchmarks compare with.
inline void ProcessReplacing(benchmark::State& State, TMainProc Main, std::intptr_t Engine = -1)
{
    const auto Frames = static_cast<std::size_t>(State.range(0));
    TFPUControlScope FPU;
    AEffect* E = Main(&VersionOnlyHost);
    E->dispatcher(E, effOpen, 0, 0, nullptr, 0.0f);
    E->dispatcher(E, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    E->dispatcher(E, effMainsChanged, 0, 1, nullptr, 0.0f);
    if (Engine >= 0)
        E->dispatcher(E, effVendorSpecific, kSEQRequestSetEngine, Engine, nullptr, 0.0f);
    for (const auto& [Index, Value] : Setting())
        E->setParameter(E, Index, Value);
    std::vector<float> L = Noise(Frames, 1), R = Noise(Frames, 2), OutL(Frames), OutR(Frames);
    float* In[2] = {L.data(), R.data()};
    float* Out[2] = {OutL.data(), OutR.data()};
    for (auto _ : State)
    {
        E->processReplacing(E, In, Out, static_cast<VstInt32>(Frames));
        benchmark::DoNotOptimize(OutL.data());
    }
    State.SetItemsProcessed(static_cast<std::int64_t>(State.iterations() * Frames));
    E->dispatcher(E, effClose, 0, 0, nullptr, 0.0f);
}

} // namespace BenchSignals
