// Stereo frames per second, eight bands on, blocks of 64, 512 and 4096, all in one run: the equaliser through
// our host with each engine, the bare kernels (the reference, the fast engine at every width this processor
// has) and, when Debian's lsp-plugins-vst is installed, LSP's parametric equaliser x16 stereo with eight bell
// bands through the same host (skipped otherwise).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "SmallEQBenchSetup.h"
#include "equaliser/SEQCascadeFast.h"
#include "platform/FPUControl.h"
#include "vsthost/DVSTHost.h"

namespace
{

constexpr const char* kLspEqualiser = "/usr/lib/vst/lsp-plugins/para-equalizer-x16-stereo.so";

struct TPlanes
{
    explicit TPlanes(std::size_t n) : Left(n), Right(n), OutLeft(n), OutRight(n)
    {
        std::mt19937 random(3);
        std::uniform_real_distribution<float> u(-0.5f, 0.5f);
        for (std::size_t i = 0; i < n; ++i)
            Left[i] = u(random), Right[i] = u(random);
    }
    // Separate outputs, so repeated blocks neither grow towards overflow nor decay into denormals.
    std::vector<float> Left, Right, OutLeft, OutRight;
    float* In[2] = {Left.data(), Right.data()};
    float* Out[2] = {OutLeft.data(), OutRight.data()};
};

// Runs Block on State.range(0) frames until the benchmark has its time.
template <class F>
void Measure(benchmark::State& State, TPlanes& p, F&& Block)
{
    for (auto _ : State)
    {
        Block(p, static_cast<std::int32_t>(State.range(0)));
        benchmark::ClobberMemory();
    }
    State.SetItemsProcessed(State.iterations() * State.range(0));
}

// [host-main] The equaliser handed to our host and opened there, with the given engine.
void BM_HostedSmallEQ(benchmark::State& State, std::intptr_t Engine)
{
    TFPUControlScope fpu;
    TVstHost Host;
    Host.SetBlockSize(static_cast<std::int32_t>(State.range(0)));
    TSmallEQModule* Module = NewActiveModule();
    Module->SetAudioMaster(&AudioMasterCallback);
    TVstPlugIn* P = Host.VstPlugIns().Add();
    P->VstEffect = Module->Effect();
    P->SetActive(true);
    P->VstDispatch(effVendorSpecific, kSEQRequestSetEngine, Engine);
    TPlanes p(static_cast<std::size_t>(State.range(0)));
    Measure(State, p, [&](TPlanes& q, std::int32_t n) { P->ProcessReplacing(q.In, q.Out, n); });
    P->SetActive(false);
}

void BM_ReferenceKernel(benchmark::State& State)
{
    TFPUControlScope fpu;
    TSmallEQModule* m = NewActiveModule();
    TCascade cascade;
    CopyCoefficients(*m, cascade);
    TPlanes p(static_cast<std::size_t>(State.range(0)));
    Measure(State, p, [&](TPlanes& q, std::int32_t n) { ProcessCascade(cascade, q.In, q.Out, n); });
    m->Effect()->dispatcher(m->Effect(), effClose, 0, 0, nullptr, 0.0f);
}

void BM_FastKernel(benchmark::State& State, TFastLevel Level)
{
    if (Level == flAVX2 && !TCPU().Instructions().Contains(isAVX2))
        return State.SkipWithError("the processor has no AVX2");
    TFPUControlScope fpu;
    TSmallEQModule* m = NewActiveModule();
    TCascade cascade;
    CopyCoefficients(*m, cascade);
    TPlanes p(static_cast<std::size_t>(State.range(0)));
    Measure(State, p, [&](TPlanes& q, std::int32_t n) { ProcessCascadeFast(cascade, q.In, q.Out, n, Level); });
    m->Effect()->dispatcher(m->Effect(), effClose, 0, 0, nullptr, 0.0f);
}

// [host-main] Sets parameter Name to the first normalised value whose display starts with Display (or to
// Value when Display is empty). False when there is no such parameter or value.
bool SetLspParameter(TVstPlugIn& P, const std::string& Name, float Value, const std::string& Display = "")
{
    for (std::int32_t i = 0; i < P.numParams(); ++i)
    {
        if (P.GetParamName(i) != Name)
            continue;
        if (Display.empty())
        {
            P.SetParameter(i, Value);
            return true;
        }
        for (int step = 0; step <= 100; ++step)
        {
            P.SetParameter(i, static_cast<float>(step) / 100.0f);
            if (P.GetParamDisplay(i).starts_with(Display))
                return true;
        }
    }
    return false;
}

void BM_LspParaEqualiser(benchmark::State& State)
{
    if (!std::filesystem::exists(kLspEqualiser))
        return State.SkipWithError("lsp-plugins-vst is not installed");
    TFPUControlScope fpu;
    TVstHost Host;
    Host.SetBlockSize(static_cast<std::int32_t>(State.range(0)));
    TVstPlugIn* P = Host.VstPlugIns().Add();
    P->SetDLLFileName(kLspEqualiser);
    P->SetActive(true);
    // Eight bell bands with non-zero gains at spread frequencies, as in the equaliser's set-up.
    const float gains[8] = {0.7f, 0.35f, 0.65f, 0.3f, 0.68f, 0.4f, 0.66f, 0.33f};
    for (int b = 0; b < 8; ++b)
    {
        const std::string k = std::to_string(b);
        if (!SetLspParameter(*P, "ft_" + k, 0, "Bell") || !SetLspParameter(*P, "g_" + k, gains[b]) ||
            !SetLspParameter(*P, "f_" + k, 0.1f + 0.1f * static_cast<float>(b)))
            return State.SkipWithError("the LSP equaliser's parameters are not the expected ones");
    }
    TPlanes p(static_cast<std::size_t>(State.range(0)));
    Measure(State, p, [&](TPlanes& q, std::int32_t n) { P->ProcessReplacing(q.In, q.Out, n); });
    P->SetActive(false);
    P->Unload();
}

#define MARVO_BLOCKS ->Arg(64)->Arg(512)->Arg(4096)
BENCHMARK_CAPTURE(BM_HostedSmallEQ, Reference, kSEQEngineReference) MARVO_BLOCKS;
BENCHMARK_CAPTURE(BM_HostedSmallEQ, Fast, kSEQEngineFast) MARVO_BLOCKS;
BENCHMARK(BM_ReferenceKernel) MARVO_BLOCKS;
BENCHMARK_CAPTURE(BM_FastKernel, Plain, flPlain) MARVO_BLOCKS;
BENCHMARK_CAPTURE(BM_FastKernel, SSE2, flSSE2) MARVO_BLOCKS;
BENCHMARK_CAPTURE(BM_FastKernel, AVX2, flAVX2) MARVO_BLOCKS;
BENCHMARK(BM_LspParaEqualiser) MARVO_BLOCKS;
#undef MARVO_BLOCKS

} // namespace
