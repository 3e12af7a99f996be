#pragma once
// The declaration tables of a module and their loader. A concrete module TModule lists its properties,
// programs, parameters, shell plug-ins and handlers as static constants of these types, and its constructor
// hands them to TCustomVSTModule::LoadDeclaration as its last statement:
//
//     static const TVstParameterDeclaration<TMyModule> MyParameters[] = {
//         {.Min = -15, .Max = 15, .DisplayName = "Gain", .Units = "dB", .OnParameterChange = &TMyModule::GainChange},
//     };
//     const TVSTModuleDeclaration<TMyModule> TMyModule::Declaration = {
//         .Properties = {.Flags = {effFlagsCanReplacing}, .EffectName = "Mine", .UniqueID = "Mine"},
//         .Programs = MyPrograms, .Parameters = MyParameters,
//         .Events = {.OnProcessReplacing = &TMyModule::Process},
//     };
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <utility>

#include "platform/Component.h"
#include "platform/EditorWindow.h"
#include "vstplugin/DVSTEffect.h"
#include "vstplugin/DVSTModuleEvents.h"
#include "vstplugin/DVSTModuleItems.h"

enum TProcessingMode { pmNormal, pmBlockSave, pmCopy, pmMute };

// Handlers are member functions of TModule; a null handler leaves the event unassigned.
// Module properties, applied through their writers in this order. Defaults are the framework's own.
struct TVSTModuleProperties
{
    TEffFlags Flags{};
    const char* Version = "0.0";
    const char* EffectName = "";
    const char* ProductName = "";
    const char* VendorName = "";
    std::int32_t VersionMajor = 1, VersionMinor = 0, VersionRelease = 0;
    TVstPluginCategory PlugCategory = vpcUnknown;
    std::int32_t TailSize = 0;
    TVstCanDos CanDos{};
    float SampleRate = 44100.0f;
    std::int32_t BlockSize = 1024;
    std::int32_t numInputs = 2, numOutputs = 2;
    std::int32_t numCategories = 1;
    std::int32_t CurrentProgram = -1;
    const char* CurrentProgramName = nullptr; // null: not stored
    TProcessingMode ProcessingMode = pmNormal;
    std::int32_t BlockModeSize = 1024, BlockModeOverlap = 0;
    std::int32_t InitialDelay = 0;
    bool KeysRequired = false;
    std::int32_t RealQualities = 0, OffQualities = 0, IORatio = 1;
    const char* UniqueID = "NoEf";
    bool OldCreateOrder = false;
};

template <class TModule>
struct TVstProgramDeclaration
{
    const char* DisplayName = "Init";
    void (TModule::*OnInitialize)(TCustomVstProgram* Sender) = nullptr;
    void (TModule::*OnLoadChunk)(TCustomVstProgram* Sender, std::int32_t Index, bool isPreset) = nullptr;
    void (TModule::*OnStoreChunk)(TCustomVstProgram* Sender, std::int32_t Index, bool isPreset) = nullptr;
};

// The fields are those of MARVO_VST_PARAMETER_FIELDS (DVSTModuleItems.h); a null text keeps the item's own.
template <class TModule>
struct TVstParameterDeclaration
{
#define MARVO_ROW_FIELD(Type, Name, Default) Type Name = Default;
#define MARVO_ROW_TEXT(Name, Most) const char* Name = nullptr;
    MARVO_VST_PARAMETER_FIELDS(MARVO_ROW_FIELD, MARVO_ROW_TEXT)
#undef MARVO_ROW_FIELD
#undef MARVO_ROW_TEXT
    void (TModule::*OnParameterChange)(TComponent* Sender, std::int32_t Index, float& Value) = nullptr;
    void (TModule::*OnCustomParameterLabel)(TComponent* Sender, std::int32_t Index, std::string& PreDefined) = nullptr;
    void (TModule::*OnCustomParameterDisplay)(TComponent* Sender, std::int32_t Index, std::string& PreDefined) = nullptr;
};

template <class TModule>
struct TVstShellPluginDeclaration
{
    const char* DisplayName = "Init";
    std::int32_t numInputs = -1, numOutputs = -1, numParams = -1, numPrograms = -1;
    TVstPluginCategory PlugCategory = vpcUnknown;
    const char* UniqueID = "";
    void (TModule::*OnInstanciate)(TComponent* Sender, const std::string& UID) = nullptr;
};

// The module's own event handlers (each optional), one field per event of MARVO_VST_MODULE_EVENTS.
template <class TModule>
struct TVSTModuleEvents
{
#define MARVO_EVENT_HANDLER_FIELD(Name, Event)                                                                 \
    typename VSTModuleDetail::THandlerOf<TModule, Event>::Type Name = nullptr;
    MARVO_VST_MODULE_EVENTS(MARVO_EVENT_HANDLER_FIELD, MARVO_EVENT_HANDLER_FIELD)
#undef MARVO_EVENT_HANDLER_FIELD
};

template <class TModule>
struct TVSTModuleDeclaration
{
    TVSTModuleProperties Properties{};
    // Programs are created before parameters, so each program gets one value per parameter.
    std::span<const TVstProgramDeclaration<TModule>> Programs{};
    std::span<const TVstParameterDeclaration<TModule>> Parameters{};
    std::span<const TVstShellPluginDeclaration<TModule>> ShellPlugins{};
    TVSTModuleEvents<TModule> Events{};
};

// ---------------------------------------------------------------------------------------------------------
// Loading a declaration (TCustomVSTModule::LoadDeclaration applies the properties first and finishes after).

namespace VSTModuleDetail
{
template <class TModule, class R, class... A>
void Bind(std::function<R(A...)>& Event, TModule* Module, R (TModule::*Handler)(A...))
{
    if (Handler)
        Event = [Module, Handler](A... Args) -> R { return (Module->*Handler)(std::forward<A>(Args)...); };
}

// [host-main] Creates the declared programs, then parameters, then shell plug-ins in Module's collections and
// binds the declared handlers to the events of its items.
template <class TModule>
void BindItems(TModule& Module, const TVSTModuleDeclaration<TModule>& D)
{
    TModule* M = &Module;
    for (const auto& P : D.Programs)
    {
        TCustomVstProgram* Program = M->Programs().Add();
        Program->SetDisplayName(P.DisplayName ? P.DisplayName : "");
        Bind(Program->OnInitialize, M, P.OnInitialize);
        Bind(Program->OnLoadChunk, M, P.OnLoadChunk);
        Bind(Program->OnStoreChunk, M, P.OnStoreChunk);
    }
    for (const auto& P : D.Parameters)
    {
        TCustomVstParameterProperty* Item = M->ParameterProperties().Add();
#define MARVO_COPY_FIELD(Type, Name, Default) Item->Name = P.Name;
#define MARVO_COPY_TEXT(Name, Most)                                                                         \
    if (P.Name)                                                                                            \
        Item->Set##Name(P.Name);
        MARVO_VST_PARAMETER_FIELDS(MARVO_COPY_FIELD, MARVO_COPY_TEXT)
#undef MARVO_COPY_FIELD
#undef MARVO_COPY_TEXT
        Bind(Item->OnParameterChange, M, P.OnParameterChange);
        Bind(Item->OnCustomParameterLabel, M, P.OnCustomParameterLabel);
        Bind(Item->OnCustomParameterDisplay, M, P.OnCustomParameterDisplay);
    }
    for (const auto& S : D.ShellPlugins)
    {
        TCustomVstShellPlugin* Item = M->ShellPlugins().Add();
        Item->SetDisplayName(S.DisplayName ? S.DisplayName : "");
        Item->numInputs = S.numInputs;
        Item->numOutputs = S.numOutputs;
        Item->numParams = S.numParams;
        Item->numPrograms = S.numPrograms;
        Item->PlugCategory = S.PlugCategory;
        Item->SetUniqueID(S.UniqueID ? S.UniqueID : "");
        Bind(Item->OnInstanciate, M, S.OnInstanciate);
    }
}

// [host-main] Binds the declared handlers to the module's events.
template <class TModule>
void BindEvents(TModule& Module, const TVSTModuleEvents<TModule>& E)
{
    TModule* M = &Module;
    // A routed event is assigned through its setter, and only when declared (each setter recomputes the routes).
#define MARVO_BIND_EVENT(Name, Event) Bind(M->Name, M, E.Name);
#define MARVO_BIND_ROUTED_EVENT(Name, Event)                                                                    \
    if (E.Name)                                                                                                \
    {                                                                                                          \
        Event Handler;                                                                                         \
        Bind(Handler, M, E.Name);                                                                              \
        M->Set##Name(std::move(Handler));                                                                      \
    }
    MARVO_VST_MODULE_EVENTS(MARVO_BIND_EVENT, MARVO_BIND_ROUTED_EVENT)
#undef MARVO_BIND_EVENT
#undef MARVO_BIND_ROUTED_EVENT
}
} // namespace VSTModuleDetail
