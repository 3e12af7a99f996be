// libFuzzer target: arbitrary bytes loaded as a program file (TVstPlugIn::LoadPreset from a stream) into a
// hosted equaliser and into a hosted chunk plug-in (a raw effect record that keeps its chunk, its program
// name and four parameters in plain fields).
//
// Input: byte 0 chooses — bit 0 the plug-in (0 equaliser, 1 chunk plug-in), bit 1 writes the plug-in's own
// identifier into bytes 16..19 of the file so that most inputs get past the identity check. The rest is the
// file.
//
// A file is either accepted or rejected with EMarvoError. Anything else is a finding: another exception, a
// sanitizer report, a rejected file that changed a parameter or reached the chunk plug-in at all, or an
// accepted file whose values or chunk bytes did not arrive exactly, or a parameter index outside the
// chunk plug-in's four (it traps, as a real plug-in would index past its arrays).
//
// Both instances live for the whole run; before every input each plug-in is put back into the same state,
// so any input reproduces alone.
//
// MARVO_FUZZ_SEED_DIR=<dir> writes seed files into <dir> at start-up: a program file saved from the
// equaliser and one from the chunk plug-in.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "equaliser/SmallEQModule.h"
#include "platform/Exceptions.h"
#include "vsthost/DVSTHost.h"

namespace
{

[[noreturn]] void Finding(const char* What)
{
    std::fprintf(stderr, "finding: %s\n", What);
    std::abort();
}

// The chunk plug-in: a plain effect record whose state is in plain fields, so the target sees exactly
// what the host handed over.
struct TChunkEffect
{
    static constexpr int kParams = 4;
    AEffect Effect{};
    std::vector<std::uint8_t> Chunk;
    std::string ProgramName;
    float Parameters[kParams] = {};
    int Calls = 0;          // every entry the host called
    bool PastChunkZero = true; // the byte after each received chunk was 0

    TChunkEffect()
    {
        Effect.magic = kEffectMagic;
        Effect.dispatcher = &Dispatch;
        Effect.setParameter = &SetParameter;
        Effect.getParameter = &GetParameter;
        Effect.numParams = kParams;
        Effect.numPrograms = 1;
        Effect.numInputs = 2;
        Effect.numOutputs = 2;
        Effect.uniqueID = FourCharCode("FzCh");
        Effect.version = 3;
        Effect.flags = static_cast<VstInt32>(TEffFlags{effFlagsProgramChunks}.Bits());
        Effect.object = this;
    }

    void Reset()
    {
        Chunk.assign({'c', 'h', 'u', 'n', 'k'});
        ProgramName = "Start";
        for (int I = 0; I < kParams; ++I)
            Parameters[I] = 0.125f * static_cast<float>(I + 1);
        Calls = 0;
        PastChunkZero = true;
    }

    static TChunkEffect& Of(AEffect* E) { return *static_cast<TChunkEffect*>(E->object); }

    static VstIntPtr VSTCALL Dispatch(AEffect* E, VstInt32 Opcode, VstInt32, VstIntPtr Value, void* Ptr, float)
    {
        TChunkEffect& F = Of(E);
        ++F.Calls;
        switch (Opcode)
        {
        case effGetChunk:
            *static_cast<void**>(Ptr) = F.Chunk.data();
            return static_cast<VstIntPtr>(F.Chunk.size());
        case effSetChunk: {
            const auto* Bytes = static_cast<const std::uint8_t*>(Ptr);
            F.Chunk.assign(Bytes, Bytes + Value);
            F.PastChunkZero = Bytes[Value] == 0;
            return 1;
        }
        case effGetProgramName:
            std::memcpy(Ptr, F.ProgramName.c_str(), F.ProgramName.size() + 1);
            return 0;
        case effSetProgramName:
            F.ProgramName = static_cast<const char*>(Ptr);
            return 0;
        default:
            return 0;
        }
    }
    // A parameter index the record does not declare is a host fault: a real plug-in indexes its own arrays
    // with it.
    static void CheckIndex(VstInt32 Index)
    {
        if (Index < 0 || Index >= kParams)
        {
            std::fprintf(stderr, "finding: parameter index %d handed to a plug-in with %d parameters\n",
                         static_cast<int>(Index), kParams);
            __builtin_trap();
        }
    }
    static void VSTCALL SetParameter(AEffect* E, VstInt32 Index, float Value)
    {
        TChunkEffect& F = Of(E);
        ++F.Calls;
        CheckIndex(Index);
        F.Parameters[Index] = Value;
    }
    static float VSTCALL GetParameter(AEffect* E, VstInt32 Index)
    {
        CheckIndex(Index);
        return Of(E).Parameters[Index];
    }
};

struct TTarget
{
    TVstHost Host;
    TSmallEQModule* Equaliser = nullptr;
    TVstPlugIn* EqualiserInstance = nullptr;
    std::vector<float> EqualiserDefaults;
    std::string EqualiserProgramName;
    bool EqualiserTouched = false; // an accepted file may have changed it since the last reset
    TChunkEffect ChunkPlugIn;
    TVstPlugIn* ChunkInstance = nullptr;

    TTarget()
    {
        Equaliser = new TSmallEQModule(nullptr);
        Equaliser->SetAudioMaster(&AudioMasterCallback);
        EqualiserInstance = Host.VstPlugIns().Add();
        EqualiserInstance->VstEffect = Equaliser->Effect();
        EqualiserInstance->SetActive(true);
        EqualiserDefaults = Parameters(*EqualiserInstance);
        EqualiserProgramName = EqualiserInstance->ProgramName();

        ChunkPlugIn.Reset();
        ChunkInstance = Host.VstPlugIns().Add();
        ChunkInstance->VstEffect = &ChunkPlugIn.Effect;
        ChunkInstance->SetActive(true);
    }

    static std::vector<float> Parameters(TVstPlugIn& P)
    {
        std::vector<float> V(static_cast<std::size_t>(P.numParams()));
        for (std::size_t I = 0; I < V.size(); ++I)
            V[I] = P.GetParameter(static_cast<std::int32_t>(I));
        return V;
    }

    void ResetEqualiser()
    {
        if (!EqualiserTouched)
            return;
        for (std::size_t I = 0; I < EqualiserDefaults.size(); ++I)
            EqualiserInstance->SetParameter(static_cast<std::int32_t>(I), EqualiserDefaults[I]);
        EqualiserInstance->SetProgramName(EqualiserProgramName);
        EqualiserTouched = false;
    }
};

TTarget& Target()
{
    static TTarget* T = new TTarget;
    return *T;
}

bool SameBits(const std::vector<float>& A, const std::vector<float>& B)
{
    return A.size() == B.size() && (A.empty() || std::memcmp(A.data(), B.data(), A.size() * sizeof(float)) == 0);
}

std::uint32_t BigEndianAt(const std::string& S, std::size_t Offset)
{
    return (std::uint32_t(std::uint8_t(S[Offset])) << 24) | (std::uint32_t(std::uint8_t(S[Offset + 1])) << 16) |
           (std::uint32_t(std::uint8_t(S[Offset + 2])) << 8) | std::uint32_t(std::uint8_t(S[Offset + 3]));
}

// Loads File into P; answers whether it was accepted.
bool Load(TVstPlugIn& P, const std::string& File)
{
    std::istringstream Stream(File);
    try
    {
        P.LoadPreset(Stream);
        return true;
    }
    catch (const EMarvoError&)
    {
        return false;
    }
}

void WriteSeed(const std::string& Dir, const std::string& Name, char Selector, TVstPlugIn& P)
{
    std::ostringstream Bytes(std::ios::binary);
    P.SavePreset(Bytes);
    std::ofstream Out(Dir + "/" + Name, std::ios::binary | std::ios::trunc);
    Out << Selector << Bytes.str();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TTarget& T = Target();
    if (const char* Dir = std::getenv("MARVO_FUZZ_SEED_DIR"))
    {
        WriteSeed(Dir, "equaliser.fxp", '\x02', *T.EqualiserInstance);
        T.ChunkPlugIn.Chunk.assign({0, 1, 2, 3, 0xFF, 0x80, 'x', 0});
        WriteSeed(Dir, "chunk.fxp", '\x03', *T.ChunkInstance);
        T.ChunkPlugIn.Reset();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    if (Size == 0)
        return 0;
    TTarget& T = Target();
    const std::uint8_t Selector = Data[0];
    const bool ChunkPlugIn = Selector & 1;
    std::string File(reinterpret_cast<const char*>(Data + 1), Size - 1);
    TVstPlugIn& P = ChunkPlugIn ? *T.ChunkInstance : *T.EqualiserInstance;
    if ((Selector & 2) && File.size() >= 20)
        File.replace(16, 4, P.uID());

    if (!ChunkPlugIn)
    {
        T.ResetEqualiser();
        const std::vector<float> Before = TTarget::Parameters(P);
        const bool Accepted = Load(P, File);
        T.EqualiserTouched = Accepted;
        if (!Accepted && !SameBits(Before, TTarget::Parameters(P)))
            Finding("a rejected file changed the equaliser's parameters");
        return 0;
    }

    TChunkEffect& F = T.ChunkPlugIn;
    F.Reset();
    const std::vector<float> Before = TTarget::Parameters(P);
    const std::vector<std::uint8_t> ChunkBefore = F.Chunk;
    const std::string NameBefore = F.ProgramName;
    const bool Accepted = Load(P, File);
    if (!Accepted)
    {
        if (F.Calls != 0)
            Finding("a rejected file reached the plug-in");
        if (!SameBits(Before, TTarget::Parameters(P)) || F.Chunk != ChunkBefore || F.ProgramName != NameBefore)
            Finding("a rejected file changed the plug-in");
        return 0;
    }
    const std::string StoredName(File.data() + 28, strnlen(File.data() + 28, 28));
    if (F.ProgramName != StoredName)
        Finding("the program name did not arrive as stored");
    if (File[9] == 'x')
    {
        // Every value the file holds for an existing parameter arrives bit for bit.
        const std::uint32_t Count = BigEndianAt(File, 24);
        for (std::uint32_t I = 0; I < Count && I < TChunkEffect::kParams; ++I)
        {
            const std::uint32_t Bits = BigEndianAt(File, 56 + 4 * I);
            if (std::memcmp(&Bits, &F.Parameters[I], sizeof Bits) != 0)
                Finding("a parameter value did not arrive bit for bit");
        }
    }
    else if (F.Chunk != std::vector<std::uint8_t>(File.begin() + 60, File.end()) || !F.PastChunkZero)
        Finding("the chunk did not arrive as the file holds it");
    return 0;
}
