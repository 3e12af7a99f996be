#pragma once
// The module's runtime items, each kept in a collection the module owns: parameter declarations
// (TCustomVstParameterProperty; index in the collection = parameter index seen by the host), programs
// (TCustomVstProgram, with their values or their chunk) and shell plug-ins. The declaration tables
// (DVSTModuleDeclaration.h) create them at construction.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Component.h"
#include "vstplugin/DVSTEffect.h"
#include "vstplugin/DVSTParameterDescription.h"
#include "vstplugin/DVSTSharedText.h"

class TCustomVSTModule;
class TCustomVstProgram;

// Events of the items. Sender is the module unless stated otherwise; reference arguments are in-out.
using TParameterChangeEvent = std::function<void(TComponent* Sender, std::int32_t Index, float& Value)>;
using TCustomParameterLabelEvent = std::function<void(TComponent* Sender, std::int32_t Index, std::string& PreDefined)>;
using TCustomParameterDisplayEvent = TCustomParameterLabelEvent;
// Sender is the program.
using TProgramNotifyEvent = std::function<void(TCustomVstProgram* Sender)>;
using TChunkEvent = std::function<void(TCustomVstProgram* Sender, std::int32_t Index, bool isPreset)>;
// UID is the plug-in's identifier as 4 characters, most significant byte first.
using TUIDInstantiateEvent = std::function<void(TComponent* Sender, const std::string& UID)>;

// The fields a parameter declaration (DVSTModuleDeclaration.h) and its runtime item share, in declaration
// order, with their defaults: FIELD(type, name, default) a plain value, TEXT(name, most characters kept, 0 for
// all) a text. kVstUndeclared leaves the choice to the description (TCustomVSTModule::ParameterDescription):
// the default is Min, the limits are Min..Max. An empty Symbol becomes "param" and the index.
#define MARVO_VST_PARAMETER_FIELDS(FIELD, TEXT)                                                             \
    FIELD(float, Min, 0.0f)                                                                                \
    FIELD(float, Max, 1.0f)                                                                                \
    FIELD(std::int32_t, CC, -1)                                                                            \
    FIELD(TCurveType, Curve, ctLinear)                                                                     \
    TEXT(DisplayName, 30)                                                                                  \
    TEXT(Units, 0)                                                                                         \
    FIELD(float, CurveFactor, 1.0f)                                                                        \
    FIELD(float, SmoothingFactor, 1.0f)                                                                    \
    FIELD(bool, CanBeAutomated, true)                                                                      \
    FIELD(bool, ReportVST2Properties, false)                                                               \
    FIELD(float, StepFloat, 0.0f)                                                                          \
    FIELD(float, SmallStepFloat, 0.0f)                                                                     \
    FIELD(float, LargeStepFloat, 0.0f)                                                                     \
    FIELD(TVstParameterPropertiesFlags, Flags, {})                                                         \
    FIELD(std::int32_t, MinInteger, 0)                                                                     \
    FIELD(std::int32_t, MaxInteger, 0)                                                                     \
    FIELD(std::int32_t, StepInteger, 0)                                                                    \
    FIELD(std::int32_t, LargeStepInteger, 0)                                                               \
    TEXT(ShortLabel, 7)                                                                                    \
    TEXT(Symbol, 31)                                                                                       \
    FIELD(float, Default, kVstUndeclared)                                                                  \
    FIELD(float, LimitMin, kVstUndeclared)                                                                 \
    FIELD(float, LimitMax, kVstUndeclared)                                                                 \
    FIELD(std::int32_t, StepCount, 0)

// [any] A 4-character identifier and its number, the first character in the most significant byte; missing
// characters count as 0, characters past the fourth are ignored.
std::string FourCharText(VstInt32 Value);
VstInt32 FourCharValue(const std::string& Text);

// A program's opaque bytes and the position where Write puts the next ones.
struct TVstChunk
{
    std::vector<std::uint8_t> Bytes;
    std::size_t Position = 0;

    // [any] Writes Count bytes at Position, growing Bytes as needed; answers Count.
    std::size_t Write(const void* Buffer, std::size_t Count);
};

// ---------------------------------------------------------------------------------------------------------
// An ordered collection of items that add themselves on construction (TItem(TSelf&)) and remove themselves on
// destruction; deleting an item through the collection frees it. TSelf, the derived collection, frees the
// items in its destructor, while it is still whole.
template <class TItem, class TSelf>
class TVstItemCollection
{
public:
    explicit TVstItemCollection(TCustomVSTModule* Module) : FModule(Module) {}
    TVstItemCollection(const TVstItemCollection&) = delete;
    TVstItemCollection& operator=(const TVstItemCollection&) = delete;

    // [host-main]
    TItem* Add() { return new TItem(static_cast<TSelf&>(*this)); }
    // [host-main] Out-of-range indices are ignored.
    void Delete(std::int32_t Index)
    {
        if (Index >= 0 && Index < Count())
            delete FItems[static_cast<std::size_t>(Index)];
    }
    // [host-main] Deletes the items from the front.
    void Clear()
    {
        while (!FItems.empty())
            delete FItems.front();
    }
    std::int32_t Count() const { return static_cast<std::int32_t>(FItems.size()); }
    TItem& operator[](std::int32_t Index) const { return *FItems[Index]; }
    // [any] The position of Item, or -1.
    std::int32_t IndexOf(const TItem* Item) const
    {
        const auto It = std::find(FItems.begin(), FItems.end(), Item);
        return It == FItems.end() ? -1 : static_cast<std::int32_t>(It - FItems.begin());
    }
    TCustomVSTModule* VSTModule() const { return FModule; }

protected:
    ~TVstItemCollection() = default;

private:
    friend TItem;
    TCustomVSTModule* FModule;
    std::vector<TItem*> FItems;
};

// ---------------------------------------------------------------------------------------------------------
// Parameter declarations
class TCustomVstParameterProperties;

class TCustomVstParameterProperty
{
public:
    // [host-main] Appends itself to the collection: numParams recounted, value arrays grown by one 0.0.
    explicit TCustomVstParameterProperty(TCustomVstParameterProperties& Collection);
    // [host-main] Removes its own entry from the value arrays and recounts numParams.
    ~TCustomVstParameterProperty();
    TCustomVstParameterProperty(const TCustomVstParameterProperty&) = delete;
    TCustomVstParameterProperty& operator=(const TCustomVstParameterProperty&) = delete;

    // [any] Copies Units and DisplayName only.
    void Assign(const TCustomVstParameterProperty& Source);
    std::int32_t Index() const; // [any]
    TCustomVSTModule* VSTModule() const { return FModule; }

    // [any] Advances SmoothState by one host write and answers the smoothed value. The state's cells
    // are read and written atomically; two threads writing the same parameter at once interleave their steps.
    float Smooth(float Value);

    // The declared fields. Texts: [any] to read, [host-main] to write; a write keeps the first characters
    // the list allows ("Parameter n" until a name is written).
#define MARVO_ITEM_FIELD(Type, Name, Default) Type Name = Default;
#define MARVO_ITEM_TEXT(Name, Most)                                                                         \
    const std::string& Name() const { return F##Name; }                                                    \
    void Set##Name(const std::string& V) { F##Name = (Most) > 0 ? V.substr(0, (Most)) : V; }
    MARVO_VST_PARAMETER_FIELDS(MARVO_ITEM_FIELD, MARVO_ITEM_TEXT)
#undef MARVO_ITEM_FIELD
#undef MARVO_ITEM_TEXT
    float SmoothState[2] = {0.0f, 0.0f}; // accessed through std::atomic_ref

    TParameterChangeEvent OnParameterChange;
    TCustomParameterLabelEvent OnCustomParameterLabel;
    TCustomParameterDisplayEvent OnCustomParameterDisplay;

private:
    TCustomVstParameterProperties& FCollection;
    TCustomVSTModule* FModule;
#define MARVO_ITEM_FIELD(Type, Name, Default)
#define MARVO_ITEM_TEXT(Name, Most) std::string F##Name;
    MARVO_VST_PARAMETER_FIELDS(MARVO_ITEM_FIELD, MARVO_ITEM_TEXT)
#undef MARVO_ITEM_FIELD
#undef MARVO_ITEM_TEXT
};

class TCustomVstParameterProperties
    : public TVstItemCollection<TCustomVstParameterProperty, TCustomVstParameterProperties>
{
public:
    using TVstItemCollection::TVstItemCollection;
    ~TCustomVstParameterProperties() { Clear(); } // deletes the items from the front
};

// ---------------------------------------------------------------------------------------------------------
// Programs
class TCustomVstPrograms;

class TCustomVstProgram
{
public:
    // [host-main] Appends itself: numPrograms recounted; a chunk (under effFlagsProgramChunks) or
    // numParams values of 0.0; the first program makes CurrentProgram 0.
    explicit TCustomVstProgram(TCustomVstPrograms& Collection);
    // [host-main] Recounts numPrograms and keeps CurrentProgram a valid index (-1 without programs).
    ~TCustomVstProgram();
    TCustomVstProgram(const TCustomVstProgram&) = delete;
    TCustomVstProgram& operator=(const TCustomVstProgram&) = delete;

    // [host-main] Copies the values (resizing to the source's count) and then the name.
    void Assign(const TCustomVstProgram& Source);
    std::int32_t Index() const; // [any]
    TCustomVSTModule* VSTModule() const { return FModule; }

    // [any] The name, read whole while the host may rename the program.
    std::string DisplayName() const { return FDisplayName.Load(); }
    void SetDisplayName(const std::string& V); // [any] keeps at most 50 characters

    // [any] Value Index of this program: 0 outside 0..numParams-1; writes there, or under
    // effFlagsProgramChunks, are ignored. The cell is read and written atomically.
    float Parameter(std::int32_t Index) const;
    void SetParameter(std::int32_t Index, float Value);

    std::vector<float> ParameterValues; // cells accessed through std::atomic_ref while other threads may write
    // Only under effFlagsProgramChunks. OnStoreChunk finds Position at 0 and the previous bytes still there (it
    // writes from the start and owns the final size); OnLoadChunk finds the host's bytes and Position 0.
    std::optional<TVstChunk> Chunk;

    TProgramNotifyEvent OnInitialize;
    TChunkEvent OnLoadChunk;
    TChunkEvent OnStoreChunk;

private:
    TCustomVstPrograms& FCollection;
    TCustomVSTModule* FModule;
    TSharedText<50> FDisplayName{"Init"};
};

class TCustomVstPrograms : public TVstItemCollection<TCustomVstProgram, TCustomVstPrograms>
{
public:
    using TVstItemCollection::TVstItemCollection;
    ~TCustomVstPrograms() { Clear(); } // deletes the items from the front
};

// ---------------------------------------------------------------------------------------------------------
// Shell plug-ins: one module standing for several plug-ins, chosen by unique identifier.
class TCustomVstShellPlugin
{
public:
    explicit TCustomVstShellPlugin(TCustomVSTModule* Module) : FModule(Module) {}
    void Assign(const TCustomVstShellPlugin& Source) { FDisplayName = Source.FDisplayName; } // name only
    TCustomVSTModule* VSTModule() const { return FModule; }

    const std::string& DisplayName() const { return FDisplayName; }
    void SetDisplayName(const std::string& V); // [host-main] keeps at most 50 characters
    std::string UniqueID() const { return FourCharText(UniqueIDValue); }
    void SetUniqueID(const std::string& V) { UniqueIDValue = FourCharValue(V); } // the first 4 characters

    std::int32_t numInputs = -1, numOutputs = -1, numParams = -1, numPrograms = -1; // -1: keep the module's
    TVstPluginCategory PlugCategory = vpcUnknown;
    VstInt32 UniqueIDValue = 0;
    TUIDInstantiateEvent OnInstanciate;

private:
    TCustomVSTModule* FModule;
    std::string FDisplayName = "Init";
};

class TCustomVstShellPlugins
{
public:
    explicit TCustomVstShellPlugins(TCustomVSTModule* Module) : FModule(Module) {}
    TCustomVstShellPlugin* Add(); // [host-main]
    void Clear() { FItems.clear(); }
    std::int32_t Count() const { return static_cast<std::int32_t>(FItems.size()); }
    TCustomVstShellPlugin& operator[](std::int32_t Index) const { return *FItems[Index]; }

private:
    TCustomVSTModule* FModule;
    std::vector<std::unique_ptr<TCustomVstShellPlugin>> FItems;
};
