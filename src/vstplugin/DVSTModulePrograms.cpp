// Programs, program switching, program and bank chunks, and shell plug-in declarations.
#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>

#include "vstplugin/DVSTModule.h"

static_assert(std::endian::native == std::endian::little, "chunk sizes are stored little-endian");

// ---------------------------------------------------------------------------------------------------------
// TCustomVstProgram

// [host-main]
TCustomVstProgram::TCustomVstProgram(TCustomVstPrograms& Collection)
    : FCollection(Collection), FModule(Collection.VSTModule())
{
    FCollection.FItems.push_back(this);
    if (!FModule)
        return;
    FModule->FEffect.numPrograms = FCollection.Count();
    if (FModule->Flags().Contains(effFlagsProgramChunks))
        Chunk = std::make_unique<TMemoryStream>();
    else
        ParameterValues.assign(static_cast<std::size_t>(std::max(FModule->numParams(), 0)), 0.0f);
    if (FModule->FCurrentProgram < 0)
        FModule->FCurrentProgram = 0;
}

// [host-main] Recounts numPrograms and keeps CurrentProgram a valid index (-1 without programs).
TCustomVstProgram::~TCustomVstProgram()
{
    auto& Items = FCollection.FItems;
    Items.erase(std::remove(Items.begin(), Items.end(), this), Items.end());
    if (!FModule)
        return;
    FModule->FEffect.numPrograms = FCollection.Count();
    if (FModule->FCurrentProgram >= FCollection.Count())
        FModule->FCurrentProgram = FCollection.Count() - 1;
}

// [host-main]
void TCustomVstProgram::Assign(const TCustomVstProgram& Source)
{
    ParameterValues.resize(Source.ParameterValues.size());
    for (std::size_t I = 0; I < Source.ParameterValues.size(); ++I)
        SetParameter(static_cast<std::int32_t>(I), Source.Parameter(static_cast<std::int32_t>(I)));
    FDisplayName = Source.FDisplayName;
}

std::int32_t TCustomVstProgram::Index() const // [any]
{
    return FCollection.IndexOf(this);
}

void TCustomVstProgram::SetDisplayName(const std::string& V) // [host-main]
{
    FDisplayName = V.substr(0, 50);
}

// [any]
float TCustomVstProgram::Parameter(std::int32_t Index) const
{
    if (Index < 0 || (FModule && Index >= FModule->numParams()) ||
        static_cast<std::size_t>(Index) >= ParameterValues.size())
        return 0.0f;
    return std::atomic_ref<float>(const_cast<float&>(ParameterValues[static_cast<std::size_t>(Index)]))
        .load(std::memory_order_relaxed);
}

// [any]
void TCustomVstProgram::SetParameter(std::int32_t Index, float Value)
{
    if (FModule && FModule->Flags().Contains(effFlagsProgramChunks))
        return;
    if (Index < 0 || (FModule && Index >= FModule->numParams()) ||
        static_cast<std::size_t>(Index) >= ParameterValues.size())
        return;
    std::atomic_ref<float>(ParameterValues[static_cast<std::size_t>(Index)]).store(Value, std::memory_order_relaxed);
}

// ---------------------------------------------------------------------------------------------------------
// Shell plug-ins

void TCustomVstShellPlugin::SetDisplayName(const std::string& V) // [host-main]
{
    FDisplayName = V.substr(0, 50);
}

std::string TCustomVstShellPlugin::UniqueID() const // [any]
{
    const auto U = static_cast<std::uint32_t>(UniqueIDValue);
    std::string Text(4, '\0');
    for (int I = 0; I < 4; ++I)
        Text[I] = static_cast<char>((U >> (24 - 8 * I)) & 0xFF);
    return Text;
}

void TCustomVstShellPlugin::SetUniqueID(const std::string& V) // [host-main]
{
    std::uint32_t U = 0;
    for (std::size_t I = 0; I < 4; ++I)
        U = (U << 8) | (I < V.size() ? static_cast<std::uint8_t>(V[I]) : 0u);
    UniqueIDValue = static_cast<VstInt32>(U);
}

TCustomVstShellPlugin* TCustomVstShellPlugins::Add() // [host-main]
{
    FItems.push_back(std::make_unique<TCustomVstShellPlugin>(FModule));
    return FItems.back().get();
}

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
    if (FCurrentProgram < 0 || FCurrentProgram >= numPrograms() || FCurrentProgram >= FPrograms->Count())
        return std::string();
    return (*FPrograms)[FCurrentProgram].DisplayName();
}

// [host-main]
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
        Program.Chunk->SetPosition(0);
        if (Program.OnStoreChunk)
            Program.OnStoreChunk(&Program, FCurrentProgram, true);
        *Data = Program.Chunk->Memory();
        return static_cast<std::int32_t>(Program.Chunk->Size());
    }
    FBankChunk->Clear();
    for (std::int32_t I = 0; I < FPrograms->Count(); ++I)
    {
        TCustomVstProgram& Program = (*FPrograms)[I];
        Program.Chunk->SetPosition(0);
        if (Program.OnStoreChunk)
            Program.OnStoreChunk(&Program, I, false);
        const auto Size = static_cast<std::int32_t>(Program.Chunk->Size());
        FBankChunk->Write(&Size, sizeof Size);
        FBankChunk->Write(Program.Chunk->Memory(), Program.Chunk->Size());
    }
    *Data = FBankChunk->Memory();
    return static_cast<std::int32_t>(FBankChunk->Size());
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
        Program.Chunk->Clear();
        Program.Chunk->Write(Bytes, static_cast<std::size_t>(ByteSize));
        Program.Chunk->SetPosition(0);
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
            Program.Chunk->Clear();
            Program.Chunk->Write(Bytes + Offset + sizeof n, static_cast<std::size_t>(n));
            Program.Chunk->SetPosition(0);
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
