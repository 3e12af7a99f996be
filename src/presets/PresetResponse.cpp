#include "presets/PresetResponse.h"

#include "dsp/DMath.h"

namespace
{

using Extended::Cos;
using Extended::Sin;

// 10^(x/40), the cookbook's amplitude A of a gain in dB.
long double Amplitude(double GainDb)
{
    return Extended::Power(10.0L, static_cast<long double>(GainDb) / 40.0L);
}

struct TSection
{
    long double B0, B1, B2, A0, A1, A2;
};

// The cookbook coefficients of Filter (not normalised by A0).
TSection CookbookSection(const TPresetFilter& Filter, double SampleRate)
{
    const long double A = Amplitude(Filter.GainDb);
    const long double w0 = 2.0L * Extended::Pi * Filter.Frequency / SampleRate;
    const long double c = Cos(w0);
    const long double s = Sin(w0);
    long double alpha;
    if (Filter.Q > 0.0)
        alpha = s / (2.0L * Filter.Q);
    else if (Filter.Octaves > 0.0)
        alpha = s * Extended::Sinh(0.5L * Extended::Ln2 * Filter.Octaves * w0 / s);
    else
        alpha = 0.5L * s * Extended::Sqrt((A + 1.0L / A) * (1.0L / Filter.Slope - 1.0L) + 2.0L);

    if (Filter.FilterType == TPresetFilterType::pftPeak)
        return {1.0L + alpha * A, -2.0L * c, 1.0L - alpha * A, 1.0L + alpha / A, -2.0L * c, 1.0L - alpha / A};
    const long double r = 2.0L * Extended::Sqrt(A) * alpha;
    if (Filter.FilterType == TPresetFilterType::pftLowShelf)
        return {A * ((A + 1.0L) - (A - 1.0L) * c + r), 2.0L * A * ((A - 1.0L) - (A + 1.0L) * c),
                A * ((A + 1.0L) - (A - 1.0L) * c - r), (A + 1.0L) + (A - 1.0L) * c + r,
                -2.0L * ((A - 1.0L) + (A + 1.0L) * c), (A + 1.0L) + (A - 1.0L) * c - r};
    return {A * ((A + 1.0L) + (A - 1.0L) * c + r), -2.0L * A * ((A - 1.0L) + (A + 1.0L) * c),
            A * ((A + 1.0L) + (A - 1.0L) * c - r), (A + 1.0L) - (A - 1.0L) * c + r,
            2.0L * ((A - 1.0L) - (A + 1.0L) * c), (A + 1.0L) - (A - 1.0L) * c - r};
}

// |x0 + x1·z⁻¹ + x2·z⁻²|² on the unit circle, cos ω = c.
long double SquaredMagnitude(long double x0, long double x1, long double x2, long double c)
{
    return x0 * x0 + x1 * x1 + x2 * x2 + 2.0L * c * (x0 * x1 + x1 * x2) + 2.0L * (2.0L * c * c - 1.0L) * x0 * x2;
}

} // namespace

TResponseGrid LogGrid(int Points)
{
    TResponseGrid Grid;
    const long double Span = Extended::Ln(static_cast<long double>(kGridHighest / kGridLowest));
    for (int i = 0; i < Points; ++i)
    {
        const double f = i == Points - 1 ? kGridHighest
                                         : static_cast<double>(kGridLowest * Extended::Exp(Span * i / (Points - 1)));
        Grid.Frequencies.push_back(f);
        Grid.Weights.push_back(f <= kWeightedTop ? 1.0 : 0.1);
    }
    return Grid;
}

double CookbookMagnitudeDb(const TPresetFilter& Filter, double Frequency, double SampleRate)
{
    const TSection k = CookbookSection(Filter, SampleRate);
    const long double c = Cos(2.0L * Extended::Pi * Frequency / SampleRate);
    const long double n = SquaredMagnitude(k.B0, k.B1, k.B2, c);
    const long double d = SquaredMagnitude(k.A0, k.A1, k.A2, c);
    return static_cast<double>(10.0L * Extended::Log10(n / d));
}

double GraphicGainDb(const std::vector<TGraphicPoint>& Points, double Frequency)
{
    if (Points.empty())
        return 0.0;
    if (Frequency <= Points.front().Frequency)
        return Points.front().GainDb;
    if (Frequency >= Points.back().Frequency)
        return Points.back().GainDb;
    std::size_t i = 1;
    while (Points[i].Frequency < Frequency)
        ++i;
    const TGraphicPoint& a = Points[i - 1];
    const TGraphicPoint& b = Points[i];
    if (b.Frequency <= a.Frequency)
        return b.GainDb;
    const long double t = Extended::Ln(Frequency / a.Frequency) / Extended::Ln(b.Frequency / a.Frequency);
    return static_cast<double>(a.GainDb + t * (b.GainDb - a.GainDb));
}

std::vector<double> TargetResponseDb(const TPresetSource& Source, const std::vector<double>& Frequencies,
                                     double SampleRate)
{
    std::vector<double> Db;
    Db.reserve(Frequencies.size());
    for (const double f : Frequencies)
    {
        long double Sum = Source.PreampDb + GraphicGainDb(Source.Graphic, f);
        for (const TPresetFilter& F : Source.Filters)
            Sum += CookbookMagnitudeDb(F, f, SampleRate);
        Db.push_back(static_cast<double>(Sum));
    }
    return Db;
}
