#include "lv2/LV2Controls.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/Exceptions.h"
#include "platform/FPUControl.h"
#include "vstplugin/DVSTVersionHost.h"

namespace LV2Marvo
{

namespace
{


// [any] Real limited to the control's range; NaN gives the lower end, as the module's handlers limit.
float Limited(const TControl& C, float Real)
{
    if (!(Real >= C.Min))
        return C.Min;
    return Real > C.Max ? C.Max : Real;
}

// [any] The default a port shows: the described one rounded to four significant digits when that is the
// same setting (0 dB rather than -1.3e-06 after a round trip), else the real value of its normalised value.
float PortDefault(const TControl& C)
{
    const float Normalised = RealToNormalized(C, C.Default);
    char Text[32];
    std::snprintf(Text, sizeof Text, "%.4g", static_cast<double>(C.Default));
    const float Round = std::strtof(Text, nullptr);
    return RealToNormalized(C, Round) == Normalised ? Round : NormalizedToReal(C, Normalised);
}

} // namespace

std::vector<TControl> DescribeControls(TMainProc Main)
{
    TFPUControlScope FPU;
    AEffect* E = Main(&VersionOnlyHost);
    if (!E)
        throw EMarvoError("the equaliser cannot be made");
    std::vector<TControl> Controls(static_cast<std::size_t>(std::max<VstInt32>(E->numParams, 0)));
    for (std::size_t I = 0; I < Controls.size(); ++I)
        if (!ReadParameterDescription(E, static_cast<std::int32_t>(I), Controls[I]))
        {
            E->dispatcher(E, effClose, 0, 0, nullptr, 0.0f);
            throw EMarvoError("parameter " + std::to_string(I) + " is not described");
        }
        else
            Controls[I].Default = PortDefault(Controls[I]);
    E->dispatcher(E, effClose, 0, 0, nullptr, 0.0f);
    return Controls;
}

float NormalisedFor(const TControl& C, float Real)
{
    const float Target = Limited(C, Real);
    const float First = RealToNormalized(C, Target);
    float Best = First;
    float BestError = std::fabs(NormalizedToReal(C, First) - Target);
    // The curve's two roundings may miss by a few steps of the normalised value either way.
    for (const float Towards : {0.0f, 1.0f})
    {
        float N = First;
        for (int Step = 0; Step < 16 && BestError != 0.0f; ++Step)
        {
            N = std::nextafter(N, Towards);
            const float Error = std::fabs(NormalizedToReal(C, N) - Target);
            if (Error < BestError)
            {
                Best = N;
                BestError = Error;
            }
        }
    }
    return Best;
}

} // namespace LV2Marvo
