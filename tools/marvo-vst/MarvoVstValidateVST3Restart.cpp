// marvo-vst validate for VST 3: what the component asks of the host's handler through restartComponent.
#include <cstdio>

#include "MarvoVstValidateSupport.h"
#include "MarvoVstValidateVST3.h"

namespace MarvoVstValidate
{

namespace
{

// The restart flags of the published interface: kReloadComponent (bit 0) up to kParamIDMappingChanged
// (bit 11).
constexpr int32 kKnownRestartFlags = 0xFFF;

} // namespace

// Through a session of the usual host calls (handler set, parameters set by the controller and by the
// queues, a state loaded, the arrangement and the rate changed, activation), every restart request names
// known flags and at least one.
void CheckVST3Restart(TValidation& V)
{
    V.Step("restart-flags", "loading the module");
    TModule M(V.Path());
    TRecordingHandler Handler;
    {
        TInstance I(M, kSpeakerArrStereo, kSample32, 512, 44100.0, false);
        I.Controller->setComponentHandler(&Handler);
        const auto Parameters = VST3Parameters(*I.Controller);
        V.Step("restart-flags", "setting parameters and a state");
        for (const auto& [Id, Value] : VST3Pattern(Parameters, 0.25))
            I.Controller->setParamNormalized(Id, Value);
        const std::vector<char> State = VST3State(*I.Component);
        LoadVST3State(*I.Component, State);
        V.Step("restart-flags", "changing the arrangement and the rate");
        for (const SpeakerArrangement A : {kSpeakerArrMono, kSpeakerArrStereo})
        {
            SpeakerArrangement In = A, Out = A;
            I.Processor->setBusArrangements(&In, 1, &Out, 1);
        }
        for (const double Rate : {48000.0, 96000.0})
        {
            ProcessSetup Setup{0, kSample32, 512, Rate};
            I.Processor->setupProcessing(Setup);
            I.Component->setActive(1);
            I.Processor->setProcessing(1);
            I.Run(VST3Noise(1024, 9), 512, VST3Pattern(Parameters, 0.5));
            I.Processor->setProcessing(0);
            I.Component->setActive(0);
        }
        I.Controller->setComponentHandler(nullptr);
    }
    TFailures F;
    for (const int32 Flags : Handler.Restarts)
        if (Flags == 0 || (Flags & ~kKnownRestartFlags) != 0)
            F.Add("restartComponent(0x" + [](int32 X) {
                char Hex[16];
                std::snprintf(Hex, sizeof Hex, "%X", static_cast<unsigned>(X));
                return std::string(Hex);
            }(Flags) + ")");
    V.Check("restart-flags", F.Text());
    V.Info("restart-requests", std::to_string(Handler.Restarts.size()));
}

} // namespace MarvoVstValidate
