#include "dsp/DFilter.h"

#include "dsp/DDSPBase.h"
#include "dsp/DMath.h"

#include <bit>

namespace {

// [any] ln 2 / 2 as a double, computed once on first use.
double LnTwoHalf()
{
    static const double Value = static_cast<double>(Extended::Ln(2.0L) * 0.5L);
    return Value;
}

// ln 10 / 20 as stored.
constexpr long double GainExponentFactor = 0.115129254L;

// Angular frequencies above this are limited to it.
constexpr double MaximumW0 = 3.1;

// [any] Bits of a double state read as a 64-bit integer state and back.
std::int64_t AsInt64(double Value)
{
    return std::bit_cast<std::int64_t>(Value);
}

double AsDouble(std::int64_t Value)
{
    return std::bit_cast<double>(Value);
}

// [any] Two's-complement sum without signed overflow.
std::int64_t WrappingAdd(std::int64_t a, std::int64_t b)
{
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) + static_cast<std::uint64_t>(b));
}

std::int64_t WrappingSub(std::int64_t a, std::int64_t b)
{
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) - static_cast<std::uint64_t>(b));
}

} // namespace

// ---- TFilter ----

TFilter::TFilter()
{
    FGainDb = 0.0;
    FGainFactor = 1.0;
    TFilter::SetSampleRate(44100.0);
    FFrequency = 1000.0;
    TFilter::UpdateAngularFrequency();
}

void TFilter::UpdateAngularFrequency()
{
    FW0 = static_cast<double>(2.0L * Extended::Pi * FFrequency * FSampleRateReciprocal);
    FSinW0 = static_cast<double>(Extended::Sin(FW0));
    if (FW0 > MaximumW0)
        FW0 = MaximumW0;
}

void TFilter::SetGain(double Value)
{
    FGainDb = Value;
    const long double halfDb = 0.5L * FGainDb;
    if (halfDb > -144.0L)
        FGainFactor = static_cast<float>(Extended::Exp(halfDb * GainExponentFactor));
    else
        FGainFactor = 0.0;
    UpdateCoefficients();
}

void TFilter::SetFrequency(double Value)
{
    if (Value != FFrequency)
        FFrequency = Value > 0.0 ? Value : 1.0;
    UpdateAngularFrequency();
    UpdateCoefficients();
}

void TFilter::SetSampleRate(double Value)
{
    FSampleRate = Value;
    FSampleRateReciprocal = static_cast<double>(1.0L / Value);
}

// ---- TIIRFilter ----

TIIRFilter::TIIRFilter()
{
    FBandwidth = 1.0;
    TIIRFilter::UpdateAlpha();
}

void TIIRFilter::SetBandwidth(double Value)
{
    FBandwidth = Value > 0.0 ? Value : 0.01;
    UpdateAlpha();
    UpdateCoefficients();
}

void TIIRFilter::UpdateAlpha()
{
    if (FSinW0 == 0.0) {
        FAlpha = static_cast<double>(FSinW0 / (2.0L * FBandwidth));
        return;
    }
    const long double w0 = FW0;
    FAlpha = static_cast<double>(
        FSinW0 * Extended::Sinh(LnTwoHalf() * Extended::Cos(0.5L * w0) * FBandwidth * w0 / FSinW0));
}

void TIIRFilter::UpdateAngularFrequency()
{
    TFilter::UpdateAngularFrequency();
    UpdateAlpha();
}

void TIIRFilter::ImpulseResponse(std::span<float> Data)
{
    if (Data.empty())
        return;
    SaveStates();
    Data[0] = static_cast<float>(FilterSample(1.0));
    for (std::size_t i = 1; i < Data.size(); ++i)
        Data[i] = static_cast<float>(FilterSample(0.0));
    RestoreStates();
}

void TIIRFilter::ImpulseResponse(std::span<double> Data)
{
    if (Data.empty())
        return;
    SaveStates();
    Data[0] = FilterSample(1.0);
    for (std::size_t i = 1; i < Data.size(); ++i)
        Data[i] = FilterSample(0.0);
    RestoreStates();
}

// ---- TBiquadIIRFilter ----

TBiquadIIRFilter::TBiquadIIRFilter() : TIIRFilter(TUninitialised{})
{
    FGainDb = 0.0;
    FGainFactor = 1.0;
    FFrequency = 1000.0;
    FBandwidth = 1.0;
    FSampleRate = 44100.0;
    FSampleRateReciprocal = static_cast<double>(1.0L / 44100.0L);
    TBiquadIIRFilter::ClearStates();
}

void TBiquadIIRFilter::SetOrder(int)
{
}

int TBiquadIIRFilter::GetOrder() const
{
    return 2;
}

std::int64_t TBiquadIIRFilter::FilterSampleInt64(std::int64_t Input)
{
    const TBiquadCoefficients& c = FCoefficients;
    const long double x = static_cast<long double>(Input);
    const std::int64_t s0 = AsInt64(FState[0]);
    const std::int64_t s1 = AsInt64(FState[1]);
    const std::int64_t y = WrappingAdd(Extended::RoundToInt64(x * c.B0), s0);
    const long double yx = static_cast<long double>(y);
    FState[0] = AsDouble(
        WrappingAdd(WrappingSub(Extended::RoundToInt64(x * c.B1), Extended::RoundToInt64(yx * c.A1)), s1));
    FState[1] = AsDouble(WrappingSub(Extended::RoundToInt64(x * c.B2), Extended::RoundToInt64(yx * c.A2)));
    return y;
}

void TBiquadIIRFilter::MagnitudeTerms(double Frequency, long double& N, long double& D) const
{
    const TBiquadCoefficients& k = FCoefficients;
    const double c = static_cast<double>(Extended::Cos(2.0L * Frequency * Extended::Pi * FSampleRateReciprocal));
    const long double t = 2.0L * c;
    const long double b0 = k.B0, b1 = k.B1, b2 = k.B2, a1 = k.A1, a2 = k.A2;
    N = (b0 - b2) * (b0 - b2) + b1 * b1 + t * (b1 * (b0 + b2) + t * b0 * b2);
    D = (1.0L - a2) * (1.0L - a2) + a1 * a1 + t * (a1 * (a2 + 1.0L) + t * a2);
}

double TBiquadIIRFilter::ResponseMagnitude(double Frequency) const
{
    long double n, d;
    MagnitudeTerms(Frequency, n, d);
    return static_cast<double>(Extended::Sqrt(n / d));
}

double TBiquadIIRFilter::ResponseMagnitudeDb(double Frequency) const
{
    long double n, d;
    MagnitudeTerms(Frequency, n, d);
    return static_cast<double>(10.0L * Extended::Log10(n / d));
}

void TBiquadIIRFilter::ComplexTerms(double Frequency, long double& Real, long double& Imaginary,
                                    long double& D) const
{
    const TBiquadCoefficients& k = FCoefficients;
    const double c = static_cast<double>(Extended::Cos(2.0L * Frequency * Extended::Pi * FSampleRateReciprocal));
    const long double cx = c;
    const long double t = 2.0L * cx;
    const long double b0 = k.B0, b1 = k.B1, b2 = k.B2, a1 = k.A1, a2 = k.A2;
    D = (1.0L - a2) * (1.0L - a2) + a1 * a1 + t * (a1 * (a2 + 1.0L) + t * a2);
    Real = (b0 + a1 * b1 + a2 * b2) + cx * (b1 * (1.0L + a2) + a1 * (b0 + b2)) +
           (2.0L * cx * cx - 1.0L) * (b0 * a2 + b2);
    Imaginary = Extended::Sqrt(1.0L - cx * cx) * (a1 * (b2 - b0) + b1 * (1.0L - a2) + t * (b2 - a2 * b0));
}

double TBiquadIIRFilter::ResponseReal(double Frequency) const
{
    long double re, im, d;
    ComplexTerms(Frequency, re, im, d);
    return static_cast<double>(re / d);
}

double TBiquadIIRFilter::ResponseImaginary(double Frequency) const
{
    long double re, im, d;
    ComplexTerms(Frequency, re, im, d);
    return static_cast<double>(im / d);
}

void TBiquadIIRFilter::ResponseComplex(double Frequency, double& Real, double& Imaginary) const
{
    long double re, im, d;
    ComplexTerms(Frequency, re, im, d);
    const long double r = 1.0L / d;
    Real = static_cast<double>(re * r);
    Imaginary = static_cast<double>(im * r);
}

void TBiquadIIRFilter::ResponseComplex(double Frequency, float& Real, float& Imaginary) const
{
    long double re, im, d;
    ComplexTerms(Frequency, re, im, d);
    const long double r = 1.0L / d;
    Real = static_cast<float>(re * r);
    Imaginary = static_cast<float>(im * r);
}

double TBiquadIIRFilter::ResponsePhase(double Frequency) const
{
    const TBiquadCoefficients& k = FCoefficients;
    double s, c;
    SinCos(static_cast<double>(2.0L * Frequency * Extended::Pi * FSampleRateReciprocal), s, c);
    const long double cx = c, sx = s;
    const long double b0 = k.B0, b1 = k.B1, b2 = k.B2, a1 = k.A1, a2 = k.A2;
    const long double c2 = 2.0L * cx * cx - 1.0L; // cos 2ω
    const long double y = -sx * (b0 * (a1 + 2.0L * cx * a2) + b1 * (a2 - 1.0L) - b2 * (a1 + 2.0L * cx));
    const long double x = b0 * (1.0L + a1 * cx + a2 * c2) + b1 * (a1 + cx * (1.0L + a2)) + b2 * (c2 + a1 * cx + a2);
    return static_cast<double>(Extended::ArcTan2(y, x));
}

void TBiquadIIRFilter::ClearStates()
{
    FState = {0.0, 0.0};
}

void TBiquadIIRFilter::ClearStatesInt64()
{
    FState = {0.0, 0.0};
}

void TBiquadIIRFilter::ResetGain()
{
    SetGain(0.0);
}

void TBiquadIIRFilter::SaveStates()
{
    FStateStack.insert(FStateStack.begin(), FState);
}

void TBiquadIIRFilter::RestoreStates()
{
    if (FStateStack.empty())
        return;
    FState = FStateStack.front();
    FStateStack.erase(FStateStack.begin());
}

// ---- TSimplePeakFilter ----

void TSimplePeakFilter::UpdateCoefficients()
{
    const long double g = FGainFactor;
    const long double alpha = FAlpha;
    const double n = static_cast<double>(g / (g + alpha));
    TBiquadCoefficients k;
    k.A2 = static_cast<double>((g - alpha) / (g + alpha));
    k.A1 = static_cast<double>(-2.0L * Extended::Cos(FW0) * n);
    k.B1 = k.A1;
    k.B0 = static_cast<double>((1.0L + alpha * g) * n);
    k.B2 = static_cast<double>((1.0L - alpha * g) * n);
    SetCoefficients(k);
}

// ---- TSymmetryFilter ----

void TSymmetryFilter::SetSymmetry(double Value)
{
    if (Value == FSymmetry)
        return;
    FSymmetry = Value;
    UpdateCoefficients();
}

void TSymmetryFilter::UpdateCoefficients()
{
    const long double g = FGainFactor;
    const long double s = FSymmetry;
    const long double halfW0 = 0.5L * FW0;

    const double m = s < 0.0L ? 1.0 : static_cast<double>(Extended::Power(g, 2.0L * s));
    const double k = static_cast<double>(Extended::Tan(halfW0));
    const double p = static_cast<double>(Extended::Power(g, s));
    FAlpha = static_cast<double>(Extended::Power(2.0L, s < 0.0L ? -s : s) * k /
                                 (FBandwidth * Extended::Cos(halfW0)));

    const long double kk = static_cast<long double>(k) * k;
    const long double kkp = kk * p;
    const long double kkOverP = kk / p;
    const long double q1 = FAlpha * Extended::Power(g, s * s + 0.5L * s - 1.0L);
    const double n = static_cast<double>(1.0L / (1.0L + kkp + q1));
    const long double q2 = FAlpha * Extended::Power(g, 1.0L - 0.5L * s - s * s);

    TBiquadCoefficients c;
    c.A1 = static_cast<double>(2.0L * (kkp - 1.0L) * n);
    c.A2 = static_cast<double>((1.0L + kkp - q1) * n);
    c.B0 = static_cast<double>(m * (1.0L + kkOverP + q2) * n);
    c.B1 = static_cast<double>(2.0L * m * (kkOverP - 1.0L) * n);
    c.B2 = static_cast<double>(m * (1.0L + kkOverP - q2) * n);
    SetCoefficients(c);
}
