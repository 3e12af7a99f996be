// The parameter description: its conversions against the module's own, what it fills in for undeclared
// fields, and the vendor request that carries it across the effect record.
#include <bit>
#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "TestModule.h"
#include "platform/Exceptions.h"

namespace
{

// A module with every curve, and the factors that make the formulas degenerate.
class TCurvesModule : public TVSTModule
{
public:
    TCurvesModule() : TVSTModule(nullptr) { LoadDeclaration(Declaration); }
    static const TVSTModuleDeclaration<TCurvesModule> Declaration;
};

const TVstParameterDeclaration<TCurvesModule> CurveParameters[] = {
    {.Min = 20, .Max = 20000, .Curve = ctLogarithmic, .CurveFactor = 1000},
    {.Min = -40, .Max = 6},
    {.Min = 0, .Max = 1, .Curve = ctExponential, .CurveFactor = 10},
    {.Min = 0, .Max = 100, .Curve = ctFrequencyScale},
    {.Min = 30, .Max = 3000, .Curve = ctFrequencyScale},
    {.Min = 0, .Max = 1, .Curve = ctExponential, .CurveFactor = 0},
    {.Min = -1, .Max = 1, .Curve = ctLogarithmic, .CurveFactor = -1},
};
const TVSTModuleDeclaration<TCurvesModule> TCurvesModule::Declaration = {.Parameters = CurveParameters};

std::uint32_t Bits(float V)
{
    return std::bit_cast<std::uint32_t>(V);
}

TEST(ParameterDescription, ConversionsAgreeBitForBitWithTheModulesOwn)
{
    TCurvesModule Module;
    for (std::int32_t I = 0; I < Module.numParams(); ++I)
    {
        const TVstParameterDescription D = Module.ParameterDescription(I);
        for (int K = 0; K <= 4096; ++K)
        {
            // Even steps, odd values just beside them, and real values across and beyond the range.
            const float Step = static_cast<float>(K) / 4096.0f;
            const float N = K % 2 == 0 ? Step : std::nextafter(Step, 1.0f);
            ASSERT_EQ(Bits(NormalizedToReal(D, N)), Bits(Module.NormalizedToParameter(I, N))) << I << " " << N;
            const float Real = D.Min - 0.25f * (D.Max - D.Min) + 1.5f * (D.Max - D.Min) * Step;
            ASSERT_EQ(Bits(RealToNormalized(D, Real)), Bits(Module.ParameterToNormalized(I, Real))) << I << " " << Real;
        }
    }
}

TEST(ParameterDescription, UndeclaredFieldsTakeTheFrameworksChoice)
{
    TTestModule Module;
    const TVstParameterDescription Frequency = Module.ParameterDescription(0);
    EXPECT_EQ(Frequency.Symbol, "param0");
    EXPECT_EQ(Frequency.Name, "Frequency");
    EXPECT_EQ(Frequency.Units, "Hz");
    EXPECT_EQ(Frequency.Curve, ctLogarithmic);
    EXPECT_EQ(Frequency.CurveFactor, 1000.0f);
    EXPECT_EQ(Frequency.Default, 20.0f);
    EXPECT_EQ(Frequency.LimitMin, 20.0f);
    EXPECT_EQ(Frequency.LimitMax, 20000.0f);
    EXPECT_EQ(Frequency.StepCount, 0);

    const TVstParameterDescription Gain = Module.ParameterDescription(1);
    EXPECT_EQ(Gain.Symbol, "gain");
    EXPECT_EQ(Gain.Default, 3.0f);
    EXPECT_EQ(Gain.LimitMin, -6.0f);
    EXPECT_EQ(Gain.LimitMax, 6.0f);
    EXPECT_EQ(Gain.StepCount, 61);

    const TVstParameterDescription Switch = Module.ParameterDescription(2);
    EXPECT_FALSE(Switch.CanBeAutomated);
    EXPECT_EQ(Switch.ShortLabel, "Switchi");
    EXPECT_THROW(Module.ParameterDescription(4), EMarvoError);
    EXPECT_THROW(Module.ParameterDescription(-1), EMarvoError);
}

TEST(ParameterDescription, HandlerLimitsKeepValuesInsideAndNaNAtTheLowerEnd)
{
    TVstParameterDescription D;
    D.LimitMin = -15.0f;
    D.LimitMax = 6.0f;
    const std::pair<float, float> Cases[] = {{-40.0f, -15.0f}, {-15.0f, -15.0f}, {0.5f, 0.5f},
                                             {6.0f, 6.0f},     {7.0f, 6.0f},     {NAN, -15.0f}};
    for (const auto& [In, Out] : Cases)
        EXPECT_EQ(LimitedReal(D, In), Out) << In;
}

TEST(ParameterDescription, RequestAnswersOnlyAWellFormedCallForADeclaredParameter)
{
    TTestModule Module;
    AEffect* E = Module.Effect();
    struct TCase
    {
        std::int32_t Index;
        VstIntPtr Size;
        bool NullPtr;
        VstIntPtr Answer;
    };
    const VstIntPtr Size = sizeof(TVstParameterDescriptionRecord);
    const TCase Cases[] = {{1, Size, false, 1},  {3, Size, false, 1},     {4, Size, false, 0},
                           {-1, Size, false, 0}, {1, Size - 4, false, 0}, {1, Size + 4, false, 0},
                           {1, Size, true, 0}};
    for (const TCase& C : Cases)
    {
        TVstParameterDescriptionRecord R;
        std::memset(&R, 0x5A, sizeof R);
        R.Index = C.Index;
        const TVstParameterDescriptionRecord Before = R;
        const VstIntPtr Answer =
            E->dispatcher(E, effVendorSpecific, kVstRequestParameterDescription, C.Size, C.NullPtr ? nullptr : &R, 0);
        EXPECT_EQ(Answer, C.Answer) << C.Index << " " << C.Size;
        if (Answer == 0)
        {
            EXPECT_EQ(std::memcmp(&R, &Before, sizeof R), 0) << "a refused request wrote the record";
        }
    }
    // Other vendor requests still reach the module's handler (none here: 0).
    EXPECT_EQ(E->dispatcher(E, effVendorSpecific, VstFourCharCode("MvXx"), Size, nullptr, 0), 0);
}

TEST(ParameterDescription, TheRecordCarriesEveryFieldAcrossTheEffect)
{
    TTestModule Module;
    for (std::int32_t I = 0; I < Module.numParams(); ++I)
    {
        const TVstParameterDescription In = Module.ParameterDescription(I);
        TVstParameterDescription Out;
        ASSERT_TRUE(ReadParameterDescription(Module.Effect(), I, Out)) << I;
        EXPECT_EQ(Out.Index, I);
        EXPECT_EQ(Out.Symbol, In.Symbol);
        EXPECT_EQ(Out.Name, In.Name);
        EXPECT_EQ(Out.ShortLabel, In.ShortLabel);
        EXPECT_EQ(Out.Units, In.Units);
        EXPECT_EQ(Bits(Out.Min), Bits(In.Min));
        EXPECT_EQ(Bits(Out.Max), Bits(In.Max));
        EXPECT_EQ(Out.Curve, In.Curve);
        EXPECT_EQ(Bits(Out.CurveFactor), Bits(In.CurveFactor));
        EXPECT_EQ(Bits(Out.Default), Bits(In.Default));
        EXPECT_EQ(Bits(Out.LimitMin), Bits(In.LimitMin));
        EXPECT_EQ(Bits(Out.LimitMax), Bits(In.LimitMax));
        EXPECT_EQ(Out.StepCount, In.StepCount);
        EXPECT_EQ(Out.CanBeAutomated, In.CanBeAutomated);
    }
    TVstParameterDescription Untouched;
    Untouched.Name = "kept";
    EXPECT_FALSE(ReadParameterDescription(Module.Effect(), 4, Untouched));
    EXPECT_FALSE(ReadParameterDescription(nullptr, 0, Untouched));
    EXPECT_EQ(Untouched.Name, "kept");
}

TEST(ParameterDescription, LongTextsAreCutAndUnknownCurvesReadAsLinear)
{
    TVstParameterDescription D;
    D.Units = std::string(40, 'u');
    D.Symbol = std::string(40, 's');
    TVstParameterDescriptionRecord R = DescriptionRecord(D);
    EXPECT_EQ(R.Units[31], '\0');
    EXPECT_EQ(R.Symbol[31], '\0');
    R.Curve = 7;
    const TVstParameterDescription Back = DescriptionOfRecord(R);
    EXPECT_EQ(Back.Units, std::string(31, 'u'));
    EXPECT_EQ(Back.Symbol, std::string(31, 's'));
    EXPECT_EQ(Back.Curve, ctLinear);
}

} // namespace
