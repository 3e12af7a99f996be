// The VST 3 process() beside the effect's own processReplacing, in one run: the same setting (every band
// active), the same noise, blocks of 64, 512 and 4096 frames, on the same engine (the second argument: 1 fast,
// the VST 3 default; 0 reference). Frames per second are the items processed.
#include <benchmark/benchmark.h>

#include <vector>

#include "equaliser/SEQRequests.h"
#include "platform/FPUControl.h"
#include "support/BenchSignals.h"
#include "vst3/VST3Entry.h"
#include "vst3/VST3Equaliser.h"
#include "vstplugin/DVSTVersionHost.h"

namespace
{

using namespace VST3Marvo;

using BenchSignals::Noise;
using BenchSignals::Setting;


// One parameter's queue with one point, the setting as the first block's changes.
class TPoint final : public IParamValueQueue
{
public:
    ParamID Id = 0;
    double Value = 0.0;
    tresult VST3CALL queryInterface(const TUID, void**) override { return kNoInterface; }
    uint32 VST3CALL addRef() override { return 1; }
    uint32 VST3CALL release() override { return 1; }
    ParamID VST3CALL getParameterId() override { return Id; }
    int32 VST3CALL getPointCount() override { return 1; }
    tresult VST3CALL getPoint(int32, int32& Offset, ParamValue& V) override
    {
        Offset = 0;
        V = Value;
        return kResultOk;
    }
    tresult VST3CALL addPoint(int32, ParamValue, int32&) override { return kResultFalse; }
};

class TSetting final : public IParameterChanges
{
public:
    std::vector<TPoint> Points;
    tresult VST3CALL queryInterface(const TUID, void**) override { return kNoInterface; }
    uint32 VST3CALL addRef() override { return 1; }
    uint32 VST3CALL release() override { return 1; }
    int32 VST3CALL getParameterCount() override { return static_cast<int32>(Points.size()); }
    IParamValueQueue* VST3CALL getParameterData(int32 I) override { return &Points[static_cast<std::size_t>(I)]; }
    IParamValueQueue* VST3CALL addParameterData(const ParamID&, int32&) override { return nullptr; }
};

void VstProcessReplacing(benchmark::State& State)
{
    BenchSignals::ProcessReplacing(State, &VST3EqualiserMain, State.range(1));
}

void Vst3Process(benchmark::State& State)
{
    const auto Frames = static_cast<std::size_t>(State.range(0));
    TVST3Equaliser* P = TVST3Equaliser::Create();
    auto* Component = static_cast<IComponent*>(P);
    auto* Processor = static_cast<IAudioProcessor*>(P);
    P->Effect()->dispatcher(P->Effect(), effVendorSpecific, kSEQRequestSetEngine, State.range(1), nullptr, 0.0f);
    ProcessSetup Setup{0, kSample32, static_cast<int32>(Frames), 48000.0};
    Processor->setupProcessing(Setup);
    Component->setActive(1);
    std::vector<float> L = Noise(Frames, 1), R = Noise(Frames, 2), OutL(Frames), OutR(Frames);
    float* In[2] = {L.data(), R.data()};
    float* Out[2] = {OutL.data(), OutR.data()};
    AudioBusBuffers InBus{}, OutBus{};
    InBus.numChannels = OutBus.numChannels = 2;
    InBus.channelBuffers32 = In;
    OutBus.channelBuffers32 = Out;
    TSetting Changes;
    for (const auto& [Index, Value] : Setting())
        Changes.Points.push_back([&] { TPoint T; T.Id = static_cast<ParamID>(Index); T.Value = Value; return T; }());
    ProcessData Data{};
    Data.numSamples = static_cast<int32>(Frames);
    Data.numInputs = Data.numOutputs = 1;
    Data.inputs = &InBus;
    Data.outputs = &OutBus;
    Data.inputParameterChanges = &Changes;
    Processor->process(Data);
    Data.inputParameterChanges = nullptr;
    for (auto _ : State)
    {
        Processor->process(Data);
        benchmark::DoNotOptimize(OutL.data());
    }
    State.SetItemsProcessed(static_cast<std::int64_t>(State.iterations() * Frames));
    Component->setActive(0);
    Component->release();
}

} // namespace

BENCHMARK(VstProcessReplacing)->ArgsProduct({{64, 512, 4096}, {1, 0}});
BENCHMARK(Vst3Process)->ArgsProduct({{64, 512, 4096}, {1, 0}});
