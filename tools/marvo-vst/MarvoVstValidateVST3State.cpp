// marvo-vst validate for VST 3: the component's state through IBStream, and damaged states refused.
#include "MarvoVstValidateSupport.h"
#include "MarvoVstValidateVST3.h"

namespace MarvoVstValidate
{

namespace
{

constexpr int32 kBlock = 512;

// An instance set to the pattern of Salt, through the parameter queues as a host plays automation.
void SetVST3Pattern(TInstance& I, double Salt)
{
    const auto Setting = VST3Pattern(VST3Parameters(*I.Controller), Salt);
    I.Run(VST3Noise(kBlock, 7), kBlock, Setting);
    for (const auto& [Id, Value] : Setting)
        I.Controller->setParamNormalized(Id, Value);
}

} // namespace

void CheckVST3State(TValidation& V)
{
    V.Step("state-round-trip", "loading the module");
    TModule M(V.Path());
    std::vector<char> Saved;
    {
        V.Step("state-round-trip", "getState of a set instance");
        TInstance A(M, kSpeakerArrStereo, kSample32, kBlock);
        SetVST3Pattern(A, 0.0);
        Saved = VST3State(*A.Component);
    }
    {
        V.Step("state-round-trip", "setState on a new instance");
        TInstance B(M, kSpeakerArrStereo, kSample32, kBlock);
        std::string Failure;
        if (Saved.empty())
            Failure = "the state is empty";
        else if (const tresult R = LoadVST3State(*B.Component, Saved); R != kResultOk)
            Failure = "setState answered " + std::to_string(R);
        else if (VST3State(*B.Component) != Saved)
            Failure = "the state read back differs from the one loaded";
        V.Check("state-round-trip", Failure);
    }

    // Cut short, cut to nothing, foreign (the first bytes changed, or bytes of another plug-in): refused with
    // kResultFalse, the instance as it was.
    V.Step("damaged-state", "setState with damaged streams");
    TInstance C(M, kSpeakerArrStereo, kSample32, kBlock);
    SetVST3Pattern(C, 0.5);
    const std::vector<char> Before = VST3State(*C.Component);
    std::vector<std::pair<std::string, std::vector<char>>> Damaged = {
        {"cut to half", {Saved.begin(), Saved.begin() + static_cast<std::ptrdiff_t>(Saved.size() / 2)}},
        {"cut to 1 byte", {Saved.begin(), Saved.begin() + std::min<std::ptrdiff_t>(1, static_cast<std::ptrdiff_t>(Saved.size()))}},
        {"empty", {}},
        {"foreign", Saved},
        {"another plug-in's", std::vector<char>(Saved.size(), '\x5A')}};
    for (std::size_t B = 0; B < std::min<std::size_t>(4, Damaged[3].second.size()); ++B)
        Damaged[3].second[B] = static_cast<char>(~Damaged[3].second[B]);
    TFailures F;
    for (const auto& [What, Stream] : Damaged)
    {
        const tresult R = LoadVST3State(*C.Component, Stream);
        if (R != kResultFalse)
            F.Add(What + ": setState answered " + std::to_string(R) + ", not kResultFalse");
        if (VST3State(*C.Component) != Before)
            F.Add(What + ": the instance changed");
    }
    V.Check("damaged-state", F.Text());
}

} // namespace MarvoVstValidate
