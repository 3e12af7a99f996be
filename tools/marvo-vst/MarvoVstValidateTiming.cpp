// marvo-vst validate: frames per second through the plug-in and through the host alone.
#include <chrono>

#include "MarvoVstValidateStages.h"
#include "MarvoVstValidateSupport.h"

namespace MarvoVstValidate
{

namespace
{

// An effect that does nothing: the host's own cost per block. [any]
VstIntPtr VSTCALL NullDispatcher(AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float)
{
    return 0;
}
void VSTCALL NullProcess(AEffect*, float**, float**, VstInt32) {}
void VSTCALL NullSetParameter(AEffect*, VstInt32, float) {}
float VSTCALL NullGetParameter(AEffect*, VstInt32)
{
    return 0.0f;
}

// Frames per second through P at 44.1 kHz in blocks of 512, over about Seconds of wall time.
double FramesPerSecond(TVstHost& Host, TVstPlugIn& P, double Seconds)
{
    TAudio A(Host, P, 512);
    A.Resume(44100, 512);
    A.Run(44100, 512, true);
    const auto Start = std::chrono::steady_clock::now();
    std::int64_t Frames = 0;
    double Elapsed = 0.0;
    do
    {
        A.Run(44100 / 10, 512, true);
        Frames += 44100 / 10;
        Elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
    } while (Elapsed < Seconds);
    return static_cast<double>(Frames) / Elapsed;
}

} // namespace

void CheckTiming(TValidation& V)
{
    V.Step("timing", "processing at 44100 Hz in blocks of 512");
    TSession S(V.Path());
    const double PlugIn = FramesPerSecond(S.Host, *S.P, 1.0);

    AEffect Null{};
    Null.magic = kEffectMagic;
    Null.dispatcher = &NullDispatcher;
    Null.process = Null.processReplacing = &NullProcess;
    Null.setParameter = &NullSetParameter;
    Null.getParameter = &NullGetParameter;
    Null.numInputs = S.P->numInputs();
    Null.numOutputs = S.P->numOutputs();
    Null.flags = static_cast<VstInt32>(TEffFlags{effFlagsCanReplacing}.Bits());
    Null.uniqueID = FourCharCode("Null");
    Null.ioRatio = 1;
    TVstPlugIn* Empty = S.Host.VstPlugIns().Add();
    Empty->VstEffect = &Null;
    Empty->SetActive(true);
    const double Host = FramesPerSecond(S.Host, *Empty, 0.5);
    Empty->SetActive(false);
    V.Info("timing", "plug-in " + Number(PlugIn / 1e6) + " M frames/s (" + Number(PlugIn / 44100.0) +
                         "x real time at 44100 Hz, blocks of 512); the host alone " + Number(Host / 1e6) +
                         " M frames/s");
}

} // namespace MarvoVstValidate
