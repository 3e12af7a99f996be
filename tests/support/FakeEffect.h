#pragma once
// A raw effect record for host tests and fuzzers: it records every dispatcher call, answers from a table,
// writes configurable texts and keeps its parameters and chunk in plain fields; handing it to a host; reading
// fxp bytes. A parameter index outside the record's numParams is a host fault (a real plug-in would index past
// its arrays): it goes to UndeclaredIndex, or traps when none is set.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/FPUControl.h"
#include "vstplugin/DVSTEffect.h"
#include "vsthost/DVSTHost.h"

// The opcode recorded for a setParameter call.
inline constexpr VstInt32 kSetParameterCall = -1;

struct TDispatchCall
{
    VstInt32 Opcode;
    VstInt32 Index;
    VstIntPtr Value;
    float Opt;
    std::uint16_t ControlWord; // the x87 control word the plug-in was called with
};

struct TFakeEffect
{
    AEffect Effect{};
    std::vector<TDispatchCall> Calls;
    std::map<VstInt32, VstIntPtr> Answers;    // per opcode; 0 when absent
    std::map<VstInt32, std::string> Texts;    // written into the pointer for text opcodes
    std::map<std::pair<VstInt32, VstInt32>, std::string> IndexedTexts; // (opcode, index); before Texts
    std::vector<float> Parameters;
    std::vector<std::uint8_t> Chunk;          // answered to effGetChunk
    std::vector<std::uint8_t> ReceivedChunk;  // stored by effSetChunk
    std::string ReceivedProgramName;
    TVstPatchChunkInfo ReceivedPatchInfo{};
    ERect Rect{0, 0, 35, 131};
    VstInt32 Program = 0;
    bool ThrowOnDispatch = false;
    bool ChunkEndChecked = false;  // effSetChunk reads the byte after the chunk (the host promises a 0 there)
    bool ChunkEndsInZero = true;   // so far
    TAudioMasterCallbackFunc Host = nullptr;

    // [any] Called with a parameter index outside numParams (the tests fail the running test with it).
    static inline void (*UndeclaredIndex)(VstInt32 Index, VstInt32 NumParams) = nullptr;

    explicit TFakeEffect(int NumParams = 4, bool HasEditor = false, bool Chunks = false)
    {
        Effect.magic = kEffectMagic;
        Effect.dispatcher = &Dispatch;
        Effect.setParameter = &SetParameter;
        Effect.getParameter = &GetParameter;
        Effect.processReplacing = &Process;
        Effect.numParams = NumParams;
        Effect.numPrograms = 2;
        Effect.numInputs = 2;
        Effect.numOutputs = 2;
        Effect.uniqueID = FourCharCode("FaKe");
        Effect.version = 7;
        TEffFlags Flags{effFlagsCanReplacing};
        if (HasEditor)
            Flags.Include(effFlagsHasEditor);
        if (Chunks)
            Flags.Include(effFlagsProgramChunks);
        Effect.flags = static_cast<VstInt32>(Flags.Bits());
        Effect.object = this;
        Parameters.assign(static_cast<std::size_t>(NumParams), 0.0f);
    }

    static TFakeEffect& Of(AEffect* E) { return *static_cast<TFakeEffect*>(E->object); }

    int Count(VstInt32 Opcode) const
    {
        int N = 0;
        for (const TDispatchCall& C : Calls)
            N += C.Opcode == Opcode;
        return N;
    }
    std::vector<VstInt32> Opcodes() const
    {
        std::vector<VstInt32> R;
        for (const TDispatchCall& C : Calls)
            R.push_back(C.Opcode);
        return R;
    }

    static VstIntPtr VSTCALL Dispatch(AEffect* E, VstInt32 Opcode, VstInt32 Index, VstIntPtr Value, void* Ptr,
                                      float Opt)
    {
        TFakeEffect& F = Of(E);
        F.Calls.push_back({Opcode, Index, Value, Opt, Get8087CW()});
        if (F.ThrowOnDispatch)
            throw std::runtime_error("plug-in failure");
        auto Indexed = F.IndexedTexts.find({Opcode, Index});
        auto Text = F.Texts.find(Opcode);
        if (Indexed != F.IndexedTexts.end() && Ptr)
            std::memcpy(Ptr, Indexed->second.c_str(), Indexed->second.size() + 1);
        else if (Text != F.Texts.end() && Ptr)
            std::memcpy(Ptr, Text->second.c_str(), Text->second.size() + 1);
        switch (Opcode)
        {
        case effSetProgram:
            F.Program = static_cast<VstInt32>(Value);
            break;
        case effGetProgram:
            return F.Program;
        case effSetProgramName:
            F.ReceivedProgramName = static_cast<const char*>(Ptr);
            break;
        case effEditGetRect:
            *static_cast<ERect**>(Ptr) = &F.Rect;
            break;
        case effGetChunk:
            *static_cast<void**>(Ptr) = F.Chunk.data();
            return static_cast<VstIntPtr>(F.Chunk.size());
        case effSetChunk:
            F.ReceivedChunk.assign(static_cast<const std::uint8_t*>(Ptr), static_cast<const std::uint8_t*>(Ptr) + Value);
            if (F.ChunkEndChecked)
                F.ChunkEndsInZero = F.ChunkEndsInZero && static_cast<const std::uint8_t*>(Ptr)[Value] == 0;
            break;
        case effBeginLoadProgram:
            F.ReceivedPatchInfo = *static_cast<TVstPatchChunkInfo*>(Ptr);
            break;
        default:
            break;
        }
        auto A = F.Answers.find(Opcode);
        return A == F.Answers.end() ? 0 : A->second;
    }
    static bool InRange(AEffect* E, VstInt32 Index)
    {
        const bool Declared = Index >= 0 && Index < E->numParams;
        if (!Declared && UndeclaredIndex)
            UndeclaredIndex(Index, E->numParams);
        else if (!Declared)
        {
            std::fprintf(stderr, "parameter index %d reached a plug-in with %d parameters\n", static_cast<int>(Index),
                         static_cast<int>(E->numParams));
            __builtin_trap();
        }
        return Declared && Index < static_cast<VstInt32>(Of(E).Parameters.size());
    }
    static void VSTCALL SetParameter(AEffect* E, VstInt32 Index, float Value)
    {
        TFakeEffect& F = Of(E);
        if (InRange(E, Index))
            F.Parameters[static_cast<std::size_t>(Index)] = Value;
        F.Calls.push_back({kSetParameterCall, Index, 0, Value, Get8087CW()});
    }
    static float VSTCALL GetParameter(AEffect* E, VstInt32 Index)
    {
        return InRange(E, Index) ? Of(E).Parameters[static_cast<std::size_t>(Index)] : 0.0f;
    }
    static void VSTCALL Process(AEffect*, float** Inputs, float** Outputs, VstInt32 Frames)
    {
        for (int C = 0; C < 2; ++C)
            for (VstInt32 I = 0; I < Frames; ++I)
                Outputs[C][I] = -Inputs[C][I];
    }
};

// A new instance of Host with Fake handed in and activated; the start sequence is forgotten. Fake must
// outlive Host (an instance still open at the end sends it effClose).
inline TVstPlugIn* HandInFake(TVstHost& Host, TFakeEffect& Fake)
{
    TVstPlugIn* P = Host.VstPlugIns().Add();
    P->VstEffect = &Fake.Effect;
    P->SetActive(true);
    Fake.Calls.clear();
    return P;
}

// The big-endian 32-bit field of a program file at Offset.
inline std::uint32_t BigEndianAt(const std::string& S, std::size_t Offset)
{
    return (std::uint32_t(std::uint8_t(S[Offset])) << 24) | (std::uint32_t(std::uint8_t(S[Offset + 1])) << 16) |
           (std::uint32_t(std::uint8_t(S[Offset + 2])) << 8) | std::uint32_t(std::uint8_t(S[Offset + 3]));
}
