// The dispatcher: one handler per opcode the module answers, found through a table indexed by the opcode's
// low 8 bits. Opcodes without a handler answer 0 (also effEditDraw, effEditMouse, effEditKey, effCopyProgram,
// effGetCurrentPosition, effGetDestinationBuffer, effSetSpeakerArrangement, effGetErrorText, effIdle,
// effGetIcon, effSetViewPosition, effGetMidiProgramName, effGetMidiProgramCategory,
// effHasMidiProgramsChanged, effGetMidiKeyName and effGetSpeakerArrangement).
#include <array>
#include <cstdint>
#include <string>

#include "vstplugin/DVSTModule.h"
#include "vstplugin/DVSTModuleTexts.h"

using namespace VSTModuleDetail;

struct TCustomVSTModule::TDispatch
{
    // One dispatcher call, its opcode reduced to the low 8 bits.
    struct TCall
    {
        TDispatcherOpcode Op;
        VstInt32 Index;
        VstIntPtr Value;
        void* Ptr;
        float Opt;
    };
    using THandler = VstIntPtr (*)(TCustomVSTModule& M, const TCall& C);
    using TTable = std::array<THandler, 256>;

    // [any] Fires Event (when assigned); answers 1 when it fired, else 0.
    static VstIntPtr FireNotify(TCustomVSTModule& M, const TNotifyEvent& Event)
    {
        if (!Event)
            return 0;
        Event(&M);
        return 1;
    }
    static bool HasEditor(const TCustomVSTModule& M) { return M.Flags().Contains(effFlagsHasEditor); }

    // ----- life and programs [host-main]
    static VstIntPtr Open(TCustomVSTModule& M, const TCall&)
    {
        FireNotify(M, M.OnOpen);
        return 0;
    }
    static VstIntPtr Close(TCustomVSTModule& M, const TCall&)
    {
        FireNotify(M, M.OnClose);
        return 0;
    }
    static VstIntPtr SetProgram(TCustomVSTModule& M, const TCall& C)
    {
        if (C.Value >= 0 && C.Value < M.numPrograms() && C.Value != M.FCurrentProgram)
            M.SetCurrentProgram(static_cast<std::int32_t>(C.Value));
        return 0;
    }
    static VstIntPtr GetProgram(TCustomVSTModule& M, const TCall&) { return M.FCurrentProgram; }
    static VstIntPtr SetProgramName(TCustomVSTModule& M, const TCall& C)
    {
        if (C.Ptr && M.numPrograms() > 0)
            M.SetCurrentProgramName(ReadText(C.Ptr));
        return 0;
    }
    static VstIntPtr GetProgramName(TCustomVSTModule& M, const TCall& C)
    {
        CopyText(C.Ptr, M.CurrentProgramName());
        return 0;
    }
    static VstIntPtr GetNumProgramCategories(TCustomVSTModule& M, const TCall&) { return M.FNumCategories; }
    static VstIntPtr GetProgramNameIndexed(TCustomVSTModule& M, const TCall& C)
    {
        return M.GetProgramNameIndexed(static_cast<std::int32_t>(C.Value), C.Index, static_cast<char*>(C.Ptr));
    }
    static VstIntPtr BeginSetProgram(TCustomVSTModule& M, const TCall&) { return FireNotify(M, M.OnBeginSetProgram); }
    static VstIntPtr EndSetProgram(TCustomVSTModule& M, const TCall&) { return FireNotify(M, M.OnEndSetProgram); }
    // Answers 0 when the patch is this plug-in's, -1 when not or without one.
    static VstIntPtr BeginLoad(TCustomVSTModule& M, const TCall& C)
    {
        if (!C.Ptr)
            return -1;
        const auto& Info = *static_cast<const TVstPatchChunkInfo*>(C.Ptr);
        const TOnBeginLoadBankEvent& Event = C.Op == effBeginLoadBank ? M.OnBeginLoadBank : M.OnBeginLoadProgram;
        if (Event)
            Event(&M, Info);
        return Info.pluginUniqueID == M.FEffect.uniqueID ? 0 : -1;
    }
    static VstIntPtr GetChunk(TCustomVSTModule& M, const TCall& C)
    {
        return M.GetChunk(static_cast<void**>(C.Ptr), C.Index != 0);
    }
    static VstIntPtr SetChunk(TCustomVSTModule& M, const TCall& C)
    {
        if (C.Value < 0 || C.Value > 0x7FFFFFFF)
            return 0;
        return M.SetChunk(C.Ptr, static_cast<std::int32_t>(C.Value), C.Index != 0);
    }

    // ----- parameters [host-main]
    static VstIntPtr GetParamLabel(TCustomVSTModule& M, const TCall& C)
    {
        M.GetParameterLabel(C.Index, static_cast<char*>(C.Ptr));
        return 0;
    }
    static VstIntPtr GetParamDisplay(TCustomVSTModule& M, const TCall& C)
    {
        M.GetParameterDisplay(C.Index, static_cast<char*>(C.Ptr));
        return 0;
    }
    static VstIntPtr GetParamName(TCustomVSTModule& M, const TCall& C)
    {
        M.GetParameterName(C.Index, static_cast<char*>(C.Ptr));
        return 0;
    }
    static VstIntPtr CanBeAutomated(TCustomVSTModule& M, const TCall& C) { return M.CanBeAutomated(C.Index); }
    static VstIntPtr String2Parameter(TCustomVSTModule& M, const TCall& C)
    {
        return M.String2Parameter(C.Index, static_cast<const char*>(C.Ptr));
    }
    static VstIntPtr GetParameterProperties(TCustomVSTModule& M, const TCall& C)
    {
        return M.GetParameterProperties(C.Index, static_cast<VstParameterProperties*>(C.Ptr));
    }

    // ----- processing [host-main]; effSetBlockSizeAndSampleRate [audio] in the player, effProcessEvents [audio]
    static VstIntPtr GetVu(TCustomVSTModule& M, const TCall&)
    {
        if (!M.OnGetVU)
            return 0;
        float VU = 0.0f;
        M.OnGetVU(VU);
        return static_cast<VstIntPtr>(RoundToInteger(static_cast<double>(VU) * 32767.0));
    }
    static VstIntPtr SetSampleRate(TCustomVSTModule& M, const TCall& C)
    {
        M.SetSampleRate(C.Opt);
        return 1;
    }
    static VstIntPtr SetBlockSize(TCustomVSTModule& M, const TCall& C)
    {
        M.SetBlockSize(static_cast<std::int32_t>(C.Value));
        return 0;
    }
    static VstIntPtr SetBlockSizeAndSampleRate(TCustomVSTModule& M, const TCall& C)
    {
        M.SetSampleRate(C.Opt);
        M.SetBlockSize(static_cast<std::int32_t>(C.Value));
        return 1;
    }
    static VstIntPtr MainsChanged(TCustomVSTModule& M, const TCall& C)
    {
        if (C.Value == 0)
            M.Suspend();
        else
            M.Resume();
        return 0;
    }
    static VstIntPtr ProcessEvents(TCustomVSTModule& M, const TCall& C)
    {
        M.ProcessEvents(static_cast<VstEvents*>(C.Ptr));
        return 1;
    }
    static VstIntPtr StartProcess(TCustomVSTModule& M, const TCall&) { return FireNotify(M, M.OnStartProcess); }
    static VstIntPtr StopProcess(TCustomVSTModule& M, const TCall&) { return FireNotify(M, M.OnStopProcess); }
    static VstIntPtr SetTotalSampleToProcess(TCustomVSTModule&, const TCall& C) { return C.Value; }
    static VstIntPtr SetBypass(TCustomVSTModule& M, const TCall& C)
    {
        if (!M.OnSoftBypass)
            return 0;
        M.OnSoftBypass(&M, C.Value != 0);
        return 1;
    }
    static VstIntPtr SetPanLaw(TCustomVSTModule& M, const TCall& C)
    {
        if (!M.OnSetPanLaw)
            return 0;
        std::int32_t LawType = static_cast<std::int32_t>(C.Value);
        float Gain = C.Opt;
        M.OnSetPanLaw(&M, LawType, Gain);
        return 1;
    }
    static VstIntPtr ConnectInput(TCustomVSTModule& M, const TCall& C)
    {
        if (M.OnInConnected)
            M.OnInConnected(&M, C.Index, C.Value != 0);
        return 1;
    }
    static VstIntPtr ConnectOutput(TCustomVSTModule& M, const TCall& C)
    {
        if (M.OnOutConnected)
            M.OnOutConnected(&M, C.Index, C.Value != 0);
        return 1;
    }
    static VstIntPtr GetInputProperties(TCustomVSTModule& M, const TCall& C)
    {
        return M.GetInputProperties(C.Index, static_cast<VstPinProperties*>(C.Ptr));
    }
    static VstIntPtr GetOutputProperties(TCustomVSTModule& M, const TCall& C)
    {
        return M.GetOutputProperties(C.Index, static_cast<VstPinProperties*>(C.Ptr));
    }

    // ----- offline processing [host-main]
    static VstIntPtr OfflineNotify(TCustomVSTModule& M, const TCall& C)
    {
        if (!M.OnOfflineNotify)
            return 0;
        M.OnOfflineNotify(&M, static_cast<TVstAudioFile*>(C.Ptr), static_cast<std::int32_t>(C.Value), C.Index != 0);
        return 1;
    }
    static VstIntPtr OfflinePrepareOrRun(TCustomVSTModule& M, const TCall& C)
    {
        const TOfflinePrepareEvent& Event = C.Op == effOfflinePrepare ? M.OnOfflinePrepare : M.OnOfflineRun;
        if (!Event)
            return 0;
        Event(&M, static_cast<TVstOfflineTask*>(C.Ptr), static_cast<std::int32_t>(C.Value));
        return 1;
    }
    static VstIntPtr ProcessVarIo(TCustomVSTModule& M, const TCall& C)
    {
        if (!M.OnProcessVarIO)
            return 0;
        M.OnProcessVarIO(&M, static_cast<TVstVariableIo*>(C.Ptr));
        return 1;
    }

    // ----- the editor [editor]; effSetEditKnobMode [host-main]
    static VstIntPtr EditGetRect(TCustomVSTModule& M, const TCall& C)
    {
        if (C.Ptr)
            *static_cast<ERect**>(C.Ptr) = &M.FEditorRect;
        M.FEditorRect.top = 0;
        M.FEditorRect.left = 0;
        TEditorWindow* Form = M.FEditorForm.load();
        if (!Form)
            return 0;
        M.FEditorRect.bottom = static_cast<VstInt16>(Form->ClientHeight());
        M.FEditorRect.right = static_cast<VstInt16>(Form->ClientWidth());
        return 1;
    }
    static VstIntPtr EditOpen(TCustomVSTModule& M, const TCall& C) { return HasEditor(M) ? M.EditorOpen(C.Ptr) : 0; }
    static VstIntPtr EditClose(TCustomVSTModule& M, const TCall&)
    {
        if (HasEditor(M))
            M.EditorClose();
        return 0;
    }
    static VstIntPtr EditIdle(TCustomVSTModule& M, const TCall&)
    {
        if (HasEditor(M))
            M.EditorIdle();
        return 0;
    }
    static VstIntPtr EditTop(TCustomVSTModule& M, const TCall&)
    {
        FireNotify(M, M.OnEditTop);
        return 0;
    }
    static VstIntPtr EditSleep(TCustomVSTModule& M, const TCall&)
    {
        FireNotify(M, M.OnEditSleep);
        return 0;
    }
    static VstIntPtr EditKey(TCustomVSTModule& M, const TCall& C)
    {
        return M.EditKey(C.Op == effEditKeyDown, C.Index, C.Value, C.Opt);
    }
    static VstIntPtr SetEditKnobMode(TCustomVSTModule& M, const TCall& C)
    {
        if (!M.OnEditorKnobMode)
            return 0;
        M.OnEditorKnobMode(&M, static_cast<std::int32_t>(C.Value));
        return 1;
    }

    // ----- what the plug-in is [host-main]
    static VstIntPtr Identify(TCustomVSTModule&, const TCall&) { return FourCharCode("NvEf"); }
    static VstIntPtr GetPlugCategory(TCustomVSTModule& M, const TCall&) { return M.FPlugCategory; }
    static VstIntPtr GetEffectName(TCustomVSTModule& M, const TCall& C)
    {
        CopyText(C.Ptr, M.FEffectName);
        return 1;
    }
    static VstIntPtr GetVendorString(TCustomVSTModule& M, const TCall& C)
    {
        CopyText(C.Ptr, M.FVendorName);
        return 1;
    }
    static VstIntPtr GetProductString(TCustomVSTModule& M, const TCall& C)
    {
        CopyText(C.Ptr, M.FProductName.empty() ? M.FEffectName : M.FProductName);
        return 1;
    }
    static VstIntPtr GetVendorVersion(TCustomVSTModule& M, const TCall&) { return M.FEffect.version; }
    static VstIntPtr CanDo(TCustomVSTModule& M, const TCall& C) { return M.CanDo(static_cast<const char*>(C.Ptr)); }
    static VstIntPtr GetTailSize(TCustomVSTModule& M, const TCall&) { return M.FTailSize; }
    static VstIntPtr KeysRequired(TCustomVSTModule& M, const TCall&) { return M.FKeysRequired ? 0 : 1; }
    static VstIntPtr GetVstVersion(TCustomVSTModule&, const TCall&) { return 2400; }
    static VstIntPtr GetCurrentMidiProgram(TCustomVSTModule&, const TCall&) { return -1; }
    static VstIntPtr ShellGetNextPlugin(TCustomVSTModule& M, const TCall& C)
    {
        return M.ShellGetNextPlugin(static_cast<char*>(C.Ptr));
    }

    // ----- effVendorSpecific [host-main]
    // The framework's own vendor requests: a request whose Index is listed here is answered by the framework
    // and never reaches the module's OnVendorSpecific. Add a framework request as one entry of this table.
    struct TFrameworkRequest
    {
        VstInt32 Index; // a four-character code
        THandler Answer;
    };
    static VstIntPtr ParameterDescription(TCustomVSTModule& M, const TCall& C)
    {
        return M.AnswerParameterDescription(C.Value, C.Ptr);
    }
    static constexpr std::array<TFrameworkRequest, 1> FrameworkRequests{{
        {kVstRequestParameterDescription, &ParameterDescription},
    }};

    static VstIntPtr VendorSpecific(TCustomVSTModule& M, const TCall& C)
    {
        for (const TFrameworkRequest& Request : FrameworkRequests)
            if (Request.Index == C.Index)
                return Request.Answer(M, C);
        return M.OnVendorSpecific ? M.OnVendorSpecific(&M, C.Index, C.Value, C.Ptr, C.Opt) : 0;
    }

    static constexpr TTable Table();
};

// [any] The handler of each opcode; null for the opcodes that answer 0.
constexpr TCustomVSTModule::TDispatch::TTable TCustomVSTModule::TDispatch::Table()
{
    struct TEntry
    {
        TDispatcherOpcode Op;
        THandler Handler;
    };
    constexpr TEntry Entries[] = {
        {effOpen, &Open},
        {effClose, &Close},
        {effSetProgram, &SetProgram},
        {effGetProgram, &GetProgram},
        {effSetProgramName, &SetProgramName},
        {effGetProgramName, &GetProgramName},
        {effGetParamLabel, &GetParamLabel},
        {effGetParamDisplay, &GetParamDisplay},
        {effGetParamName, &GetParamName},
        {effGetVu, &GetVu},
        {effSetSampleRate, &SetSampleRate},
        {effSetBlockSize, &SetBlockSize},
        {effMainsChanged, &MainsChanged},
        {effEditGetRect, &EditGetRect},
        {effEditOpen, &EditOpen},
        {effEditClose, &EditClose},
        {effEditIdle, &EditIdle},
        {effEditTop, &EditTop},
        {effEditSleep, &EditSleep},
        {effIdentify, &Identify},
        {effGetChunk, &GetChunk},
        {effSetChunk, &SetChunk},
        {effProcessEvents, &ProcessEvents},
        {effCanBeAutomated, &CanBeAutomated},
        {effString2Parameter, &String2Parameter},
        {effGetNumProgramCategories, &GetNumProgramCategories},
        {effGetProgramNameIndexed, &GetProgramNameIndexed},
        {effConnectInput, &ConnectInput},
        {effConnectOutput, &ConnectOutput},
        {effGetInputProperties, &GetInputProperties},
        {effGetOutputProperties, &GetOutputProperties},
        {effGetPlugCategory, &GetPlugCategory},
        {effOfflineNotify, &OfflineNotify},
        {effOfflinePrepare, &OfflinePrepareOrRun},
        {effOfflineRun, &OfflinePrepareOrRun},
        {effProcessVarIo, &ProcessVarIo},
        {effSetBlockSizeAndSampleRate, &SetBlockSizeAndSampleRate},
        {effSetBypass, &SetBypass},
        {effGetEffectName, &GetEffectName},
        {effGetVendorString, &GetVendorString},
        {effGetProductString, &GetProductString},
        {effGetVendorVersion, &GetVendorVersion},
        {effVendorSpecific, &VendorSpecific},
        {effCanDo, &CanDo},
        {effGetTailSize, &GetTailSize},
        {effGetParameterProperties, &GetParameterProperties},
        {effKeysRequired, &KeysRequired},
        {effGetVstVersion, &GetVstVersion},
        {effEditKeyDown, &EditKey},
        {effEditKeyUp, &EditKey},
        {effSetEditKnobMode, &SetEditKnobMode},
        {effGetCurrentMidiProgram, &GetCurrentMidiProgram},
        {effBeginSetProgram, &BeginSetProgram},
        {effEndSetProgram, &EndSetProgram},
        {effShellGetNextPlugin, &ShellGetNextPlugin},
        {effStartProcess, &StartProcess},
        {effStopProcess, &StopProcess},
        {effSetTotalSampleToProcess, &SetTotalSampleToProcess},
        {effSetPanLaw, &SetPanLaw},
        {effBeginLoadBank, &BeginLoad},
        {effBeginLoadProgram, &BeginLoad},
    };
    TTable Table{};
    for (const TEntry& E : Entries)
        Table[static_cast<std::size_t>(E.Op)] = E.Handler;
    return Table;
}

// [any; editor opcodes: editor]
VstIntPtr TCustomVSTModule::Dispatcher(VstInt32 Opcode, VstInt32 Index, VstIntPtr Value, void* Ptr, float Opt)
{
    static constexpr TDispatch::TTable Handlers = TDispatch::Table();
    const auto Op = static_cast<TDispatcherOpcode>(Opcode & 0xFF);
    if (OnDispatcher)
        OnDispatcher(this, Op);
    const TDispatch::THandler Handler = Handlers[static_cast<std::size_t>(Op)];
    return Handler ? Handler(*this, {Op, Index, Value, Ptr, Opt}) : 0;
}
