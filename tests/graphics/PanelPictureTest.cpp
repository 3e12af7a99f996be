#include <gtest/gtest.h>

#include <cstdint>

#include "TestPanel.h"

namespace
{
std::uint64_t Fnv1a(const TBitmap32& Bitmap)
{
    std::uint64_t Hash = 0xCBF29CE484222325ull;
    for (int y = 0; y < Bitmap.Height(); ++y)
        for (int x = 0; x < Bitmap.Width(); ++x)
            for (int Shift = 0; Shift < 32; Shift += 8)
                Hash = (Hash ^ ((Bitmap.Pixel(x, y) >> Shift) & 0xFF)) * 0x100000001B3ull;
    return Hash;
}
} // namespace

// Noise, fills and outlines are integer and SSE2-double arithmetic only: both builds draw the same pixels.
TEST(PanelPicture, BackgroundIsTheSameInEveryBuild)
{
    TBitmap32 Bitmap;
    testpanel::DrawBackground(Bitmap);
    EXPECT_EQ(Fnv1a(Bitmap), 16504077382267656536ull);
    // Outlines sit on the panel's edge rows: the frequency panel's top row is darker than the fill below it.
    EXPECT_LT(RedComponent(Bitmap.Pixel(40, 1)), RedComponent(Bitmap.Pixel(40, 2)));
}
