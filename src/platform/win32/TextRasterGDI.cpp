// Text coverage from GDI: the system's message font face (the default user-interface face) with grayscale
// anti-aliasing, drawn white on black into a 32-bit DIB section whose green channel is the coverage.
#include "platform/TextRaster.h"

#include <windows.h>

#include <algorithm>
#include <climits>

namespace
{
// [window thread] The default user-interface font's description (face, weight, charset).
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

// [any thread] Code points to UTF-16.
std::wstring ToUtf16(const std::u32string& Text)
{
    std::wstring Result;
    Result.reserve(Text.size());
    for (char32_t C : Text)
    {
        if (C >= 0x10000 && C <= 0x10FFFF)
        {
            C -= 0x10000;
            Result.push_back(static_cast<wchar_t>(0xD800 + (C >> 10)));
            Result.push_back(static_cast<wchar_t>(0xDC00 + (C & 0x3FF)));
        }
        else if (C > 0x10FFFF || (C >= 0xD800 && C <= 0xDFFF))
            Result.push_back(static_cast<wchar_t>(0xFFFD));
        else
            Result.push_back(static_cast<wchar_t>(C));
    }
    return Result;
}
} // namespace

struct TTextRaster::TImpl
{
    HDC DC = nullptr;
    HFONT Font = nullptr;
    HGDIOBJ PreviousFont = nullptr;
    int Points = 8;
    bool FontValid = false;
    TEXTMETRICW Metrics{};

    // [window thread] The memory DC with the font of the current size selected, or null.
    HDC SizedDC()
    {
        if (!DC)
            return nullptr;
        if (!FontValid)
        {
            LOGFONTW Description = DefaultUIFont();
            Description.lfHeight = -MulDiv(Points, 96, 72);
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
            FontValid = true;
        }
        return DC;
    }
};

// [window thread]
TTextRaster::TTextRaster() : FImpl(std::make_unique<TImpl>())
{
    FImpl->DC = CreateCompatibleDC(nullptr);
}

// [window thread]
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

// [window thread]
void TTextRaster::SetSize(int Points)
{
    Points = std::clamp(Points, 1, 500);
    if (Points != FImpl->Points)
    {
        FImpl->Points = Points;
        FImpl->FontValid = false;
    }
}

// [window thread]
int TTextRaster::Size() const
{
    return FImpl->Points;
}

// [window thread]
int TTextRaster::TextWidth(const std::u32string& Text)
{
    HDC DC = FImpl->SizedDC();
    if (!DC || Text.empty())
        return 0;
    const std::wstring Wide = ToUtf16(Text);
    if (Wide.size() > INT_MAX)
        return 0;
    SIZE Extent{};
    if (!GetTextExtentPoint32W(DC, Wide.data(), static_cast<int>(Wide.size()), &Extent))
        return 0;
    return Extent.cx;
}

// [window thread]
int TTextRaster::TextHeight()
{
    return FImpl->SizedDC() ? FImpl->Metrics.tmHeight : 0;
}

// [window thread]
void TTextRaster::Render(const std::u32string& Text, TTextMask& Mask)
{
    Mask = TTextMask();
    HDC DC = FImpl->SizedDC();
    if (!DC || Text.empty())
        return;
    const std::wstring Wide = ToUtf16(Text);
    SIZE Extent{};
    if (Wide.size() > 0x10000 || !GetTextExtentPoint32W(DC, Wide.data(), static_cast<int>(Wide.size()), &Extent))
        return;
    // Glyphs may overhang their advance (italics, negative bearings): leave a margin on both sides.
    const int Margin = FImpl->Metrics.tmMaxCharWidth / 2 + FImpl->Metrics.tmOverhang + 1;
    const int Width = Extent.cx + 2 * Margin;
    const int Height = std::max<int>(Extent.cy, FImpl->Metrics.tmHeight);
    if (Width <= 0 || Height <= 0 || Width > 1 << 16 || Height > 1 << 16)
        return;

    BITMAPINFO Info{};
    Info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    Info.bmiHeader.biWidth = Width;
    Info.bmiHeader.biHeight = -Height; // top-down
    Info.bmiHeader.biPlanes = 1;
    Info.bmiHeader.biBitCount = 32;
    Info.bmiHeader.biCompression = BI_RGB;
    void* Bits = nullptr;
    HBITMAP Bitmap = CreateDIBSection(DC, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
    if (!Bitmap || !Bits)
    {
        if (Bitmap)
            DeleteObject(Bitmap);
        return;
    }
    HGDIOBJ OldBitmap = SelectObject(DC, Bitmap);
    std::fill_n(static_cast<std::uint32_t*>(Bits), static_cast<std::size_t>(Width) * Height, 0u);
    SetBkMode(DC, TRANSPARENT);
    SetTextColor(DC, RGB(255, 255, 255));
    SetTextAlign(DC, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    TextOutW(DC, Margin, 0, Wide.data(), static_cast<int>(Wide.size()));
    GdiFlush();

    Mask.Left = -Margin;
    Mask.Top = 0;
    Mask.Width = Width;
    Mask.Height = Height;
    Mask.Coverage.resize(static_cast<std::size_t>(Width) * Height);
    const std::uint32_t* Pixels = static_cast<const std::uint32_t*>(Bits);
    for (std::size_t i = 0; i < Mask.Coverage.size(); ++i)
        Mask.Coverage[i] = static_cast<std::uint8_t>((Pixels[i] >> 8) & 0xFF);

    SelectObject(DC, OldBitmap);
    DeleteObject(Bitmap);
}
