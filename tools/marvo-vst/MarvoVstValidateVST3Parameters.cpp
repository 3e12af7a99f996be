// marvo-vst validate for VST 3: the parameters the controller describes, their values and texts.
#include <cmath>
#include <set>

#include "MarvoVstValidateSupport.h"
#include "MarvoVstValidateVST3.h"

namespace MarvoVstValidate
{

namespace
{

// Unique ids; the bypass (at most one) aside, they are 0..N-1 in order, the indexes a VST 2 effect gives
// its parameters, so automation and sessions carry over between the two formats.
void CheckIds(TValidation& V, const std::vector<ParameterInfo>& Parameters)
{
    V.Step("parameter-ids", "reading the parameter information");
    TFailures F;
    std::set<ParamID> Seen;
    ParamID Next = 0;
    int Bypasses = 0;
    for (const ParameterInfo& P : Parameters)
    {
        if (!Seen.insert(P.id).second)
            F.Add("id " + std::to_string(P.id) + " twice");
        if (P.flags & ParameterInfo::kIsBypass)
            ++Bypasses;
        else if (P.id != Next++)
            F.Add("parameter " + std::to_string(Next - 1) + " has id " + std::to_string(P.id));
        if (NarrowText(P.title, 128).empty())
            F.Add("parameter " + std::to_string(P.id) + " has no title");
    }
    if (Bypasses > 1)
        F.Add(std::to_string(Bypasses) + " bypass parameters");
    V.Check("parameter-ids", F.Text());
}

// Steps and defaults are in range; a new instance holds the defaults; normalised values go to plain and back,
// and through setParamNormalized, unchanged (stepped ones on their steps).
void CheckValues(TValidation& V, IEditController& C, const std::vector<ParameterInfo>& Parameters)
{
    V.Step("parameter-values", "defaults, steps, normalised and plain values");
    TFailures F;
    for (const ParameterInfo& P : Parameters)
    {
        const std::string At = "parameter " + std::to_string(P.id) + ": ";
        const double Default = P.defaultNormalizedValue;
        if (P.stepCount < 0 || !(Default >= 0.0 && Default <= 1.0))
            F.Add(At + "step count " + std::to_string(P.stepCount) + ", default " + Number(Default, 9));
        else if (C.getParamNormalized(P.id) != Default)
            F.Add(At + "a new instance holds " + Number(C.getParamNormalized(P.id), 9) + ", not its default " +
                  Number(Default, 9));
        const int Points = P.stepCount > 0 ? std::min(P.stepCount, 64) : 8;
        double Previous = 0.0;
        for (int K = 0; K <= Points; ++K)
        {
            const double N = P.stepCount > 0 ? static_cast<double>(K) / P.stepCount : static_cast<double>(K) / Points;
            const double Plain = C.normalizedParamToPlain(P.id, N);
            const double Back = C.plainParamToNormalized(P.id, Plain);
            if (!std::isfinite(Plain) || !(std::fabs(Back - N) <= 1e-6))
                F.Add(At + Number(N, 6) + " goes to plain " + Number(Plain, 9) + " and back to " + Number(Back, 9));
            else if (P.stepCount > 0 && K > 0 && Plain == Previous)
                F.Add(At + "steps " + std::to_string(K - 1) + " and " + std::to_string(K) + " have one plain value");
            Previous = Plain;
            if (C.setParamNormalized(P.id, N) != kResultOk || std::fabs(C.getParamNormalized(P.id) - N) > 1e-9)
                F.Add(At + "set to " + Number(N, 6) + ", reads " + Number(C.getParamNormalized(P.id), 9));
        }
        C.setParamNormalized(P.id, Default);
    }
    V.Check("parameter-values", F.Text());
}

// Every value has a text; one the plug-in reads back (reading texts is optional: kNotImplemented passes) is a
// value with the same text.
void CheckTexts(TValidation& V, IEditController& C, const std::vector<ParameterInfo>& Parameters)
{
    V.Step("parameter-texts", "getParamStringByValue and getParamValueByString");
    TFailures F;
    for (const ParameterInfo& P : Parameters)
        for (const double N : {0.0, P.defaultNormalizedValue, 0.37, 1.0})
        {
            const std::string At = "parameter " + std::to_string(P.id) + " at " + Number(N, 6) + ": ";
            String128 S{}, Again{};
            ParamValue Back = -1.0;
            if (C.getParamStringByValue(P.id, N, S) != kResultOk || NarrowText(S, 128).empty())
                F.Add(At + "no text");
            else if (const tresult R = C.getParamValueByString(P.id, S, Back); R == kNotImplemented)
                continue;
            else if (R != kResultOk || !(Back >= 0.0 && Back <= 1.0))
                F.Add(At + "'" + NarrowText(S, 128) + "' does not read back");
            else if (C.getParamStringByValue(P.id, Back, Again) != kResultOk || NarrowText(Again, 128) != NarrowText(S, 128))
                F.Add(At + "'" + NarrowText(S, 128) + "' reads back as '" + NarrowText(Again, 128) + "'");
        }
    V.Check("parameter-texts", F.Text());
}

} // namespace

void CheckVST3Parameters(TValidation& V)
{
    V.Step("parameter-ids", "loading the module");
    TModule M(V.Path());
    TInstance I(M, kSpeakerArrStereo, kSample32, 512, 44100.0, false);
    const std::vector<ParameterInfo> Parameters = VST3Parameters(*I.Controller);
    CheckIds(V, Parameters);
    CheckValues(V, *I.Controller, Parameters);
    CheckTexts(V, *I.Controller, Parameters);
}

} // namespace MarvoVstValidate
