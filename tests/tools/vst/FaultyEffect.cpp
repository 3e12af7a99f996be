// FaultyEffect: a VST 2 plug-in library for marvo-vst validate's tests. Without a fault it is a well-behaved
// stereo gain (two parameters, output = input × 2 × gain, its chunk the two values); the environment variable
// MARVO_FAULTY_EFFECT, read by the entry, names one fault that exactly one check must find.
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

#include "vstplugin/DVSTEffect.h"
#include "vstplugin/DVSTParameterDescription.h"

#if defined(_WIN32)
#define FAULTY_EXPORT extern "C" __declspec(dllexport)
#else
#define FAULTY_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace
{

enum TFault
{
    fNone, fCrash, fTextOverrun, fUnclamped, fSubnormal, fNoisy, fNaN, fDrift, fLostWrites, fLossyChunk, fOpcodeCrash,
    fMisdescribed
};

struct TFaulty
{
    AEffect Effect{};
    TFault Fault = fNone;
    std::atomic<float> Gain[2] = {0.5f, 0.5f};
    std::atomic<bool> InSetParameter{false}; // fLostWrites: one guard for every thread
    std::atomic<bool> Silent{true};          // fSubnormal: no sound since the last resume
    std::atomic<unsigned> Calls{0};          // fDrift: never reset
    float Chunk[2] = {0.0f, 0.0f};           // what effGetChunk hands out
};

TFault FaultFromEnvironment()
{
    const char* Name = std::getenv("MARVO_FAULTY_EFFECT");
    const std::string N = Name ? Name : "";
    const char* const kNames[] = {"",      "crash", "text-overrun", "unclamped",   "subnormal",   "noisy",
                                  "nan",   "drift", "lost-writes",  "lossy-chunk", "opcode-crash", "misdescribed"};
    for (int I = 0; I < static_cast<int>(std::size(kNames)); ++I)
        if (N == kNames[I])
            return static_cast<TFault>(I);
    return fNone;
}

TFaulty& Of(AEffect* E)
{
    return *static_cast<TFaulty*>(E->object);
}

void CopyText(void* Ptr, const char* Text)
{
    std::strcpy(static_cast<char*>(Ptr), Text);
}

// [host-main] The framework's parameter description request: both gains linear over 0..1, kept there
// (misdescribed: as if the handler kept 0.25..1).
VstIntPtr Describe(const TFaulty& F, VstInt32 Code, VstIntPtr Size, void* Ptr)
{
    auto* R = static_cast<TVstParameterDescriptionRecord*>(Ptr);
    if (Code != kVstRequestParameterDescription || Size != sizeof *R || !R || R->Index < 0 || R->Index > 1)
        return 0;
    const std::int32_t Index = R->Index;
    *R = {};
    R->Index = Index;
    CopyText(R->Symbol, Index == 0 ? "left" : "right");
    R->Max = R->CurveFactor = R->LimitMax = 1.0f;
    R->Default = 0.5f;
    R->LimitMin = F.Fault == fMisdescribed ? 0.25f : 0.0f;
    R->Flags = kVstDescriptionAutomatable;
    return 1;
}

// [host-main]
VstIntPtr VSTCALL Dispatcher(AEffect* E, VstInt32 Opcode, VstInt32 Index, VstIntPtr Value, void* Ptr, float)
{
    TFaulty& F = Of(E);
    switch (Opcode)
    {
    case effGetTailSize:
        if (F.Fault == fOpcodeCrash)
            *static_cast<volatile int*>(nullptr) = 0;
        return 0;
    case effGetChunk:
        F.Chunk[0] = F.Gain[0];
        F.Chunk[1] = F.Gain[1];
        *static_cast<void**>(Ptr) = F.Chunk;
        return sizeof F.Chunk;
    case effSetChunk:
        if (Value != sizeof F.Chunk)
            return 0;
        for (int C = 0; C < (F.Fault == fLossyChunk ? 1 : 2); ++C)
            F.Gain[C] = static_cast<const float*>(Ptr)[C];
        return 1;
    case effClose: delete &F; return 1;
    case effGetParamName:
        if (F.Fault == fTextOverrun)
        {
            std::memset(Ptr, 'x', 99);
            static_cast<char*>(Ptr)[99] = 0;
        }
        else
            CopyText(Ptr, Index == 0 ? "Left gain" : "Right gain");
        return 0;
    case effGetParamLabel: CopyText(Ptr, ""); return 0;
    case effGetParamDisplay:
    {
        const std::string Text = std::to_string(static_cast<int>(std::lround(F.Gain[Index & 1].load() * 100.0f)));
        CopyText(Ptr, (Text + "%").c_str());
        return 0;
    }
    case effVendorSpecific: return Describe(F, Index, Value, Ptr);
    case effGetEffectName: CopyText(Ptr, "Faulty"); return 1;
    case effGetVendorString: CopyText(Ptr, "Marvo tests"); return 1;
    case effGetProductString: CopyText(Ptr, "FaultyEffect"); return 1;
    case effGetPlugCategory: return vpcEffect;
    case effGetVstVersion: return 2400;
    case effMainsChanged: F.Silent = true; return 0;
    default: return 0;
    }
}

// [any]
void VSTCALL SetParameter(AEffect* E, VstInt32 Index, float Value)
{
    TFaulty& F = Of(E);
    if (Index < 0 || Index > 1)
        return;
    if (F.Fault == fLostWrites)
    {
        if (F.InSetParameter.exchange(true))
            return; // another thread's write looks like re-entry
        std::atomic<int> Spin{0};
        while (Spin.fetch_add(1, std::memory_order_relaxed) < 200)
        {
        }
    }
    if (F.Fault != fUnclamped)
        Value = std::isnan(Value) ? 0.0f : std::fmin(std::fmax(Value, 0.0f), 1.0f);
    F.Gain[Index] = Value;
    if (F.Fault == fLostWrites)
        F.InSetParameter = false;
}

// [any]
float VSTCALL GetParameter(AEffect* E, VstInt32 Index)
{
    return Index >= 0 && Index <= 1 ? Of(E).Gain[Index].load() : 0.0f;
}

// [audio]
void VSTCALL ProcessReplacing(AEffect* E, float** In, float** Out, VstInt32 Frames)
{
    TFaulty& F = Of(E);
    ++F.Calls;
    if (F.Fault == fCrash && Frames == 7)
        *static_cast<volatile int*>(nullptr) = 0;
    bool Silent = true;
    for (int C = 0; C < 2; ++C)
    {
        float Gain = 2.0f * F.Gain[C];
        if (F.Fault == fDrift)
            Gain *= 1.0f + static_cast<float>(F.Calls.load()) * 1e-6f;
        for (VstInt32 I = 0; I < Frames; ++I)
        {
            Silent = Silent && In[C][I] == 0.0f;
            float Y = In[C][I] * Gain;
            if (F.Fault == fSubnormal && !F.Silent && In[C][I] == 0.0f)
                Y = 1e-40f;
            if (F.Fault == fNoisy)
                Y += 0.01f;
            if (F.Fault == fNaN && Frames == 7)
                Y = std::nanf("");
            Out[C][I] = Y;
        }
    }
    if (!Silent)
        F.Silent = false;
}

// [audio]
void VSTCALL Process(AEffect* E, float** In, float** Out, VstInt32 Frames)
{
    ProcessReplacing(E, In, Out, Frames);
}

} // namespace

FAULTY_EXPORT AEffect* VSTPluginMain(TAudioMasterCallbackFunc)
{
    auto* F = new TFaulty;
    F->Fault = FaultFromEnvironment();
    AEffect& E = F->Effect;
    E.magic = kEffectMagic;
    E.dispatcher = &Dispatcher;
    E.process = &Process;
    E.processReplacing = &ProcessReplacing;
    E.setParameter = &SetParameter;
    E.getParameter = &GetParameter;
    E.numPrograms = 1;
    E.numParams = 2;
    E.numInputs = E.numOutputs = 2;
    E.flags = static_cast<VstInt32>(TEffFlags{effFlagsCanReplacing, effFlagsProgramChunks}.Bits());
    E.ioRatio = 1;
    E.object = F;
    E.uniqueID = FourCharCode("Flty");
    E.version = 1;
    return &E;
}
