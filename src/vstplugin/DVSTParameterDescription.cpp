// The parameter description: the curves, the record of the vendor request and both of its sides.
#include "vstplugin/DVSTParameterDescription.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "dsp/DMath.h"
#include "platform/Exceptions.h"
#include "platform/FPUControl.h"
#include "vstplugin/DVSTModule.h"

// ---------------------------------------------------------------------------------------------------------
// Curves. Logarithms and exponentials come from the x87 unit so every build agrees.

namespace VstCurve
{

float ToReal(const TShape& S, float Normalized)
{
    const long double CF = S.CurveFactor, N = Normalized;
    long double Shaped = N;
    switch (S.Curve)
    {
    case ctLinear:
        break;
    case ctLogarithmic:
        Shaped = (Extended::Exp(Extended::Ln(CF + 1.0L) * N) - 1.0L) / CF;
        break;
    case ctExponential:
        Shaped = Extended::Ln(CF * N + 1.0L) / Extended::Ln(CF + 1.0L);
        break;
    case ctFrequencyScale:
    {
        // The exact inverse of the real-to-normalised formula.
        const long double Min = S.Min, Max = S.Max;
        const long double Ratio = (Min != 0.0L) ? Max / Min : Max;
        Shaped = (Extended::Exp(N * Extended::Ln(Ratio)) - 1.0L) / Ratio;
        break;
    }
    }
    if (!Extended::IsFinite(Shaped) && Extended::IsFinite(N))
        Shaped = N;
    const float n = static_cast<float>(Shaped);
    return static_cast<float>((static_cast<long double>(S.Max) - S.Min) * n + S.Min);
}

float ToNormalized(const TShape& S, float Real)
{
    const long double Min = S.Min, Max = S.Max, CF = S.CurveFactor;
    float t = static_cast<float>((static_cast<long double>(Real) - Min) / (Max - Min));
    const long double T = t;
    switch (S.Curve)
    {
    case ctLinear:
        break;
    case ctLogarithmic:
        t = static_cast<float>(Extended::Ln(CF * T + 1.0L) / Extended::Ln(CF + 1.0L));
        break;
    case ctExponential:
        t = static_cast<float>((Extended::Exp(T * Extended::Ln(CF + 1.0L)) - 1.0L) / CF);
        break;
    case ctFrequencyScale:
    {
        const long double Ratio = (Min != 0.0L) ? Max / Min : Max;
        t = static_cast<float>(Extended::Ln(Ratio * T + 1.0L) / Extended::Ln(Ratio));
        break;
    }
    }
    if (!(t >= 0.0f)) // below 0, and NaN
        return 0.0f;
    return t > 1.0f ? 1.0f : t;
}

} // namespace VstCurve

namespace
{

// [any]
VstCurve::TShape ShapeOf(const TVstParameterDescription& D)
{
    return {D.Min, D.Max, D.Curve, D.CurveFactor};
}

// [any] Text into a fixed array, cut to fit, zero-terminated.
template <std::size_t N>
void CopyInto(char (&Target)[N], const std::string& Text)
{
    const std::size_t Count = std::min(Text.size(), N - 1);
    std::memcpy(Target, Text.data(), Count);
    std::fill(Target + Count, Target + N, '\0');
}

// [any] A fixed array as text, up to its first zero or its end.
template <std::size_t N>
std::string TextOf(const char (&Source)[N])
{
    return std::string(Source, ::strnlen(Source, N));
}

} // namespace

float NormalizedToReal(const TVstParameterDescription& D, float Normalized)
{
    TFPUControlScope FPU;
    return VstCurve::ToReal(ShapeOf(D), Normalized);
}

float RealToNormalized(const TVstParameterDescription& D, float Real)
{
    TFPUControlScope FPU;
    return VstCurve::ToNormalized(ShapeOf(D), Real);
}

float LimitedReal(const TVstParameterDescription& D, float Real)
{
    if (!(Real >= D.LimitMin))
        return D.LimitMin;
    return Real > D.LimitMax ? D.LimitMax : Real;
}

TVstParameterDescriptionRecord DescriptionRecord(const TVstParameterDescription& D)
{
    TVstParameterDescriptionRecord R{};
    R.Index = D.Index;
    CopyInto(R.Symbol, D.Symbol);
    CopyInto(R.Name, D.Name);
    CopyInto(R.ShortLabel, D.ShortLabel);
    CopyInto(R.Units, D.Units);
    R.Min = D.Min;
    R.Max = D.Max;
    R.Curve = static_cast<std::int32_t>(D.Curve);
    R.CurveFactor = D.CurveFactor;
    R.Default = D.Default;
    R.LimitMin = D.LimitMin;
    R.LimitMax = D.LimitMax;
    R.StepCount = D.StepCount;
    R.Flags = D.CanBeAutomated ? kVstDescriptionAutomatable : 0;
    return R;
}

TVstParameterDescription DescriptionOfRecord(const TVstParameterDescriptionRecord& R)
{
    TVstParameterDescription D;
    D.Index = R.Index;
    D.Symbol = TextOf(R.Symbol);
    D.Name = TextOf(R.Name);
    D.ShortLabel = TextOf(R.ShortLabel);
    D.Units = TextOf(R.Units);
    D.Min = R.Min;
    D.Max = R.Max;
    D.Curve = R.Curve >= ctLinear && R.Curve <= ctFrequencyScale ? static_cast<TCurveType>(R.Curve) : ctLinear;
    D.CurveFactor = R.CurveFactor;
    D.Default = R.Default;
    D.LimitMin = R.LimitMin;
    D.LimitMax = R.LimitMax;
    D.StepCount = R.StepCount;
    D.CanBeAutomated = (R.Flags & kVstDescriptionAutomatable) != 0;
    return D;
}

bool ReadParameterDescription(AEffect* E, std::int32_t Index, TVstParameterDescription& D)
{
    if (!E || !E->dispatcher)
        return false;
    TVstParameterDescriptionRecord R{};
    R.Index = Index;
    if (E->dispatcher(E, effVendorSpecific, kVstRequestParameterDescription, sizeof R, &R, 0.0f) != 1)
        return false;
    D = DescriptionOfRecord(R);
    D.Index = Index;
    return true;
}

// ---------------------------------------------------------------------------------------------------------
// The module's side

TVstParameterDescription TCustomVSTModule::ParameterDescription(std::int32_t Index) const
{
    if (Index < 0 || Index >= numParams() || Index >= FParameterProperties->Count())
        throw EMarvoError("Index out of bounds");
    const TCustomVstParameterProperty& P = (*FParameterProperties)[Index];
    const auto Declared = [](float Value, float Otherwise) { return std::isnan(Value) ? Otherwise : Value; };
    TVstParameterDescription D;
    D.Index = Index;
    D.Symbol = P.Symbol().empty() ? "param" + std::to_string(Index) : P.Symbol();
    D.Name = P.DisplayName();
    D.ShortLabel = P.ShortLabel();
    D.Units = P.Units();
    D.Min = P.Min;
    D.Max = P.Max;
    D.Curve = P.Curve;
    D.CurveFactor = P.CurveFactor;
    D.Default = Declared(P.Default, P.Min);
    D.StepCount = P.StepCount;
    D.LimitMin = Declared(P.LimitMin, P.Min);
    D.LimitMax = Declared(P.LimitMax, P.Max);
    D.CanBeAutomated = P.CanBeAutomated;
    return D;
}

VstIntPtr TCustomVSTModule::AnswerParameterDescription(VstIntPtr Value, void* Ptr) const
{
    if (!Ptr || Value != static_cast<VstIntPtr>(sizeof(TVstParameterDescriptionRecord)))
        return 0;
    auto* R = static_cast<TVstParameterDescriptionRecord*>(Ptr);
    const std::int32_t Index = R->Index;
    if (Index < 0 || Index >= numParams() || Index >= FParameterProperties->Count())
        return 0;
    *R = DescriptionRecord(ParameterDescription(Index));
    return 1;
}
