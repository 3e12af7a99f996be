// Under Wine: a shown form's client area holds exactly the pixels that PaintBitmap copied, read back from the
// display.
#ifdef MARVO_WIN32

#include <gtest/gtest.h>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <vector>

#include "PlatformTestSupport.h"

namespace
{

std::uint32_t Pattern(int X, int Y)
{
    return 0xFF000000u | static_cast<std::uint32_t>((X * 2) & 0xFF) << 16 | static_cast<std::uint32_t>((Y * 7) & 0xFF) << 8 |
           static_cast<std::uint32_t>((X + Y * 3) & 0xFF);
}

// The screen pixels of a rectangle, as 0x00RRGGBB.
std::vector<std::uint32_t> Capture(int Left, int Top, int Width, int Height)
{
    HDC Screen = GetDC(nullptr);
    HDC Memory = CreateCompatibleDC(Screen);
    BITMAPINFO Info{};
    Info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    Info.bmiHeader.biWidth = Width;
    Info.bmiHeader.biHeight = -Height;
    Info.bmiHeader.biPlanes = 1;
    Info.bmiHeader.biBitCount = 32;
    Info.bmiHeader.biCompression = BI_RGB;
    void* Bits = nullptr;
    HBITMAP Bitmap = CreateDIBSection(Screen, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
    HGDIOBJ Old = SelectObject(Memory, Bitmap);
    BitBlt(Memory, 0, 0, Width, Height, Screen, Left, Top, SRCCOPY);
    GdiFlush();
    std::vector<std::uint32_t> Pixels(static_cast<const std::uint32_t*>(Bits),
                                      static_cast<const std::uint32_t*>(Bits) + Width * Height);
    SelectObject(Memory, Old);
    DeleteObject(Bitmap);
    DeleteDC(Memory);
    ReleaseDC(nullptr, Screen);
    for (auto& P : Pixels)
        P &= 0x00FFFFFF;
    return Pixels;
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
    const auto Shown = Capture(Origin.X, Origin.Y, 131, 35);
    int Wrong = 0;
    for (int Y = 0; Y < 35; ++Y)
        for (int X = 0; X < 131; ++X)
            if (Shown[static_cast<std::size_t>(Y) * 131 + X] != (Pattern(X, Y) & 0x00FFFFFF) && ++Wrong <= 5)
                ADD_FAILURE() << "pixel (" << X << ", " << Y << ") is " << std::hex << Shown[Y * 131 + X]
                              << ", painted " << (Pattern(X, Y) & 0x00FFFFFF);
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
    const auto Shown = Capture(Origin.X, Origin.Y, 2, 2);
    EXPECT_EQ(Shown[0], 0xFF0000u);
    EXPECT_EQ(Shown[1], 0x123456u);
    EXPECT_EQ(Shown[2], 0x123456u);
}

} // namespace

#endif
