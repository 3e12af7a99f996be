// marvo-vst validate: programs and chunks saved and loaded back, and damaged program files.

#include "MarvoVstValidateStages.h"
#include "MarvoVstValidateSupport.h"

namespace MarvoVstValidate
{

namespace
{

constexpr int kRate = 44100, kBlock = 512;

// Parameter form: state A saved, state B set, A loaded back.
void CheckProgramRoundTrip(TValidation& V, TVstPlugIn& P, TAudio& A)
{
    V.Step("program-round-trip", "saving a program");
    SetPattern(P, 0.0);
    const std::vector<float> StateA = Parameters(P);
    const std::vector<std::uint8_t> Record = ProgramRecord(P);
    const std::vector<float> OutA = A.Render(kRate, kBlock, kRate / 2);
    SetPattern(P, 0.5);
    A.Render(kRate, kBlock, kRate / 10);
    V.Step("program-round-trip", "loading the program back");
    LoadRecord(P, Record);
    std::string Failure = ParameterDifference(StateA, Parameters(P));
    if (Failure.empty())
        Failure = OutputDifference(OutA, A.Render(kRate, kBlock, kRate / 2));
    V.Check("program-round-trip", Failure);
}

void CheckChunkRoundTrip(TValidation& V, TVstPlugIn& P, TAudio& A)
{
    if (!P.EffectOptions().Contains(effFlagsProgramChunks))
        V.Skip("chunk-round-trip", "the plug-in keeps no chunks (effFlagsProgramChunks)");
    else
    {
        V.Step("chunk-round-trip", "getting the chunk");
        SetPattern(P, 0.25);
        const std::vector<float> StateC = Parameters(P);
        void* Data = nullptr;
        const std::int32_t Size = P.GetChunk(Data, true);
        if (Size <= 0 || !Data)
            V.Fail("chunk-round-trip", "effGetChunk answered no chunk");
        else
        {
            std::vector<std::uint8_t> Chunk(static_cast<const std::uint8_t*>(Data),
                                            static_cast<const std::uint8_t*>(Data) + Size);
            const std::vector<float> OutC = A.Render(kRate, kBlock, kRate / 2);
            SetPattern(P, 0.75);
            A.Render(kRate, kBlock, kRate / 10);
            V.Step("chunk-round-trip", "setting the chunk back");
            P.SetChunk(Chunk.data(), Size, true);
            std::string Failure = ParameterDifference(StateC, Parameters(P));
            if (Failure.empty())
                Failure = OutputDifference(OutC, A.Render(kRate, kBlock, kRate / 2));
            V.Check("chunk-round-trip", Failure);
        }
    }
}

// Damaged files: each refused, each leaving the instance as it was.
void CheckDamagedPrograms(TValidation& V, TVstPlugIn& P)
{
    struct TDamage
    {
        const char* Name;
        void (*Apply)(std::vector<std::uint8_t>& File);
    };
    const TDamage kDamages[] = {
        {"cut inside the header", [](std::vector<std::uint8_t>& F) { F.resize(40); }},
        {"cut inside the values",
         [](std::vector<std::uint8_t>& F) { F.resize(std::max<std::size_t>(56, F.size() - 2)); }},
        {"another plug-in's ID", [](std::vector<std::uint8_t>& F) { F[16] ^= 0x20; }},
        {"a negative count", [](std::vector<std::uint8_t>& F) { F[24] = 0x80; }},
        {"a count beyond the file", [](std::vector<std::uint8_t>& F) { F[24] = 0x7F; }},
        {"empty", [](std::vector<std::uint8_t>& F) { F.clear(); }},
    };
    SetPattern(P, 0.5);
    const std::vector<std::uint8_t> Good = ProgramRecord(P);
    SetPattern(P, 0.0);
    const std::vector<float> Before = Parameters(P);
    TFailures Damaged;
    for (const TDamage& D : kDamages)
    {
        V.Step("damaged-program", D.Name);
        std::vector<std::uint8_t> File = Good;
        if (File.size() <= 40 && std::string(D.Name) == "cut inside the values")
            continue; // no values to cut
        D.Apply(File);
        bool Refused = false;
        try
        {
            LoadRecord(P, File);
        }
        catch (const std::exception&)
        {
            Refused = true;
        }
        const std::string Changed = ParameterDifference(Before, Parameters(P));
        if (!Refused)
            Damaged.Add(std::string("a file ") + (D.Name[0] == 'e' ? "" : "with ") + D.Name + " was taken");
        else if (!Changed.empty())
            Damaged.Add(std::string("refusing a file with ") + D.Name + " changed the instance: " + Changed);
        if (!Changed.empty())
            SetPattern(P, 0.0);
    }
    V.Check("damaged-program", Damaged.Text());
}

} // namespace

void CheckState(TValidation& V)
{
    TSession S(V.Path(), kRate, kBlock);
    TAudio A(S, kBlock);
    CheckProgramRoundTrip(V, *S.P, A);
    CheckChunkRoundTrip(V, *S.P, A);
    CheckDamagedPrograms(V, *S.P);
}

} // namespace MarvoVstValidate
