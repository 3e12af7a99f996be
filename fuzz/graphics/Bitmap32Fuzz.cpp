// Drives every drawing operation with arbitrary coordinates (raw 16.16 values, raw doubles including NaN,
// infinities and huge values, any text position) on small bitmaps; the sanitizers catch any write outside.
#include <cstdint>
#include <cstring>
#include <string>

#include "graphics/Bitmap32.h"
#include "graphics/PolygonRasterizer.h"

namespace
{
class TInput
{
public:
    TInput(const std::uint8_t* Data, std::size_t Size) : FData(Data), FSize(Size) {}
    bool Empty() const { return FPos >= FSize; }
    template <class T> T Take()
    {
        T Value{};
        const std::size_t N = std::min(sizeof(T), FSize - FPos);
        std::memcpy(&Value, FData + FPos, N);
        FPos += N;
        return Value;
    }

private:
    const std::uint8_t* FData;
    std::size_t FSize;
    std::size_t FPos = 0;
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    TInput In(Data, Size);
    TBitmap32 Bitmap;
    Bitmap.SetSize(In.Take<std::uint8_t>() % 48, In.Take<std::uint8_t>() % 48);
    Bitmap.Clear(0xFF808080u);
    for (int Ops = 0; Ops < 32 && !In.Empty(); ++Ops)
    {
        const std::uint8_t Op = In.Take<std::uint8_t>();
        const TColor32 Color = In.Take<std::uint32_t>();
        switch (Op % 6)
        {
        case 0:
        case 1:
        case 2:
        {
            TArrayOfFixedPoint Points(In.Take<std::uint8_t>() % 12);
            for (TFixedPoint& P : Points)
            {
                P.X = In.Take<std::int32_t>();
                P.Y = In.Take<std::int32_t>();
                // Mostly near the bitmap, sometimes anywhere in the 16.16 range.
                if (Op & 0x80)
                {
                    P.X %= 64 << 16;
                    P.Y %= 64 << 16;
                }
            }
            if (Op % 6 == 0)
                Bitmap.PolygonTS(Points, Color, Op & 0x40 ? TPolyFillMode::pfWinding : TPolyFillMode::pfAlternate);
            else if (Op % 6 == 1)
                Bitmap.PolylineTS(Points, Color, (Op & 0x40) != 0);
            else
            {
                const TArrayOfFixedPoint Contours[] = {Points, TArrayOfFixedPoint(Points.rbegin(), Points.rend())};
                Bitmap.PolyPolygonTS(Contours, Color);
            }
            break;
        }
        case 3:
        {
            const double X1 = In.Take<double>(), Y1 = In.Take<double>(), X2 = In.Take<double>(),
                         Y2 = In.Take<double>();
            Bitmap.LineFS(X1, Y1, X2, Y2, Color);
            break;
        }
        case 4:
        {
            const float X1 = In.Take<std::int16_t>() / 256.0f, Y1 = In.Take<std::int16_t>() / 256.0f;
            const float X2 = In.Take<std::int16_t>() / 256.0f, Y2 = In.Take<std::int16_t>() / 256.0f;
            Bitmap.LineFS(X1, Y1, X2, Y2, Color);
            break;
        }
        case 5:
        {
            const int X = In.Take<std::int32_t>(), Y = In.Take<std::int32_t>();
            Bitmap.SetFontSize(In.Take<std::uint8_t>() % 24);
            std::string Text(In.Take<std::uint8_t>() % 12, ' ');
            for (char& C : Text)
                C = static_cast<char>(In.Take<std::uint8_t>());
            Bitmap.RenderText((Op & 0x80) ? X % 64 : X, (Op & 0x80) ? Y % 64 : Y, Text, Color);
            break;
        }
        }
    }
    return 0;
}
