// The controls read from the equaliser's effect record, and the conversion of port values to normalised ones.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "lv2/LV2Controls.h"
#include "lv2/LV2Entry.h"
#include "lv2/LV2Plugin.h"

namespace
{

using namespace LV2Marvo;

const std::vector<TControl>& Controls()
{
    const std::vector<TControl>* C = SharedControls();
    if (!C)
        throw std::runtime_error("the controls cannot be read");
    return *C;
}

TEST(LV2Controls, DeclareEveryParameterWithItsSymbolRangeUnitAndCurve)
{
    const auto& C = Controls();
    ASSERT_EQ(C.size(), 33u);
    struct Row
    {
        const char* Kind;
        float Min, Max;
        const char* Label;
        TControlCurve Curve;
    };
    const Row Rows[4] = {{"freq", 20.0f, 20000.0f, "Hz", TControlCurve::Logarithmic},
                         {"gain", -15.0f, 15.0f, "dB", TControlCurve::Linear},
                         {"bw", 0.0f, 1.0f, "Oct", TControlCurve::Linear},
                         {"sym", -1.0f, 1.0f, "", TControlCurve::Linear}};
    for (int Band = 0; Band < 8; ++Band)
        for (int K = 0; K < 4; ++K)
        {
            const TControl& P = C[static_cast<std::size_t>(4 * Band + K)];
            SCOPED_TRACE(P.Name);
            EXPECT_EQ(P.Symbol, Rows[K].Kind + std::to_string(Band + 1));
            EXPECT_EQ(P.Min, Rows[K].Min);
            EXPECT_EQ(P.Max, Rows[K].Max);
            EXPECT_EQ(P.Label, Rows[K].Label);
            EXPECT_EQ(P.Curve, Rows[K].Curve);
        }
    EXPECT_EQ(C[0].CurveFactor, 1000.0f);
    // The volume is declared over -40..6 although its handler limits it at -15.
    EXPECT_EQ(C[32].Symbol, "volume");
    EXPECT_EQ(C[32].Min, -40.0f);
    EXPECT_EQ(C[32].Max, 6.0f);
    // Defaults: the equaliser's initial setting, as its display shows it where that is the same setting.
    EXPECT_EQ(C[0].Default, 31.5f);
    EXPECT_EQ(C[3].Default, -1.0f);
    EXPECT_EQ(C[28].Default, 16000.0f);
    EXPECT_EQ(C[32].Default, 0.0f);
}

TEST(LV2Controls, SymbolsFollowTheParameterNames)
{
    const std::pair<const char*, const char*> Cases[] = {
        {"Filter 1 Frequency", "freq1"}, {"Filter 8 Bandwidth", "bw8"}, {"Filter 12 Symmetry", "sym12"},
        {"Volume", "volume"},           {"Output Trim", "output_trim"}, {"3 Band", "p3_band"}};
    for (const auto& [Name, Symbol] : Cases)
        EXPECT_EQ(SymbolFor(Name), Symbol) << Name;
}

// A port value that came from a normalised value reaches the module as the same real value: the port in
// real units loses nothing against the record's normalised values.
TEST(LV2Controls, RealValuesOfNormalisedOnesConvertBackExactly)
{
    std::mt19937 Random(25);
    std::uniform_real_distribution<float> Normalised(0.0f, 1.0f);
    for (const TControl& C : Controls())
        for (int I = 0; I < 2000; ++I)
        {
            const float Real = NormalisedToReal(C, Normalised(Random));
            ASSERT_EQ(NormalisedToReal(C, NormalisedFor(C, Real)), Real) << C.Symbol << " " << Real;
        }
}

TEST(LV2Controls, ValuesOutsideTheRangeAreLimitedAsTheModuleLimitsThem)
{
    const float Inf = std::numeric_limits<float>::infinity(), NaN = std::numeric_limits<float>::quiet_NaN();
    for (const TControl& C : Controls())
    {
        EXPECT_EQ(NormalisedFor(C, NaN), 0.0f) << C.Symbol;
        EXPECT_EQ(NormalisedFor(C, -Inf), 0.0f) << C.Symbol;
        EXPECT_EQ(NormalisedFor(C, C.Min - 1.0f), 0.0f) << C.Symbol;
        EXPECT_EQ(NormalisedFor(C, Inf), 1.0f) << C.Symbol;
        EXPECT_EQ(NormalisedFor(C, C.Max * 2.0f + 1.0f), 1.0f) << C.Symbol;
    }
}

// [any] An effect whose parameter 0 is 0..100 with a curve the adapter does not know (a square).
AEffect* VSTCALL SquareCurveMain(TAudioMasterCallbackFunc)
{
    struct TFake
    {
        AEffect E{};
        float Value = 0.0f;
    };
    auto* F = new TFake;
    F->E.magic = kEffectMagic;
    F->E.numParams = 1;
    F->E.object = F;
    F->E.dispatcher = [](AEffect* E, VstInt32 Op, VstInt32, VstIntPtr, void* Ptr, float) -> VstIntPtr {
        auto* Fake = static_cast<TFake*>(E->object);
        if (Op == effClose)
            delete Fake;
        else if (Op == effGetParamDisplay)
            std::snprintf(static_cast<char*>(Ptr), 64, "%g", 100.0 * Fake->Value * Fake->Value);
        else if (Op == effGetParamName)
            std::snprintf(static_cast<char*>(Ptr), 8, "Drive");
        return 0;
    };
    F->E.setParameter = [](AEffect* E, VstInt32, float V) { static_cast<TFake*>(E->object)->Value = V; };
    F->E.getParameter = [](AEffect* E, VstInt32) { return static_cast<TFake*>(E->object)->Value; };
    return &F->E;
}

TEST(LV2Controls, AParameterWhoseCurveCannotBeReadExactlyIsRefused)
{
    EXPECT_THROW(DescribeControls(&SquareCurveMain), std::exception);
    EXPECT_THROW(DescribeControls([](TAudioMasterCallbackFunc) -> AEffect* { return nullptr; }), std::exception);
}

} // namespace
