#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <string>

#include "platform/FPUControl.h"
#include "presets/PresetImport.h"
#include "presets/PresetModel.h"
#include "presets/PresetResponse.h"

namespace
{

const std::string kData = MARVO_PRESET_DATA;

TImportResult Import(const std::string& Name, TImportOptions Options = {})
{
    return ImportPresetFile(kData + "/" + Name, Options);
}

// FNV-1a over the bits of the 33 values.
std::uint64_t Digest(const TEqualiserSetting& S)
{
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (const float v : S)
    {
        const std::uint32_t b = std::bit_cast<std::uint32_t>(v);
        for (int k = 0; k < 4; ++k)
            h = (h ^ ((b >> (8 * k)) & 0xFFu)) * 0x100000001b3ull;
    }
    return h;
}

void ExpectInRanges(const TEqualiserSetting& S)
{
    for (int i = 0; i < kModelParameters; ++i)
    {
        const TParameterRange R = ParameterRange(i);
        EXPECT_GE(S[i], R.Lowest) << i;
        EXPECT_LE(S[i], R.Highest) << i;
    }
}

// What the equaliser plays for S, through a model of its own.
std::vector<double> Played(const TEqualiserSetting& S, const std::vector<double>& Frequencies)
{
    TEqualiserModel Model(Frequencies);
    Model.SetAll(S);
    return Model.ResponseDb();
}

TEST(PresetFit, HeadphoneCorrectionsOfTenFiltersComeWithinTheQualityBound)
{
#ifdef MARVO_SANITIZED
    // Under a sanitizer two files take every path of the fit (one with a filter left out); the quality of
    // all five is checked by the plain builds.
    for (const char* Name : {"correction-a.txt", "correction-d.txt"})
#else
    for (const char* Name : {"correction-a.txt", "correction-b.txt", "correction-c.txt", "correction-d.txt",
                             "correction-e.txt"})
#endif
    {
        SCOPED_TRACE(Name);
        const TImportResult R = Import(Name);
        ASSERT_TRUE(R.Ok) << R.Error;
        EXPECT_LE(R.RmsDb, 0.15);
        EXPECT_LE(R.MaxDb, 0.85);
        ExpectInRanges(R.Parameters);

        // The reported curve is what the equaliser plays with the setting, and its errors are the ones reported.
        const std::vector<double> Db = Played(R.Parameters, R.Fit.Frequencies);
        EXPECT_EQ(Db, R.Fit.FittedDb);
        double Rms, Max;
        FitErrors(R.Fit.Frequencies, R.Fit.TargetDb, Db, Rms, Max);
        EXPECT_EQ(Rms, R.RmsDb);
        EXPECT_EQ(Max, R.MaxDb);

        // Headroom: nowhere louder than the file's own curve at its loudest.
        EXPECT_LE(*std::max_element(Db.begin(), Db.end()),
                  *std::max_element(R.Fit.TargetDb.begin(), R.Fit.TargetDb.end()));
    }
}

TEST(PresetFit, FiltersTheBandsCanMakeAreMatchedExactly)
{
    const TImportResult R = Import("exact-6-bells.txt");
    ASSERT_TRUE(R.Ok) << R.Error;
    EXPECT_LE(R.MaxDb, 0.05);
    EXPECT_TRUE(R.Warnings.empty());
}

TEST(PresetFit, GraphicCurvesAndPlayerPresetsAreFitted)
{
    for (const char* Name : {"graphic-eq.txt", "classical.eqf", "library.q1"})
    {
        SCOPED_TRACE(Name);
        TImportOptions O;
        O.Preset = "1";
        const TImportResult R = Import(Name, O);
        ASSERT_TRUE(R.Ok) << R.Error;
        EXPECT_LE(R.RmsDb, 0.15);
        ExpectInRanges(R.Parameters);
    }
}

TEST(PresetFit, SettingIsTheSameBitForBitInEveryBuild)
{
    // The same digest is expected from the native and the Windows builds.
    const TImportResult R = Import("correction-a.txt");
    ASSERT_TRUE(R.Ok) << R.Error;
    EXPECT_EQ(Digest(R.Parameters), 0x8904dc5ed8454c7cull) << std::hex << Digest(R.Parameters);
}

TEST(PresetFit, SettingDoesNotDependOnTheCallersFloatingPointControlWord)
{
    const std::uint64_t Expected = Digest(Import("correction-c.txt").Parameters);
    // 53-bit precision, as a player built with another compiler may leave it; the caller's word comes back.
    constexpr std::uint16_t kDoublePrecision = 0x127F;
    TFPUControlScope Caller(kDoublePrecision);
    const TImportResult R = Import("correction-c.txt");
    EXPECT_EQ(Get8087CW() & 0x0F3F, kDoublePrecision & 0x0F3F);
    EXPECT_EQ(Digest(R.Parameters), Expected);
}

TEST(PresetFit, EightFiltersWithShelvesAndOctaveBandwidthsFitClosely)
{
    TPresetSource S;
    S.PreampDb = -5.0;
    using T = TPresetFilterType;
    S.Filters = {{T::pftLowShelf, 90, 5, 0, 0, 0.9, 1},   {T::pftPeak, 300, -2, 0, 1.2, 0, 2},
                 {T::pftPeak, 900, 1.5, 1.4, 0, 0, 3},   {T::pftPeak, 2200, -3, 2.5, 0, 0, 4},
                 {T::pftPeak, 4000, 3, 0, 0.8, 0, 5},    {T::pftPeak, 6500, -4, 3.5, 0, 0, 6},
                 {T::pftHighShelf, 9000, -2, 0.7, 0, 0, 7}, {T::pftPeak, 40, 1, 1.0, 0, 0, 8}};
    const TFitResult R = FitToBands(S, {});
    EXPECT_LE(R.RmsDb, 0.15);
    EXPECT_LE(R.MaxDb, 0.85);
}

TEST(PresetFit, SettingIsAFixedPointOfTheProgramFilesCurves)
{
    const TImportResult R = Import("correction-b.txt");
    ASSERT_TRUE(R.Ok) << R.Error;
    TEqualiserModel Model({1000.0});
    Model.SetAll(R.Parameters);
    EXPECT_EQ(Model.SettleAsStored(), R.Parameters);
}

TEST(PresetFit, GainsBeyondTheBandsAreFittedWithinTheRangesAndWarned)
{
    TPresetSource S;
    S.PreampDb = -30.0;
    S.Filters = {{TPresetFilterType::pftPeak, 1000, 28, 1.0, 0, 0, 1},
                 {TPresetFilterType::pftPeak, 25000, 3, 1.0, 0, 0, 2}};
    const TFitResult R = FitToBands(S, {});
    ExpectInRanges(R.Setting);
    EXPECT_FALSE(R.Warnings.empty());
}

TEST(PresetImport, LibraryRecordIsChosenByNameAndKeepsIt)
{
    TImportOptions O;
    O.Preset = "Bass boost";
    const TImportResult R = Import("library.q1", O);
    ASSERT_TRUE(R.Ok) << R.Error;
    EXPECT_EQ(R.Name, "Bass boost");
    EXPECT_TRUE(R.Warnings.empty());
    // The record's bass boost (+8.4 dB at 60 Hz) under its preamp (−3.2 dB).
    EXPECT_NEAR(R.Fit.TargetDb[0], 12.0 - 24.0 * 12 / 63 + 12.0 - 24.0 * 40 / 63, 1e-9);
}

TEST(PresetImport, FailuresAreAnswersNamingTheFile)
{
    TImportOptions Rate;
    Rate.SampleRate = 0.0;
    const std::pair<TImportResult, std::string> Cases[] = {
        {Import("no-such-file.txt"), kData + "/no-such-file.txt: cannot read the file"},
        {Import("correction-a.txt", Rate), kData + "/correction-a.txt: the sample rate must be above 0 Hz"},
    };
    for (const auto& [R, Message] : Cases)
    {
        EXPECT_FALSE(R.Ok);
        EXPECT_EQ(R.Error, Message);
    }
}

} // namespace
