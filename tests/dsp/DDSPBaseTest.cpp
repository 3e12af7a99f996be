#include "dsp/DDSPBase.h"

#include "dsp/DMath.h"
#include "platform/FPUControl.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

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

// SoftSaturate and SoftSaturateBlock give SoftSaturateExtended's bits (softsaturate-proof checks all 2^32
// inputs): here a spread of inputs over every magnitude, the boundaries of the double path, the specials,
// and inputs whose double intermediate lies next to a float rounding tie, where double alone goes wrong.
TEST(SoftSaturate, MatchesTheExtendedCurveBitForBit)
{
    TFPUControlScope fpu;
    std::vector<float> Inputs;
    for (std::uint64_t Bits = 0; Bits < (std::uint64_t(1) << 32); Bits += 4093)
        Inputs.push_back(std::bit_cast<float>(static_cast<std::uint32_t>(Bits)));
    constexpr float inf = std::numeric_limits<float>::infinity();
    for (float x : {0.0f, -0.0f, 0x1p-70f, 0x1p40f, 0x1p-149f, 0x1p-126f, 1.0f, 1.25f, 1e19f, 2e19f, inf, -inf,
                    std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::max()})
        for (float y : {x, std::nextafter(x, -inf), std::nextafter(x, inf)})
            Inputs.insert(Inputs.end(), {y, -y});
    // Inputs near ties, found the way SoftSaturate finds them, among the sample values of the sample path.
    std::size_t NearTies = 0;
    for (std::uint32_t Bits = std::bit_cast<std::uint32_t>(0.5f); Bits < std::bit_cast<std::uint32_t>(1.0f); ++Bits)
    {
        const double a = std::bit_cast<float>(Bits);
        const double bd = (3.0 + a) * a + 6.0;
        const double b = static_cast<float>(bd);
        if (DDSPBaseDetail::NearFloatTie(bd) || DDSPBaseDetail::NearFloatTie((a * b) / (a * b + 12.0)))
        {
            Inputs.push_back(static_cast<float>(a));
            ++NearTies;
        }
    }
    ASSERT_GT(NearTies, 20u);
    Inputs.push_back(std::bit_cast<float>(0x3C072645u)); // double alone rounds this one differently

    std::vector<float> Block(Inputs.size());
    for (std::size_t Offset : {0u, 1u, 3u})
    {
        SoftSaturateBlock(Inputs.data() + Offset, Block.data(), Inputs.size() - Offset);
        for (std::size_t i = Offset; i < Inputs.size(); ++i)
        {
            const float x = Inputs[i];
            const std::uint32_t Expected = std::bit_cast<std::uint32_t>(SoftSaturateExtended(x));
            ASSERT_EQ(std::bit_cast<std::uint32_t>(SoftSaturate(x)), Expected) << std::hexfloat << x;
            ASSERT_EQ(std::bit_cast<std::uint32_t>(Block[i - Offset]), Expected) << std::hexfloat << x;
        }
    }
}
