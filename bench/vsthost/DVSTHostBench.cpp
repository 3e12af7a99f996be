// The host's cost on the equaliser: stereo frames per second through TVstPlugIn::ProcessReplacing beside a
// direct call of the effect's processReplacing on the same hosted instance, and the time to save and load
// the equaliser's program in memory.
#include <benchmark/benchmark.h>

#include <random>
#include <sstream>
#include <vector>

#include "SmallEQBenchSetup.h"
#include "platform/FPUControl.h"
#include "vsthost/DVSTHost.h"

namespace
{

constexpr std::int32_t kBlock = 512;

// The equaliser with every band active, handed to a host as an effect record and opened there.
struct THostedEqualiser
{
    THostedEqualiser()
    {
        Host.SetBlockSize(kBlock);
        TSmallEQModule* Module = NewActiveModule();
        Module->SetAudioMaster(&AudioMasterCallback);
        PlugIn = Host.VstPlugIns().Add();
        PlugIn->VstEffect = Module->Effect();
        PlugIn->SetActive(true);
    }
    // Closing sends effClose, which frees the module.
    ~THostedEqualiser() { PlugIn->SetActive(false); }

    TVstHost Host;
    TVstPlugIn* PlugIn = nullptr;
};

struct TPlanes
{
    TPlanes() : Left(kBlock), Right(kBlock), OutLeft(kBlock), OutRight(kBlock)
    {
        std::mt19937 random(3);
        std::uniform_real_distribution<float> u(-0.5f, 0.5f);
        for (std::size_t i = 0; i < Left.size(); ++i)
            Left[i] = u(random), Right[i] = u(random);
    }
    // Separate outputs, so repeated blocks neither grow towards overflow nor decay into denormals.
    std::vector<float> Left, Right, OutLeft, OutRight;
    float* In[2] = {Left.data(), Right.data()};
    float* Out[2] = {OutLeft.data(), OutRight.data()};
};

void BM_HostProcessReplacing(benchmark::State& State)
{
    TFPUControlScope fpu;
    THostedEqualiser Hosted;
    TPlanes p;
    for (auto _ : State)
    {
        Hosted.PlugIn->ProcessReplacing(p.In, p.Out, kBlock);
        benchmark::ClobberMemory();
    }
    State.SetItemsProcessed(State.iterations() * kBlock);
}

void BM_DirectProcessReplacing(benchmark::State& State)
{
    TFPUControlScope fpu;
    THostedEqualiser Hosted;
    TPlanes p;
    AEffect* e = Hosted.PlugIn->VstEffect;
    for (auto _ : State)
    {
        e->processReplacing(e, p.In, p.Out, kBlock);
        benchmark::ClobberMemory();
    }
    State.SetItemsProcessed(State.iterations() * kBlock);
}

void BM_SavePreset(benchmark::State& State)
{
    THostedEqualiser Hosted;
    std::stringstream Stream(std::ios::in | std::ios::out | std::ios::binary);
    for (auto _ : State)
    {
        Hosted.PlugIn->SavePreset(Stream);
        benchmark::ClobberMemory();
    }
}

void BM_LoadPreset(benchmark::State& State)
{
    THostedEqualiser Hosted;
    std::stringstream Stream(std::ios::in | std::ios::out | std::ios::binary);
    Hosted.PlugIn->SavePreset(Stream);
    for (auto _ : State)
    {
        Hosted.PlugIn->LoadPreset(Stream);
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_HostProcessReplacing);
BENCHMARK(BM_DirectProcessReplacing);
BENCHMARK(BM_SavePreset)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadPreset)->Unit(benchmark::kMicrosecond);

} // namespace
