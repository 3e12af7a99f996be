#include "equaliser/SEQPanel.h"

#include "graphics/Random.h"
#include "platform/System.h"

namespace
{

constexpr int kButtonFace = 15; // COLOR_BTNFACE
constexpr int kNoiseSpread = 96;

} // namespace

void DrawPanel(TBitmap32& Bitmap, const TRect& R, TPanelColours Colours)
{
    const TArrayOfFixedPoint Outline = PanelOutline(R);
    Bitmap.PolygonTS(Outline, Colours.Fill, TPolyFillMode::pfAlternate);
    Bitmap.PolylineTS(Outline, Colours.Outline, true);
}

void PanelTexture(TBitmap32& Bitmap, int Alpha)
{
    Bitmap.Clear(0);
    TRandom Generator;
    NoiseFill(Bitmap, SetAlpha(SystemColor32(kButtonFace), Alpha), kNoiseSpread, Generator);
}
