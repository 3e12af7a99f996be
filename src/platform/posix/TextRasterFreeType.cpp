// Text coverage from FreeType: grayscale anti-aliasing with light (vertical-only) hinting, which keeps small
// sizes crisp without distorting glyph shapes. Glyphs are cached per size.
#include "platform/TextLayout.h"
#include "platform/TextRaster.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>

namespace
{
// Faces a fresh Debian machine has, then common alternatives elsewhere.
const char* const FontCandidates[] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/TTF/DejaVuSans.ttf",
    "/usr/share/fonts/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf",
    "/usr/share/fonts/truetype/freefont/FreeSans.ttf",
};

constexpr int LoadFlags = FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT | FT_LOAD_NO_BITMAP;

} // namespace

struct TTextRaster::TImpl : TGlyphCache<TTextRaster::TImpl>
{
    FT_Library Library = nullptr;
    FT_Face Face = nullptr;
    int Ascent = 0;
    int Descent = 0;

    // [editor] The face at the current size, or null when no face could be opened.
    FT_Face SizedFace(TTextRaster::TSize& Size)
    {
        if (!Face)
            return nullptr;
        if (!Size.Made)
        {
            Cache.clear();
            if (FT_Set_Char_Size(Face, 0, static_cast<FT_F26Dot6>(Size.Points) * 64, 96, 96) != 0)
                return nullptr;
            Ascent = static_cast<int>((Face->size->metrics.ascender + 63) >> 6);
            Descent = static_cast<int>((-Face->size->metrics.descender + 63) >> 6);
            Size.Made = true;
        }
        return Face;
    }

    // [editor] The rendered glyph of C (an empty glyph when the face has none that renders).
    TGlyph MakeGlyph(char32_t C)
    {
        TGlyph G;
        if (FT_Load_Char(Face, C, LoadFlags) == 0)
        {
            const FT_GlyphSlot Slot = Face->glyph;
            G.Advance = static_cast<int>((Slot->advance.x + 32) >> 6);
            const FT_Bitmap& B = Slot->bitmap;
            if (B.pixel_mode == FT_PIXEL_MODE_GRAY || B.pixel_mode == FT_PIXEL_MODE_MONO)
            {
                G.Left = Slot->bitmap_left;
                G.Top = Slot->bitmap_top;
                G.Width = static_cast<int>(B.width);
                G.Height = static_cast<int>(B.rows);
                G.Bits.resize(static_cast<std::size_t>(G.Width) * G.Height);
                const int Pitch = B.pitch < 0 ? -B.pitch : B.pitch;
                for (int y = 0; y < G.Height; ++y)
                {
                    const unsigned char* Row = B.buffer + static_cast<std::ptrdiff_t>(B.pitch < 0 ? G.Height - 1 - y : y) * Pitch;
                    for (int x = 0; x < G.Width; ++x)
                    {
                        int V;
                        if (B.pixel_mode == FT_PIXEL_MODE_MONO)
                            V = (Row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
                        else
                            V = B.num_grays == 256 ? Row[x] : Row[x] * 255 / std::max(1, B.num_grays - 1);
                        G.Bits[static_cast<std::size_t>(y) * G.Width + x] = static_cast<std::uint8_t>(V);
                    }
                }
            }
        }
        return G;
    }
};

// [editor]
TTextRaster::TTextRaster() : FImpl(std::make_unique<TImpl>())
{
    if (FT_Init_FreeType(&FImpl->Library) != 0)
    {
        FImpl->Library = nullptr;
        return;
    }
    for (const char* Path : FontCandidates)
        if (FT_New_Face(FImpl->Library, Path, 0, &FImpl->Face) == 0)
            return;
    FImpl->Face = nullptr;
}

// [editor]
TTextRaster::~TTextRaster()
{
    if (FImpl->Face)
        FT_Done_Face(FImpl->Face);
    if (FImpl->Library)
        FT_Done_FreeType(FImpl->Library);
}

// [editor]
int TTextRaster::TextWidth(const std::u32string& Text)
{
    return TextWidthIn(Text, FImpl->SizedFace(FSize) ? FImpl.get() : nullptr);
}

// [editor]
int TTextRaster::TextHeight()
{
    return FImpl->SizedFace(FSize) ? FImpl->Ascent + FImpl->Descent : 0;
}

// [editor]
void TTextRaster::Render(const std::u32string& Text, TTextMask& Mask)
{
    if (!FImpl->SizedFace(FSize))
    {
        Mask = TTextMask();
        return;
    }
    ComposeTextMask(Text, FImpl->Ascent, FImpl->Ascent + FImpl->Descent, *FImpl, Mask);
}
