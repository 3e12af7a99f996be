#pragma once
// Glyph layout shared by the text engines of both backends: a rendered glyph, and a line of glyphs composed
// into one coverage mask. The engines differ only in how they obtain glyphs and line metrics.
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/TextRaster.h"

// One glyph's 8-bit coverage (0..255) and its placement relative to the pen on the baseline.
struct TGlyph
{
    int Advance = 0;
    int Left = 0; // bitmap's left edge relative to the pen
    int Top = 0;  // bitmap's top edge above the baseline
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Bits;
};

// A text engine's glyphs at its current size, each made once by the engine's MakeGlyph(char32_t) (CRTP);
// the engine clears Cache when its size changes.
template <class TEngine>
struct TGlyphCache
{
    std::unordered_map<char32_t, TGlyph> Cache;

    // [editor] The glyph of C.
    const TGlyph& Glyph(char32_t C)
    {
        auto Found = Cache.find(C);
        if (Found == Cache.end())
            Found = Cache.emplace(C, static_cast<TEngine*>(this)->MakeGlyph(C)).first;
        return Found->second;
    }
};

// [editor] Sum of the advance widths of Text; Source.Glyph(char32_t) answers a const TGlyph&.
template <class TGlyphSource>
long long TextAdvance(const std::u32string& Text, TGlyphSource& Source)
{
    long long Width = 0;
    for (char32_t C : Text)
        Width += Source.Glyph(C).Advance;
    return Width;
}

// [editor] TTextRaster::TextWidth of an engine: the advance width of Text in pixels, 0..INT_MAX; 0 without a
// sized font (Source null).
template <class TGlyphSource>
int TextWidthIn(const std::u32string& Text, TGlyphSource* Source)
{
    return Source ? static_cast<int>(std::clamp<long long>(TextAdvance(Text, *Source), 0, INT_MAX)) : 0;
}

// [editor] Mask becomes the coverage of Text laid out pen to pen on a baseline Baseline pixels below
// the top of a line box LineHeight pixels high; overlapping glyphs keep the larger coverage. Mask stays empty
// for an empty text or when the bounds exceed 2^20 pixels either way.
template <class TGlyphSource>
void ComposeTextMask(const std::u32string& Text, int Baseline, int LineHeight, TGlyphSource& Source, TTextMask& Mask)
{
    Mask = TTextMask();
    if (Text.empty())
        return;
    // Bounds of the line box and of every glyph bitmap, relative to the line box's top-left corner.
    long long Left = 0, Top = 0, Right = 0, Bottom = LineHeight;
    long long Pen = 0;
    for (char32_t C : Text)
    {
        const TGlyph& G = Source.Glyph(C);
        if (G.Width > 0 && G.Height > 0)
        {
            Left = std::min(Left, Pen + G.Left);
            Right = std::max(Right, Pen + G.Left + G.Width);
            Top = std::min<long long>(Top, Baseline - G.Top);
            Bottom = std::max<long long>(Bottom, Baseline - G.Top + G.Height);
        }
        Pen += G.Advance;
    }
    Right = std::max(Right, Pen);
    if (Right - Left > 1 << 20 || Bottom - Top > 1 << 20)
        return;
    Mask.Left = static_cast<int>(Left);
    Mask.Top = static_cast<int>(Top);
    Mask.Width = static_cast<int>(Right - Left);
    Mask.Height = static_cast<int>(Bottom - Top);
    Mask.Coverage.assign(static_cast<std::size_t>(Mask.Width) * Mask.Height, 0);
    Pen = 0;
    for (char32_t C : Text)
    {
        const TGlyph& G = Source.Glyph(C);
        const long long X0 = Pen + G.Left - Left;
        const long long Y0 = Baseline - G.Top - Top;
        for (int y = 0; y < G.Height; ++y)
        {
            std::uint8_t* Row = Mask.Coverage.data() + (Y0 + y) * Mask.Width + X0;
            const std::uint8_t* Bits = G.Bits.data() + static_cast<std::size_t>(y) * G.Width;
            for (int x = 0; x < G.Width; ++x)
                Row[x] = std::max(Row[x], Bits[x]);
        }
        Pen += G.Advance;
    }
}
