// Cost of the editor's background (noise fill and six outlined panels on 131 x 35) and of one read-out text.
#include <benchmark/benchmark.h>

#include "graphics/Bitmap32.h"
#include "graphics/Random.h"

namespace
{
const TRect PanelRects[] = {{16, 1, 72, 15}, {16, 16, 72, 30}, {73, 16, 125, 30},
                            {73, 1, 125, 15}, {16, 31, 125, 34}, {126, 1, 130, 34}};
const TColor32 Fills[] = {0xAFF7F7FFu, 0xAFFFF7EFu, 0xAFFFFFF7u, 0xAFF7FFFFu, 0x7FFFFFFFu, 0x7FFFFFFFu};
const TColor32 Outlines[] = {0x3F000008u, 0x3F080000u, 0x3F080800u, 0x3F000800u, 0x3F000000u, 0x3F000000u};

void Background(benchmark::State& State)
{
    TBitmap32 Bitmap;
    Bitmap.SetSize(131, 35);
    TRandom Generator;
    for (auto _ : State)
    {
        NoiseFill(Bitmap, 0xFFF0F0F0u, 96, Generator);
        for (int i = 0; i < 6; ++i)
        {
            const TArrayOfFixedPoint Shape = PanelOutline(PanelRects[i]);
            Bitmap.PolygonTS(Shape, Fills[i]);
            Bitmap.PolylineTS(Shape, Outlines[i]);
        }
        benchmark::DoNotOptimize(Bitmap.Bits());
    }
}
BENCHMARK(Background);

void ReadOutText(benchmark::State& State)
{
    TBitmap32 Bitmap;
    Bitmap.SetSize(131, 35);
    Bitmap.Clear(0xFFF0F0F0u);
    Bitmap.SetFontSize(8);
    Bitmap.RenderText(0, 0, "-3.50 dB", 0xFF000000u); // glyphs cached, as after the first redraw
    for (auto _ : State)
    {
        const int W = Bitmap.TextWidth("-3.50 dB");
        Bitmap.RenderText((16 + 72 - W) / 2, 16, "-3.50 dB", 0xFF000000u);
        benchmark::DoNotOptimize(Bitmap.Bits());
    }
}
BENCHMARK(ReadOutText);
} // namespace
