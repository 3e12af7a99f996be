#include "graphics/PolygonRasterizer.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr double FixedToPixels = 1.0 / 65536.0;
} // namespace

// [any]
void TPolygonRasterizer::Rasterize(std::span<const TArrayOfFixedPoint> Contours, int Width, int Height,
                                   TPolyFillMode Mode, const TSpanProc& Proc)
{
    if (Width <= 0 || Height <= 0)
        return;
    // Bounding box of all vertices, clipped to the target. Fixed-point values are at most 2^15 pixels.
    bool Any = false;
    double MinX = 0, MinY = 0, MaxX = 0, MaxY = 0;
    for (const TArrayOfFixedPoint& Contour : Contours)
    {
        if (Contour.size() < 3)
            continue;
        for (const TFixedPoint& P : Contour)
        {
            const double X = P.X * FixedToPixels, Y = P.Y * FixedToPixels;
            if (!Any)
            {
                MinX = MaxX = X;
                MinY = MaxY = Y;
                Any = true;
            }
            MinX = std::min(MinX, X);
            MaxX = std::max(MaxX, X);
            MinY = std::min(MinY, Y);
            MaxY = std::max(MaxY, Y);
        }
    }
    if (!Any)
        return;
    // Coverage to the left of the box comes in through the clamped edges, so the box starts at 0 at most.
    FLeft = std::clamp(static_cast<int>(std::floor(MinX)), 0, Width);
    FTop = std::clamp(static_cast<int>(std::floor(MinY)), 0, Height);
    const int Right = std::clamp(static_cast<int>(std::ceil(MaxX)), 0, Width);
    const int Bottom = std::clamp(static_cast<int>(std::ceil(MaxY)), 0, Height);
    FWidth = Right - FLeft;
    FHeight = Bottom - FTop;
    if (FWidth <= 0 || FHeight <= 0)
        return;
    FStride = FWidth + 2;
    FAccumulation.assign(static_cast<std::size_t>(FStride) * FHeight, 0.0);
    FCoverage.resize(FWidth);

    for (const TArrayOfFixedPoint& Contour : Contours)
    {
        const std::size_t N = Contour.size();
        if (N < 3)
            continue;
        for (std::size_t i = 0; i < N; ++i)
        {
            const TFixedPoint& A = Contour[i];
            const TFixedPoint& B = Contour[(i + 1) % N];
            AddEdge(A.X * FixedToPixels - FLeft, A.Y * FixedToPixels - FTop, B.X * FixedToPixels - FLeft,
                    B.Y * FixedToPixels - FTop);
        }
    }

    for (int y = 0; y < FHeight; ++y)
    {
        const double* Row = FAccumulation.data() + static_cast<std::size_t>(y) * FStride;
        double Sum = 0;
        bool Covered = false;
        for (int x = 0; x < FWidth; ++x)
        {
            Sum += Row[x];
            double C = std::fabs(Sum);
            if (Mode == TPolyFillMode::pfAlternate)
            {
                C = std::fmod(C, 2.0);
                if (C > 1)
                    C = 2 - C;
            }
            else if (C > 1)
                C = 1;
            FCoverage[x] = C;
            Covered = Covered || C > 0;
        }
        if (Covered)
            Proc(FTop + y, FLeft, std::span<const double>(FCoverage.data(), FWidth));
    }
}

// [any] Edge in box coordinates: clipped to rows [0, FHeight]; the parts left of 0 or right of FWidth
// are moved onto those borders (their winding still counts for every pixel to their right).
void TPolygonRasterizer::AddEdge(double X0, double Y0, double X1, double Y1)
{
    if (Y0 == Y1)
        return;
    const double H = FHeight;
    if ((Y0 <= 0 && Y1 <= 0) || (Y0 >= H && Y1 >= H))
        return;
    const auto XAt = [&](double Y) { return X0 + (X1 - X0) * ((Y - Y0) / (Y1 - Y0)); };
    double Xa = X0, Ya = Y0, Xb = X1, Yb = Y1;
    if (Ya < 0) { Xa = XAt(0); Ya = 0; }
    else if (Ya > H) { Xa = XAt(H); Ya = H; }
    if (Yb < 0) { Xb = XAt(0); Yb = 0; }
    else if (Yb > H) { Xb = XAt(H); Yb = H; }
    AddClippedEdge(Xa, Ya, Xb, Yb);
}

// [any] Splits the edge where it crosses x = 0 and x = FWidth and clamps each piece into [0, FWidth].
void TPolygonRasterizer::AddClippedEdge(double X0, double Y0, double X1, double Y1)
{
    const double W = FWidth;
    struct TSplit
    {
        double T, X;
    } Splits[2];
    int Count = 0;
    for (double Border : {0.0, W})
        if ((X0 < Border && X1 > Border) || (X0 > Border && X1 < Border))
            Splits[Count++] = {(Border - X0) / (X1 - X0), Border};
    if (Count == 2 && Splits[0].T > Splits[1].T)
        std::swap(Splits[0], Splits[1]);
    double Xa = X0, Ya = Y0;
    for (int i = 0; i <= Count; ++i)
    {
        double Xb = X1, Yb = Y1;
        if (i < Count)
        {
            Xb = Splits[i].X;
            Yb = std::clamp(Y0 + (Y1 - Y0) * Splits[i].T, std::min(Y0, Y1), std::max(Y0, Y1));
        }
        AddLine(std::clamp(Xa, 0.0, W), Ya, std::clamp(Xb, 0.0, W), Yb);
        Xa = Xb;
        Ya = Yb;
    }
}

// [any] Signed area of one edge (x within [0, FWidth], y within [0, FHeight]) into the accumulation
// rows: for each row, the part of the edge inside it adds its height, shared between the cells it passes in
// proportion to the area to its right within the row.
void TPolygonRasterizer::AddLine(double X0, double Y0, double X1, double Y1)
{
    if (Y0 == Y1)
        return;
    double Direction = 1;
    if (Y0 > Y1)
    {
        std::swap(X0, X1);
        std::swap(Y0, Y1);
        Direction = -1;
    }
    const double W = FWidth;
    const double DxDy = (X1 - X0) / (Y1 - Y0);
    const int FirstRow = std::max(0, static_cast<int>(std::floor(Y0)));
    const int EndRow = std::min(FHeight, static_cast<int>(std::ceil(Y1)));
    double X = X0;
    for (int y = FirstRow; y < EndRow; ++y)
    {
        double* Row = FAccumulation.data() + static_cast<std::size_t>(y) * FStride;
        const double RowTop = std::max<double>(y, Y0);
        const double RowBottom = std::min<double>(y + 1, Y1);
        const double Dy = RowBottom - RowTop;
        const double XNext = RowBottom == Y1 ? X1 : std::clamp(X0 + DxDy * (RowBottom - Y0), 0.0, W);
        const double D = Dy * Direction;
        const double Left = std::min(X, XNext), Right = std::max(X, XNext);
        const double LeftFloor = std::floor(Left);
        const int L = static_cast<int>(LeftFloor);
        const double RightCeil = std::ceil(Right);
        const int R = static_cast<int>(RightCeil);
        if (R <= L + 1)
        {
            // Within one cell: the cell gets the part left of the edge's mean x, the next cell the rest.
            const double Mid = 0.5 * (X + XNext) - LeftFloor;
            Row[L] += D - D * Mid;
            Row[L + 1] += D * Mid;
        }
        else
        {
            const double S = 1 / (Right - Left);
            const double LeftFraction = Left - LeftFloor;
            const double A0 = 0.5 * S * (1 - LeftFraction) * (1 - LeftFraction);
            const double RightFraction = Right - RightCeil + 1;
            const double Am = 0.5 * S * RightFraction * RightFraction;
            Row[L] += D * A0;
            if (R == L + 2)
                Row[L + 1] += D * (1 - A0 - Am);
            else
            {
                const double A1 = S * (1.5 - LeftFraction);
                Row[L + 1] += D * (A1 - A0);
                for (int x = L + 2; x < R - 1; ++x)
                    Row[x] += D * S;
                const double A2 = A1 + (R - L - 3) * S;
                Row[R - 1] += D * (1 - A2 - Am);
            }
            Row[R] += D * Am;
        }
        X = XNext;
    }
}
