// Frames per second of ModifySamples (16-bit stereo, all eight bands active) beside the equaliser's own
// processReplacing on the same block length: the cost of the conversion and the lock. The second argument is
// the engine (0 reference, 1 fast).
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "SmallEQBenchSetup.h"
#include "adapter/AdapterEngine.h"
#include "adapter/WADSPVST.h"
#include "equaliser/SEQRequests.h"
#include "platform/FPUControl.h"
#include "platform/System.h"

namespace
{

std::vector<std::int16_t> Signal(std::size_t Frames)
{
    std::vector<std::int16_t> S(2 * Frames);
    for (std::size_t i = 0; i < S.size(); ++i)
        S[i] = static_cast<std::int16_t>(static_cast<int>((i * 7919) % 16000) - 8000);
    return S;
}

void BM_ModifySamples(benchmark::State& State)
{
    const auto Frames = static_cast<std::size_t>(State.range(0));
    TWinampDSPModule* Module = WinampDSPHeader()->getModule(0);
    Module->Init(Module);
    AEffect* E = MarvoEngine->Effect();
    auto* Eq = static_cast<TSmallEQModule*>(E->object);
    E->dispatcher(E, effVendorSpecific, kSEQRequestSetEngine, State.range(1), nullptr, 0.0f);
    const float Gains[8] = {6, -4, 3, -6, 5, -3, 4, -5};
    for (int b = 0; b < 8; ++b)
        Eq->SetParameterAutomated(4 * b + 1, Gains[b]);
    const std::vector<std::int16_t> Source = Signal(Frames);
    std::vector<std::int16_t> Block(Source.size());
    for (auto _ : State)
    {
        std::memcpy(Block.data(), Source.data(), Block.size() * sizeof(std::int16_t));
        Module->ModifySamples(Module, Block.data(), static_cast<std::int32_t>(Frames), 16, 2, 44100);
        benchmark::ClobberMemory();
    }
    State.SetItemsProcessed(State.iterations() * State.range(0));
    Module->Quit(Module);
    RemoveFile(TMarvoSetting::PlayerFile());
}
BENCHMARK(BM_ModifySamples)->Args({576, 0})->Args({576, 1});

void BM_ProcessReplacing(benchmark::State& State)
{
    TFPUControlScope Fpu;
    TSmallEQModule* M = NewActiveModule();
    AEffect* E = M->Effect();
    E->dispatcher(E, effVendorSpecific, kSEQRequestSetEngine, State.range(1), nullptr, 0.0f);
    const auto Frames = static_cast<std::size_t>(State.range(0));
    std::vector<float> L(Frames, 0.1f), R(Frames, -0.1f), OL(Frames), OR(Frames);
    float* In[2] = {L.data(), R.data()};
    float* Out[2] = {OL.data(), OR.data()};
    for (auto _ : State)
    {
        E->processReplacing(E, In, Out, static_cast<VstInt32>(Frames));
        benchmark::ClobberMemory();
    }
    State.SetItemsProcessed(State.iterations() * State.range(0));
    E->dispatcher(E, effClose, 0, 0, nullptr, 0.0f);
}
BENCHMARK(BM_ProcessReplacing)->Args({576, 0})->Args({576, 1});

} // namespace
