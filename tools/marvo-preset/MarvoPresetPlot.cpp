#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <stdexcept>

#include "MarvoPreset.h"
#include "graphics/Bitmap32.h"
#if !defined(MARVO_PRESET_STORED_PNG)
#include "graphics/Bitmap32Png.h"
#endif

namespace
{

constexpr int kWidth = 800, kHeight = 480;
constexpr int kLeft = 64, kRight = 24, kTop = 36, kBottom = 56;
constexpr TColor32 kBackground = 0xFFFFFFFF, kGrid = 0xFFE0E0E0, kAxis = 0xFF000000, kLabel = 0xFF303030;
constexpr TColor32 kTargetColour = 0xFF2060C0, kFittedColour = 0xFFE06010;
constexpr double kGridFrequencies[] = {20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000};

std::string FrequencyLabel(double f)
{
    return f >= 1000.0 ? std::to_string(static_cast<int>(f / 1000.0)) + "k" : std::to_string(static_cast<int>(f));
}

#if defined(MARVO_PRESET_STORED_PNG)
// A PNG without compression (stored deflate blocks), for builds without libpng.
void PutBig(std::string& Out, std::uint32_t V)
{
    for (int s = 24; s >= 0; s -= 8)
        Out += static_cast<char>((V >> s) & 0xFF);
}

std::uint32_t Crc(const std::string& Data, std::size_t From)
{
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = From; i < Data.size(); ++i)
    {
        c ^= static_cast<std::uint8_t>(Data[i]);
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

void Chunk(std::string& Out, const char* Type, const std::string& Body)
{
    PutBig(Out, static_cast<std::uint32_t>(Body.size()));
    const std::size_t From = Out.size();
    Out += Type;
    Out += Body;
    PutBig(Out, Crc(Out, From));
}

std::string StoredPng(const TBitmap32& Image)
{
    std::string Raw;
    for (int y = 0; y < Image.Height(); ++y)
    {
        Raw += '\0';
        for (int x = 0; x < Image.Width(); ++x)
        {
            const TColor32 p = Image.Pixel(x, y);
            Raw += static_cast<char>((p >> 16) & 0xFF);
            Raw += static_cast<char>((p >> 8) & 0xFF);
            Raw += static_cast<char>(p & 0xFF);
            Raw += static_cast<char>(p >> 24);
        }
    }
    std::string Z = "\x78\x01";
    std::uint32_t a = 1, b = 0;
    for (std::size_t At = 0; At < Raw.size() || At == 0;)
    {
        const std::size_t n = std::min<std::size_t>(65535, Raw.size() - At);
        Z += static_cast<char>(At + n == Raw.size() ? 1 : 0);
        Z += static_cast<char>(n & 0xFF);
        Z += static_cast<char>(n >> 8);
        Z += static_cast<char>(~n & 0xFF);
        Z += static_cast<char>((~n >> 8) & 0xFF);
        Z.append(Raw, At, n);
        At += n;
        if (n == 0)
            break;
    }
    for (const char ch : Raw)
    {
        a = (a + static_cast<std::uint8_t>(ch)) % 65521u;
        b = (b + a) % 65521u;
    }
    PutBig(Z, (b << 16) | a);
    std::string Png = "\x89PNG\r\n\x1A\n";
    std::string Header;
    PutBig(Header, static_cast<std::uint32_t>(Image.Width()));
    PutBig(Header, static_cast<std::uint32_t>(Image.Height()));
    Header += std::string("\x08\x06\x00\x00\x00", 5);
    Chunk(Png, "IHDR", Header);
    Chunk(Png, "IDAT", Z);
    Chunk(Png, "IEND", "");
    return Png;
}
#endif

} // namespace

void DrawResponsePlot(TBitmap32& Image, const std::vector<double>& Frequencies, const std::vector<double>& Target,
                      const std::vector<double>& Fitted, const std::string& Title)
{
    Image.SetSize(kWidth, kHeight);
    Image.Clear(kBackground);
    double Low = -6.0, High = 6.0;
    for (const std::vector<double>* Curve : {&Target, &Fitted})
        for (const double d : *Curve)
            if (std::isfinite(d))
            {
                Low = std::min(Low, d);
                High = std::max(High, d);
            }
    const double Step = High - Low > 30.0 ? 6.0 : 3.0;
    Low = std::floor(Low / Step) * Step;
    High = std::ceil(High / Step) * Step;
    const int PlotW = kWidth - kLeft - kRight, PlotH = kHeight - kTop - kBottom;
    const double LogLow = std::log10(20.0), LogHigh = std::log10(20000.0);
    auto X = [&](double f) { return kLeft + (std::log10(f) - LogLow) / (LogHigh - LogLow) * PlotW; };
    auto Y = [&](double Db) { return kTop + (High - Db) / (High - Low) * PlotH; };

    Image.SetFontSize(9);
    const int TextH = Image.TextHeight();
    for (const double f : kGridFrequencies)
    {
        const double x = std::round(X(f));
        Image.LineFS(x, kTop, x, kTop + PlotH, kGrid);
        const std::string L = FrequencyLabel(f);
        Image.RenderText(static_cast<int>(x) - Image.TextWidth(L) / 2, kTop + PlotH + 6, L, kLabel);
    }
    for (double Db = Low; Db <= High + 1e-9; Db += Step)
    {
        const double y = std::round(Y(Db));
        Image.LineFS(kLeft, y, kLeft + PlotW, y, Db == 0.0 ? 0xFFA0A0A0 : kGrid);
        const std::string L = (Db > 0 ? "+" : "") + std::to_string(static_cast<int>(Db));
        Image.RenderText(kLeft - 8 - Image.TextWidth(L), static_cast<int>(y) - TextH / 2, L, kLabel);
    }
    Image.LineFS(kLeft, kTop, kLeft, kTop + PlotH + 1, kAxis);
    Image.LineFS(kLeft, kTop + PlotH, kLeft + PlotW + 1, kTop + PlotH, kAxis);
    const std::string XTitle = "Frequency (Hz)";
    Image.RenderText(kLeft + (PlotW - Image.TextWidth(XTitle)) / 2, kHeight - TextH - 8, XTitle, kAxis);
    Image.RenderText(8, kTop - TextH - 8, "Gain (dB)", kAxis);

    for (const auto& [Curve, Colour] : {std::pair{&Target, kTargetColour}, std::pair{&Fitted, kFittedColour}})
        for (std::size_t i = 0; i + 1 < Curve->size() && i + 1 < Frequencies.size(); ++i)
            for (const double Offset : {0.0, 0.5})
                Image.LineFS(X(Frequencies[i]), Y((*Curve)[i]) + Offset, X(Frequencies[i + 1]),
                             Y((*Curve)[i + 1]) + Offset, Colour);

    // Title and legend along the top.
    int At = kLeft + PlotW;
    for (const auto& [Label, Colour] : {std::pair{std::string("Marvo"), kFittedColour},
                                        std::pair{std::string("target"), kTargetColour}})
    {
        if (Label == "target" && Target.empty())
            continue;
        At -= Image.TextWidth(Label);
        Image.RenderText(At, kTop - TextH - 8, Label, kAxis);
        At -= 26;
        Image.LineFS(At, kTop - TextH / 2 - 8, At + 20, kTop - TextH / 2 - 8, Colour);
        Image.LineFS(At, kTop - TextH / 2 - 7.5, At + 20, kTop - TextH / 2 - 7.5, Colour);
        At -= 16;
    }
    Image.RenderText(kLeft + 90, kTop - TextH - 8, Title, kAxis);
}

void WritePlot(const TBitmap32& Image, const std::string& Path)
{
#if defined(MARVO_PRESET_STORED_PNG)
    const std::string Png = StoredPng(Image);
    std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
    Out.write(Png.data(), static_cast<std::streamsize>(Png.size()));
    Out.close();
    if (!Out)
        throw std::runtime_error("cannot write '" + Path + "'");
#else
    if (!SaveBitmap32ToPng(Image, Path))
        throw std::runtime_error("cannot write '" + Path + "'");
#endif
}
