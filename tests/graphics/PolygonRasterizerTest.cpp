#include "graphics/PolygonRasterizer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "graphics/Random.h"

namespace
{
TFixedPoint P(double X, double Y)
{
    return {static_cast<TFixed>(std::lround(X * 65536)), static_cast<TFixed>(std::lround(Y * 65536))};
}

double ShoelaceArea(const TArrayOfFixedPoint& Polygon)
{
    double Twice = 0;
    for (std::size_t i = 0; i < Polygon.size(); ++i)
    {
        const TFixedPoint& A = Polygon[i];
        const TFixedPoint& B = Polygon[(i + 1) % Polygon.size()];
        Twice += (A.X / 65536.0) * (B.Y / 65536.0) - (B.X / 65536.0) * (A.Y / 65536.0);
    }
    return std::fabs(Twice) / 2;
}

// Coverage of the contours on a Width x Height grid, row-major.
std::vector<double> Coverage(const std::vector<TArrayOfFixedPoint>& Contours, int Width, int Height,
                             TPolyFillMode Mode = TPolyFillMode::pfAlternate)
{
    std::vector<double> Grid(static_cast<std::size_t>(Width) * Height, 0.0);
    TPolygonRasterizer Rasterizer;
    Rasterizer.Rasterize(Contours, Width, Height, Mode, [&](int Y, int X, std::span<const double> Row) {
        EXPECT_GE(Y, 0);
        EXPECT_LT(Y, Height);
        EXPECT_GE(X, 0);
        EXPECT_LE(X + static_cast<int>(Row.size()), Width);
        for (std::size_t i = 0; i < Row.size(); ++i)
        {
            EXPECT_GE(Row[i], 0.0);
            EXPECT_LE(Row[i], 1.0);
            Grid[static_cast<std::size_t>(Y) * Width + X + i] += Row[i];
        }
    });
    return Grid;
}

double Sum(const std::vector<double>& Grid)
{
    double S = 0;
    for (double C : Grid)
        S += C;
    return S;
}

// A simple polygon: vertices at increasing angles around a centre, random radii. Every angular step is less
// than half a turn, so the centre lies inside and the polygon is star-shaped about it.
TArrayOfFixedPoint RandomStarPolygon(TRandom& Generator, double Cx, double Cy, double MaxRadius, bool Clockwise)
{
    const int N = 3 + Generator.Random(12);
    std::vector<double> Steps(N);
    double Total = 0;
    for (double& S : Steps)
        Total += S = 0.6 + 0.4 * Generator.Random(1000) / 1000.0;
    TArrayOfFixedPoint Polygon;
    double Angle = Generator.Random(1000) / 1000.0;
    for (double S : Steps)
    {
        Angle += S / Total * 2 * std::numbers::pi;
        const double Radius = MaxRadius * (0.2 + 0.8 * Generator.Random(65536) / 65536.0);
        const double A = Clockwise ? -Angle : Angle;
        Polygon.push_back(P(Cx + Radius * std::cos(A), Cy + Radius * std::sin(A)));
    }
    return Polygon;
}
} // namespace

TEST(TPolygonRasterizer, CoverageOfSimplePolygonsSumsToTheirArea)
{
    TRandom Generator(99);
    for (int i = 0; i < 300; ++i)
    {
        const double Radius = 0.3 + Generator.Random(4000) / 100.0;
        const TArrayOfFixedPoint Polygon =
            RandomStarPolygon(Generator, 45 + Generator.Random(1000) / 1000.0, 45.37, Radius, i % 2 == 0);
        for (TPolyFillMode Mode : {TPolyFillMode::pfAlternate, TPolyFillMode::pfWinding})
            EXPECT_NEAR(Sum(Coverage({Polygon}, 96, 96, Mode)), ShoelaceArea(Polygon), 1e-3) << "polygon " << i;
    }
}

TEST(TPolygonRasterizer, PixelsFullyInsideAreExactlyCoveredAndHalvesAreHalf)
{
    // A rectangle from (2, 3) to (7.5, 6) on whole and half pixels.
    const auto Grid = Coverage({{P(2, 3), P(7.5, 3), P(7.5, 6), P(2, 6)}}, 10, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x)
        {
            const double Expected = (y >= 3 && y < 6) ? (x >= 2 && x < 7 ? 1.0 : x == 7 ? 0.5 : 0.0) : 0.0;
            EXPECT_NEAR(Grid[y * 10 + x], Expected, 1e-12) << x << "," << y;
        }
}

TEST(TPolygonRasterizer, EvenOddHolesStayEmptyWhateverTheContourOrientation)
{
    const TArrayOfFixedPoint Outer = {P(1, 1), P(15, 1), P(15, 15), P(1, 15)};
    const TArrayOfFixedPoint SameWay = {P(5, 5), P(11, 5), P(11, 11), P(5, 11)};
    const TArrayOfFixedPoint OtherWay = {P(5, 5), P(5, 11), P(11, 11), P(11, 5)};
    for (const auto& Inner : {SameWay, OtherWay})
    {
        const auto Grid = Coverage({Outer, Inner}, 16, 16);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
            {
                const bool InOuter = x >= 1 && x < 15 && y >= 1 && y < 15;
                const bool InHole = x >= 5 && x < 11 && y >= 5 && y < 11;
                EXPECT_NEAR(Grid[y * 16 + x], InOuter && !InHole ? 1.0 : 0.0, 1e-12) << x << "," << y;
            }
        EXPECT_NEAR(Sum(Grid), 14 * 14 - 6 * 6, 1e-9);
    }
    // A self-overlapping pentagram: even-odd leaves its centre empty, non-zero fills it.
    TArrayOfFixedPoint Star;
    for (int k = 0; k < 5; ++k)
    {
        const double A = -std::numbers::pi / 2 + k * 4 * std::numbers::pi / 5;
        Star.push_back(P(20 + 18 * std::cos(A), 20 + 18 * std::sin(A)));
    }
    EXPECT_NEAR(Coverage({Star}, 40, 40, TPolyFillMode::pfAlternate)[20 * 40 + 20], 0.0, 1e-12);
    EXPECT_NEAR(Coverage({Star}, 40, 40, TPolyFillMode::pfWinding)[20 * 40 + 20], 1.0, 1e-12);
}

TEST(TPolygonRasterizer, PolygonsReachingOutsideAreClippedExactly)
{
    struct TCase
    {
        double X0, Y0, X1, Y1; // an axis-aligned rectangle
    };
    const TCase Cases[] = {{-5.25, 2, 4.5, 6}, {3, -7.5, 9.75, 3.25}, {6.5, 1, 30, 9}, {2, 5.5, 7, 1e4},
                           {-3e4, -3e4, 3e4, 3e4}, {-20, 2, -10, 6}, {11, 2, 12, 6}, {2, 11, 4, 30}};
    for (const TCase& C : Cases)
    {
        const auto Grid = Coverage({{P(C.X0, C.Y0), P(C.X1, C.Y0), P(C.X1, C.Y1), P(C.X0, C.Y1)}}, 10, 10);
        const double W = std::max(0.0, std::min(C.X1, 10.0) - std::max(C.X0, 0.0));
        const double H = std::max(0.0, std::min(C.Y1, 10.0) - std::max(C.Y0, 0.0));
        EXPECT_NEAR(Sum(Grid), W * H, 1e-6) << C.X0 << " " << C.Y0 << " " << C.X1 << " " << C.Y1;
    }
    // A triangle whose slanted edge crosses the left border: the clipped part is a trapezoid.
    const auto Grid = Coverage({{P(-4, 0), P(4, 8), P(-4, 8)}}, 10, 10);
    EXPECT_NEAR(Sum(Grid), 4 * 4 / 2.0, 1e-9);
}

TEST(TPolygonRasterizer, DegenerateInputDrawsNothing)
{
    EXPECT_EQ(Sum(Coverage({{P(1, 1), P(5, 5)}}, 8, 8)), 0.0);
    EXPECT_EQ(Sum(Coverage({{P(1, 1), P(5, 1), P(7, 1)}}, 8, 8)), 0.0);
    EXPECT_EQ(Sum(Coverage({}, 8, 8)), 0.0);
    EXPECT_EQ(Sum(Coverage({{P(1, 1), P(5, 1), P(5, 5)}}, 0, 8)), 0.0);
}
