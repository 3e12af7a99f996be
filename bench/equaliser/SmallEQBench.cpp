// Stereo frames per second through the equaliser with all eight bands active: the module's processReplacing
// entry (skewed kernel), the skewed kernel alone and the plain per-sample loop, on the same coefficients; and
// the entry for 512-frame blocks while the spectrum's tap records nothing, the output or the input.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "SmallEQBenchSetup.h"
#include "platform/FPUControl.h"

namespace
{

struct TPlanes
{
    explicit TPlanes(std::size_t n) : Left(n), Right(n), OutLeft(n), OutRight(n)
    {
        std::mt19937 random(3);
        std::uniform_real_distribution<float> u(-0.5f, 0.5f);
        for (std::size_t i = 0; i < n; ++i)
            Left[i] = u(random), Right[i] = u(random);
    }
    // Separate outputs: processing the same buffer over and over would drive it towards overflow or into
    // denormals, which the x87 unit handles slowly.
    std::vector<float> Left, Right, OutLeft, OutRight;
    float* In[2] = {Left.data(), Right.data()};
    float* Out[2] = {OutLeft.data(), OutRight.data()};
};

void BM_ProcessReplacing(benchmark::State& State)
{
    TFPUControlScope fpu;
    TSmallEQModule* m = NewActiveModule();
    AEffect* e = m->Effect();
    TPlanes p(State.range(0));
    for (auto _ : State)
    {
        e->processReplacing(e, p.In, p.Out, static_cast<VstInt32>(State.range(0)));
        benchmark::ClobberMemory();
    }
    State.SetItemsProcessed(State.iterations() * State.range(0));
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
}

void BM_ProcessReplacingWithSpectrum(benchmark::State& State)
{
    TFPUControlScope fpu;
    TSmallEQModule* m = NewActiveModule();
    AEffect* e = m->Effect();
    m->SpectrumTap().SetSource(static_cast<TSpectrumSource>(State.range(0)));
    constexpr int kFrames = 512;
    TPlanes p(kFrames);
    for (auto _ : State)
    {
        e->processReplacing(e, p.In, p.Out, kFrames);
        benchmark::ClobberMemory();
    }
    State.SetItemsProcessed(State.iterations() * kFrames);
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
}

template <void (*Kernel)(TCascade&, const float* const*, float* const*, std::int32_t)>
void BM_Kernel(benchmark::State& State)
{
    TFPUControlScope fpu;
    TSmallEQModule* m = NewActiveModule();
    TCascade cascade;
    CopyCoefficients(*m, cascade);
    TPlanes p(State.range(0));
    for (auto _ : State)
    {
        Kernel(cascade, p.In, p.Out, static_cast<std::int32_t>(State.range(0)));
        benchmark::ClobberMemory();
    }
    State.SetItemsProcessed(State.iterations() * State.range(0));
    m->Effect()->dispatcher(m->Effect(), effClose, 0, 0, nullptr, 0.0f);
}

BENCHMARK(BM_ProcessReplacing)->Arg(576)->Arg(4096);
BENCHMARK(BM_ProcessReplacingWithSpectrum)->ArgName("source")->Arg(spsOff)->Arg(spsOutput)->Arg(spsInput);
BENCHMARK(BM_Kernel<ProcessCascade>)->Name("BM_SkewedKernel")->Arg(576)->Arg(4096);
BENCHMARK(BM_Kernel<ProcessCascadeReference>)->Name("BM_PlainLoop")->Arg(576)->Arg(4096);

} // namespace
