#include "graphics/Bitmap32.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "graphics/Random.h"

namespace
{
class Bitmap32Test : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Bitmap.SetSize(20, 12);
        Bitmap.Clear(Background);
    }
    // Pixels that differ from the background.
    int Changed() const
    {
        int N = 0;
        for (int y = 0; y < Bitmap.Height(); ++y)
            for (int x = 0; x < Bitmap.Width(); ++x)
                N += Bitmap.Pixel(x, y) != Background;
        return N;
    }
    static constexpr TColor32 Background = 0xFF202020u;
    TBitmap32 Bitmap;
};

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();
} // namespace

TEST(TBitmap32, ResizingClearsAndKeepsRowMajorLayout)
{
    TBitmap32 B;
    EXPECT_TRUE(B.Empty());
    EXPECT_EQ(B.Bits(), nullptr);
    B.SetSize(3, 2);
    ASSERT_EQ(B.Width(), 3);
    ASSERT_EQ(B.Height(), 2);
    B.Clear(0xFF0000FFu);
    B.SetPixelS(2, 1, 0x11223344u);
    EXPECT_EQ(B.Bits()[1 * 3 + 2], 0x11223344u);
    B.SetSize(3, 2); // same size keeps the contents
    EXPECT_EQ(B.Pixel(2, 1), 0x11223344u);
    B.SetSize(4, 2);
    EXPECT_EQ(B.Pixel(2, 1), 0u);
    B.SetSize(-4, 7);
    EXPECT_TRUE(B.Empty());
    B.SetPixelTS(0, 0, 0xFFFFFFFFu); // drawing into an empty bitmap does nothing
    B.LineFS(0, 0, 5, 5, 0xFFFFFFFFu);
    B.RenderText(0, 0, "x", 0xFF000000u);
}

TEST_F(Bitmap32Test, SetPixelBlendsInsideAndIgnoresOutside)
{
    Bitmap.SetPixelTS(3, 4, 0x80FFFFFFu);
    EXPECT_EQ(Bitmap.Pixel(3, 4), BlendOver(0x80FFFFFFu, Background));
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {20, 0}, {0, 12}, {INT32_MIN, INT32_MAX}})
        Bitmap.SetPixelTS(x, y, 0xFFFFFFFFu);
    EXPECT_EQ(Changed(), 1);
    EXPECT_EQ(Bitmap.PixelS(-1, 0), 0u);
}

TEST_F(Bitmap32Test, CopyRectCopiesOnlyTheClippedRectangle)
{
    TBitmap32 Source;
    Source.SetSize(10, 30);
    Source.Clear(0xFFABCDEFu);
    Bitmap.CopyRect(Source, TRect{-5, 8, 12, 100});
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 20; ++x)
            EXPECT_EQ(Bitmap.Pixel(x, y), (x < 10 && y >= 8) ? 0xFFABCDEFu : Background) << x << "," << y;
    Bitmap.CopyRect(Source, TRect{5, 5, 2, 2}); // inverted: nothing
    TBitmap32 Copy;
    Bitmap.SetFontSize(6);
    Copy.Assign(Bitmap);
    EXPECT_EQ(Copy.Width(), 20);
    EXPECT_EQ(Copy.FontSize(), 6);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 20; ++x)
            EXPECT_EQ(Copy.Pixel(x, y), Bitmap.Pixel(x, y));
}

TEST_F(Bitmap32Test, PanelFillCoversItsInteriorAndHalfOfEachCornerPixel)
{
    const TRect R{2, 1, 14, 9};
    const TArrayOfFixedPoint Shape = PanelOutline(R);
    Bitmap.PolygonTS(Shape, 0xAFF7F7FFu);
    const TColor32 Full = BlendOver(0xAFF7F7FFu, Background);
    // The polygon spans x 2..13 and y 1..8: whole pixels inside, chamfered corners half covered.
    EXPECT_EQ(Bitmap.Pixel(5, 4), Full);
    EXPECT_EQ(Bitmap.Pixel(2, 4), Full);
    EXPECT_EQ(Bitmap.Pixel(11, 7), Full);
    EXPECT_EQ(Bitmap.Pixel(12, 7), BlendOverCoverage(0xAFF7F7FFu, Background, 128));
    EXPECT_EQ(Bitmap.Pixel(2, 1), BlendOverCoverage(0xAFF7F7FFu, Background, 128));
    EXPECT_EQ(Bitmap.Pixel(12, 1), BlendOverCoverage(0xAFF7F7FFu, Background, 128));
    EXPECT_EQ(Bitmap.Pixel(13, 4), Background);
    EXPECT_EQ(Bitmap.Pixel(5, 8), Background);
    EXPECT_EQ(Changed(), 11 * 7);
}

TEST_F(Bitmap32Test, ClosedPolylineDrawsEveryOutlinePixelOnce)
{
    const TRect R{2, 1, 14, 9};
    Bitmap.PolylineTS(PanelOutline(R), 0x80FFFFFFu);
    const TColor32 Once = BlendOver(0x80FFFFFFu, Background);
    // Straight sides on rows 1 and 8 and columns 2 and 13; each corner chamfer is one diagonal pixel step.
    for (int x = 3; x <= 12; ++x)
    {
        EXPECT_EQ(Bitmap.Pixel(x, 1), Once) << x;
        EXPECT_EQ(Bitmap.Pixel(x, 8), Once) << x;
    }
    for (int y = 2; y <= 7; ++y)
    {
        EXPECT_EQ(Bitmap.Pixel(2, y), Once) << y;
        EXPECT_EQ(Bitmap.Pixel(13, y), Once) << y;
    }
    EXPECT_EQ(Bitmap.Pixel(2, 1), Background);
    EXPECT_EQ(Bitmap.Pixel(13, 8), Background);
    EXPECT_EQ(Changed(), 2 * 10 + 2 * 6);
}

TEST_F(Bitmap32Test, LineExcludesItsEndPointAndSharesCoverageAcrossTheMinorAxis)
{
    // A volume mark at a whole row, at a half row, and at a quarter below a row.
    struct TCase
    {
        double Y;
        int Row;
        int NearCoverage;
    };
    for (const TCase& C : {TCase{5.0, 5, 256}, TCase{5.5, 5, 128}, TCase{5.25, 5, 192}})
    {
        SetUp();
        Bitmap.LineFS(15, C.Y, 17, C.Y, 0xAF000000u);
        for (int x = 15; x <= 16; ++x)
        {
            EXPECT_EQ(Bitmap.Pixel(x, C.Row), BlendOverCoverage(0xAF000000u, Background, C.NearCoverage));
            EXPECT_EQ(Bitmap.Pixel(x, C.Row + 1), BlendOverCoverage(0xAF000000u, Background, 256 - C.NearCoverage));
        }
        EXPECT_EQ(Changed(), C.NearCoverage == 256 ? 2 : 4) << C.Y;
    }
    // Steep and reversed lines step along y, and the end point is left out in either direction.
    SetUp();
    Bitmap.LineFS(4, 9, 4, 2, 0xFFFFFFFFu);
    EXPECT_EQ(Bitmap.Pixel(4, 9), 0xFFFFFFFFu);
    EXPECT_EQ(Bitmap.Pixel(4, 3), 0xFFFFFFFFu);
    EXPECT_EQ(Bitmap.Pixel(4, 2), Background);
    EXPECT_EQ(Changed(), 7);
    SetUp();
    Bitmap.LineFS(3, 3, 3, 3, 0xFFFFFFFFu);
    EXPECT_EQ(Changed(), 0);
}

TEST_F(Bitmap32Test, LinesWithHugeOrNonFiniteCoordinatesStayInsideOrDrawNothing)
{
    Bitmap.LineFS(NaN, 1, 5, 5, 0xFFFFFFFFu);
    Bitmap.LineFS(1, 1, Inf, 5, 0xFFFFFFFFu);
    Bitmap.LineFS(-Inf, -Inf, Inf, Inf, 0xFFFFFFFFu);
    EXPECT_EQ(Changed(), 0);
    // A huge horizontal line through row 3 lights exactly that row.
    Bitmap.LineFS(-1e300, 3, 1e300, 3, 0xFFFFFFFFu);
    for (int x = 0; x < 20; ++x)
        EXPECT_EQ(Bitmap.Pixel(x, 3), 0xFFFFFFFFu);
    EXPECT_EQ(Changed(), 20);
    // Lines wholly outside change nothing.
    SetUp();
    Bitmap.LineFS(-50, -3, 70, -3, 0xFFFFFFFFu);
    Bitmap.LineFS(25, -1e9, 25, 1e9, 0xFFFFFFFFu);
    Bitmap.LineFS(-1e308, 1e308, 1e308, 1e308, 0xFFFFFFFFu);
    EXPECT_EQ(Changed(), 0);
}

TEST_F(Bitmap32Test, PolygonsFarOutsideTheBitmapChangeNothing)
{
    const TArrayOfFixedPoint Left = {FixedPoint(-30000, 0), FixedPoint(-1, 0), FixedPoint(-1, 12)};
    Bitmap.PolygonTS(Left, 0xFFFFFFFFu);
    const TArrayOfFixedPoint Below = {FixedPoint(0, 13), FixedPoint(30000, 13), FixedPoint(0, 30000)};
    Bitmap.PolygonTS(Below, 0xFFFFFFFFu);
    Bitmap.PolylineTS(Below, 0xFFFFFFFFu);
    EXPECT_EQ(Changed(), 0);
    // The same polygon enlarged over the whole bitmap covers every pixel.
    const TArrayOfFixedPoint Huge = {FixedPoint(-30000, -30000), FixedPoint(30000, -30000), FixedPoint(0, 30000)};
    Bitmap.PolygonTS(Huge, 0xFFFFFFFFu);
    EXPECT_EQ(Changed(), 20 * 12);
}

TEST(NoiseFill, MeanShiftFollowsTheSmoothedSpread)
{
    TBitmap32 B;
    B.SetSize(131, 35);
    B.Clear(0xFFF0F0F0u);
    TRandom Generator(5);
    NoiseFill(B, 0xFF808080u, 96, Generator);
    // The first pixel has e = r x 128 div 1024 <= 11, so it is at least 37 levels darker than the base.
    EXPECT_LE(RedComponent(B.Pixel(0, 0)), 0x80 - 37);
    long long Total = 0;
    int Min = 255, Max = 0;
    for (int y = 1; y < 35; ++y)
        for (int x = 0; x < 131; ++x)
        {
            const int R = RedComponent(B.Pixel(x, y));
            EXPECT_EQ(R, GreenComponent(B.Pixel(x, y)));
            EXPECT_EQ(AlphaComponent(B.Pixel(x, y)), 0xFF);
            Total += R;
            Min = std::min(Min, R);
            Max = std::max(Max, R);
        }
    // e settles around the mean of r (47.5) less the truncation of the division (on average 0.5 x 1024 / 128
    // = 4 levels), so the texture is about 4.5 levels darker than the base colour.
    EXPECT_NEAR(static_cast<double>(Total) / (34 * 131), 0x80 - 4.5, 1.0);
    EXPECT_GE(Min, 0x80 - 30);
    EXPECT_LE(Max, 0x80 + 30);
}
