// The module's items: chunks, parameter declarations, programs and shell plug-ins, and the 4-character
// identifiers they and the module carry.
#include "vstplugin/DVSTModuleItems.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "vstplugin/DVSTModule.h"

// ---------------------------------------------------------------------------------------------------------
// Identifiers and chunks

// [any]
std::string FourCharText(VstInt32 Value)
{
    const auto U = static_cast<std::uint32_t>(Value);
    std::string Text(4, '\0');
    for (int I = 0; I < 4; ++I)
        Text[I] = static_cast<char>((U >> (24 - 8 * I)) & 0xFF);
    return Text;
}

// [any]
VstInt32 FourCharValue(const std::string& Text)
{
    std::uint32_t U = 0;
    for (std::size_t I = 0; I < 4; ++I)
        U = (U << 8) | (I < Text.size() ? static_cast<std::uint8_t>(Text[I]) : 0u);
    return static_cast<VstInt32>(U);
}

// [any]
std::size_t TVstChunk::Write(const void* Buffer, std::size_t Count)
{
    if (Count == 0)
        return 0;
    if (Position + Count > Bytes.size())
        Bytes.resize(Position + Count);
    std::memcpy(Bytes.data() + Position, Buffer, Count);
    Position += Count;
    return Count;
}

// ---------------------------------------------------------------------------------------------------------
// TCustomVstParameterProperty

// [host-main]
TCustomVstParameterProperty::TCustomVstParameterProperty(TCustomVstParameterProperties& Collection)
    : FCollection(Collection), FModule(Collection.VSTModule())
{
    FCollection.FItems.push_back(this);
    const std::int32_t Count = FCollection.Count();
    FDisplayName = "Parameter " + std::to_string(Count);
    if (!FModule)
        return;
    FModule->FEffect.numParams = Count;
    if (FModule->Flags().Contains(effFlagsProgramChunks))
        return;
    if (FModule->numPrograms() <= 0)
        FModule->FParameterValues.resize(static_cast<std::size_t>(Count), 0.0f);
    else
        for (std::int32_t P = 0; P < FModule->FPrograms->Count(); ++P)
            (*FModule->FPrograms)[P].ParameterValues.resize(static_cast<std::size_t>(Count), 0.0f);
}

// [host-main] Removes this declaration's own entry from the value arrays and recounts numParams.
TCustomVstParameterProperty::~TCustomVstParameterProperty()
{
    const std::int32_t Position = Index();
    auto& Items = FCollection.FItems;
    Items.erase(std::remove(Items.begin(), Items.end(), this), Items.end());
    if (!FModule || Position < 0)
        return;
    FModule->FEffect.numParams = FCollection.Count();
    if (FModule->Flags().Contains(effFlagsProgramChunks))
        return;
    auto EraseEntry = [Position](std::vector<float>& Values) {
        if (static_cast<std::size_t>(Position) < Values.size())
            Values.erase(Values.begin() + Position);
    };
    if (FModule->numPrograms() < 1)
        EraseEntry(FModule->FParameterValues);
    else if (FModule->FPrograms)
        for (std::int32_t P = 0; P < FModule->FPrograms->Count(); ++P)
            EraseEntry((*FModule->FPrograms)[P].ParameterValues);
}

void TCustomVstParameterProperty::Assign(const TCustomVstParameterProperty& Source) // [any]
{
    FUnits = Source.FUnits;
    FDisplayName = Source.FDisplayName;
}

std::int32_t TCustomVstParameterProperty::Index() const // [any]
{
    return FCollection.IndexOf(this);
}

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
        Chunk.emplace();
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
    FDisplayName.Store(Source.DisplayName());
}

std::int32_t TCustomVstProgram::Index() const // [any]
{
    return FCollection.IndexOf(this);
}

void TCustomVstProgram::SetDisplayName(const std::string& V) // [any]
{
    FDisplayName.Store(V);
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

TCustomVstShellPlugin* TCustomVstShellPlugins::Add() // [host-main]
{
    FItems.push_back(std::make_unique<TCustomVstShellPlugin>(FModule));
    return FItems.back().get();
}
