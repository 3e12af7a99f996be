// marvo-vst validate: parameter values and their texts.
#include <limits>

#include "MarvoVstValidateStages.h"
#include "MarvoVstValidateSupport.h"

namespace MarvoVstValidate
{

namespace
{

const float kParameterProbes[] = {0.0f,
                                  1.0f,
                                  0.5f,
                                  std::numeric_limits<float>::quiet_NaN(),
                                  std::numeric_limits<float>::infinity(),
                                  -std::numeric_limits<float>::infinity(),
                                  2.0f,
                                  -1.0f};
const char* const kParameterProbeNames[] = {"0", "1", "0.5", "NaN", "+inf", "-inf", "2", "-1"};

} // namespace

void CheckParameters(TValidation& V)
{
    TSession S(V.Path());
    TVstPlugIn& P = *S.P;
    const std::vector<float> Initial = Parameters(P);
    TFailures Range, Texts;
    for (std::int32_t I = 0; I < P.numParams(); ++I)
    {
        for (std::size_t K = 0; K < std::size(kParameterProbes); ++K)
        {
            V.Step("parameter-values", "parameter " + std::to_string(I) + " = " + kParameterProbeNames[K]);
            P.SetParameter(I, kParameterProbes[K]);
            const float Read = P.GetParameter(I);
            if (!(Read >= 0.0f && Read <= 1.0f))
                Range.Add(std::to_string(I) + " = " + kParameterProbeNames[K] + " reads " + Number(Read));
            std::string Failure;
            GuardedText(P, effGetParamDisplay, I, kTextBuffer, Failure);
            if (!Failure.empty())
                Texts.Add("effGetParamDisplay " + std::to_string(I) + " at " + kParameterProbeNames[K] + " " +
                          Failure);
        }
        P.SetParameter(I, Initial[static_cast<std::size_t>(I)]);
    }
    V.Check("parameter-values", Range.Text());
    V.Check("parameter-texts", Texts.Text());

    // effString2Parameter: the display text of a value, handed back, is taken and shows the same text.
    int Supported = 0;
    TFailures Round;
    SetPattern(P, 0.0);
    for (std::int32_t I = 0; I < P.numParams(); ++I)
    {
        V.Step("string2parameter", "parameter " + std::to_string(I));
        const std::string Display = P.GetParamDisplay(I);
        std::vector<char> Text(Display.begin(), Display.end());
        Text.resize(Text.size() + kTextBuffer, 0);
        if (P.VstDispatch(effString2Parameter, I, 0, Text.data()) == 0)
            continue;
        ++Supported;
        const float Read = P.GetParameter(I);
        const std::string After = P.GetParamDisplay(I);
        if (!(Read >= 0.0f && Read <= 1.0f))
            Round.Add(std::to_string(I) + " '" + Display + "' reads " + Number(Read));
        else if (After != Display)
            Round.Add(std::to_string(I) + " '" + Display + "' shows '" + After + "'");
    }
    if (Supported == 0)
        V.Skip("string2parameter", "not supported (effString2Parameter answers 0)");
    else
        V.Check("string2parameter", Round.Text());
}

} // namespace MarvoVstValidate
