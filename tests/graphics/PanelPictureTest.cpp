#include <gtest/gtest.h>

#include <cstdint>

#include "TestPanel.h"
#include "support/Fnv1a.h"

// Noise, fills and outlines are integer and SSE2-double arithmetic only: both builds draw the same pixels.
TEST(PanelPicture, BackgroundIsTheSameInEveryBuild)
{
    TBitmap32 Bitmap;
    testpanel::DrawBackground(Bitmap);
    TFnv1a64 Digest;
    for (int y = 0; y < Bitmap.Height(); ++y)
        for (int x = 0; x < Bitmap.Width(); ++x)
            Digest.Add(Bitmap.Pixel(x, y));
    EXPECT_EQ(Digest.Hash, 16504077382267656536ull);
    // Outlines sit on the panel's edge rows: the frequency panel's top row is darker than the fill below it.
    EXPECT_LT(RedComponent(Bitmap.Pixel(40, 1)), RedComponent(Bitmap.Pixel(40, 2)));
}
