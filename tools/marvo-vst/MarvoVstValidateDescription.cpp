// marvo-vst validate: the parameter description. A plug-in that describes its parameters through the
// framework's request (vstplugin/DVSTParameterDescription.h) must convert as its description says: for 257
// normalised values per parameter (even steps of 1/256 and odd values just below the steps between them),
// getParameter after setParameter answers exactly the description's real value, limited as its handler keeps
// it, converted back.
#include <cmath>
#include <cstdio>
#include <set>

#include "MarvoVstValidateStages.h"
#include "vstplugin/DVSTParameterDescription.h"

namespace
{

constexpr const char* kCheck = "parameter-description";
constexpr int kSteps = 256;
constexpr int kShownFailures = 3;

// [host-main] The first normalised value of parameter D at which P answers otherwise, as a line; empty when
// none does.
std::string FirstMismatch(TVstPlugIn& P, const TVstParameterDescription& D)
{
    for (int K = 0; K <= kSteps; ++K)
    {
        const float Step = static_cast<float>(K) / kSteps;
        const float N = K % 2 == 0 ? Step : std::nextafter(Step, 0.0f);
        P.SetParameter(D.Index, N);
        const float Answer = P.GetParameter(D.Index);
        const float Expected = RealToNormalized(D, LimitedReal(D, NormalizedToReal(D, N)));
        if (Answer != Expected)
        {
            char Text[160];
            std::snprintf(Text, sizeof Text, "%d '%s' at %.9g answers %.9g, described %.9g", D.Index,
                          D.Symbol.c_str(), static_cast<double>(N), static_cast<double>(Answer),
                          static_cast<double>(Expected));
            return Text;
        }
    }
    return "";
}

} // namespace

void MarvoVstValidate::CheckDescription(TValidation& V)
{
    TVstHost Host;
    TVstPlugIn& P = LoadPlugIn(Host, V.Path());
    TVstParameterDescription D;
    if (P.numParams() <= 0 || !ReadParameterDescription(P.VstEffect, 0, D))
    {
        V.Skip(kCheck, "the plug-in does not describe its parameters");
        return;
    }
    std::string Failures;
    int Count = 0;
    const auto Fail = [&](const std::string& Text) {
        if (Count++ < kShownFailures)
            Failures += (Failures.empty() ? "" : "; ") + Text;
    };
    std::set<std::string> Symbols;
    for (std::int32_t I = 0; I < P.numParams(); ++I)
    {
        V.Step(kCheck, "parameter " + std::to_string(I));
        if (!ReadParameterDescription(P.VstEffect, I, D))
        {
            Fail(std::to_string(I) + " is not described");
            continue;
        }
        if (D.Symbol.empty() || !Symbols.insert(D.Symbol).second)
            Fail(std::to_string(I) + " has an empty or repeated symbol '" + D.Symbol + "'");
        const float Initial = P.GetParameter(I);
        if (const std::string Mismatch = FirstMismatch(P, D); !Mismatch.empty())
            Fail(Mismatch);
        P.SetParameter(I, Initial);
    }
    if (Count > kShownFailures)
        Failures += "; and " + std::to_string(Count - kShownFailures) + " more";
    V.Check(kCheck, Failures);
}
