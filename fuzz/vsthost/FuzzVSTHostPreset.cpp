// libFuzzer target: arbitrary bytes loaded as a program file (TVstPlugIn::LoadPreset from a stream) into a
// hosted equaliser and into a hosted chunk plug-in (the hosts' fake effect record: its chunk, its program
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
#include "support/FakeEffect.h"

namespace
{

[[noreturn]] void Finding(const char* What)
{
    std::fprintf(stderr, "finding: %s\n", What);
    std::abort();
}

// The chunk plug-in: the hosts' fake effect record with four parameters and chunks, whose state is in plain
// fields, so the target sees exactly what the host handed over; an undeclared parameter index traps.
struct TChunkPlugIn : TFakeEffect
{
    TChunkPlugIn() : TFakeEffect(4, false, true)
    {
        Effect.processReplacing = nullptr;
        Effect.numPrograms = 1;
        Effect.uniqueID = FourCharCode("FzCh");
        Effect.version = 3;
        Effect.flags = static_cast<VstInt32>(TEffFlags{effFlagsProgramChunks}.Bits());
        ChunkEndChecked = true;
    }
    void Reset()
    {
        Chunk.assign({'c', 'h', 'u', 'n', 'k'});
        ReceivedChunk = Chunk;
        Texts[effGetProgramName] = ReceivedProgramName = "Start";
        for (std::size_t I = 0; I < Parameters.size(); ++I)
            Parameters[I] = 0.125f * static_cast<float>(I + 1);
        Calls.clear();
        ChunkEndsInZero = true;
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
    TChunkPlugIn ChunkPlugIn;
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

    TChunkPlugIn& F = T.ChunkPlugIn;
    F.Reset();
    const std::vector<float> Before = TTarget::Parameters(P);
    const std::vector<std::uint8_t> ChunkBefore = F.ReceivedChunk;
    const std::string NameBefore = F.ReceivedProgramName;
    const bool Accepted = Load(P, File);
    if (!Accepted)
    {
        if (!F.Calls.empty())
            Finding("a rejected file reached the plug-in");
        if (!SameBits(Before, TTarget::Parameters(P)) || F.ReceivedChunk != ChunkBefore ||
            F.ReceivedProgramName != NameBefore)
            Finding("a rejected file changed the plug-in");
        return 0;
    }
    const std::string StoredName(File.data() + 28, strnlen(File.data() + 28, 28));
    if (F.ReceivedProgramName != StoredName)
        Finding("the program name did not arrive as stored");
    if (File[9] == 'x')
    {
        // Every value the file holds for an existing parameter arrives bit for bit.
        const std::uint32_t Count = BigEndianAt(File, 24);
        for (std::uint32_t I = 0; I < Count && I < F.Parameters.size(); ++I)
        {
            const std::uint32_t Bits = BigEndianAt(File, 56 + 4 * I);
            if (std::memcmp(&Bits, &F.Parameters[I], sizeof Bits) != 0)
                Finding("a parameter value did not arrive bit for bit");
        }
    }
    else if (F.ReceivedChunk != std::vector<std::uint8_t>(File.begin() + 60, File.end()) || !F.ChunkEndsInZero)
        Finding("the chunk did not arrive as the file holds it");
    return 0;
}
