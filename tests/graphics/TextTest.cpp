#include <gtest/gtest.h>

#include "graphics/Bitmap32.h"
#include "graphics/Utf8.h"

namespace
{
class TextTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Bitmap.SetSize(80, 30);
        Bitmap.Clear(0xFFFFFFFFu);
    }
    // Bounding box of the changed pixels (Right and Bottom exclusive); empty when nothing changed.
    TRect Ink() const
    {
        TRect R{Bitmap.Width(), Bitmap.Height(), 0, 0};
        for (int y = 0; y < Bitmap.Height(); ++y)
            for (int x = 0; x < Bitmap.Width(); ++x)
                if (Bitmap.Pixel(x, y) != 0xFFFFFFFFu)
                {
                    R.Left = std::min(R.Left, x);
                    R.Top = std::min(R.Top, y);
                    R.Right = std::max(R.Right, x + 1);
                    R.Bottom = std::max(R.Bottom, y + 1);
                }
        return R;
    }
    TBitmap32 Bitmap;
};
} // namespace

TEST_F(TextTest, WidthGrowsWithTextAndSize)
{
    Bitmap.SetFontSize(8);
    const int Short = Bitmap.TextWidth("0.00");
    const int Long = Bitmap.TextWidth("-15.00 dB");
    EXPECT_GT(Short, 8);
    EXPECT_GT(Long, Short);
    EXPECT_EQ(Bitmap.TextWidth(""), 0);
    EXPECT_GE(Bitmap.TextHeight(), 9);
    EXPECT_LE(Bitmap.TextHeight(), 16);
    Bitmap.SetFontSize(6);
    EXPECT_LT(Bitmap.TextWidth("-15.00 dB"), Long);
    EXPECT_LT(Bitmap.TextHeight(), 13);
}

TEST_F(TextTest, TextIsDrawnAntiAliasedInsideItsLineBox)
{
    Bitmap.SetFontSize(8);
    const int W = Bitmap.TextWidth("-3.50 dB");
    Bitmap.RenderText(10, 5, "-3.50 dB", 0xFF000000u);
    const TRect R = Ink();
    ASSERT_LT(R.Left, R.Right);
    EXPECT_GE(R.Left, 10 - 1);
    EXPECT_LE(R.Right, 10 + W + 1);
    EXPECT_GE(R.Top, 5);
    EXPECT_LE(R.Bottom, 5 + Bitmap.TextHeight());
    // Anti-aliased: solid black ink and intermediate greys, all still opaque.
    bool Solid = false, Grey = false;
    for (int y = R.Top; y < R.Bottom; ++y)
        for (int x = R.Left; x < R.Right; ++x)
        {
            const TColor32 P = Bitmap.Pixel(x, y);
            EXPECT_EQ(AlphaComponent(P), 0xFF);
            Solid = Solid || RedComponent(P) < 0x20;
            Grey = Grey || (RedComponent(P) > 0x40 && RedComponent(P) < 0xC0);
        }
    EXPECT_TRUE(Solid);
    EXPECT_TRUE(Grey);
}

TEST_F(TextTest, TextOutsideTheBitmapIsClipped)
{
    for (auto [x, y] : {std::pair{-1000, 0}, {0, -1000}, {79, 29}, {INT32_MIN, INT32_MAX}, {INT32_MAX, 0}})
        Bitmap.RenderText(x, y, "8888", 0xFF000000u);
    EXPECT_LE(Ink().Right - Ink().Left, 1);
    SetUp();
    Bitmap.RenderText(-3, -4, "WWW", 0xFF000000u);
    EXPECT_EQ(Ink().Left, 0);
    EXPECT_EQ(Ink().Top, 0);
    SetUp();
    Bitmap.RenderText(5, 5, "WWW", 0x00000000u);
    EXPECT_EQ(Ink().Right, 0);
}

TEST(DecodeUtf8, MalformedSequencesBecomeReplacementCharacters)
{
    const std::pair<std::string, std::u32string> Cases[] = {
        {"A4  -20", U"A4  -20"},
        {"\xC3\xA9", U"\u00E9"},
        {"\xE2\x82\xAC", U"\u20AC"},
        {"\xF0\x9F\x8E\xB5", U"\U0001F3B5"},
        {"\xC3", U"\uFFFD"},
        {"\xC0\xAF", U"\uFFFD\uFFFD"},         // overlong
        {"\xED\xA0\x80", U"\uFFFD\uFFFD\uFFFD"}, // surrogate
        {"\xFF" "a", U"\uFFFDa"},
    };
    for (const auto& [In, Expected] : Cases)
        EXPECT_EQ(DecodeUtf8(In), Expected);
}
