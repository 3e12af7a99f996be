#pragma once
// Exact-area scanline coverage of polygons: every edge adds its signed area to an accumulation row per
// scanline; a running sum along the row gives, for each pixel, the integral of the winding number over the
// pixel, which the fill rule turns into coverage in [0, 1]. Pixels fully inside get exactly 1; the coverage of
// a simple polygon sums to its area (up to double rounding).
#include <functional>
#include <span>
#include <vector>

#include "graphics/Bitmap32.h"

class TPolygonRasterizer
{
public:
    // A run of coverage values for pixels X .. X + Coverage.size() - 1 of row Y, each in [0, 1].
    using TSpanProc = std::function<void(int Y, int X, std::span<const double> Coverage)>;

    // [any] Rasterises the contours (16.16 vertices, each implicitly closed) clipped to the rectangle
    // [0, Width) x [0, Height), calling Proc once per row that may have coverage.
    void Rasterize(std::span<const TArrayOfFixedPoint> Contours, int Width, int Height, TPolyFillMode Mode,
                   const TSpanProc& Proc);

private:
    void AddEdge(double X0, double Y0, double X1, double Y1);
    void AddClippedEdge(double X0, double Y0, double X1, double Y1);
    void AddLine(double X0, double Y0, double X1, double Y1);
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0, FStride = 0;
    std::vector<double> FAccumulation;
    std::vector<double> FCoverage;
};
