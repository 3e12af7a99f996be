#pragma once
// The editor's background as a test picture: a noise-filled 131 x 35 bitmap with the six panel shapes, and
// optionally a read-out text in each panel and the selector's labels.
#include <string>

#include "graphics/Bitmap32.h"
#include "graphics/Random.h"

namespace testpanel
{
struct TPanel
{
    TRect Rect;
    TColor32 Fill, Outline;
    const char* Text;
};

// In drawing order: frequency, gain, symmetry, bandwidth, overview, meter.
inline const TPanel Panels[] = {
    {{16, 1, 72, 15}, 0xAFF7F7FFu, 0x3F000008u, "1.00 kHz"}, {{16, 16, 72, 30}, 0xAFFFF7EFu, 0x3F080000u, "-3.50 dB"},
    {{73, 16, 125, 30}, 0xAFFFFFF7u, 0x3F080800u, "0.00"},   {{73, 1, 125, 15}, 0xAFF7FFFFu, 0x3F000800u, "0.50 Oct"},
    {{16, 31, 125, 34}, 0x7FFFFFFFu, 0x3F000000u, nullptr},  {{126, 1, 130, 34}, 0x7FFFFFFFu, 0x3F000000u, nullptr},
};

inline void DrawBackground(TBitmap32& Bitmap, TColor32 ButtonFace = 0xFFF0F0F0u)
{
    Bitmap.SetSize(131, 35);
    Bitmap.Clear(0);
    TRandom Generator;
    NoiseFill(Bitmap, ButtonFace, 96, Generator);
    for (const TPanel& P : Panels)
    {
        const TArrayOfFixedPoint Shape = PanelOutline(P.Rect);
        Bitmap.PolygonTS(Shape, P.Fill);
        Bitmap.PolylineTS(Shape, P.Outline);
    }
}

inline void DrawTexts(TBitmap32& Bitmap)
{
    Bitmap.SetFontSize(8);
    for (const TPanel& P : Panels)
        if (P.Text)
        {
            const int W = Bitmap.TextWidth(P.Text);
            Bitmap.RenderText((P.Rect.Left + P.Rect.Right - W) / 2, P.Rect.Top, P.Text, 0xFF000000u);
        }
    Bitmap.SetFontSize(6);
    for (int i = 0; i < 8; ++i)
    {
        const int Col = i / 4, Left = 7 * Col, Top = 8 * std::abs(i - 7 * Col);
        Bitmap.RenderText(Left + 1 + Col, Top, std::to_string(i + 1), 0xFF000000u);
    }
}
} // namespace testpanel
