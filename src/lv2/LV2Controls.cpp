#include "lv2/LV2Controls.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "dsp/DMath.h"
#include "platform/Exceptions.h"
#include "platform/FPUControl.h"
#include "vstplugin/DVSTVersionHost.h"

namespace LV2Marvo
{

namespace
{

// [host-main] A text the dispatcher writes into a 256-byte buffer.
std::string DispatchText(AEffect* E, VstInt32 Opcode, VstInt32 Index)
{
    char Text[256] = {};
    E->dispatcher(E, Opcode, Index, 0, Text, 0.0f);
    Text[sizeof Text - 1] = 0;
    return Text;
}

// [host-main] The display of parameter Index at normalised N, read as a number; EMarvoError if it is none.
float DisplayAt(AEffect* E, VstInt32 Index, float N)
{
    E->setParameter(E, Index, N);
    const std::string Text = DispatchText(E, effGetParamDisplay, Index);
    char* End = nullptr;
    const double Value = std::strtod(Text.c_str(), &End);
    if (End == Text.c_str() || !std::isfinite(Value))
        throw EMarvoError("parameter " + std::to_string(Index) + " shows no number: '" + Text + "'");
    return static_cast<float>(Value);
}

// [any] Whether two display readings agree to the four significant digits a display shows.
bool Near(double A, double B, double Scale)
{
    return std::fabs(A - B) <= 1e-3 * Scale;
}

// [host-main] Range and curve of parameter C.Index from its display texts; the bandwidth (label "Oct"),
// whose texts show octaves, crosses as its 0..1 control. A handler may limit the value inside the declared
// range (the volume: declared -40..6, limited at -15), so a linear curve is also recognised from the upper
// quarter alone, and the lower end found by extending it.
void ReadRangeAndCurve(AEffect* E, TControl& C)
{
    if (C.Label == "Oct")
    {
        C.Min = 0.0f;
        C.Max = 1.0f;
        return;
    }
    const double D0 = DisplayAt(E, C.Index, 0.0f), D1 = DisplayAt(E, C.Index, 1.0f);
    const double Mid = DisplayAt(E, C.Index, 0.5f), D34 = DisplayAt(E, C.Index, 0.75f),
                 D78 = DisplayAt(E, C.Index, 0.875f);
    C.Max = static_cast<float>(D1);
    const double Scale = std::fmax(std::fabs(D0), std::fabs(D1));
    if (!(D1 > D0))
        throw EMarvoError("parameter " + std::to_string(C.Index) + " has an empty range");
    if (Near(Mid, (D0 + D1) / 2.0, Scale) && Near(D34, (Mid + D1) / 2.0, Scale))
    {
        C.Min = static_cast<float>(D0);
        return;
    }
    // The logarithmic curve puts normalised 0.5 at 1 / (sqrt(CF + 1) + 1) of the range.
    const double Shaped = (Mid - D0) / (D1 - D0);
    if (Shaped > 0.0 && Shaped < 0.5)
    {
        const double Root = 1.0 / Shaped - 1.0;
        const double CF = std::round(Root * Root - 1.0);
        const double Expected34 = D0 + (D1 - D0) * (std::pow(CF + 1.0, 0.75) - 1.0) / CF;
        if (CF > 0.0 && Near(D34, Expected34, Scale))
        {
            C.Min = static_cast<float>(D0);
            C.Curve = TControlCurve::Logarithmic;
            C.CurveFactor = static_cast<float>(CF);
            return;
        }
    }
    if (Near(D78, (D34 + D1) / 2.0, Scale))
    {
        C.Min = static_cast<float>(std::round((D1 - 4.0 * (D1 - D34)) * 1000.0) / 1000.0);
        return;
    }
    throw EMarvoError("parameter " + std::to_string(C.Index) + " has an unknown curve");
}

// [host-main] Whether the conversions here give the effect's own answers bit for bit. Where a handler
// limits the value inside the range, the effect answers one value for a stretch of normalised values at
// an end (a plateau); those answers are allowed, as long as a quarter of the values agree exactly.
bool ConvertsAsTheEffect(AEffect* E, const TControl& C)
{
    E->setParameter(E, C.Index, 0.0f);
    const float Low = E->getParameter(E, C.Index);
    E->setParameter(E, C.Index, 1.0f);
    const float High = E->getParameter(E, C.Index);
    int Exact = 0, Total = 0;
    for (int K = 0; K <= 256; ++K, ++Total)
    {
        // Even steps, and odd values between them that no decimal step hits.
        const float Step = static_cast<float>(K) / 256.0f;
        const float N = K % 2 == 0 ? Step : std::nextafter(Step, 0.0f);
        E->setParameter(E, C.Index, N);
        const float Answer = E->getParameter(E, C.Index);
        if (Answer == RealToNormalised(C, NormalisedToReal(C, N)))
            ++Exact;
        else if (Answer != Low && Answer != High)
            return false;
    }
    return 4 * Exact > Total;
}

// [any] Real limited to the control's range; NaN gives the lower end, as the module's handlers limit.
float Limited(const TControl& C, float Real)
{
    if (!(Real >= C.Min))
        return C.Min;
    return Real > C.Max ? C.Max : Real;
}

} // namespace

std::vector<TControl> DescribeControls(TMainProc Main)
{
    TFPUControlScope FPU;
    AEffect* E = Main(&VersionOnlyHost);
    if (!E)
        throw EMarvoError("the equaliser cannot be made");
    std::vector<TControl> Controls;
    try
    {
        Controls.resize(static_cast<std::size_t>(E->numParams));
        std::vector<float> Defaults(Controls.size());
        std::vector<std::string> Shown(Controls.size());
        for (std::int32_t I = 0; I < E->numParams; ++I)
        {
            Defaults[static_cast<std::size_t>(I)] = E->getParameter(E, I);
            Shown[static_cast<std::size_t>(I)] = DispatchText(E, effGetParamDisplay, I);
        }
        for (std::int32_t I = 0; I < E->numParams; ++I)
        {
            TControl& C = Controls[static_cast<std::size_t>(I)];
            C.Index = I;
            C.Name = DispatchText(E, effGetParamName, I);
            C.Label = DispatchText(E, effGetParamLabel, I);
            C.Symbol = SymbolFor(C.Name);
            ReadRangeAndCurve(E, C);
            if (!ConvertsAsTheEffect(E, C))
                throw EMarvoError("parameter " + std::to_string(I) + " ('" + C.Name + "') converts otherwise");
            // The default as the display shows it when that is the same setting (0 dB rather than
            // -1.3e-06), else the real value of the default's normalised value.
            const float Normalised = Defaults[static_cast<std::size_t>(I)];
            const float Text = static_cast<float>(std::strtod(Shown[static_cast<std::size_t>(I)].c_str(), nullptr));
            C.Default = C.Label != "Oct" && RealToNormalised(C, Text) == Normalised ? Text
                                                                                     : NormalisedToReal(C, Normalised);
        }
    }
    catch (...)
    {
        E->dispatcher(E, effClose, 0, 0, nullptr, 0.0f);
        throw;
    }
    E->dispatcher(E, effClose, 0, 0, nullptr, 0.0f);
    return Controls;
}

float NormalisedToReal(const TControl& C, float Normalised)
{
    TFPUControlScope FPU;
    const long double CF = C.CurveFactor, N = Normalised;
    long double Shaped = N;
    if (C.Curve == TControlCurve::Logarithmic)
        Shaped = (Extended::Exp(Extended::Ln(CF + 1.0L) * N) - 1.0L) / CF;
    if (!Extended::IsFinite(Shaped) && Extended::IsFinite(N))
        Shaped = N;
    const float S = static_cast<float>(Shaped);
    return static_cast<float>((static_cast<long double>(C.Max) - C.Min) * S + C.Min);
}

float RealToNormalised(const TControl& C, float Real)
{
    TFPUControlScope FPU;
    const long double Min = C.Min, Max = C.Max, CF = C.CurveFactor;
    float T = static_cast<float>((static_cast<long double>(Real) - Min) / (Max - Min));
    if (C.Curve == TControlCurve::Logarithmic)
        T = static_cast<float>(Extended::Ln(CF * static_cast<long double>(T) + 1.0L) / Extended::Ln(CF + 1.0L));
    if (!(T >= 0.0f))
        return 0.0f;
    return T > 1.0f ? 1.0f : T;
}

float NormalisedFor(const TControl& C, float Real)
{
    const float Target = Limited(C, Real);
    const float First = RealToNormalised(C, Target);
    float Best = First;
    float BestError = std::fabs(NormalisedToReal(C, First) - Target);
    // The curve's two roundings may miss by a few steps of the normalised value either way.
    for (const float Towards : {0.0f, 1.0f})
    {
        float N = First;
        for (int Step = 0; Step < 16 && BestError != 0.0f; ++Step)
        {
            N = std::nextafter(N, Towards);
            const float Error = std::fabs(NormalisedToReal(C, N) - Target);
            if (Error < BestError)
            {
                Best = N;
                BestError = Error;
            }
        }
    }
    return Best;
}

std::string SymbolFor(const std::string& Name)
{
    static const struct
    {
        const char* Word;
        const char* Short;
    } Words[] = {{"Frequency", "freq"}, {"Gain", "gain"}, {"Bandwidth", "bw"}, {"Symmetry", "sym"}};
    unsigned Band = 0;
    char Word[32] = {};
    if (std::sscanf(Name.c_str(), "Filter %u %31s", &Band, Word) == 2)
    {
        for (const auto& W : Words)
            if (std::strcmp(Word, W.Word) == 0)
                return W.Short + std::to_string(Band);
    }
    std::string Symbol;
    for (const char Ch : Name)
        Symbol += std::isalnum(static_cast<unsigned char>(Ch)) ? static_cast<char>(std::tolower(static_cast<unsigned char>(Ch))) : '_';
    if (Symbol.empty() || std::isdigit(static_cast<unsigned char>(Symbol[0])))
        Symbol.insert(0, "p");
    return Symbol;
}

} // namespace LV2Marvo
