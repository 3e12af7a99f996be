// Text coverage from GDI: the system's message font face (the default user-interface face), each glyph's
// 65-level grayscale coverage from GetGlyphOutline (which, unlike TextOut, is anti-aliased at every size
// whatever the font's smoothing table and the user's font-smoothing setting say). Glyphs are cached per size.
#include "platform/TextLayout.h"
#include "platform/TextRaster.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace
{
// [editor] The default user-interface font's description (face, weight, charset).
LOGFONTW DefaultUIFont()
{
    LOGFONTW Font{};
    NONCLIENTMETRICSW Metrics{};
    Metrics.cbSize = sizeof(Metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(Metrics), &Metrics, 0))
        Font = Metrics.lfMessageFont;
    else if (GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(Font), &Font) == 0)
        lstrcpynW(Font.lfFaceName, L"Tahoma", LF_FACESIZE);
    return Font;
}

} // namespace

struct TTextRaster::TImpl : TGlyphCache<TTextRaster::TImpl>
{
    HDC DC = nullptr;
    HFONT Font = nullptr;
    HGDIOBJ PreviousFont = nullptr;
    TEXTMETRICW Metrics{};

    // [editor] The memory DC with the font of the current size selected, or null.
    HDC SizedDC(TTextRaster::TSize& Size)
    {
        if (!DC)
            return nullptr;
        if (!Size.Made)
        {
            Cache.clear();
            LOGFONTW Description = DefaultUIFont();
            Description.lfHeight = -MulDiv(Size.Points, 96, 72);
            Description.lfWidth = 0;
            Description.lfQuality = ANTIALIASED_QUALITY;
            HFONT NewFont = CreateFontIndirectW(&Description);
            if (!NewFont)
                return nullptr;
            HGDIOBJ Old = SelectObject(DC, NewFont);
            if (!PreviousFont)
                PreviousFont = Old;
            if (Font)
                DeleteObject(Font);
            Font = NewFont;
            GetTextMetricsW(DC, &Metrics);
            Size.Made = true;
        }
        return DC;
    }

    // [editor] The glyph of C in the selected font (characters outside the basic plane, and those the
    // font cannot give, use U+FFFD's glyph, else nothing).
    TGlyph MakeGlyph(char32_t C)
    {
        const UINT Code = C <= 0xFFFF && !(C >= 0xD800 && C <= 0xDFFF) ? static_cast<UINT>(C) : 0xFFFDu;
        const MAT2 Identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
        TGlyph G;
        GLYPHMETRICS Metrics{};
        const DWORD Size = GetGlyphOutlineW(DC, Code, GGO_GRAY8_BITMAP, &Metrics, 0, nullptr, &Identity);
        if (Size != GDI_ERROR)
        {
            G.Advance = Metrics.gmCellIncX;
            if (Size > 0)
            {
                std::vector<std::uint8_t> Buffer(Size);
                if (GetGlyphOutlineW(DC, Code, GGO_GRAY8_BITMAP, &Metrics, Size, Buffer.data(), &Identity) != GDI_ERROR)
                {
                    // Rows of 65 levels (0..64), each row padded to four bytes.
                    const int Width = static_cast<int>(Metrics.gmBlackBoxX);
                    const int Height = static_cast<int>(Metrics.gmBlackBoxY);
                    const std::size_t Pitch = (static_cast<std::size_t>(Width) + 3) & ~static_cast<std::size_t>(3);
                    if (Pitch * Height <= Buffer.size())
                    {
                        G.Left = Metrics.gmptGlyphOrigin.x;
                        G.Top = Metrics.gmptGlyphOrigin.y;
                        G.Width = Width;
                        G.Height = Height;
                        G.Bits.resize(static_cast<std::size_t>(Width) * Height);
                        for (int y = 0; y < Height; ++y)
                            for (int x = 0; x < Width; ++x)
                            {
                                const int V = std::min<int>(Buffer[y * Pitch + x], 64);
                                G.Bits[static_cast<std::size_t>(y) * Width + x] = static_cast<std::uint8_t>((V * 255 + 32) / 64);
                            }
                    }
                }
            }
        }
        else
        {
            INT Width = 0;
            if (GetCharWidth32W(DC, Code, Code, &Width))
                G.Advance = Width;
        }
        return G;
    }
};

// [editor]
TTextRaster::TTextRaster() : FImpl(std::make_unique<TImpl>())
{
    FImpl->DC = CreateCompatibleDC(nullptr);
}

// [editor]
TTextRaster::~TTextRaster()
{
    if (FImpl->DC)
    {
        if (FImpl->PreviousFont)
            SelectObject(FImpl->DC, FImpl->PreviousFont);
        DeleteDC(FImpl->DC);
    }
    if (FImpl->Font)
        DeleteObject(FImpl->Font);
}

// [editor]
int TTextRaster::TextWidth(const std::u32string& Text)
{
    return TextWidthIn(Text, FImpl->SizedDC(FSize) ? FImpl.get() : nullptr);
}

// [editor]
int TTextRaster::TextHeight()
{
    return FImpl->SizedDC(FSize) ? FImpl->Metrics.tmHeight : 0;
}

// [editor]
void TTextRaster::Render(const std::u32string& Text, TTextMask& Mask)
{
    if (!FImpl->SizedDC(FSize))
    {
        Mask = TTextMask();
        return;
    }
    ComposeTextMask(Text, FImpl->Metrics.tmAscent, FImpl->Metrics.tmHeight, *FImpl, Mask);
}
