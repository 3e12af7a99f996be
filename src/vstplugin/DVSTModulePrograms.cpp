// Program switching and names, program and bank chunks.
#include <atomic>
#include <bit>
#include <cstring>
#include <vector>

#include "vstplugin/DVSTModule.h"

static_assert(std::endian::native == std::endian::little, "chunk sizes are stored little-endian");

namespace
{
// [host-main] Chunk holds Count bytes from Data, and its position is 0.
void LoadChunk(TVstChunk& Chunk, const std::uint8_t* Data, std::size_t Count)
{
    Chunk.Bytes.assign(Data, Data + Count);
    Chunk.Position = 0;
}
} // namespace

// ---------------------------------------------------------------------------------------------------------
// Program switching and names

// [host-main] A valid V: OnBeforeProgramChange, switch, OnAfterProgramChange, re-apply every value of the
// program through Parameter (an error ends that quietly), mark the editor. audioMasterUpdateDisplay always.
void TCustomVSTModule::SetCurrentProgram(std::int32_t V)
{
    if (V >= 0 && V < numPrograms() && V < FPrograms->Count())
    {
        if (OnBeforeProgramChange)
            OnBeforeProgramChange(this);
        FCurrentProgram = V;
        if (OnAfterProgramChange)
            OnAfterProgramChange(this);
        try
        {
            const TCustomVstProgram& Program = (*FPrograms)[V];
            for (std::size_t I = 0; I < Program.ParameterValues.size(); ++I)
                SetParameter(static_cast<std::int32_t>(I), Program.Parameter(static_cast<std::int32_t>(I)));
        }
        catch (...)
        {
        }
        FEditorNeedsUpdate = true;
    }
    HostUpdateDisplay();
}

// [any] The current program's name; empty without a current program.
std::string TCustomVSTModule::CurrentProgramName() const
{
    const std::int32_t Current = FCurrentProgram.load();
    if (Current < 0 || Current >= numPrograms() || Current >= FPrograms->Count())
        return std::string();
    return (*FPrograms)[Current].DisplayName();
}

// [host-main] The name is read whole on other threads meanwhile (CurrentProgramName).
void TCustomVSTModule::SetCurrentProgramName(const std::string& V)
{
    if (FCurrentProgram >= 0 && FCurrentProgram < numPrograms() && FCurrentProgram < FPrograms->Count())
    {
        (*FPrograms)[FCurrentProgram].SetDisplayName(V);
        FEditorNeedsUpdate = true;
    }
    HostUpdateDisplay();
}

// ---------------------------------------------------------------------------------------------------------
// Chunks

// [host-main] The current program's chunk (isPreset) or the bank of all programs' chunks, each preceded
// by its byte count as int32 little-endian. Answers the byte count; 0 without chunk programs.
std::int32_t TCustomVSTModule::GetChunk(void** Data, bool isPreset)
{
    if (!Data || numPrograms() < 1 || FPrograms->Count() < 1)
        return 0;
    for (std::int32_t I = 0; I < FPrograms->Count(); ++I)
        if (!(*FPrograms)[I].Chunk)
            return 0;
    if (isPreset)
    {
        if (FCurrentProgram < 0 || FCurrentProgram >= FPrograms->Count())
            return 0;
        TCustomVstProgram& Program = (*FPrograms)[FCurrentProgram];
        Program.Chunk->Position = 0;
        if (Program.OnStoreChunk)
            Program.OnStoreChunk(&Program, FCurrentProgram, true);
        *Data = Program.Chunk->Bytes.data();
        return static_cast<std::int32_t>(Program.Chunk->Bytes.size());
    }
    FBankChunk.clear();
    for (std::int32_t I = 0; I < FPrograms->Count(); ++I)
    {
        TCustomVstProgram& Program = (*FPrograms)[I];
        Program.Chunk->Position = 0;
        if (Program.OnStoreChunk)
            Program.OnStoreChunk(&Program, I, false);
        const std::vector<std::uint8_t>& Bytes = Program.Chunk->Bytes;
        const auto Size = static_cast<std::int32_t>(Bytes.size());
        const auto* SizeBytes = reinterpret_cast<const std::uint8_t*>(&Size);
        FBankChunk.insert(FBankChunk.end(), SizeBytes, SizeBytes + sizeof Size);
        FBankChunk.insert(FBankChunk.end(), Bytes.begin(), Bytes.end());
    }
    *Data = FBankChunk.data();
    return static_cast<std::int32_t>(FBankChunk.size());
}

// [host-main] Takes a program chunk or a bank. The bank walk reads one entry per program and stops at
// the first entry that would reach past ByteSize; programs from there on keep their chunks.
std::int32_t TCustomVSTModule::SetChunk(const void* Data, std::int32_t ByteSize, bool isPreset)
{
    if (numPrograms() <= 0 || FPrograms->Count() <= 0 || ByteSize < 0 || (!Data && ByteSize > 0))
        return 0;
    for (std::int32_t I = 0; I < FPrograms->Count(); ++I)
        if (!(*FPrograms)[I].Chunk)
            return 0;
    if (FCurrentProgram < 0 || FCurrentProgram >= FPrograms->Count())
        return 0;
    const auto* Bytes = static_cast<const std::uint8_t*>(Data);
    if (isPreset)
    {
        TCustomVstProgram& Program = (*FPrograms)[FCurrentProgram];
        LoadChunk(*Program.Chunk, Bytes, static_cast<std::size_t>(ByteSize));
        if (Program.OnLoadChunk)
            Program.OnLoadChunk(&Program, FCurrentProgram, true);
    }
    else
    {
        std::size_t Offset = 0;
        const auto Total = static_cast<std::size_t>(ByteSize);
        for (std::int32_t I = 0; I < FPrograms->Count(); ++I)
        {
            if (Total - Offset < sizeof(std::int32_t))
                break;
            std::int32_t n;
            std::memcpy(&n, Bytes + Offset, sizeof n);
            if (n < 0 || static_cast<std::size_t>(n) > Total - Offset - sizeof n)
                break;
            TCustomVstProgram& Program = (*FPrograms)[I];
            LoadChunk(*Program.Chunk, Bytes + Offset + sizeof n, static_cast<std::size_t>(n));
            Offset += sizeof n + static_cast<std::size_t>(n);
            if (Program.OnLoadChunk)
                Program.OnLoadChunk(&Program, I, false);
        }
        if (FCurrentProgram >= 0 && FCurrentProgram < FPrograms->Count())
        {
            TCustomVstProgram& Current = (*FPrograms)[FCurrentProgram];
            if (Current.OnLoadChunk)
                Current.OnLoadChunk(&Current, FCurrentProgram, false);
        }
    }
    FEditorNeedsUpdate = true;
    return ByteSize;
}
