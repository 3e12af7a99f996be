#pragma once
// 32-bit ARGB colours (0xAARRGGBB, alpha in the top byte, 0xFF opaque) and the colour helpers of the editor.
#include <cstdint>

using TColor32 = std::uint32_t;

// [any] Channel access.
constexpr int AlphaComponent(TColor32 C) { return static_cast<int>(C >> 24); }
constexpr int RedComponent(TColor32 C) { return static_cast<int>((C >> 16) & 0xFF); }
constexpr int GreenComponent(TColor32 C) { return static_cast<int>((C >> 8) & 0xFF); }
constexpr int BlueComponent(TColor32 C) { return static_cast<int>(C & 0xFF); }
// [any] A colour from channels, each taken modulo 256.
constexpr TColor32 Color32(int R, int G, int B, int A = 0xFF)
{
    return (static_cast<TColor32>(A & 0xFF) << 24) | (static_cast<TColor32>(R & 0xFF) << 16) |
           (static_cast<TColor32>(G & 0xFF) << 8) | static_cast<TColor32>(B & 0xFF);
}
// [any] The colour with its alpha replaced.
constexpr TColor32 SetAlpha(TColor32 C, int A) { return (C & 0x00FFFFFFu) | (static_cast<TColor32>(A & 0xFF) << 24); }

// [any] Source-over compositing of a non-premultiplied Source onto a non-premultiplied Dest:
// Ao = As + Ad(1 - As), Co = (Cs As + Cd Ad (1 - As)) / Ao, each result rounded to the nearest integer.
// Source alpha 0 leaves Dest unchanged; source alpha 255 gives Source. Integer arithmetic only.
TColor32 BlendOver(TColor32 Source, TColor32 Dest);

// [any] Source with its alpha scaled by Coverage/256 (Coverage 0..256, rounded), then blended onto Dest.
TColor32 BlendOverCoverage(TColor32 Source, TColor32 Dest, int Coverage);

// [any] HSL to opaque RGB, hue H in turns (0 red, 1/3 green, 2/3 blue), saturation S and lightness L in
// 0..1. Extended intermediates; each channel is v x 255 rounded to the nearest integer, ties to even, and
// limited to 0..255 (a lightness above 1 gives white; NaN gives 0).
TColor32 HSLtoRGB(double H, double S, double L);

// [any] Amount added to red, green and blue, each clamped to 0..255; alpha unchanged.
TColor32 Lighten(TColor32 Color, int Amount);

// [any] The system colour Index (Windows COLOR_* numbering, 15 = button face) as opaque ARGB.
TColor32 SystemColor32(int Index);

// [any] x rounded to the nearest integer, ties to even, independent of the FPU rounding mode.
// The result is limited to the int range; NaN gives 0.
int RoundHalfEven(long double x);
