// Stereo frames per second through the equaliser with all eight bands active: the module's processReplacing
// entry (skewed kernel), the skewed kernel alone and the plain per-sample loop, on the same coefficients.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "equaliser/SEQCascade.h"
#include "equaliser/SmallEQModule.h"
#include "platform/FPUControl.h"

namespace
{

VstIntPtr VSTCALL BenchHost(AEffect*, VstInt32 Opcode, VstInt32, VstIntPtr, void*, float)
{
    return Opcode == audioMasterVersion ? 2400 : 0;
}

// Non-zero gains and mixed symmetries on every band.
TSmallEQModule* NewActiveModule()
{
    auto* m = new TSmallEQModule(nullptr);
    m->SetAudioMaster(&BenchHost);
    const float gains[8] = {6, -4, 3, -6, 5, -3, 4, -5};
    const float symmetries[8] = {-1, -0.5f, 0.3f, 0, -0.2f, 0.6f, 0.5f, 1};
    for (int b = 0; b < 8; ++b)
    {
        m->SetParameterAutomated(4 * b + 1, gains[b]);
        m->SetParameterAutomated(4 * b + 3, symmetries[b]);
    }
    return m;
}

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

template <void (*Kernel)(TCascade&, const float* const*, float* const*, std::int32_t)>
void BM_Kernel(benchmark::State& State)
{
    TFPUControlScope fpu;
    TSmallEQModule* m = NewActiveModule();
    TCascade cascade;
    for (int ch = 0; ch < 2; ++ch)
        for (int b = 0; b < 8; ++b)
            cascade.Sections[ch][b].Coefficients = m->Filters[ch][b]->Coefficients();
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
BENCHMARK(BM_Kernel<ProcessCascade>)->Name("BM_SkewedKernel")->Arg(576)->Arg(4096);
BENCHMARK(BM_Kernel<ProcessCascadeReference>)->Name("BM_PlainLoop")->Arg(576)->Arg(4096);

} // namespace
