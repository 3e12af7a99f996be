#include "dsp/DDSPBase.h"

#include "dsp/DMath.h"
#include "platform/FPUControl.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

TEST(Limit, NaNGivesTheLowerBound)
{
    EXPECT_EQ(Limit(std::numeric_limits<float>::quiet_NaN(), -1.0f, 1.0f), -1.0f);
    EXPECT_EQ(Limit(2.0f, -1.0f, 1.0f), 1.0f);
    EXPECT_EQ(Limit(-2.0f, -1.0f, 1.0f), -1.0f);
    EXPECT_EQ(Limit(0.25f, -1.0f, 1.0f), 0.25f);
    EXPECT_EQ(Limit(std::numeric_limits<float>::infinity(), -1.0f, 1.0f), 1.0f);
    EXPECT_EQ(Limit(-std::numeric_limits<float>::infinity(), -1.0f, 1.0f), -1.0f);
}

TEST(SoftSaturate, IsOddWithHalfSlopeAtZeroAndTendsToOne)
{
    EXPECT_EQ(SoftSaturate(0.0f), 0.0f);
    EXPECT_NEAR(SoftSaturate(1e-3f) / 1e-3f, 0.5f, 1e-3f);
    for (float x : {0.1f, 0.5f, 1.0f, 3.0f, 100.0f})
        EXPECT_EQ(SoftSaturate(-x), -SoftSaturate(x));
    EXPECT_NEAR(SoftSaturate(1e6f), 1.0f, 1e-5f);
}

// Large magnitudes overflow the curve's float intermediate; they must still saturate with their own sign.
TEST(SoftSaturate, HugeAndInfiniteInputsSaturateWithTheirSign)
{
    constexpr float inf = std::numeric_limits<float>::infinity();
    for (float x : {1e19f, 1e20f, 3e38f, inf}) {
        EXPECT_EQ(SoftSaturate(x), 1.0f) << x;
        EXPECT_EQ(SoftSaturate(-x), -1.0f) << x;
    }
    EXPECT_TRUE(std::isnan(SoftSaturate(std::numeric_limits<float>::quiet_NaN())));
}

// The integer round trip of the sample path: integer → float, SoftSaturate, ×1.9 through a float, Limit to
// ±1, × full scale rounded to nearest (ties to even). Each float rounding of SoftSaturate shows here.
TEST(SoftSaturate, SamplePathGivesTheDocumentedIntegers)
{
    TFPUControlScope fpu;
    const struct { int Input; float ToFloat; float ToInteger; std::int64_t Expected; } table[] = {
        {1000, 3.0517578125e-05f, 32767.0f, 950},
        {-32768, 3.0517578125e-05f, 32767.0f, -28299},
        {32767, 3.0517578125e-05f, 32767.0f, 28298},
        {127, 0.0078125f, 127.0f, 109},
        {8388607, 1.1920928955078125e-07f, 8388607.0f, 7244705},
    };
    for (const auto& row : table) {
        const float x = static_cast<float>(row.Input * static_cast<long double>(row.ToFloat));
        const float t = static_cast<float>(SoftSaturate(x) * 1.9L);
        const std::int64_t r = Extended::RoundToInt64(Limit(t, -1.0f, 1.0f) * static_cast<long double>(row.ToInteger));
        EXPECT_EQ(r, row.Expected) << row.Input;
    }
    // Full scale is reached from 1.25 on, in both directions.
    for (float x : {1.25f, 3.0f, 1e30f}) {
        EXPECT_EQ(Limit(static_cast<float>(SoftSaturate(x) * 1.9L), -1.0f, 1.0f), 1.0f);
        EXPECT_EQ(Limit(static_cast<float>(SoftSaturate(-x) * 1.9L), -1.0f, 1.0f), -1.0f);
    }
}

TEST(NormalisedToFrequency, MapsZeroToOneOntoTwentyHertzToTwentyKilohertz)
{
    TFPUControlScope fpu;
    EXPECT_EQ(NormalisedToFrequency(0.0f), 20.0L);
    EXPECT_NEAR(static_cast<double>(NormalisedToFrequency(0.5f)), 632.4555, 1e-3);
    EXPECT_NEAR(static_cast<double>(NormalisedToFrequency(1.0f)), 20000.0, 1e-4);
}

TEST(SinCos, GivesBothValuesRoundedToDouble)
{
    TFPUControlScope fpu;
    for (double a : {0.0, 0.3, -1.2, 3.0, 100.0}) {
        double s = 1, c = 1;
        SinCos(a, s, c);
        EXPECT_NEAR(s, std::sin(a), 1e-15);
        EXPECT_NEAR(c, std::cos(a), 1e-15);
    }
}
