// The controls the equaliser describes through its effect record, and the conversion of port values to
// normalised ones.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "lv2/LV2Controls.h"
#include "lv2/LV2Entry.h"
#include "lv2/LV2Plugin.h"
#include "platform/FPUControl.h"

namespace
{

using namespace LV2Marvo;

VstIntPtr VSTCALL ProbeHost(AEffect*, VstInt32 Opcode, VstInt32, VstIntPtr, void*, float)
{
    return Opcode == audioMasterVersion ? 2400 : 0;
}

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
        const char* Units;
        TCurveType Curve;
    };
    const Row Rows[4] = {{"freq", 20.0f, 20000.0f, "Hz", ctLogarithmic},
                         {"gain", -15.0f, 15.0f, "dB", ctLinear},
                         {"bw", 0.0f, 1.0f, "Oct", ctLinear},
                         {"sym", -1.0f, 1.0f, "", ctLinear}};
    for (int Band = 0; Band < 8; ++Band)
        for (int K = 0; K < 4; ++K)
        {
            const TControl& P = C[static_cast<std::size_t>(4 * Band + K)];
            SCOPED_TRACE(P.Name);
            EXPECT_EQ(P.Symbol, Rows[K].Kind + std::to_string(Band + 1));
            EXPECT_EQ(P.Min, Rows[K].Min);
            EXPECT_EQ(P.Max, Rows[K].Max);
            EXPECT_EQ(P.Units, Rows[K].Units);
            EXPECT_EQ(P.Curve, Rows[K].Curve);
        }
    EXPECT_EQ(C[0].CurveFactor, 1000.0f);
    // The volume is declared over -40..6 although its handler limits it at -15.
    EXPECT_EQ(C[32].Symbol, "volume");
    EXPECT_EQ(C[32].Min, -40.0f);
    EXPECT_EQ(C[32].Max, 6.0f);
    EXPECT_EQ(C[32].LimitMin, -15.0f);
    EXPECT_EQ(C[32].LimitMax, 6.0f);
}

// The defaults are the setting a fresh equaliser has (what getParameter answers before anything is written),
// as round numbers where those are the same setting.
TEST(LV2Controls, DefaultsAreTheFreshEffectsSetting)
{
    TFPUControlScope FPU;
    AEffect* E = LV2EqualiserMain(&ProbeHost);
    ASSERT_NE(E, nullptr);
    for (const TControl& C : Controls())
        EXPECT_EQ(RealToNormalized(C, C.Default), E->getParameter(E, C.Index)) << C.Symbol;
    E->dispatcher(E, effClose, 0, 0, nullptr, 0.0f);
    const std::pair<int, float> Round[] = {{0, 31.5f}, {3, -1.0f}, {8, 500.0f}, {28, 16000.0f}, {32, 0.0f}};
    for (const auto& [Index, Default] : Round)
        EXPECT_EQ(Controls()[static_cast<std::size_t>(Index)].Default, Default) << Index;
}

// The description converts exactly as the effect does, bit for bit: for 257 normalised values n (even steps
// and odd values between them that no decimal step hits), getParameter after setParameter(n) answers the
// description's real value of n, limited as the handler keeps it, converted back. The volume's handler keeps
// -15 dB of its declared -40, so its lower quarter answers one value.
TEST(LV2Controls, TheDescriptionConvertsAsTheEffectForEveryParameter)
{
    TFPUControlScope FPU;
    AEffect* E = LV2EqualiserMain(&ProbeHost);
    ASSERT_NE(E, nullptr);
    int Plateau = 0;
    for (const TControl& C : Controls())
        for (int K = 0; K <= 256; ++K)
        {
            const float Step = static_cast<float>(K) / 256.0f;
            const float N = K % 2 == 0 ? Step : std::nextafter(Step, 0.0f);
            E->setParameter(E, C.Index, N);
            const float Real = NormalizedToReal(C, N);
            Plateau += LimitedReal(C, Real) != Real;
            ASSERT_EQ(E->getParameter(E, C.Index), RealToNormalized(C, LimitedReal(C, Real))) << C.Symbol << " " << N;
        }
    EXPECT_GT(Plateau, 60); // the check above did meet the volume's plateau
    E->dispatcher(E, effClose, 0, 0, nullptr, 0.0f);
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
            const float Real = NormalizedToReal(C, Normalised(Random));
            ASSERT_EQ(NormalizedToReal(C, NormalisedFor(C, Real)), Real) << C.Symbol << " " << Real;
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

// [any] An effect whose parameter 0 is 0..100 with a curve of its own (a square), which it does not describe.
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

TEST(LV2Controls, AnEffectThatDoesNotDescribeItsParametersIsRefused)
{
    EXPECT_THROW(DescribeControls(&SquareCurveMain), std::exception);
    EXPECT_THROW(DescribeControls([](TAudioMasterCallbackFunc) -> AEffect* { return nullptr; }), std::exception);
}

} // namespace
