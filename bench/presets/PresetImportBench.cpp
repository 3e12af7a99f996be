// One import of a ten-filter headphone correction (read, target, fit, settle), and the fitted equaliser's
// response alone, which the fit evaluates hundreds of times.
#include <benchmark/benchmark.h>

#include <stdexcept>
#include <string>

#include "presets/PresetImport.h"
#include "presets/PresetModel.h"
#include "presets/PresetResponse.h"

namespace
{

const std::string kSample = std::string(MARVO_PRESET_DATA) + "/correction-a.txt";

void BM_ImportHeadphoneCorrection(benchmark::State& State)
{
    for (auto _ : State)
    {
        const TImportResult R = ImportPresetFile(kSample, {});
        if (!R.Ok)
            throw std::runtime_error(R.Error);
        benchmark::DoNotOptimize(R.Parameters);
        State.counters["rms_dB"] = R.RmsDb;
        State.counters["max_dB"] = R.MaxDb;
    }
}
BENCHMARK(BM_ImportHeadphoneCorrection)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_BandResponseOnTheGrid(benchmark::State& State)
{
    TEqualiserModel Model(LogGrid().Frequencies);
    float Gain = 3.0f;
    for (auto _ : State)
    {
        Model.SetParameter(5, Gain);
        benchmark::DoNotOptimize(Model.BandDb(1).data());
        Gain = -Gain;
    }
}
BENCHMARK(BM_BandResponseOnTheGrid)->Unit(benchmark::kMicrosecond);

} // namespace
