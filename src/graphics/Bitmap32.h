#pragma once
// TBitmap32: a 32-bit ARGB bitmap (0xAARRGGBB, row-major, top row first) with the raster operations of the
// editor panel: rectangle copies, blended pixels, anti-aliased polygons, polylines and lines, and text.
//
// Pixel (x, y) is the unit square [x, x + 1) x [y, y + 1). Every drawing operation is clipped to the bitmap:
// coordinates may lie partly or wholly outside it, be huge or (for the floating-point line) NaN; nothing is
// ever written outside the pixel array. Drawing into an empty bitmap does nothing.
//
// A bitmap belongs to one thread at a time; all members are [editor] in this system, though none of
// them touches a window except DrawTo.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "graphics/Color32.h"
#include "platform/Forms.h"

class TTextRaster;

// 16.16 fixed point: the high 16 bits are the integer part.
using TFixed = std::int32_t;
constexpr TFixed FixedOne = 0x10000;

struct TFixedPoint
{
    TFixed X = 0, Y = 0;
};

// [any] Whole pixels as a 16.16 point (the value is taken modulo 2^16 pixels).
constexpr TFixedPoint FixedPoint(int X, int Y)
{
    return {static_cast<TFixed>(static_cast<std::uint32_t>(X) << 16),
            static_cast<TFixed>(static_cast<std::uint32_t>(Y) << 16)};
}

using TArrayOfFixedPoint = std::vector<TFixedPoint>;

enum class TPolyFillMode { pfAlternate, pfWinding };

class TBitmap32
{
public:
    TBitmap32();
    ~TBitmap32();
    TBitmap32(const TBitmap32&) = delete;
    TBitmap32& operator=(const TBitmap32&) = delete;

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    bool Empty() const { return FWidth == 0 || FHeight == 0; }
    // Resizes to Width x Height (negative counts as 0). A changed size clears every pixel to 0 (transparent
    // black); the same size keeps the contents.
    void SetSize(int Width, int Height);

    // Row-major pixels, Width() per row; null when empty.
    TColor32* Bits() { return FBits.empty() ? nullptr : FBits.data(); }
    const TColor32* Bits() const { return FBits.empty() ? nullptr : FBits.data(); }
    // Row Y (0 <= Y < Height(), unchecked).
    TColor32* ScanLine(int Y) { return FBits.data() + static_cast<std::size_t>(Y) * FWidth; }
    const TColor32* ScanLine(int Y) const { return FBits.data() + static_cast<std::size_t>(Y) * FWidth; }
    // The pixel at (X, Y), unchecked.
    TColor32 Pixel(int X, int Y) const { return ScanLine(Y)[X]; }
    // The pixel at (X, Y), or 0 outside the bitmap.
    TColor32 PixelS(int X, int Y) const;

    // Every pixel written with Color.
    void Clear(TColor32 Color = 0);
    // Writes Color (no blending) at (X, Y) when inside the bitmap.
    void SetPixelS(int X, int Y, TColor32 Color);
    // Blends Color (source over) onto (X, Y) when inside the bitmap.
    void SetPixelTS(int X, int Y, TColor32 Color);

    // Resizes to Source's size and copies all its pixels and its font size.
    void Assign(const TBitmap32& Source);
    // Copies the rectangle R (Right and Bottom exclusive) of Source into the same rectangle of this bitmap,
    // clipped to both bitmaps.
    void CopyRect(const TBitmap32& Source, const TRect& R);

    // Fills the polygon (16.16 vertices, implicitly closed) with Color, anti-aliased with exact area coverage,
    // blended. Fewer than three vertices draw nothing.
    void PolygonTS(std::span<const TFixedPoint> Points, TColor32 Color,
                   TPolyFillMode Mode = TPolyFillMode::pfAlternate);
    // Fills several closed contours as one shape (so even-odd contours inside others make holes).
    void PolyPolygonTS(std::span<const TArrayOfFixedPoint> Contours, TColor32 Color,
                       TPolyFillMode Mode = TPolyFillMode::pfAlternate);
    // Draws the closed polyline through Points, one pixel wide and anti-aliased, blended. Each segment is a
    // LineFS, so every vertex is drawn once.
    void PolylineTS(std::span<const TFixedPoint> Points, TColor32 Color, bool Closed = true);
    // Draws an anti-aliased line one pixel wide from (X1, Y1) to (X2, Y2), blended, the end point not drawn.
    // The line steps one pixel along its major axis from the rounded start to the rounded end; at each step
    // Color is shared between the two pixels nearest to the line across the minor axis in proportion to
    // closeness (so whole coordinates hit whole pixels). A non-finite coordinate draws nothing.
    void LineFS(double X1, double Y1, double X2, double Y2, TColor32 Color);

    // The font's size in points (at 96 pixels per inch); 8 initially.
    int FontSize() const { return FFontSize; }
    void SetFontSize(int Points);
    // Width in pixels of Text (UTF-8) in the current font.
    int TextWidth(const std::string& Text);
    // Height in pixels of a line of text in the current font.
    int TextHeight();
    // Draws Text (UTF-8) anti-aliased in Color, blended, with the top-left corner of its line box at (X, Y).
    void RenderText(int X, int Y, const std::string& Text, TColor32 Color);

    // Copies the whole bitmap into Form's client area at (0, 0).
    void DrawTo(TForm& Form) const;

private:
    TTextRaster& Text();
    int FWidth = 0;
    int FHeight = 0;
    std::vector<TColor32> FBits;
    int FFontSize = 8;
    std::unique_ptr<TTextRaster> FText;
};

// [any] The closed eight-point outline of R with each corner cut by one pixel, whole pixels as 16.16:
// (L+1, T), (R-2, T), (R-1, T+1), (R-1, B-2), (R-2, B-1), (L+1, B-1), (L, B-2), (L, T+1).
TArrayOfFixedPoint PanelOutline(const TRect& R);

// [any] The editor's textured background: for every pixel row by row, r = Random(Spread) and
// e = (r x 128 + e x 896) div 1024 in unsigned 32-bit arithmetic (e starts at 0 and carries across pixels and
// rows); the pixel is Base lightened by e - Spread div 2 and blended onto the bitmap.
void NoiseFill(TBitmap32& Bitmap, TColor32 Base, int Spread, class TRandom& Generator);
