#include "graphics/Bitmap32.h"

#include <algorithm>
#include <cmath>

#include "graphics/PolygonRasterizer.h"
#include "graphics/Random.h"
#include "graphics/Utf8.h"
#include "platform/TextRaster.h"

TBitmap32::TBitmap32() = default;
TBitmap32::~TBitmap32() = default;

// [editor]
void TBitmap32::SetSize(int Width, int Height)
{
    Width = std::max(Width, 0);
    Height = std::max(Height, 0);
    if (Width == 0 || Height == 0)
        Width = Height = 0;
    if (Width == FWidth && Height == FHeight)
        return;
    FBits.assign(static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height), 0);
    FWidth = Width;
    FHeight = Height;
}

// [editor]
TColor32 TBitmap32::PixelS(int X, int Y) const
{
    if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight)
        return 0;
    return Pixel(X, Y);
}

// [editor]
void TBitmap32::Clear(TColor32 Color)
{
    std::fill(FBits.begin(), FBits.end(), Color);
}

// [editor]
void TBitmap32::SetPixelS(int X, int Y, TColor32 Color)
{
    if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight)
        return;
    ScanLine(Y)[X] = Color;
}

// [editor]
void TBitmap32::SetPixelTS(int X, int Y, TColor32 Color)
{
    if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight)
        return;
    TColor32& P = ScanLine(Y)[X];
    P = BlendOver(Color, P);
}

// [editor]
void TBitmap32::Assign(const TBitmap32& Source)
{
    if (&Source == this)
        return;
    SetSize(Source.FWidth, Source.FHeight);
    FBits = Source.FBits;
    SetFontSize(Source.FFontSize);
}

// [editor]
void TBitmap32::CopyRect(const TBitmap32& Source, const TRect& R)
{
    if (&Source == this)
        return;
    const int Left = std::max(R.Left, 0);
    const int Top = std::max(R.Top, 0);
    const int Right = std::min({R.Right, FWidth, Source.FWidth});
    const int Bottom = std::min({R.Bottom, FHeight, Source.FHeight});
    if (Left >= Right || Top >= Bottom)
        return;
    for (int y = Top; y < Bottom; ++y)
        std::copy(Source.ScanLine(y) + Left, Source.ScanLine(y) + Right, ScanLine(y) + Left);
}

// [editor]
void TBitmap32::PolygonTS(std::span<const TFixedPoint> Points, TColor32 Color, TPolyFillMode Mode)
{
    const TArrayOfFixedPoint Contour(Points.begin(), Points.end());
    PolyPolygonTS(std::span<const TArrayOfFixedPoint>(&Contour, 1), Color, Mode);
}

// [editor]
void TBitmap32::PolyPolygonTS(std::span<const TArrayOfFixedPoint> Contours, TColor32 Color, TPolyFillMode Mode)
{
    if (Empty() || AlphaComponent(Color) == 0)
        return;
    TPolygonRasterizer Rasterizer;
    Rasterizer.Rasterize(Contours, FWidth, FHeight, Mode, [&](int Y, int X, std::span<const double> Coverage) {
        TColor32* Row = ScanLine(Y) + X;
        for (std::size_t i = 0; i < Coverage.size(); ++i)
        {
            const int C = static_cast<int>(Coverage[i] * 256 + 0.5);
            if (C > 0)
                Row[i] = BlendOverCoverage(Color, Row[i], C);
        }
    });
}

// [editor]
void TBitmap32::PolylineTS(std::span<const TFixedPoint> Points, TColor32 Color, bool Closed)
{
    const std::size_t N = Points.size();
    if (N < 2)
        return;
    const std::size_t Segments = Closed ? N : N - 1;
    for (std::size_t i = 0; i < Segments; ++i)
    {
        const TFixedPoint& A = Points[i];
        const TFixedPoint& B = Points[(i + 1) % N];
        LineFS(A.X / 65536.0, A.Y / 65536.0, B.X / 65536.0, B.Y / 65536.0, Color);
    }
}

// [editor] Extended intermediates keep differences of huge doubles finite. The steps are limited to
// the bitmap's extent along the major axis, so a line runs at most Width + 2 or Height + 2 steps.
void TBitmap32::LineFS(double X1, double Y1, double X2, double Y2, TColor32 Color)
{
    if (Empty() || AlphaComponent(Color) == 0)
        return;
    if (!std::isfinite(X1) || !std::isfinite(Y1) || !std::isfinite(X2) || !std::isfinite(Y2))
        return;
    const long double Dx = static_cast<long double>(X2) - X1, Dy = static_cast<long double>(Y2) - Y1;
    if (Dx == 0 && Dy == 0)
        return;
    const bool XMajor = std::fabs(Dx) >= std::fabs(Dy);
    // Major axis a, minor axis b.
    const long double A0 = XMajor ? X1 : Y1, A1 = XMajor ? X2 : Y2, B0 = XMajor ? Y1 : X1;
    const long double Slope = XMajor ? Dy / Dx : Dx / Dy;
    const int MajorLimit = XMajor ? FWidth : FHeight;
    const int Limit = XMajor ? FHeight : FWidth;
    // Steps outside the bitmap are skipped by starting or stopping just outside it.
    const int Start = std::clamp(RoundHalfEven(A0), -1, MajorLimit);
    const int End = std::clamp(RoundHalfEven(A1), -1, MajorLimit);
    const int Step = A1 > A0 ? 1 : -1;
    for (int a = Start; a != End; a += Step)
    {
        if (a < 0 || a >= MajorLimit)
            continue;
        const long double B = B0 + (a - A0) * Slope;
        if (!(B > -2 && B < Limit + 1))
            continue;
        const long double BFloor = std::floor(B);
        const int b = static_cast<int>(BFloor);
        const int Far = static_cast<int>((B - BFloor) * 256 + 0.5L);
        const auto Plot = [&](int Minor, int Coverage) {
            if (Coverage <= 0 || Minor < 0 || Minor >= Limit)
                return;
            TColor32& P = XMajor ? ScanLine(Minor)[a] : ScanLine(a)[Minor];
            P = BlendOverCoverage(Color, P, Coverage);
        };
        Plot(b, 256 - Far);
        Plot(b + 1, Far);
    }
}

// [editor]
TTextRaster& TBitmap32::Text()
{
    if (!FText)
    {
        FText = std::make_unique<TTextRaster>();
        FText->SetSize(FFontSize);
    }
    return *FText;
}

// [editor]
void TBitmap32::SetFontSize(int Points)
{
    FFontSize = std::clamp(Points, 1, 500);
    if (FText)
        FText->SetSize(FFontSize);
}

// [editor]
int TBitmap32::TextWidth(const std::string& Text)
{
    return this->Text().TextWidth(DecodeUtf8(Text));
}

// [editor]
int TBitmap32::TextHeight()
{
    return Text().TextHeight();
}

// [editor]
void TBitmap32::RenderText(int X, int Y, const std::string& Text, TColor32 Color)
{
    if (Empty() || AlphaComponent(Color) == 0 || Text.empty())
        return;
    TTextMask Mask;
    this->Text().Render(DecodeUtf8(Text), Mask);
    // Mask column 0 and row 0 in bitmap coordinates, in 64 bits so that no position overflows.
    const long long MaskX = static_cast<long long>(X) + Mask.Left;
    const long long MaskY = static_cast<long long>(Y) + Mask.Top;
    const long long Left = std::max<long long>(MaskX, 0);
    const long long Top = std::max<long long>(MaskY, 0);
    const long long Right = std::min<long long>(MaskX + Mask.Width, FWidth);
    const long long Bottom = std::min<long long>(MaskY + Mask.Height, FHeight);
    for (long long y = Top; y < Bottom; ++y)
    {
        TColor32* Row = ScanLine(static_cast<int>(y));
        const std::uint8_t* Coverage = Mask.Coverage.data() + (y - MaskY) * Mask.Width;
        for (long long x = Left; x < Right; ++x)
        {
            const int C = Coverage[x - MaskX];
            if (C > 0)
                Row[x] = BlendOverCoverage(Color, Row[x], C + (C >> 7)); // 0..255 to 0..256
        }
    }
}

// [any]
void NoiseFill(TBitmap32& Bitmap, TColor32 Base, int Spread, TRandom& Generator)
{
    std::uint32_t E = 0;
    const int Half = Spread / 2;
    for (int y = 0; y < Bitmap.Height(); ++y)
    {
        TColor32* Row = Bitmap.ScanLine(y);
        for (int x = 0; x < Bitmap.Width(); ++x)
        {
            const std::uint32_t R = static_cast<std::uint32_t>(Generator.Random(Spread));
            E = (R * 128 + E * 896) / 1024;
            Row[x] = BlendOver(Lighten(Base, static_cast<int>(E) - Half), Row[x]);
        }
    }
}

TArrayOfFixedPoint PanelOutline(const TRect& R)
{
    return {FixedPoint(R.Left + 1, R.Top),         FixedPoint(R.Right - 2, R.Top),
            FixedPoint(R.Right - 1, R.Top + 1),    FixedPoint(R.Right - 1, R.Bottom - 2),
            FixedPoint(R.Right - 2, R.Bottom - 1), FixedPoint(R.Left + 1, R.Bottom - 1),
            FixedPoint(R.Left, R.Bottom - 2),      FixedPoint(R.Left, R.Top + 1)};
}
