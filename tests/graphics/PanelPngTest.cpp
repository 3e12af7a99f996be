#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "TestPanel.h"
#include "graphics/Bitmap32Png.h"

TEST(PanelPng, TestPanelIsWrittenAsPng)
{
    TBitmap32 Bitmap;
    testpanel::DrawBackground(Bitmap);
    testpanel::DrawTexts(Bitmap);
    // Also a 4x enlargement, easier to look at.
    TBitmap32 Large;
    Large.SetSize(Bitmap.Width() * 4, Bitmap.Height() * 4);
    for (int y = 0; y < Large.Height(); ++y)
        for (int x = 0; x < Large.Width(); ++x)
            Large.SetPixelS(x, y, Bitmap.Pixel(x / 4, y / 4));
    ASSERT_TRUE(SaveBitmap32ToPng(Bitmap, "graphics_test_panel.png"));
    ASSERT_TRUE(SaveBitmap32ToPng(Large, "graphics_test_panel_x4.png"));
    std::ifstream File("graphics_test_panel.png", std::ios::binary);
    char Signature[8] = {};
    File.read(Signature, 8);
    EXPECT_EQ(std::string(Signature + 1, 3), "PNG");

    TBitmap32 Empty;
    EXPECT_FALSE(SaveBitmap32ToPng(Empty, "graphics_empty.png"));
    EXPECT_FALSE(SaveBitmap32ToPng(Bitmap, "/nonexistent-directory/x.png"));
}
