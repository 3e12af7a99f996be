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

template <class TModule>
struct TVstParameterDeclaration
{
    float Min = 0.0f;
    float Max = 1.0f;
    std::int32_t CC = -1;
    TCurveType Curve = ctLinear;
    const char* DisplayName = nullptr; // null: "Parameter n"
    const char* Units = "";
    float CurveFactor = 1.0f;
    float SmoothingFactor = 1.0f;
    bool CanBeAutomated = true;
    bool ReportVST2Properties = false;
    float StepFloat = 0.0f, SmallStepFloat = 0.0f, LargeStepFloat = 0.0f;
    TVstParameterPropertiesFlags Flags{};
    std::int32_t MinInteger = 0, MaxInteger = 0, StepInteger = 0, LargeStepInteger = 0;
    const char* ShortLabel = "";
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

// The module's own event handlers (each optional).
template <class TModule>
struct TVSTModuleEvents
{
    using M = TModule;
    void (M::*OnCreate)(TComponent*) = nullptr;
    void (M::*OnDestroy)(TComponent*) = nullptr;
    void (M::*OnInitialize)(TComponent*) = nullptr;
    void (M::*OnOpen)(TComponent*) = nullptr;
    void (M::*OnClose)(TComponent*) = nullptr;
    void (M::*OnEditOpen)(TComponent*, TEditorWindow*&) = nullptr;
    void (M::*OnEditClose)(TComponent*) = nullptr;
    void (M::*OnEditIdle)(TComponent*) = nullptr;
    void (M::*OnEditTop)(TComponent*) = nullptr;
    void (M::*OnEditSleep)(TComponent*) = nullptr;
    void (M::*OnEditorKeyDown)(TComponent*, TVstKeyCode&) = nullptr;
    void (M::*OnEditorKeyUp)(TComponent*, TVstKeyCode&) = nullptr;
    void (M::*OnEditorKnobMode)(TComponent*, std::int32_t) = nullptr;
    void (M::*OnParameterChange)(TComponent*, std::int32_t, float&) = nullptr;
    void (M::*OnParameterSizeFailed)(TComponent*) = nullptr;
    void (M::*OnResume)(TComponent*) = nullptr;
    void (M::*OnSuspend)(TComponent*) = nullptr;
    void (M::*OnBlockSizeChange)(TComponent*, std::int32_t) = nullptr;
    void (M::*OnSampleRateChange)(TComponent*, float) = nullptr;
    void (M::*OnGetVU)(float&) = nullptr;
    void (M::*OnProcess)(float**, float**, std::int32_t) = nullptr;
    void (M::*OnProcessReplacing)(float**, float**, std::int32_t) = nullptr;
    void (M::*OnProcessDoubleReplacing)(double**, double**, std::int32_t) = nullptr;
    void (M::*OnSoftBypass)(TComponent*, bool) = nullptr;
    void (M::*OnProcessMidi)(TComponent*, const TVstMidiEvent&) = nullptr;
    void (M::*OnInConnected)(TComponent*, std::int32_t, bool) = nullptr;
    void (M::*OnOutConnected)(TComponent*, std::int32_t, bool) = nullptr;
    void (M::*OnStartProcess)(TComponent*) = nullptr;
    void (M::*OnStopProcess)(TComponent*) = nullptr;
    void (M::*OnOfflineNotify)(TComponent*, TVstAudioFile*, std::int32_t, bool) = nullptr;
    void (M::*OnOfflinePrepare)(TComponent*, TVstOfflineTask*, std::int32_t) = nullptr;
    void (M::*OnOfflineRun)(TComponent*, TVstOfflineTask*, std::int32_t) = nullptr;
    void (M::*OnProcessVarIO)(TComponent*, TVstVariableIo*) = nullptr;
    void (M::*OnSetPanLaw)(TComponent*, std::int32_t&, float&) = nullptr;
    void (M::*OnBeginLoadBank)(TComponent*, const TVstPatchChunkInfo&) = nullptr;
    void (M::*OnBeginLoadProgram)(TComponent*, const TVstPatchChunkInfo&) = nullptr;
    void (M::*OnBeginSetProgram)(TComponent*) = nullptr;
    void (M::*OnEndSetProgram)(TComponent*) = nullptr;
    void (M::*OnBeforeProgramChange)(TComponent*) = nullptr;
    void (M::*OnAfterProgramChange)(TComponent*) = nullptr;
    void (M::*OnDispatcher)(TComponent*, TDispatcherOpcode) = nullptr;
    std::int32_t (M::*OnVendorSpecific)(TComponent*, std::int32_t, std::intptr_t, void*, float) = nullptr;
    std::int32_t (M::*OnCanDo)(TComponent*, const std::string&) = nullptr;
    std::int32_t (M::*OnInputProperties)(TComponent*, std::string&, std::string&, std::int32_t&,
                                         TChannelPropertyFlags&) = nullptr;
    std::int32_t (M::*OnOutputProperties)(TComponent*, std::string&, std::string&, std::int32_t&,
                                          TChannelPropertyFlags&) = nullptr;
    bool (M::*OnCheckKey)(TComponent*, char) = nullptr;
    float (M::*OnGetChunkParameter)(TComponent*, std::int32_t) = nullptr;
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
// binds the declared handlers to the events of the module and of its items.
template <class TModule>
void BindDeclaration(TModule& Module, const TVSTModuleDeclaration<TModule>& D)
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
        Item->Min = P.Min;
        Item->Max = P.Max;
        Item->CC = P.CC;
        Item->Curve = P.Curve;
        if (P.DisplayName)
            Item->SetDisplayName(P.DisplayName);
        Item->Units = P.Units ? P.Units : "";
        Item->CurveFactor = P.CurveFactor;
        Item->SmoothingFactor = P.SmoothingFactor;
        Item->CanBeAutomated = P.CanBeAutomated;
        Item->ReportVST2Properties = P.ReportVST2Properties;
        Item->StepFloat = P.StepFloat;
        Item->SmallStepFloat = P.SmallStepFloat;
        Item->LargeStepFloat = P.LargeStepFloat;
        Item->Flags = P.Flags;
        Item->MinInteger = P.MinInteger;
        Item->MaxInteger = P.MaxInteger;
        Item->StepInteger = P.StepInteger;
        Item->LargeStepInteger = P.LargeStepInteger;
        Item->SetShortLabel(P.ShortLabel ? P.ShortLabel : "");
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
    const TVSTModuleEvents<TModule>& E = D.Events;
    Bind(M->OnCreate, M, E.OnCreate);
    Bind(M->OnDestroy, M, E.OnDestroy);
    Bind(M->OnInitialize, M, E.OnInitialize);
    Bind(M->OnOpen, M, E.OnOpen);
    Bind(M->OnClose, M, E.OnClose);
    Bind(M->OnEditOpen, M, E.OnEditOpen);
    Bind(M->OnEditClose, M, E.OnEditClose);
    Bind(M->OnEditIdle, M, E.OnEditIdle);
    Bind(M->OnEditTop, M, E.OnEditTop);
    Bind(M->OnEditSleep, M, E.OnEditSleep);
    Bind(M->OnEditorKeyDown, M, E.OnEditorKeyDown);
    Bind(M->OnEditorKeyUp, M, E.OnEditorKeyUp);
    Bind(M->OnEditorKnobMode, M, E.OnEditorKnobMode);
    Bind(M->OnParameterChange, M, E.OnParameterChange);
    Bind(M->OnParameterSizeFailed, M, E.OnParameterSizeFailed);
    Bind(M->OnResume, M, E.OnResume);
    Bind(M->OnSuspend, M, E.OnSuspend);
    Bind(M->OnBlockSizeChange, M, E.OnBlockSizeChange);
    Bind(M->OnSampleRateChange, M, E.OnSampleRateChange);
    Bind(M->OnGetVU, M, E.OnGetVU);
    Bind(M->OnSoftBypass, M, E.OnSoftBypass);
    Bind(M->OnProcessMidi, M, E.OnProcessMidi);
    Bind(M->OnInConnected, M, E.OnInConnected);
    Bind(M->OnOutConnected, M, E.OnOutConnected);
    Bind(M->OnStartProcess, M, E.OnStartProcess);
    Bind(M->OnStopProcess, M, E.OnStopProcess);
    Bind(M->OnOfflineNotify, M, E.OnOfflineNotify);
    Bind(M->OnOfflinePrepare, M, E.OnOfflinePrepare);
    Bind(M->OnOfflineRun, M, E.OnOfflineRun);
    Bind(M->OnProcessVarIO, M, E.OnProcessVarIO);
    Bind(M->OnSetPanLaw, M, E.OnSetPanLaw);
    Bind(M->OnBeginLoadBank, M, E.OnBeginLoadBank);
    Bind(M->OnBeginLoadProgram, M, E.OnBeginLoadProgram);
    Bind(M->OnBeginSetProgram, M, E.OnBeginSetProgram);
    Bind(M->OnEndSetProgram, M, E.OnEndSetProgram);
    Bind(M->OnBeforeProgramChange, M, E.OnBeforeProgramChange);
    Bind(M->OnAfterProgramChange, M, E.OnAfterProgramChange);
    Bind(M->OnDispatcher, M, E.OnDispatcher);
    Bind(M->OnVendorSpecific, M, E.OnVendorSpecific);
    Bind(M->OnCanDo, M, E.OnCanDo);
    Bind(M->OnInputProperties, M, E.OnInputProperties);
    Bind(M->OnOutputProperties, M, E.OnOutputProperties);
    Bind(M->OnCheckKey, M, E.OnCheckKey);
    Bind(M->OnGetChunkParameter, M, E.OnGetChunkParameter);
    std::function<void(float**, float**, std::int32_t)> Handler; // the process events assign through setters
    Bind(Handler, M, E.OnProcess);
    if (Handler)
        M->SetOnProcess(std::move(Handler));
    Handler = nullptr;
    Bind(Handler, M, E.OnProcessReplacing);
    if (Handler)
        M->SetOnProcessReplacing(std::move(Handler));
    std::function<void(double**, double**, std::int32_t)> DoubleHandler;
    Bind(DoubleHandler, M, E.OnProcessDoubleReplacing);
    if (DoubleHandler)
        M->SetOnProcessDoubleReplacing(std::move(DoubleHandler));
}
} // namespace VSTModuleDetail
