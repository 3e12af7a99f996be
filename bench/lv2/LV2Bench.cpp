// The LV2 run() beside the effect's own processReplacing, in one run: the same setting (every band active),
// the same noise, blocks of 1, 64 and 512 frames, on the same engine (the second argument: 1 fast, the LV2
// default; 0 reference). Frames per second are the items processed.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "equaliser/SEQRequests.h"
#include "lv2/LV2Entry.h"
#include "lv2/LV2Plugin.h"
#include "platform/FPUControl.h"
#include "support/BenchSignals.h"
#include "vstplugin/DVSTVersionHost.h"

namespace
{

using namespace LV2Marvo;

using BenchSignals::Noise;
using BenchSignals::Setting;

void VstProcessReplacing(benchmark::State& State)
{
    BenchSignals::ProcessReplacing(State, &LV2EqualiserMain, State.range(1));
}

void Lv2Run(benchmark::State& State)
{
    const auto Frames = static_cast<std::size_t>(State.range(0));
    std::unique_ptr<TLV2Equaliser> P(TLV2Equaliser::Create(48000.0, nullptr));
    P->Effect()->dispatcher(P->Effect(), effVendorSpecific, kSEQRequestSetEngine, State.range(1), nullptr, 0.0f);
    const std::vector<TControl>& Controls = *SharedControls();
    std::vector<float> Values(Controls.size());
    for (std::size_t I = 0; I < Controls.size(); ++I)
    {
        Values[I] = Controls[I].Default;
        P->ConnectPort(kFirstParameterPort + static_cast<std::uint32_t>(I), &Values[I]);
    }
    for (const auto& [Index, Value] : Setting())
        Values[static_cast<std::size_t>(Index)] = NormalizedToReal(Controls[static_cast<std::size_t>(Index)], Value);
    float Enabled = 1.0f, Level[2];
    const auto Parameters = static_cast<std::uint32_t>(Controls.size());
    P->ConnectPort(EnabledPort(Parameters), &Enabled);
    P->ConnectPort(LevelPort(Parameters, 0), &Level[0]);
    P->ConnectPort(LevelPort(Parameters, 1), &Level[1]);
    std::vector<float> L = Noise(Frames, 1), R = Noise(Frames, 2), OutL(Frames), OutR(Frames);
    P->ConnectPort(kPortInLeft, L.data());
    P->ConnectPort(kPortInRight, R.data());
    P->ConnectPort(kPortOutLeft, OutL.data());
    P->ConnectPort(kPortOutRight, OutR.data());
    P->Activate();
    for (auto _ : State)
    {
        P->Run(static_cast<std::uint32_t>(Frames));
        benchmark::DoNotOptimize(OutL.data());
    }
    State.SetItemsProcessed(static_cast<std::int64_t>(State.iterations() * Frames));
}

BENCHMARK(VstProcessReplacing)->ArgsProduct({{1, 64, 512}, {1, 0}});
BENCHMARK(Lv2Run)->ArgsProduct({{1, 64, 512}, {1, 0}});

} // namespace
