// marvo-vst validate: every dispatcher opcode, sent with valid arguments as hosts send them.
#include <cmath>
#include <cstring>
#include <memory>

#include "MarvoVstValidateStages.h"
#include "MarvoVstValidateSupport.h"

namespace MarvoVstValidate
{

namespace
{

// Sends opcodes to one instance, naming each as the step under way. Pointer arguments point into a scratch
// buffer, zeroed before each call that takes one.
class TOpcodeSender
{
public:
    TOpcodeSender(TValidation& V, TVstPlugIn& P) : FV(V), FP(P) {}
    VstIntPtr Call(TDispatcherOpcode Opcode, const char* Name, VstInt32 Index, VstIntPtr Value, void* Ptr,
                   float Opt)
    {
        FV.Step("dispatcher-opcodes", Name);
        return FP.VstDispatch(Opcode, Index, Value, Ptr, Opt);
    }
    void* Zeroed()
    {
        std::memset(FScratch, 0, sizeof FScratch);
        return FScratch;
    }
    void* Scratch() { return FScratch; }

private:
    TValidation& FV;
    TVstPlugIn& FP;
    alignas(16) unsigned char FScratch[8192];
};

struct TOpcodeCall
{
    TDispatcherOpcode Opcode;
    const char* Name;
};

// What hosts send between effOpen and the first resume.
void SendSuspended(TOpcodeSender& S, TVstPlugIn& P)
{
    P.MainsChanged(false);
    S.Call(effSetSampleRate, "effSetSampleRate", 0, 0, nullptr, 44100.0f);
    S.Call(effSetBlockSize, "effSetBlockSize", 0, 512, nullptr, 0.0f);
    S.Call(effSetBlockSizeAndSampleRate, "effSetBlockSizeAndSampleRate", 0, 512, nullptr, 44100.0f);
    {
        VstSpeakerArrangement In{}, Out{};
        In.type = P.numInputs() == 1 ? 0 : P.numInputs() == 2 ? 1 : -2;
        Out.type = P.numOutputs() == 1 ? 0 : P.numOutputs() == 2 ? 1 : -2;
        In.numChannels = std::min(P.numInputs(), 8);
        Out.numChannels = std::min(P.numOutputs(), 8);
        for (int I = 0; I < 8; ++I)
            In.speakers[I].type = Out.speakers[I].type = I < 2 ? I + 1 : -1;
        S.Call(effSetSpeakerArrangement, "effSetSpeakerArrangement", 0, reinterpret_cast<VstIntPtr>(&In), &Out, 0.0f);
        VstSpeakerArrangement* InAnswer = nullptr;
        VstSpeakerArrangement* OutAnswer = nullptr;
        S.Call(effGetSpeakerArrangement, "effGetSpeakerArrangement", 0, reinterpret_cast<VstIntPtr>(&InAnswer),
             &OutAnswer, 0.0f);
    }
    if (P.numPrograms() > 0)
    {
        S.Call(effBeginSetProgram, "effBeginSetProgram", 0, 0, nullptr, 0.0f);
        S.Call(effSetProgram, "effSetProgram", 0, 0, nullptr, 0.0f);
        S.Call(effEndSetProgram, "effEndSetProgram", 0, 0, nullptr, 0.0f);
        S.Call(effSetProgramName, "effSetProgramName", 0, 0, const_cast<char*>("Validated"), 0.0f);
        S.Call(effCopyProgram, "effCopyProgram", 0, 0, nullptr, 0.0f);
    }
}

// Opcodes that take no pointer, then those that fill a buffer.
void SendPlainAndBuffered(TOpcodeSender& S, TVstPlugIn& P)
{
    const TOpcodeCall kPlain[] = {
        {effGetProgram, "effGetProgram"},
        {effGetVu, "effGetVu"},
        {effEditIdle, "effEditIdle"},
        {effIdentify, "effIdentify"},
        {effGetNumProgramCategories, "effGetNumProgramCategories"},
        {effGetPlugCategory, "effGetPlugCategory"},
        {effGetCurrentPosition, "effGetCurrentPosition"},
        {effGetDestinationBuffer, "effGetDestinationBuffer"},
        {effSetBypass, "effSetBypass"},
        {effGetVendorVersion, "effGetVendorVersion"},
        {effVendorSpecific, "effVendorSpecific"},
        {effGetTailSize, "effGetTailSize"},
        {effGetIcon, "effGetIcon"},
        {effSetViewPosition, "effSetViewPosition"},
        {effKeysRequired, "effKeysRequired"},
        {effGetVstVersion, "effGetVstVersion"},
        {effSetEditKnobMode, "effSetEditKnobMode"},
        {effHasMidiProgramsChanged, "effHasMidiProgramsChanged"},
        {effSetTotalSampleToProcess, "effSetTotalSampleToProcess"},
    };
    for (const TOpcodeCall& C : kPlain)
        S.Call(C.Opcode, C.Name, 0, C.Opcode == effSetTotalSampleToProcess ? 512 : 0, nullptr, 0.0f);
    S.Call(effSetPanLaw, "effSetPanLaw", 0, 0, nullptr, 1.0f);

    const TOpcodeCall kBuffered[] = {
        {effGetProgramName, "effGetProgramName"},
        {effGetEffectName, "effGetEffectName"},
        {effGetErrorText, "effGetErrorText"},
        {effGetVendorString, "effGetVendorString"},
        {effGetProductString, "effGetProductString"},
        {effGetMidiProgramName, "effGetMidiProgramName"},
        {effGetCurrentMidiProgram, "effGetCurrentMidiProgram"},
        {effGetMidiProgramCategory, "effGetMidiProgramCategory"},
    };
    for (const TOpcodeCall& C : kBuffered)
        S.Call(C.Opcode, C.Name, 0, 0, S.Zeroed(), 0.0f);
    if (P.numPrograms() > 0)
        S.Call(effGetProgramNameIndexed, "effGetProgramNameIndexed", 0, -1, S.Zeroed(), 0.0f);
    {
        const VstInt32 Key[2] = {0, 60}; // program 0, middle C
        std::memcpy(S.Zeroed(), Key, sizeof Key);
        S.Call(effGetMidiKeyName, "effGetMidiKeyName", 0, 0, S.Scratch(), 0.0f);
    }
    if (P.PlugCategory() != vpcShell)
        S.Call(effShellGetNextPlugin, "effShellGetNextPlugin", 0, 0, S.Zeroed(), 0.0f);
    if (P.numParams() > 0)
    {
        const TOpcodeCall kParameter[] = {{effGetParamLabel, "effGetParamLabel"},
                                          {effGetParamDisplay, "effGetParamDisplay"},
                                          {effGetParamName, "effGetParamName"},
                                          {effGetParameterProperties, "effGetParameterProperties"}};
        for (const TOpcodeCall& C : kParameter)
            S.Call(C.Opcode, C.Name, 0, 0, S.Zeroed(), 0.0f);
        S.Call(effCanBeAutomated, "effCanBeAutomated", 0, 0, nullptr, 0.0f);
        const std::string Display = P.GetParamDisplay(0);
        std::vector<char> Text(Display.begin(), Display.end());
        Text.push_back(0);
        S.Call(effString2Parameter, "effString2Parameter", 0, 0, Text.data(), 0.0f);
    }
}

// Inputs, outputs, the editor's rectangle, program and bank loading, chunks, offline processing.
void SendInputOutputAndState(TOpcodeSender& S, TVstPlugIn& P)
{
    if (P.numInputs() > 0)
    {
        S.Call(effConnectInput, "effConnectInput", 0, 1, nullptr, 0.0f);
        S.Call(effGetInputProperties, "effGetInputProperties", 0, 0, S.Zeroed(), 0.0f);
    }
    if (P.numOutputs() > 0)
    {
        S.Call(effConnectOutput, "effConnectOutput", 0, 1, nullptr, 0.0f);
        S.Call(effGetOutputProperties, "effGetOutputProperties", 0, 0, S.Zeroed(), 0.0f);
    }
    {
        ERect* Rect = nullptr;
        S.Call(effEditGetRect, "effEditGetRect", 0, 0, &Rect, 0.0f);
    }
    {
        TVstPatchChunkInfo Info{1, P.VstEffect->uniqueID, P.VstEffect->version, P.numParams(), {}};
        S.Call(effBeginLoadProgram, "effBeginLoadProgram", 0, 0, &Info, 0.0f);
        Info.numElements = P.numPrograms();
        S.Call(effBeginLoadBank, "effBeginLoadBank", 0, 0, &Info, 0.0f);
    }
    {
        void* Data = nullptr;
        const VstIntPtr Size = S.Call(effGetChunk, "effGetChunk", 1, 0, &Data, 0.0f);
        if (Size > 0 && Data)
        {
            std::vector<std::uint8_t> Copy(static_cast<const std::uint8_t*>(Data),
                                           static_cast<const std::uint8_t*>(Data) + Size);
            S.Call(effSetChunk, "effSetChunk", 1, Size, Copy.data(), 0.0f);
        }
    }
    {
        TVstAudioFile File{};
        S.Call(effOfflineNotify, "effOfflineNotify", 1, 0, &File, 0.0f);
        TVstOfflineTask Task{};
        S.Call(effOfflinePrepare, "effOfflinePrepare", 0, 0, &Task, 0.0f);
        S.Call(effOfflineRun, "effOfflineRun", 0, 0, &Task, 0.0f);
    }
    S.Call(effCanDo, "effCanDo", 0, 0, const_cast<char*>("receiveVstTimeInfo"), 0.0f);

}

// What hosts send around processing.
void SendResumed(TOpcodeSender& S, TVstPlugIn& P)
{
    S.Call(effMainsChanged, "effMainsChanged", 0, 1, nullptr, 0.0f);
    S.Call(effStartProcess, "effStartProcess", 0, 0, nullptr, 0.0f);
    {
        VstEvents None{};
        S.Call(effProcessEvents, "effProcessEvents", 0, 0, &None, 0.0f);
        std::vector<float> In(64, 0.0f), Out(64, 0.0f);
        std::vector<float*> Planes(static_cast<std::size_t>(std::max({P.numInputs(), P.numOutputs(), 1})));
        std::vector<std::vector<float>> Storage(Planes.size(), std::vector<float>(64, 0.0f));
        for (std::size_t I = 0; I < Planes.size(); ++I)
            Planes[I] = Storage[I].data();
        VstInt32 InDone = 0, OutDone = 0;
        TVstVariableIo Io{Planes.data(), Planes.data(), 0, 0, &InDone, &OutDone};
        S.Call(effProcessVarIo, "effProcessVarIo", 0, 0, &Io, 0.0f);
    }
    S.Call(effIdle, "effIdle", 0, 0, nullptr, 0.0f);
    S.Call(effStopProcess, "effStopProcess", 0, 0, nullptr, 0.0f);
    S.Call(effMainsChanged, "effMainsChanged", 0, 0, nullptr, 0.0f);

}

} // namespace

void CheckDispatcher(TValidation& V)
{
    TSession Session(V.Path());
    TVstPlugIn& P = *Session.P;
    auto Sender = std::make_unique<TOpcodeSender>(V, P);
    SendSuspended(*Sender, P);
    SendPlainAndBuffered(*Sender, P);
    SendInputOutputAndState(*Sender, P);
    SendResumed(*Sender, P);

    // Still processes after all that.
    V.Step("dispatcher-opcodes", "processing after the opcodes");
    TAudio A(Session, 512);
    A.Resume(44100, 512);
    bool Finite = true;
    A.Run(44100 / 4, 512, true, [&Finite](const float* const* O, int Outputs, int N) {
        for (int C = 0; C < Outputs; ++C)
            for (int I = 0; I < N; ++I)
                Finite = Finite && std::isfinite(O[C][I]);
    });
    V.Check("dispatcher-opcodes", Finite ? "" : "the output is no longer finite after the opcodes");

}

} // namespace MarvoVstValidate
