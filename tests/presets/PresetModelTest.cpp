#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "equaliser/SmallEQModule.h"
#include "platform/FPUControl.h"
#include "presets/PresetImport.h"
#include "presets/PresetModel.h"

namespace
{

// The gain in dB that the equaliser's own block loop applies to a sine at Frequency (44.1 kHz), measured on
// the output after the filters have settled.
double PlayedGainDb(const TEqualiserSetting& Setting, double Frequency)
{
    TFPUControlScope FPU;
    auto* Module = new TSmallEQModule(nullptr);
    for (int i = 0; i < kModelParameters; ++i)
        Module->SetParameter(i, Setting[i]);
    constexpr int kFrames = 44100;
    std::vector<float> In(kFrames), Out0(kFrames), Out1(kFrames);
    for (int n = 0; n < kFrames; ++n)
        In[n] = static_cast<float>(0.1 * std::sin(2.0 * std::numbers::pi * Frequency * n / 44100.0));
    float* Inputs[2] = {In.data(), In.data()};
    float* Outputs[2] = {Out0.data(), Out1.data()};
    Module->VSTModuleProcess(Inputs, Outputs, kFrames);
    double SumIn = 0.0, SumOut = 0.0;
    for (int n = kFrames / 2; n < kFrames; ++n)
    {
        SumIn += static_cast<double>(In[n]) * In[n];
        SumOut += static_cast<double>(Out0[n]) * Out0[n];
    }
    AEffect* E = Module->Effect();
    E->dispatcher(E, effClose, 0, 0, nullptr, 0.0f);
    return 10.0 * std::log10(SumOut / SumIn);
}

TEST(PresetModelResponse, FittedCurveIsWhatTheEqualisersBlockLoopPlays)
{
    const TImportResult R = ImportPresetFile(std::string(MARVO_PRESET_DATA) + "/correction-b.txt", {});
    ASSERT_TRUE(R.Ok) << R.Error;
    // Whole numbers of periods per half second, spread over the range.
    for (const double f : {50.0, 220.0, 1000.0, 4470.0, 6212.0, 12000.0})
    {
        SCOPED_TRACE(f);
        TEqualiserModel Model({f});
        Model.SetAll(R.Parameters);
        EXPECT_NEAR(PlayedGainDb(R.Parameters, f), Model.ResponseDb()[0], 0.02);
    }
}

TEST(PresetModelResponse, BandsAndVolumeAddUpToTheEqualisersCurve)
{
    TEqualiserModel Model({5.0, 1000.0, 10000.0});
    Model.SetParameter(1, 6.0f);  // band 1: low shelf at 31.5 Hz, +6 dB
    Model.SetParameter(29, -4.0f); // band 8: high shelf at 16 kHz, −4 dB
    EXPECT_EQ(Model.SetParameter(kModelVolumeIndex, -40.0f), -15.0f); // the handler's limit
    const std::vector<double> Db = Model.ResponseDb();
    EXPECT_NEAR(Db[0], 6.0 - 15.0, 0.3);
    EXPECT_NEAR(Db[1], -15.0, 0.05);
    EXPECT_NEAR(Model.VolumeDb(), -15.0, 1e-5);

    // Trying a value leaves the setting and its response as they were.
    std::vector<double> Tried;
    Model.TryParameter(1, 12.0f, Tried);
    EXPECT_NEAR(Tried[0], 12.0, 0.6);
    EXPECT_EQ(Model.Parameter(1), 6.0f);
    EXPECT_EQ(Model.ResponseDb(), Db);
}

TEST(PresetModelResponse, ParametersAreLimitedAsTheEqualiserLimitsThem)
{
    TEqualiserModel Model({1000.0});
    const struct
    {
        int Index;
        float Value, Kept;
    } Cases[] = {{0, 5.0f, 20.0f},    {0, 30000.0f, 20000.0f}, {1, 40.0f, 15.0f}, {2, 1.5f, 1.0f},
                 {3, -2.0f, -1.0f},   {32, 10.0f, 6.0f},       {32, -40.0f, -15.0f}};
    for (const auto& C : Cases)
    {
        const TParameterRange Range = ParameterRange(C.Index);
        const float Kept = Model.SetParameter(C.Index, C.Value);
        EXPECT_EQ(std::clamp(Kept, Range.Lowest, Range.Highest), C.Kept) << C.Index << " " << C.Value;
    }
}

} // namespace
