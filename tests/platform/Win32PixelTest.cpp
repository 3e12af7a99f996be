// Under Wine: a shown form's client area holds exactly the pixels that PaintBitmap copied, read back from the
// display.
#ifdef MARVO_WIN32

#include <gtest/gtest.h>

#include <vector>

#include "PlatformTestSupport.h"
#include "platform/WindowProbe.h"

namespace
{

std::uint32_t Pattern(int X, int Y)
{
    return 0xFF000000u | static_cast<std::uint32_t>((X * 2) & 0xFF) << 16 | static_cast<std::uint32_t>((Y * 7) & 0xFF) << 8 |
           static_cast<std::uint32_t>((X + Y * 3) & 0xFF);
}

TEST(Win32Pixels, ShownFormShowsExactlyThePaintedBitmap)
{
    TFormDeclaration D = Declaration(TFormBorderStyle::bsToolWindow, 131, 35);
    D.FixedOpaque = true;
    TForm Form(nullptr, D);
    std::vector<std::uint32_t> Bitmap(131 * 35);
    for (int Y = 0; Y < 35; ++Y)
        for (int X = 0; X < 131; ++X)
            Bitmap[static_cast<std::size_t>(Y) * 131 + X] = Pattern(X, Y);
    int Paints = 0;
    Form.OnPaint = [&](TComponent*) {
        ++Paints;
        Form.PaintBitmap(Bitmap.data(), 131, 35, 131);
    };
    Form.SetBounds(60, 60, Form.Width(), Form.Height());
    Form.Show();
    Form.BringToFront();
    LetTimePass(300);
    Form.Repaint();
    LetTimePass(100);
    ASSERT_GE(Paints, 1);
    ASSERT_EQ(Form.ClientWidth(), 131);
    ASSERT_EQ(Form.ClientHeight(), 35);

    const TPoint Origin = Form.ClientToScreen({0, 0});
    const auto Shown = CaptureScreen({Origin.X, Origin.Y, Origin.X + 131, Origin.Y + 35});
    ASSERT_EQ(Shown.size(), 131u * 35u);
    int Wrong = 0;
    for (int Y = 0; Y < 35; ++Y)
        for (int X = 0; X < 131; ++X)
            if (Shown[static_cast<std::size_t>(Y) * 131 + X] != Pattern(X, Y) && ++Wrong <= 5)
                ADD_FAILURE() << "pixel (" << X << ", " << Y << ") is " << std::hex << Shown[Y * 131 + X]
                              << ", painted " << Pattern(X, Y);
    EXPECT_EQ(Wrong, 0);
}

TEST(Win32Pixels, EmbeddedEditorPaintsAtItsParentsClientOrigin)
{
    TForm Host(nullptr, Declaration(TFormBorderStyle::bsToolWindow, 131, 35));
    TForm Editor(nullptr, Declaration(TFormBorderStyle::bsNone, 131, 35));
    std::vector<std::uint32_t> Bitmap(131 * 35, 0xFF123456);
    Bitmap[0] = 0xFFFF0000;
    Editor.OnPaint = [&](TComponent*) { Editor.PaintBitmap(Bitmap.data(), 131, 35, 131); };
    Editor.SetParentWindow(Host.Handle());
    Editor.SetBounds(0, 0, 131, 35);
    Editor.Show();
    Host.SetBounds(300, 200, Host.Width(), Host.Height());
    Host.Show();
    LetTimePass(300);
    const TPoint Origin = Host.ClientToScreen({0, 0});
    const auto Shown = CaptureScreen({Origin.X, Origin.Y, Origin.X + 2, Origin.Y + 2});
    ASSERT_EQ(Shown.size(), 4u);
    EXPECT_EQ(Shown[0], 0xFFFF0000u);
    EXPECT_EQ(Shown[1], 0xFF123456u);
    EXPECT_EQ(Shown[2], 0xFF123456u);
}

} // namespace

#endif
