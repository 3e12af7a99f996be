#include "graphics/Color32.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "graphics/Random.h"

namespace
{
// Source over with straight alpha, in reals: the reference the integer blend must round.
void ExpectBlendMatchesFormula(TColor32 S, TColor32 D)
{
    const TColor32 Result = BlendOver(S, D);
    const double As = AlphaComponent(S) / 255.0, Ad = AlphaComponent(D) / 255.0;
    const double Ao = As + Ad * (1 - As);
    EXPECT_NEAR(AlphaComponent(Result), Ao * 255, 0.5) << std::hex << S << " over " << D;
    if (Ao == 0)
        return;
    int (*const Channels[])(TColor32) = {RedComponent, GreenComponent, BlueComponent};
    for (auto Channel : Channels)
    {
        const double Exact = (Channel(S) * As + Channel(D) * Ad * (1 - As)) / Ao;
        EXPECT_NEAR(Channel(Result), Exact, 0.5 + 1e-9) << std::hex << S << " over " << D;
    }
}
} // namespace

TEST(BlendOver, TransparentSourceLeavesDestinationAndOpaqueSourceReplacesIt)
{
    for (TColor32 D : {0x00000000u, 0x12345678u, 0xFF808080u, 0x7F00FF00u})
    {
        EXPECT_EQ(BlendOver(0x00FFFFFFu, D), D);
        EXPECT_EQ(BlendOver(0xFF123456u, D), 0xFF123456u);
    }
}

TEST(BlendOver, PartialAlphaMatchesTheFormulaIncludingDestinationAlpha)
{
    // Corner cases of both alphas, then a random sample of everything.
    const TColor32 Edges[] = {0x00000000u, 0x01FFFFFFu, 0x7F80FF00u, 0x80FF0080u, 0xFE010203u, 0xFFFFFFFFu,
                              0xFF000000u, 0x3F000008u, 0xAFF7F7FFu, 0x01000000u};
    for (TColor32 S : Edges)
        for (TColor32 D : Edges)
            ExpectBlendMatchesFormula(S, D);
    TRandom Generator(42);
    for (int i = 0; i < 20000; ++i)
        ExpectBlendMatchesFormula(Generator.Next(), Generator.Next());
}

TEST(BlendOver, HalfAlphaOnOpaqueAndOnTransparentDestinations)
{
    EXPECT_EQ(BlendOver(0x80FFFFFFu, 0xFF000000u), 0xFF808080u);
    // Onto a fully transparent pixel the source keeps its colour and alpha.
    EXPECT_EQ(BlendOver(0x80123456u, 0x00FFFFFFu), 0x80123456u);
}

TEST(BlendOverCoverage, ScalesTheSourceAlphaByCoverage)
{
    EXPECT_EQ(BlendOverCoverage(0xFFFFFFFFu, 0xFF000000u, 0), 0xFF000000u);
    EXPECT_EQ(BlendOverCoverage(0xFFFFFFFFu, 0xFF000000u, 256), 0xFFFFFFFFu);
    EXPECT_EQ(BlendOverCoverage(0xFFFFFFFFu, 0xFF000000u, 128), 0xFF808080u);
    EXPECT_EQ(BlendOverCoverage(0x80FFFFFFu, 0xFF000000u, 128), BlendOver(0x40FFFFFFu, 0xFF000000u));
}

TEST(HSLtoRGB, ExamplesOfTheEditorComeOutExactly)
{
    struct TCase
    {
        double H, S, L;
        TColor32 Expected;
    };
    const TCase Cases[] = {
        // Meter gradient entries 0, 16 and 32 (alpha replaced by 0xAF).
        {0.7 * (1 - 0 / 33.0), 1, 0.5, 0xAF3300FFu},
        {0.7 * (1 - 16 / 33.0), 1, 0.5, 0xAF00FF2Au},
        {0.7 * (1 - 32 / 33.0), 1, 0.5, 0xAFFF2000u},
        // Overview strip: g = 1, 0.5 (a tie at 178.5 that rounds to even), 2 and 4.
        {0.7 * (1 - 1 / 2.0), 1, 0.1 * 1 + 0.3, 0xFF00CC14u},
        {0.7 * (1 - 0.5 / 2.0), 1, 0.1 * 0.5 + 0.3, 0xFF0098B2u},
        {0, 1, (2 - 2) / 16.0 + 0.5, 0xFFFF0000u},
        {0, 1, (4 - 2) / 16.0 + 0.5, 0xFFFF4040u},
        // Beyond the natural range: white, and grey without saturation.
        {0, 1, (10 - 2) / 16.0 + 0.5, 0xFFFFFFFFu},
        {0, 1, (20 - 2) / 16.0 + 0.5, 0xFFFFFFFFu},
        {0.3, 0, 0.5, 0xFF808080u},
    };
    for (const TCase& C : Cases)
    {
        const bool Translucent = AlphaComponent(C.Expected) != 0xFF;
        const TColor32 Result = HSLtoRGB(C.H, C.S, C.L);
        EXPECT_EQ(Translucent ? SetAlpha(Result, 0xAF) : Result, C.Expected) << C.H << " " << C.S << " " << C.L;
    }
    EXPECT_EQ(HSLtoRGB(std::numeric_limits<double>::quiet_NaN(), 1, 0.5) & 0xFFFFFFu, 0u);
}

TEST(RoundHalfEven, TiesGoToTheEvenNeighbour)
{
    const std::pair<long double, int> Cases[] = {{0.5L, 0}, {1.5L, 2}, {2.5L, 2}, {-0.5L, 0}, {-1.5L, -2},
                                                 {178.5L, 178}, {2.4999L, 2}, {-2.6L, -3}, {1e30L, INT32_MAX}};
    for (const auto& [x, Expected] : Cases)
        EXPECT_EQ(RoundHalfEven(x), Expected) << static_cast<double>(x);
    EXPECT_EQ(RoundHalfEven(std::numeric_limits<long double>::quiet_NaN()), 0);
}

TEST(Lighten, ClampsEachChannelAndKeepsAlpha)
{
    EXPECT_EQ(Lighten(0x80F01005u, 20), 0x80FF2419u);
    EXPECT_EQ(Lighten(0x80F01005u, -20), 0x80DC0000u);
    EXPECT_EQ(Lighten(0xFF102030u, 1 << 30), 0xFFFFFFFFu);
    EXPECT_EQ(Lighten(0xFF102030u, -(1 << 30)), 0xFF000000u);
}
