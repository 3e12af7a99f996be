// marvo-vst validate for VST 3: the main buses and the arrangements they take.
#include "MarvoVstValidateSupport.h"
#include "MarvoVstValidateVST3.h"

namespace MarvoVstValidate
{

namespace
{

std::string Arrangements(IAudioProcessor& P)
{
    SpeakerArrangement In = 0, Out = 0;
    P.getBusArrangement(kInput, 0, In);
    P.getBusArrangement(kOutput, 0, Out);
    return std::to_string(In) + "/" + std::to_string(Out);
}

} // namespace

// Stereo is taken; mono, when taken, is what the buses then report; an arrangement refused leaves the buses
// as they were.
void CheckVST3Buses(TValidation& V)
{
    V.Step("bus-arrangements", "loading the module");
    TModule M(V.Path());
    TInstance I(M, kSpeakerArrStereo, kSample32, 512, 44100.0, false);
    TFailures F;
    V.Step("bus-arrangements", "counting the buses");
    if (I.Component->getBusCount(kAudio, kOutput) < 1 || I.Component->getBusCount(kAudio, kInput) < 1)
        F.Add("no main audio input and output bus");
    const std::string Stereo = std::to_string(kSpeakerArrStereo) + "/" + std::to_string(kSpeakerArrStereo);
    if (Arrangements(*I.Processor) != Stereo)
        F.Add("stereo taken, the buses report " + Arrangements(*I.Processor));

    V.Step("bus-arrangements", "mono");
    SpeakerArrangement In = kSpeakerArrMono, Out = kSpeakerArrMono;
    if (I.Processor->setBusArrangements(&In, 1, &Out, 1) == kResultTrue)
    {
        BusInfo Bus{};
        const std::string Mono = std::to_string(kSpeakerArrMono) + "/" + std::to_string(kSpeakerArrMono);
        if (Arrangements(*I.Processor) != Mono)
            F.Add("mono taken, the buses report " + Arrangements(*I.Processor));
        else if (I.Component->getBusInfo(kAudio, kOutput, 0, Bus) != kResultOk || Bus.channelCount != 1)
            F.Add("mono taken, the output bus has " + std::to_string(Bus.channelCount) + " channels");
        In = Out = kSpeakerArrStereo;
        if (I.Processor->setBusArrangements(&In, 1, &Out, 1) != kResultTrue)
            F.Add("stereo refused after mono");
    }

    // Arrangements an equaliser of the main buses has no use for: 5.1 on both sides, stereo in and mono out.
    V.Step("bus-arrangements", "refused arrangements");
    const SpeakerArrangement kOdd[][2] = {{0x3F, 0x3F}, {kSpeakerArrStereo, kSpeakerArrMono}};
    for (const auto& Pair : kOdd)
    {
        const std::string Before = Arrangements(*I.Processor);
        SpeakerArrangement A = Pair[0], B = Pair[1];
        if (I.Processor->setBusArrangements(&A, 1, &B, 1) != kResultTrue && Arrangements(*I.Processor) != Before)
            F.Add("refusing " + std::to_string(Pair[0]) + "/" + std::to_string(Pair[1]) + " changed the buses from " +
                  Before + " to " + Arrangements(*I.Processor));
        In = Out = kSpeakerArrStereo;
        I.Processor->setBusArrangements(&In, 1, &Out, 1);
    }
    V.Check("bus-arrangements", F.Text());
}

} // namespace MarvoVstValidate
