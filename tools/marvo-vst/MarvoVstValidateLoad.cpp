// marvo-vst validate: loading the plug-in, its effect record and its texts.
#include <cstdio>
#include <memory>

#include "MarvoVstValidateStages.h"
#include "MarvoVstValidateSupport.h"

namespace MarvoVstValidate
{

namespace
{

struct TText
{
    TDispatcherOpcode Opcode;
    const char* Name;
    std::size_t Limit;
};

const TText kPlugInTexts[] = {{effGetEffectName, "effGetEffectName", kTextBuffer},
                              {effGetVendorString, "effGetVendorString", kTextBuffer},
                              {effGetProductString, "effGetProductString", kTextBuffer},
                              {effGetProgramName, "effGetProgramName", kTextBuffer},
                              {effGetErrorText, "effGetErrorText", kErrorTextBuffer}};
const TText kParameterTexts[] = {{effGetParamName, "effGetParamName", kTextBuffer},
                                 {effGetParamLabel, "effGetParamLabel", kTextBuffer},
                                 {effGetParamDisplay, "effGetParamDisplay", kTextBuffer}};

void CheckIdentity(TValidation& V, TVstPlugIn& P)
{
    V.Step("identity", "reading the effect record");
    const AEffect& E = *P.VstEffect;
    TFailures F;
    if (E.numInputs < 0 || E.numInputs > kMaxPlugInChannels || E.numOutputs < 0 || E.numOutputs > kMaxPlugInChannels)
        F.Add("implausible channels: " + std::to_string(E.numInputs) + " in, " + std::to_string(E.numOutputs) +
              " out");
    if (E.numOutputs == 0)
        F.Add("no outputs");
    if (E.numParams < 0 || E.numPrograms < 0)
        F.Add("negative counts: " + std::to_string(E.numParams) + " parameters, " + std::to_string(E.numPrograms) +
              " programs");
    if (!E.dispatcher || !E.setParameter || !E.getParameter)
        F.Add("a missing entry (dispatcher, setParameter or getParameter)");
    if (!E.processReplacing || !P.EffectOptions().Contains(effFlagsCanReplacing))
        F.Add("no processReplacing (flag or entry)");
    if (P.EffectOptions().Contains(effFlagsCanDoubleReplacing) && !E.processDoubleReplacing)
        F.Add("effFlagsCanDoubleReplacing without a processDoubleReplacing entry");
    if (E.uniqueID == 0 && P.PlugCategory() != vpcShell)
        F.Add("unique ID 0");
    V.Check("identity", F.Text());
}

void CheckTexts(TValidation& V, TVstPlugIn& P)
{
    V.Step("texts", "names, labels, displays and program names");
    TFailures T;
    for (const TText& X : kPlugInTexts)
    {
        std::string Failure;
        GuardedText(P, X.Opcode, 0, X.Limit, Failure);
        if (!Failure.empty())
            T.Add(std::string(X.Name) + " " + Failure);
    }
    for (std::int32_t I = 0; I < P.numParams(); ++I)
        for (const TText& X : kParameterTexts)
        {
            std::string Failure;
            GuardedText(P, X.Opcode, I, X.Limit, Failure);
            if (!Failure.empty())
                T.Add(std::string(X.Name) + " " + std::to_string(I) + " " + Failure);
        }
    for (std::int32_t I = 0; I < P.numPrograms(); ++I)
    {
        std::string Failure;
        GuardedText(P, effGetProgramNameIndexed, I, kTextBuffer, Failure, -1);
        if (!Failure.empty())
            T.Add("effGetProgramNameIndexed " + std::to_string(I) + " " + Failure);
    }
    V.Check("texts", T.Text());
}

} // namespace

void CheckLoad(TValidation& V)
{
    V.Step("load", "loading the library");
    std::unique_ptr<TSession> S;
    try
    {
        S = std::make_unique<TSession>(V.Path());
    }
    catch (const std::exception& E)
    {
        V.Fail("load", E.what());
        return;
    }
    V.Pass("load");
    TVstPlugIn& P = *S->P;
    CheckIdentity(V, P);
    CheckTexts(V, P);

    std::string Failure;
    const std::string Name = GuardedText(P, effGetEffectName, 0, kTextBuffer, Failure);
    char Flags[16];
    std::snprintf(Flags, sizeof Flags, "0x%X", static_cast<unsigned>(P.VstEffect->flags));
    V.Info("plug-in", "'" + Name + "', " + std::to_string(P.numInputs()) + " in, " + std::to_string(P.numOutputs()) +
                          " out, " + std::to_string(P.numParams()) + " parameters, " +
                          std::to_string(P.numPrograms()) + " programs, flags " + Flags);
}

} // namespace MarvoVstValidate
