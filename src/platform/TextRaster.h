#pragma once
// The platform's text engine: the 8-bit coverage of one line of text, for the raster graphics to blend.
// Win32: GDI with the system's default user-interface face, grayscale anti-aliasing. Elsewhere: FreeType with
// DejaVu Sans (or the first of a few common faces that is installed); with no face at all, texts measure 0
// and draw nothing.
//
// Sizes are points at 96 pixels per inch. A TTextRaster belongs to one thread at a time ([editor] in
// this system).
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Coverage of a line of text, Width x Height, row-major, 0 untouched .. 255 fully covered. Column 0 lies Left
// pixels right of the text's origin and row 0 lies Top pixels below the top of the line box (both may be
// negative where glyphs reach outside the line box).
struct TTextMask
{
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Coverage;
};

class TTextRaster
{
public:
    TTextRaster();
    ~TTextRaster();
    TTextRaster(const TTextRaster&) = delete;
    TTextRaster& operator=(const TTextRaster&) = delete;

    // Point size, limited to 1..500.
    void SetSize(int Points)
    {
        Points = std::clamp(Points, 1, 500);
        if (Points != FSize.Points)
            FSize = {Points, false};
    }
    int Size() const { return FSize.Points; }
    // Advance width in pixels of Text (code points).
    int TextWidth(const std::u32string& Text);
    // Height of the line box in pixels (ascent plus descent).
    int TextHeight();
    // The coverage of Text drawn with the line box's top-left corner at the origin.
    void Render(const std::u32string& Text, TTextMask& Mask);

    struct TImpl;
    // The point size, and whether the engine's font is made at it.
    struct TSize
    {
        int Points = 8;
        bool Made = false;
    };

private:
    TSize FSize;
    std::unique_ptr<TImpl> FImpl;
};
